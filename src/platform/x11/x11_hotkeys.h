#pragma once

// System-wide hotkeys on X11: each registration is a passive key grab on the
// root window, held through a connection of its own to the X server so that
// the toolkit's connection never sees the presses.

#include "platform/hotkeys.h"

#include <QByteArray>

#include <memory>

namespace platform {

class X11Hotkeys : public GlobalHotkeys {
public:
    // Connects to the display (empty: $DISPLAY). Presses are read through the
    // event loop of the thread that creates the object; registrations are
    // made on that thread too.
    explicit X11Hotkeys(const QByteArray &displayName = {});
    ~X11Hotkeys() override;
    X11Hotkeys(const X11Hotkeys &) = delete;
    X11Hotkeys &operator=(const X11Hotkeys &) = delete;

    // False when the display could not be opened; every registration is
    // then refused.
    bool isConnected() const;

    // The combination is grabbed whatever the state of CapsLock and NumLock.
    // Another X client's grab of any of those variants refuses it, with no
    // grab left behind. MOD_NOREPEAT holds for every registration; the
    // events' lParam carries it. Registrations of windows that have been
    // destroyed are released at the next registration.
    bool registerHotKey(QObject *window, int id, quint32 modifiers, quint32 virtualKey) override;
    bool unregisterHotKey(QObject *window, int id) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
