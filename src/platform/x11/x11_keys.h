#pragma once

// Windows virtual-key codes and X keysyms: the keys of a US keyboard that a
// hotkey or a synthesised key can name, and where they sit on the X
// keyboard mapping of a display.

#include <QList>
#include <QtGlobal>

struct _XDisplay;

namespace platform::x11 {

// The keysyms of the key: one for most keys, the left and the right one for
// VK_SHIFT, VK_CONTROL and VK_MENU (left first). Letters give the lower-case
// keysym, the keypad digits the KP_ ones. Empty for a code not in the table.
QList<unsigned long> keysymsOfVirtualKey(quint32 virtualKey);

// The virtual key of a keysym, 0 for a keysym not in the table. The side
// keysyms of Shift, Control and Alt give the generic code (VK_CONTROL for
// Control_R), as Windows reports them in key messages; upper-case letters
// give their letter key.
quint32 virtualKeyOfKeysym(unsigned long keysym);

// The keycodes that carry the key's keysyms in the display's current
// keyboard mapping, left key first; empty when the mapping lacks the key.
QList<int> keycodesOfVirtualKey(_XDisplay *display, quint32 virtualKey);

} // namespace platform::x11
