#include "platform/x11/x11_hotkeys.h"

#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_keys.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>

#include <optional>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace platform {

namespace {

// The eight core modifier bits; the rest of an event's state is buttons.
constexpr unsigned int kModifierBits = 0xFF;

unsigned int xModifierMask(quint32 modifiers)
{
    unsigned int mask = 0;
    if (modifiers & MOD_ALT)
        mask |= Mod1Mask;
    if (modifiers & MOD_CONTROL)
        mask |= ControlMask;
    if (modifiers & MOD_SHIFT)
        mask |= ShiftMask;
    if (modifiers & MOD_WIN)
        mask |= Mod4Mask;
    return mask;
}

// The modifier bit that NumLock sets in the current mapping, 0 if it has none.
unsigned int numLockMask(Display *display)
{
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap *map = XGetModifierMapping(display);
    if (!map)
        return 0;
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && numLock != 0 && mask == 0; ++modifier)
        for (int i = 0; i < map->max_keypermod; ++i)
            if (map->modifiermap[modifier * map->max_keypermod + i] == numLock)
                mask = 1u << modifier;
    XFreeModifiermap(map);
    return mask;
}

struct Registration {
    const QObject *owner; // identity only: the window may be gone
    QPointer<QObject> window;
    int id;
    quint32 modifiers;
    quint32 virtualKey;
    unsigned int mask;
    QList<int> keycodes;
    // The lock states the grabs cover, as they were when it was made.
    QList<unsigned int> lockVariants;

    bool matches(int keycode, unsigned int state) const
    {
        if (!keycodes.contains(keycode))
            return false;
        for (unsigned int variant : lockVariants)
            if ((state & kModifierBits) == (mask | variant))
                return true;
        return false;
    }
};

} // namespace

struct X11Hotkeys::Private {
    Display *display = nullptr;
    Window root = 0;
    std::unique_ptr<QSocketNotifier> notifier;
    QList<Registration> registrations;
    // Keys whose press has been seen and whose release has not: a press of
    // one of them is the keyboard's auto-repeat.
    QSet<int> keysDown;
    // NumLock's modifier bit, read once per keyboard mapping: every list
    // refresh registers all hotkeys again.
    std::optional<unsigned int> numLock;

    unsigned int currentNumLockMask()
    {
        if (!numLock)
            numLock = numLockMask(display);
        return *numLock;
    }

    void ungrab(const Registration &r)
    {
        x11::ErrorTrap trap(display);
        // A press in progress keeps its active grab, so its release still
        // reaches keysDown.
        for (int keycode : r.keycodes)
            for (unsigned int variant : r.lockVariants)
                XUngrabKey(display, keycode, r.mask | variant, root);
        trap.sync();
    }

    void releaseDestroyedWindows()
    {
        for (qsizetype i = registrations.size() - 1; i >= 0; --i) {
            if (registrations[i].window.isNull()) {
                ungrab(registrations[i]);
                registrations.removeAt(i);
            }
        }
    }

    void readEvents()
    {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            switch (event.type) {
            case KeyPress:
                keyPressed(event.xkey);
                break;
            case KeyRelease:
                keysDown.remove(int(event.xkey.keycode));
                break;
            case MappingNotify:
                XRefreshKeyboardMapping(&event.xmapping);
                numLock.reset();
                break;
            default:
                break;
            }
        }
    }

    void keyPressed(const XKeyEvent &key)
    {
        const int keycode = int(key.keycode);
        if (keysDown.contains(keycode))
            return;
        keysDown.insert(keycode);
        for (const Registration &r : std::as_const(registrations)) {
            if (!r.matches(keycode, key.state))
                continue;
            if (r.window) {
                const quint32 lParam = ((r.modifiers | MOD_NOREPEAT) & 0xFFFF) | (r.virtualKey << 16);
                QCoreApplication::postEvent(r.window, new HotkeyEvent(r.id, lParam));
            }
            return;
        }
    }
};

X11Hotkeys::X11Hotkeys(const QByteArray &displayName) : d(std::make_unique<Private>())
{
    d->display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!d->display)
        return;
    d->root = DefaultRootWindow(d->display);
    // Held keys then repeat as presses without releases between them, which
    // is what lets a held combination count once.
    XkbSetDetectableAutoRepeat(d->display, True, nullptr);
    d->notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(d->display), QSocketNotifier::Read);
    QObject::connect(d->notifier.get(), &QSocketNotifier::activated, d->notifier.get(), [this] { d->readEvents(); });
}

X11Hotkeys::~X11Hotkeys()
{
    if (!d->display)
        return;
    d->notifier.reset();
    for (const Registration &r : std::as_const(d->registrations))
        d->ungrab(r);
    XCloseDisplay(d->display);
}

bool X11Hotkeys::isConnected() const
{
    return d->display != nullptr;
}

bool X11Hotkeys::registerHotKey(QObject *window, int id, quint32 modifiers, quint32 virtualKey)
{
    if (!d->display || !window)
        return false;
    d->releaseDestroyedWindows();

    Registration r{window, window, id, modifiers, virtualKey, xModifierMask(modifiers),
                   x11::keycodesOfVirtualKey(d->display, virtualKey), {}};
    if (r.keycodes.isEmpty())
        return false;
    for (const Registration &other : std::as_const(d->registrations)) {
        if (other.owner == window && other.id == id)
            return false;
        // Our own second grab of a key would silently replace the first.
        if (other.mask == r.mask)
            for (int keycode : r.keycodes)
                if (other.keycodes.contains(keycode))
                    return false;
    }

    const unsigned int numLock = d->currentNumLockMask();
    for (unsigned int variant : {0u, unsigned(LockMask), numLock, LockMask | numLock})
        if (!r.lockVariants.contains(variant))
            r.lockVariants.append(variant);

    bool refused;
    {
        x11::ErrorTrap trap(d->display);
        for (int keycode : std::as_const(r.keycodes))
            for (unsigned int variant : std::as_const(r.lockVariants))
                XGrabKey(d->display, keycode, r.mask | variant, d->root, False, GrabModeAsync, GrabModeAsync);
        // BadAccess: another client holds one of the variants.
        refused = trap.sync() != 0;
    }
    if (refused)
        d->ungrab(r);
    else
        d->registrations.append(r);
    // The round trips may have queued presses that the socket will not announce again.
    d->readEvents();
    return !refused;
}

bool X11Hotkeys::unregisterHotKey(QObject *window, int id)
{
    if (!d->display)
        return false;
    for (qsizetype i = 0; i < d->registrations.size(); ++i) {
        if (d->registrations[i].owner == window && d->registrations[i].id == id) {
            d->ungrab(d->registrations[i]);
            d->registrations.removeAt(i);
            d->readEvents();
            return true;
        }
    }
    return false;
}

} // namespace platform
