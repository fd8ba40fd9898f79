#pragma once

// The keyboard and the other programs' windows: key state, synthesised keys,
// the foreground window and the questions the paste asks about windows.
// Windows are top-level windows of any program, named by a handle; 0 is none.
// Key codes are Windows virtual-key codes.

#include <QList>
#include <QtGlobal>

namespace platform {

using WindowHandle = quint64;

inline constexpr quint32 VK_SHIFT = 0x10;
inline constexpr quint32 VK_CONTROL = 0x11;
inline constexpr quint32 VK_MENU = 0x12;
inline constexpr quint32 VK_LWIN = 0x5B;
inline constexpr quint32 VK_RWIN = 0x5C;
inline constexpr quint32 VK_OEM_3 = 0xC0; // the grave-accent key on a US keyboard

// One synthesised key event.
struct KeyInput {
    quint32 virtualKey = 0;
    bool keyUp = false;
    friend bool operator==(const KeyInput &, const KeyInput &) = default;
};

class DesktopInput {
public:
    virtual ~DesktopInput() = default;

    // Whether the key is down on the keyboard now (any of its keys, for the
    // modifiers that have a left and a right one).
    virtual bool isKeyHeld(quint32 virtualKey) = 0;

    // Sends the events in order, as typed by the user, to whatever has the
    // keyboard focus. Keys the keyboard mapping lacks are left out.
    virtual void sendInput(const QList<KeyInput> &inputs) = 0;

    // The window the user works in, or 0.
    virtual WindowHandle foregroundWindow() = 0;

    virtual bool isWindow(WindowHandle window) = 0;
    // Mapped and not withdrawn (a minimised window may still count as visible).
    virtual bool isWindowVisible(WindowHandle window) = 0;
    virtual bool isIconic(WindowHandle window) = 0;

    // The next top-level window above this one in the stacking order, 0 at the top.
    virtual WindowHandle windowAbove(WindowHandle window) = 0;

    // Shows a minimised window again in its earlier size and place.
    virtual void restoreWindow(WindowHandle window) = 0;

    // Makes the window the foreground window with the keyboard focus, on top
    // of the others. Answers when the desktop has done it or given up.
    virtual void bringToFront(WindowHandle window) = 0;
};

} // namespace platform
