#pragma once

// What the desktop tests share: short-lived tools run with a deadline, and
// peer programs whose printed lines are read as they come.

#include "platform/desktop_input.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <optional>

namespace desktoptest {

inline constexpr int ProcessTimeoutMs = 10000;

struct Finished {
    bool inTime = false;
    int exitCode = -1;
    QByteArray out, err;
};

// Runs a short-lived helper program (xdotool, xclip -o, sqlite3) and waits
// for it with a deadline; one that hangs is killed.
inline Finished runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    Finished f;
    f.inTime = testsupport::waitUntil([&] { return p.state() == QProcess::NotRunning; }, ProcessTimeoutMs);
    if (!f.inTime) {
        p.kill();
        p.waitForFinished(2000);
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString() << " did not finish";
        return f;
    }
    f.exitCode = p.exitStatus() == QProcess::NormalExit && p.error() != QProcess::FailedToStart ? p.exitCode() : -1;
    f.out = p.readAllStandardOutput();
    f.err = p.readAllStandardError();
    return f;
}

inline Finished xdotool(const QStringList &args)
{
    return runTool(QStringLiteral("xdotool"), args);
}

// Presses keys with xdotool and expects it to succeed.
inline void pressKeys(const QString &keys)
{
    EXPECT_EQ(xdotool({QStringLiteral("key"), keys}).exitCode, 0) << keys.toStdString();
}

// A program started for a test; reads what it prints, line by line.
class Peer {
public:
    Peer(const QString &program, const QStringList &args)
    {
        m_process.start(program, args);
    }
    ~Peer() { stop(); }

    // The complete lines printed so far.
    QList<QByteArray> lines()
    {
        m_output += m_process.readAllStandardOutput();
        const qsizetype end = m_output.lastIndexOf('\n');
        return end < 0 ? QList<QByteArray>{} : testsupport::nonEmptyLines(m_output.left(end));
    }

    // Waits for the first line that starts with the prefix; answers the rest of it.
    std::optional<QByteArray> waitForLine(const QByteArray &prefix)
    {
        std::optional<QByteArray> found;
        testsupport::waitUntil([&] {
            for (const QByteArray &line : lines())
                if (line.startsWith(prefix)) {
                    found = line.mid(prefix.size());
                    return true;
                }
            return m_process.state() == QProcess::NotRunning && m_process.bytesAvailable() == 0;
        }, ProcessTimeoutMs);
        return found;
    }

    bool running() const { return m_process.state() != QProcess::NotRunning; }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(2000);
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// paste_target_peer: a window of another program with a focused editor.
class PasteTarget {
public:
    PasteTarget(const QString &program, const QString &title, bool multiLine = false)
        : m_peer(program,
                 multiLine ? QStringList{title, QStringLiteral("--multi")} : QStringList{title})
    {
        if (const std::optional<QByteArray> id = m_peer.waitForLine("WINID "))
            m_window = id->toULongLong();
    }

    platform::WindowHandle window() const { return m_window; }

    // What the editor holds now, as far as it has printed.
    QString text()
    {
        QByteArray last;
        for (const QByteArray &line : m_peer.lines())
            if (line.startsWith("TEXT "))
                last = line.mid(5);
        QString text;
        for (qsizetype i = 0; i < last.size(); ++i) {
            if (last[i] == '\\' && i + 1 < last.size()) {
                text += last[++i] == 'n' ? QLatin1Char('\n') : QLatin1Char(last[i]);
                continue;
            }
            text += QLatin1Char(last[i]);
        }
        return text;
    }

    void close() { m_peer.stop(); }

private:
    Peer m_peer;
    platform::WindowHandle m_window = 0;
};

} // namespace desktoptest
