#pragma once

// The keyboard and other programs' windows for tests: windows are scripted
// by the test (stacking order, minimised, closed, foreground), keys held on
// the keyboard are set by it, and every synthesised key is logged with the
// window that had the focus when it was sent.

#include "../desktop_input.h"
#include "../shell.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

namespace platform {

class SimulatedDesktop : public DesktopInput, public Shell {
public:
    struct SentInput {
        QList<KeyInput> inputs; // one sendInput call
        WindowHandle focus = 0; // the foreground window it went to
    };

    // --- DesktopInput ---
    bool isKeyHeld(quint32 virtualKey) override;
    void sendInput(const QList<KeyInput> &inputs) override;
    WindowHandle foregroundWindow() override { return m_foreground; }
    bool isWindow(WindowHandle window) override;
    bool isWindowVisible(WindowHandle window) override;
    bool isIconic(WindowHandle window) override;
    WindowHandle windowAbove(WindowHandle window) override;
    void restoreWindow(WindowHandle window) override;
    void bringToFront(WindowHandle window) override;

    // --- Shell ---
    QString folderOfWindow(WindowHandle window) override;
    int copyFiles(const QString &sources, const QString &destination, bool &aborted) override;

    // --- What a test uses. ---

    // Puts a window on top of the stacking order (not the foreground).
    void addWindow(WindowHandle window, bool visible = true, bool iconic = false);
    void closeWindow(WindowHandle window);
    void setIconic(WindowHandle window, bool iconic);
    void setForeground(WindowHandle window) { m_foreground = window; }
    // A key held down on the keyboard; it stays down until a key-up is sent
    // for it, or for ever when stuck.
    void setKeyHeld(quint32 virtualKey, bool held = true, bool stuck = false);
    // The folder a file-manager window shows.
    void setFolderOfWindow(WindowHandle window, const QString &folder) { m_folders.insert(window, folder); }
    // The result the next copies give (0: success), and whether the user cancels.
    void setCopyResult(int result, bool aborted = false);

    const QList<SentInput> &sentInputs() const { return m_sent; }
    // The window actions in order: "front <h>", "restore <h>", "copy <sources> -> <destination>".
    const QStringList &actions() const { return m_actions; }
    // The stacking order, bottom first.
    QList<WindowHandle> stacking() const;

private:
    struct Window {
        WindowHandle handle = 0;
        bool visible = true;
        bool iconic = false;
    };
    qsizetype indexOf(WindowHandle window) const;

    QList<Window> m_windows; // bottom first
    WindowHandle m_foreground = 0;
    QSet<quint32> m_held;
    QSet<quint32> m_stuck;
    QHash<WindowHandle, QString> m_folders;
    int m_copyResult = 0;
    bool m_copyAborted = false;
    QList<SentInput> m_sent;
    QStringList m_actions;
};

} // namespace platform
