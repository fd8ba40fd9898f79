#include "platform/x11/x11_input.h"

#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_keys.h"

#include <QDeadlineTimer>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace platform {

namespace {

// Resource ids have their top three bits clear; anything else would be cut
// to some other window's id on the wire.
constexpr WindowHandle kLargestWindowId = 0x1FFFFFFF;

bool isWindowId(WindowHandle window)
{
    return window != 0 && window <= kLargestWindowId;
}

// How the ICCCM says a requestor names itself: a pager acts for the user,
// so the window manager does not treat the request as focus stealing.
constexpr long kSourcePager = 2;

constexpr int kActivationWaitMs = 200;
constexpr int kActivationPollMs = 5;

} // namespace

struct X11Input::Private {
    Display *display = nullptr;
    Window root = 0;
    bool hasXTest = false;
    Atom netActiveWindow = None;
    Atom netClientListStacking = None;
    Atom netWmState = None;
    Atom netWmStateHidden = None;
    Atom wmState = None;

    // Nobody reads this connection's events but the server sends every
    // client MappingNotify; handling them keeps the key lookups current.
    void takeMappingChanges()
    {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MappingNotify)
                XRefreshKeyboardMapping(&event.xmapping);
        }
    }

    // The 32-bit items of a property, empty when the window or the property
    // is missing or has another type.
    QList<unsigned long> property(Window window, Atom name, Atom type)
    {
        QList<unsigned long> items;
        Atom actualType = None;
        int actualFormat = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char *data = nullptr;
        x11::ErrorTrap trap(display);
        const int status = XGetWindowProperty(display, window, name, 0, 1L << 16, False, type, &actualType,
                                              &actualFormat, &count, &remaining, &data);
        if (trap.sync() == 0 && status == Success && actualType == type && actualFormat == 32 && data) {
            // Format 32 comes back as an array of longs, whatever their width.
            const auto *values = reinterpret_cast<const unsigned long *>(data);
            items = QList<unsigned long>(values, values + count);
        }
        if (data)
            XFree(data);
        return items;
    }

    bool attributes(WindowHandle window, XWindowAttributes *attrs)
    {
        if (!isWindowId(window))
            return false;
        x11::ErrorTrap trap(display);
        const Status status = XGetWindowAttributes(display, Window(window), attrs);
        return trap.sync() == 0 && status != 0;
    }

    WindowHandle activeWindow()
    {
        const QList<unsigned long> active = property(root, netActiveWindow, XA_WINDOW);
        return active.isEmpty() ? 0 : WindowHandle(active.first());
    }

    void requestActivation(Window window)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = netActiveWindow;
        event.xclient.format = 32;
        event.xclient.data.l[0] = kSourcePager;
        event.xclient.data.l[1] = CurrentTime;
        event.xclient.data.l[2] = 0;
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }
};

X11Input::X11Input(const QByteArray &displayName) : d(std::make_unique<Private>())
{
    d->display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!d->display)
        return;
    d->root = DefaultRootWindow(d->display);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    d->hasXTest = XTestQueryExtension(d->display, &eventBase, &errorBase, &major, &minor);
    d->netActiveWindow = XInternAtom(d->display, "_NET_ACTIVE_WINDOW", False);
    d->netClientListStacking = XInternAtom(d->display, "_NET_CLIENT_LIST_STACKING", False);
    d->netWmState = XInternAtom(d->display, "_NET_WM_STATE", False);
    d->netWmStateHidden = XInternAtom(d->display, "_NET_WM_STATE_HIDDEN", False);
    d->wmState = XInternAtom(d->display, "WM_STATE", False);
}

X11Input::~X11Input()
{
    if (d->display)
        XCloseDisplay(d->display);
}

bool X11Input::isConnected() const
{
    return d->display != nullptr;
}

bool X11Input::isKeyHeld(quint32 virtualKey)
{
    if (!d->display)
        return false;
    d->takeMappingChanges();
    char keys[32] = {};
    XQueryKeymap(d->display, keys);
    for (int keycode : x11::keycodesOfVirtualKey(d->display, virtualKey))
        if (keys[keycode / 8] & (1 << (keycode % 8)))
            return true;
    return false;
}

void X11Input::sendInput(const QList<KeyInput> &inputs)
{
    if (!d->display || !d->hasXTest)
        return;
    d->takeMappingChanges();
    for (const KeyInput &input : inputs) {
        const QList<int> keycodes = x11::keycodesOfVirtualKey(d->display, input.virtualKey);
        if (!keycodes.isEmpty())
            XTestFakeKeyEvent(d->display, unsigned(keycodes.first()), input.keyUp ? False : True, CurrentTime);
    }
    XSync(d->display, False);
}

WindowHandle X11Input::foregroundWindow()
{
    if (!d->display)
        return 0;
    return d->activeWindow();
}

bool X11Input::isWindow(WindowHandle window)
{
    if (!d->display)
        return false;
    XWindowAttributes attrs;
    return d->attributes(window, &attrs);
}

bool X11Input::isWindowVisible(WindowHandle window)
{
    if (!d->display)
        return false;
    XWindowAttributes attrs;
    if (!d->attributes(window, &attrs))
        return false;
    return attrs.map_state != IsUnmapped || isIconic(window);
}

bool X11Input::isIconic(WindowHandle window)
{
    if (!d->display || !isWindowId(window))
        return false;
    const QList<unsigned long> state = d->property(Window(window), d->wmState, d->wmState);
    if (!state.isEmpty() && state.first() == IconicState)
        return true;
    return d->property(Window(window), d->netWmState, XA_ATOM).contains(d->netWmStateHidden);
}

WindowHandle X11Input::windowAbove(WindowHandle window)
{
    if (!d->display || !isWindowId(window))
        return 0;
    const QList<unsigned long> stacking = d->property(d->root, d->netClientListStacking, XA_WINDOW);
    const qsizetype at = stacking.indexOf(window);
    return at < 0 || at + 1 >= stacking.size() ? 0 : WindowHandle(stacking[at + 1]);
}

void X11Input::restoreWindow(WindowHandle window)
{
    if (!d->display || !isWindowId(window))
        return;
    x11::ErrorTrap trap(d->display);
    // Mapping an iconic window asks the window manager to show it again;
    // the activation request covers managers that only deiconify on that.
    XMapWindow(d->display, Window(window));
    d->requestActivation(Window(window));
    trap.sync();
}

void X11Input::bringToFront(WindowHandle window)
{
    if (!d->display || !isWindowId(window))
        return;
    {
        x11::ErrorTrap trap(d->display);
        d->requestActivation(Window(window));
        XRaiseWindow(d->display, Window(window));
        if (trap.sync() != 0)
            return; // no such window
    }
    const QDeadlineTimer deadline(kActivationWaitMs);
    while (d->activeWindow() != window && !deadline.hasExpired())
        QThread::msleep(kActivationPollMs);
    // The manager may refuse or be slow; the focus is ours to give anyway.
    // BadMatch when the window is not viewable: then there is nothing to do.
    x11::ErrorTrap trap(d->display);
    XSetInputFocus(d->display, Window(window), RevertToParent, CurrentTime);
    trap.sync();
}

} // namespace platform
