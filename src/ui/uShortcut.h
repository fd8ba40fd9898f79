#pragma once

// 16-bit shortcut codes (virtual-key code in the low byte; 0x2000 Shift,
// 0x4000 Ctrl, 0x8000 Alt) and their display texts such as "Shift+Ctrl+Z".

#include <QString>

inline constexpr quint16 scShift = 0x2000;
inline constexpr quint16 scCtrl = 0x4000;
inline constexpr quint16 scAlt = 0x8000;
// Ctrl+Shift+Z, the default minimize/restore hotkey.
inline constexpr quint16 DefaultMinimizeRestoreShortcut = 0x605A;

// The name of a virtual key as the display text uses it ("A", "F5", "Home",
// "Num 7", "`"); empty for 0; a hexadecimal placeholder for unknown keys.
QString VirtualKeyName(int VirtualKey);

// "Shift+", "Ctrl+", "Alt+" in that order for the modifier bits present.
QString ShortcutModifierPrefix(quint16 Shortcut);

// "Shift+", "Ctrl+", "Alt+" in that order for the modifiers present, then the
// key's name; empty for 0.
QString ShortcutToText(quint16 Shortcut);

// The virtual-key code of a Qt key, 0 when it has none. Modifier keys alone
// have none.
int QtKeyToVirtualKey(int QtKey);

// The registration form of a shortcut code: MOD_ flags and the virtual key.
void ShortcutToHotkey(quint16 Shortcut, int &Modifiers, int &VirtualKey);
// The shortcut code of a registration form.
quint16 HotkeyToShortcut(int Modifiers, int VirtualKey);
// Clips of older versions stored the whole shortcut code (256 or more) as
// the key: the key becomes its low byte, and the modifiers come from its
// bits when none are stored. Other values are left alone.
void ConvertOlderHotkeyForm(int &Modifiers, int &VirtualKey);
// How combinations are compared: "modifiers:key" in decimal.
QString HotkeyComboText(int Modifiers, int VirtualKey);
