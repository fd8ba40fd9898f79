#include "uPasteScheduler.h"

#include "uClipboardUtils.h"
#include "uPaste.h"

#include "platform/clipboard.h"
#include "platform/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

using namespace platform;

TPasteScheduler::TPasteScheduler(QWidget *MainWindow, Clipboard &Clipboard, DesktopInput &Input, Shell &Shell)
    : QObject(MainWindow), FMainWindow(MainWindow), FClipboard(Clipboard), FInput(Input), FShell(Shell)
{
    FPasteTimer = new QTimer(this);
    FPasteTimer->setSingleShot(true);
    FPasteTimer->setInterval(150);
    // The delay is part of what the user waits for: no coarse slack on top.
    FPasteTimer->setTimerType(Qt::PreciseTimer);
    connect(FPasteTimer, &QTimer::timeout, this, [this] { PasteTimerTimer(); });
}

WindowHandle TPasteScheduler::MainWindowHandle() const
{
    return WindowHandle(FMainWindow->winId());
}

void TPasteScheduler::StartPendingPaste(WindowHandle Target, bool MinimizeFirst)
{
    FPendingPasteTarget = Target;
    FPasteTimer->stop();
    if (MinimizeFirst && FMainWindow->isVisible() && !FMainWindow->isMinimized()) {
        FMainWindow->showMinimized();
        // Lets the desktop hand the focus to the next window.
        QCoreApplication::processEvents();
    }
    FPasteTimer->start();
}

void TPasteScheduler::PasteTimerTimer()
{
    FPasteTimer->stop();
    WindowHandle target = FPendingPasteTarget;
    FPendingPasteTarget = 0;
    if (target == 0 || !FInput.isWindow(target))
        target = FInput.foregroundWindow();

    const QString fileList = ReadClipboardFileList(FClipboard, FMainWindow);
    if (!TrimBlanks(fileList).isEmpty()) {
        const QStringList paths = SplitNonEmptyLines(fileList);
        if (!paths.isEmpty()) {
            const QString folder = ExplorerFolderOfWindow(target);
            if (!folder.isEmpty() && CopyFilesToFolder(paths, folder))
                return;
        }
    }
    if (target != 0 && FInput.isWindow(target))
        PasteToWindow(FInput, target);
    else
        SendCtrlV(FInput);
}

WindowHandle TPasteScheduler::FindPasteTarget()
{
    const WindowHandle main = MainWindowHandle();
    const WindowHandle foreground = FInput.foregroundWindow();
    if (foreground != main)
        return foreground;
    for (WindowHandle w = FInput.windowAbove(main); w != 0; w = FInput.windowAbove(w))
        if (FInput.isWindowVisible(w) && !FInput.isIconic(w))
            return w;
    return 0;
}

QString TPasteScheduler::ExplorerFolderOfWindow(WindowHandle Wnd)
{
    if (Wnd == 0 || !FInput.isWindow(Wnd))
        return {};
    return FShell.folderOfWindow(Wnd);
}

bool TPasteScheduler::CopyFilesToFolder(const QStringList &Paths, const QString &Folder)
{
    if (Paths.isEmpty() || TrimBlanks(Folder).isEmpty() || !QFileInfo(Folder).isDir())
        return false;
    QString destination = Folder;
    if (!destination.endsWith(QLatin1Char('/')) && !destination.endsWith(QDir::separator()))
        destination += QDir::separator();
    destination += QChar(0);
    destination += QChar(0);
    bool aborted = false;
    return FShell.copyFiles(JoinPathsForShell(Paths), destination, aborted) == 0 && !aborted;
}

QString TPasteScheduler::JoinPathsForShell(const QStringList &Paths)
{
    QString joined;
    for (const QString &p : Paths) {
        if (TrimBlanks(p).isEmpty())
            continue;
        joined += p;
        joined += QChar(0);
    }
    joined += QChar(0);
    return joined;
}
