#pragma once

// Delivering the clipboard to another program: focus its window and type
// Ctrl+V, after letting go of the modifier keys the user may still hold
// from a hotkey.

#include "platform/desktop_input.h"

// The modifiers tested and released, in this order.
inline constexpr quint32 PasteModifierKeys[] = {platform::VK_MENU, platform::VK_CONTROL, platform::VK_SHIFT,
                                                platform::VK_LWIN, platform::VK_RWIN};

// Brings the target to the front (restoring it when minimised), waits
// 40 ms, and sends Ctrl+V; Ctrl+V is sent also when Target is 0 or no
// longer a window.
void PasteToWindow(platform::DesktopInput &Input, platform::WindowHandle Target);

// Sends Ctrl+V to whatever has the keyboard focus: held modifiers are
// released first and awaited up to 300 ms, then 20 ms pass, then the keys go
// out in one batch. The paste is sent even if the modifiers are still down.
void SendCtrlV(platform::DesktopInput &Input);

void ReleaseModifierKeys(platform::DesktopInput &Input);
void WaitForModifiersReleased(platform::DesktopInput &Input, int TimeoutMs);
// Adds a key-up for Key when it is held and there is room (at most 8).
void AddKeyUpIfPressed(platform::DesktopInput &Input, quint32 Key, QList<platform::KeyInput> &Inputs, int &Count);
