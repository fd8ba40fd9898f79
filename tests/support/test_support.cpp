#include "test_support.h"

#include "platform/clipboard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace testsupport {

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void drainEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QString fixturePath(const QString &name)
{
    return QStringLiteral(STASHWELL_FIXTURES_DIR "/") + name;
}

QByteArray readFixture(const QString &name)
{
    QFile f(fixturePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray utf16z(const QString &text)
{
    return platform::utf16WithNul(text);
}

bool UpdateCounter::event(QEvent *e)
{
    if (e->type() == platform::ClipboardUpdateEvent) {
        ++updates;
        return true;
    }
    return QObject::event(e);
}

MessageBoxAnswerer::MessageBoxAnswerer(int button) : m_button(button)
{
    startTimer(5);
}

void MessageBoxAnswerer::timerEvent(QTimerEvent *)
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    texts.append(box->text());
    if (QAbstractButton *b = box->button(QMessageBox::StandardButton(m_button)))
        b->click();
    else
        box->reject();
}

} // namespace testsupport
