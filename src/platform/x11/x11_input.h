#pragma once

// The keyboard and other programs' windows on X11: XTest for synthesised
// keys, the server's key map for key state, and the window manager's EWMH
// properties for the foreground window and the stacking order. Window
// handles are the top-level client windows the window manager lists in
// _NET_CLIENT_LIST (what Qt's winId() gives for a top-level widget).

#include "platform/desktop_input.h"

#include <QByteArray>

#include <memory>

namespace platform {

class X11Input : public DesktopInput {
public:
    // Opens a connection of its own to the display (empty: $DISPLAY).
    explicit X11Input(const QByteArray &displayName = {});
    ~X11Input() override;
    X11Input(const X11Input &) = delete;
    X11Input &operator=(const X11Input &) = delete;

    // False when the display could not be opened; every answer is then
    // false or 0 and nothing is sent.
    bool isConnected() const;

    bool isKeyHeld(quint32 virtualKey) override;
    void sendInput(const QList<KeyInput> &inputs) override;
    // _NET_ACTIVE_WINDOW.
    WindowHandle foregroundWindow() override;
    bool isWindow(WindowHandle window) override;
    // Mapped, even if the window manager has hidden its frame (another
    // desktop), or minimised.
    bool isWindowVisible(WindowHandle window) override;
    bool isIconic(WindowHandle window) override;
    // From _NET_CLIENT_LIST_STACKING; 0 also for a window not listed there.
    WindowHandle windowAbove(WindowHandle window) override;
    void restoreWindow(WindowHandle window) override;
    // Asks the window manager to activate the window, then waits up to
    // 200 ms for it to do so before giving the window the focus itself.
    void bringToFront(WindowHandle window) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
