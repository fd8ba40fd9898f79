#pragma once

// The paste into another program's window: the clip is already on the
// clipboard; the main window steps aside, and 150 ms later the target is
// brought to the front and gets Ctrl+V (or, for a file list and a file
// manager's folder window, a copy of the files).

#include "platform/desktop_input.h"

#include <QObject>
#include <QStringList>

class QTimer;
class QWidget;

namespace platform {
class Clipboard;
class Shell;
}

class TPasteScheduler : public QObject {
public:
    TPasteScheduler(QWidget *MainWindow, platform::Clipboard &Clipboard, platform::DesktopInput &Input,
                    platform::Shell &Shell);

    // Arms the paste into Target (0: the foreground window when it fires),
    // minimising the main window first when asked. A second call before it
    // fires replaces the target and starts the interval again.
    void StartPendingPaste(platform::WindowHandle Target, bool MinimizeFirst);
    // The timer's tick: the paste itself.
    void PasteTimerTimer();
    // Where a hotkey's paste goes: the foreground window, or when that is the
    // main window, the nearest visible, not minimised window above it; 0 when
    // there is none.
    platform::WindowHandle FindPasteTarget();

    QString ExplorerFolderOfWindow(platform::WindowHandle Wnd);
    bool CopyFilesToFolder(const QStringList &Paths, const QString &Folder);
    // Each non-blank path followed by a NUL, then one more NUL.
    static QString JoinPathsForShell(const QStringList &Paths);

    // The main window as the desktop names it.
    platform::WindowHandle MainWindowHandle() const;

    QTimer *FPasteTimer = nullptr;
    platform::WindowHandle FPendingPasteTarget = 0;

private:
    QWidget *FMainWindow;
    platform::Clipboard &FClipboard;
    platform::DesktopInput &FInput;
    platform::Shell &FShell;
};
