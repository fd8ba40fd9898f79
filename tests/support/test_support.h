#pragma once

// Small helpers shared by the tests.

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[';
    for (const QString &s : l)
        *os << '"' << s.toStdString() << "\" ";
    *os << ']';
}

namespace testsupport {

// Runs the event loop until the condition holds or the deadline passes;
// answers whether it held. Asynchronous results are awaited with this, never
// with fixed sleeps.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

// Processes the events that are already queued (posted events included).
void drainEvents();

// Path of a file in tests/fixtures.
QString fixturePath(const QString &name);
QByteArray readFixture(const QString &name);

// A small image whose pixels all differ, and an image encoded in a format
// Qt writes ("PNG", "BMP").
QImage gradientImage(int width, int height);
QByteArray encodeImage(const QImage &image, const char *format);

// The lines of a text a program printed, CR LF or LF, empty ones left out.
QList<QByteArray> nonEmptyLines(const QByteArray &bytes);

// Whether the tests run on a real X display (scripts/test starts one).
::testing::AssertionResult onXDisplay();

// Text as the clipboard holds CF_UNICODETEXT: UTF-16 with a closing NUL unit.
QByteArray utf16z(const QString &text);

// Counts the clipboard updates posted to it. Added as a listener after
// another one, it sees each update after that one has handled it.
class UpdateCounter : public QObject {
public:
    int updates = 0;

protected:
    bool event(QEvent *e) override;
};

// Answers every message box that opens while it lives, with the given
// button, and keeps the texts it saw.
class MessageBoxAnswerer : public QObject {
public:
    explicit MessageBoxAnswerer(int button);
    QStringList texts;
    // The button the next boxes get.
    void setButton(int button) { m_button = button; }

protected:
    void timerEvent(QTimerEvent *) override;

private:
    int m_button;
};

} // namespace testsupport
