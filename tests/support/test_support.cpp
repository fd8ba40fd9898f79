#include "test_support.h"

#include "platform/clipboard.h"

#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
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

QImage gradientImage(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 30 % 256));
    return img;
}

QByteArray encodeImage(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, format);
    return bytes;
}

QList<QByteArray> nonEmptyLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

::testing::AssertionResult onXDisplay()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return ::testing::AssertionFailure() << "desktop tests need an X display (scripts/test starts one)";
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        return ::testing::AssertionFailure() << "desktop tests need the xcb platform";
    return ::testing::AssertionSuccess();
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
