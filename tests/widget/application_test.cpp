// The general error handler: what an event handler throws is shown in an
// error box with the error's own text, and the program goes on.

#include "uApplication.h"
#include "uUtils.h"

#include "platform/error.h"
#include "test_support.h"

#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

std::unique_ptr<QApplication> createTestApplication(int &argc, char **argv)
{
    return std::make_unique<TApplication>(argc, argv);
}

namespace {

// Runs its action on every posted event it receives.
class ThrowingReceiver : public QObject {
public:
    std::function<void()> action;
    int handled = 0;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++handled;
        action();
        return true;
    }
};

struct ErrorCase {
    const char *name;
    std::function<void()> raise;
    QString shown;
};

TEST(ApplicationErrorHandler, ShowsTheErrorsOwnTextAndGoesOn)
{
    ASSERT_NE(dynamic_cast<TApplication *>(QCoreApplication::instance()), nullptr);
    const ErrorCase cases[] = {
        {"program error", [] { throw platform::Error(QStringLiteral("Cannot open \"x.db\": ünïcode")); },
         QStringLiteral("Cannot open \"x.db\": ünïcode")},
        {"standard exception", [] { throw std::runtime_error("disk full"); }, QStringLiteral("disk full")},
    };
    for (const ErrorCase &c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::MessageBoxAnswerer answerer(QMessageBox::Ok);
        QString title;
        ThrowingReceiver receiver;
        receiver.action = c.raise;
        // The box is modal: read its title while it is open.
        QTimer peek;
        QObject::connect(&peek, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                title = box->windowTitle();
        });
        peek.start(1);

        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        ASSERT_TRUE(testsupport::waitUntil([&] { return !answerer.texts.isEmpty(); }));
        EXPECT_EQ(answerer.texts, QStringList{c.shown});
        EXPECT_EQ(title, QString::fromLatin1(ApplicationTitle));

        // The next event is delivered as usual.
        receiver.action = [] {};
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        ASSERT_TRUE(testsupport::waitUntil([&] { return receiver.handled == 2; }));
        testsupport::drainEvents();
        EXPECT_EQ(answerer.texts.size(), 1);
    }
}

} // namespace
