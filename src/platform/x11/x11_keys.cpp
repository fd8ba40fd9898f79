#include "platform/x11/x11_keys.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>

namespace platform::x11 {

namespace {

struct KeyEntry {
    quint32 virtualKey;
    std::array<KeySym, 2> keysyms; // NoSymbol where a key has one
};

// Ordered by virtual key, and the generic modifiers come before their sided
// codes, so that the first entry naming a keysym is the one to report.
constexpr KeyEntry kFixedKeys[] = {
    {0x08, {XK_BackSpace, NoSymbol}},
    {0x09, {XK_Tab, NoSymbol}},
    {0x0D, {XK_Return, NoSymbol}},
    {0x10, {XK_Shift_L, XK_Shift_R}},
    {0x11, {XK_Control_L, XK_Control_R}},
    {0x12, {XK_Alt_L, XK_Alt_R}},
    {0x13, {XK_Pause, NoSymbol}},
    {0x14, {XK_Caps_Lock, NoSymbol}},
    {0x1B, {XK_Escape, NoSymbol}},
    {0x20, {XK_space, NoSymbol}},
    {0x21, {XK_Prior, NoSymbol}},
    {0x22, {XK_Next, NoSymbol}},
    {0x23, {XK_End, NoSymbol}},
    {0x24, {XK_Home, NoSymbol}},
    {0x25, {XK_Left, NoSymbol}},
    {0x26, {XK_Up, NoSymbol}},
    {0x27, {XK_Right, NoSymbol}},
    {0x28, {XK_Down, NoSymbol}},
    {0x2C, {XK_Print, NoSymbol}},
    {0x2D, {XK_Insert, NoSymbol}},
    {0x2E, {XK_Delete, NoSymbol}},
    {0x5B, {XK_Super_L, NoSymbol}},
    {0x5C, {XK_Super_R, NoSymbol}},
    {0x5D, {XK_Menu, NoSymbol}},
    {0x6A, {XK_KP_Multiply, NoSymbol}},
    {0x6B, {XK_KP_Add, NoSymbol}},
    {0x6C, {XK_KP_Separator, NoSymbol}},
    {0x6D, {XK_KP_Subtract, NoSymbol}},
    {0x6E, {XK_KP_Decimal, NoSymbol}},
    {0x6F, {XK_KP_Divide, NoSymbol}},
    {0x90, {XK_Num_Lock, NoSymbol}},
    {0x91, {XK_Scroll_Lock, NoSymbol}},
    {0xA0, {XK_Shift_L, NoSymbol}},
    {0xA1, {XK_Shift_R, NoSymbol}},
    {0xA2, {XK_Control_L, NoSymbol}},
    {0xA3, {XK_Control_R, NoSymbol}},
    {0xA4, {XK_Alt_L, NoSymbol}},
    {0xA5, {XK_Alt_R, NoSymbol}},
    {0xBA, {XK_semicolon, NoSymbol}},
    {0xBB, {XK_equal, NoSymbol}},
    {0xBC, {XK_comma, NoSymbol}},
    {0xBD, {XK_minus, NoSymbol}},
    {0xBE, {XK_period, NoSymbol}},
    {0xBF, {XK_slash, NoSymbol}},
    {0xC0, {XK_grave, NoSymbol}},
    {0xDB, {XK_bracketleft, NoSymbol}},
    {0xDC, {XK_backslash, NoSymbol}},
    {0xDD, {XK_bracketright, NoSymbol}},
    {0xDE, {XK_apostrophe, NoSymbol}},
    {0xE2, {XK_less, NoSymbol}},
};

// Runs of consecutive codes with consecutive keysyms.
struct KeyRange {
    quint32 firstVirtualKey;
    quint32 lastVirtualKey;
    KeySym firstKeysym;
};

constexpr KeyRange kRanges[] = {
    {0x30, 0x39, XK_0},
    {0x41, 0x5A, XK_a},
    {0x60, 0x69, XK_KP_0},
    {0x70, 0x87, XK_F1},
};

} // namespace

QList<unsigned long> keysymsOfVirtualKey(quint32 virtualKey)
{
    for (const KeyRange &r : kRanges)
        if (virtualKey >= r.firstVirtualKey && virtualKey <= r.lastVirtualKey)
            return {r.firstKeysym + (virtualKey - r.firstVirtualKey)};
    for (const KeyEntry &e : kFixedKeys) {
        if (e.virtualKey != virtualKey)
            continue;
        QList<unsigned long> keysyms;
        for (KeySym k : e.keysyms)
            if (k != NoSymbol)
                keysyms.append(k);
        return keysyms;
    }
    return {};
}

quint32 virtualKeyOfKeysym(unsigned long keysym)
{
    if (keysym == NoSymbol)
        return 0;
    if (keysym >= XK_A && keysym <= XK_Z) // a letter typed with Shift
        return 0x41 + quint32(keysym - XK_A);
    for (const KeyRange &r : kRanges)
        if (keysym >= r.firstKeysym && keysym <= r.firstKeysym + (r.lastVirtualKey - r.firstVirtualKey))
            return r.firstVirtualKey + quint32(keysym - r.firstKeysym);
    for (const KeyEntry &e : kFixedKeys)
        for (KeySym k : e.keysyms)
            if (k == keysym)
                return e.virtualKey;
    return 0;
}

QList<int> keycodesOfVirtualKey(_XDisplay *display, quint32 virtualKey)
{
    QList<int> keycodes;
    if (!display)
        return keycodes;
    for (unsigned long keysym : keysymsOfVirtualKey(virtualKey)) {
        const int keycode = XKeysymToKeycode(display, keysym);
        if (keycode != 0 && !keycodes.contains(keycode))
            keycodes.append(keycode);
    }
    return keycodes;
}

} // namespace platform::x11
