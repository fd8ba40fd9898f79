#include "uShortcut.h"

#include "platform/hotkeys.h"

#include <Qt>

namespace {

struct NamedKey {
    int vk;
    const char *name;
    int qtKey;
};

// Keys with names of their own, and the Qt keys that produce them.
const NamedKey namedKeys[] = {
    {0x08, "BkSp", Qt::Key_Backspace}, {0x09, "Tab", Qt::Key_Tab},       {0x0D, "Enter", Qt::Key_Return},
    {0x1B, "Esc", Qt::Key_Escape},     {0x20, "Space", Qt::Key_Space},   {0x21, "PgUp", Qt::Key_PageUp},
    {0x22, "PgDn", Qt::Key_PageDown},  {0x23, "End", Qt::Key_End},       {0x24, "Home", Qt::Key_Home},
    {0x25, "Left", Qt::Key_Left},      {0x26, "Up", Qt::Key_Up},         {0x27, "Right", Qt::Key_Right},
    {0x28, "Down", Qt::Key_Down},      {0x2D, "Ins", Qt::Key_Insert},    {0x2E, "Del", Qt::Key_Delete},
    {0x13, "Pause", Qt::Key_Pause},    {0x2C, "PrtSc", Qt::Key_Print},   {0x90, "NumLock", Qt::Key_NumLock},
    {0x91, "ScrLk", Qt::Key_ScrollLock}, {0x6A, "Num *", 0},             {0x6B, "Num +", 0},
    {0x6D, "Num -", 0},                {0x6E, "Num Del", 0},             {0x6F, "Num /", 0},
    {0xBA, ";", Qt::Key_Semicolon},    {0xBB, "=", Qt::Key_Equal},       {0xBC, ",", Qt::Key_Comma},
    {0xBD, "-", Qt::Key_Minus},        {0xBE, ".", Qt::Key_Period},      {0xBF, "/", Qt::Key_Slash},
    {0xC0, "`", Qt::Key_QuoteLeft},    {0xDB, "[", Qt::Key_BracketLeft}, {0xDC, "\\", Qt::Key_Backslash},
    {0xDD, "]", Qt::Key_BracketRight}, {0xDE, "'", Qt::Key_Apostrophe},  {0x0D, "Enter", Qt::Key_Enter},
};

} // namespace

QString VirtualKeyName(int VirtualKey)
{
    if (VirtualKey <= 0)
        return {};
    if ((VirtualKey >= '0' && VirtualKey <= '9') || (VirtualKey >= 'A' && VirtualKey <= 'Z'))
        return QString(QChar(VirtualKey));
    if (VirtualKey >= 0x70 && VirtualKey <= 0x87)
        return QStringLiteral("F%1").arg(VirtualKey - 0x6F);
    if (VirtualKey >= 0x60 && VirtualKey <= 0x69)
        return QStringLiteral("Num %1").arg(VirtualKey - 0x60);
    for (const NamedKey &k : namedKeys)
        if (k.vk == VirtualKey)
            return QString::fromLatin1(k.name);
    return QStringLiteral("#%1").arg(VirtualKey, 2, 16, QLatin1Char('0')).toUpper();
}

QString ShortcutModifierPrefix(quint16 Shortcut)
{
    QString s;
    if (Shortcut & scShift)
        s += QStringLiteral("Shift+");
    if (Shortcut & scCtrl)
        s += QStringLiteral("Ctrl+");
    if (Shortcut & scAlt)
        s += QStringLiteral("Alt+");
    return s;
}

QString ShortcutToText(quint16 Shortcut)
{
    const int vk = Shortcut & 0xFF;
    if (vk == 0)
        return {};
    return ShortcutModifierPrefix(Shortcut) + VirtualKeyName(vk);
}

int QtKeyToVirtualKey(int QtKey)
{
    if ((QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9) || (QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z))
        return QtKey; // Qt's codes for these are their ASCII codes, as the virtual keys are
    if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24)
        return 0x70 + (QtKey - Qt::Key_F1);
    if (QtKey == Qt::Key_AsciiTilde)
        return 0xC0;
    for (const NamedKey &k : namedKeys)
        if (k.qtKey != 0 && k.qtKey == QtKey)
            return k.vk;
    return 0;
}

void ShortcutToHotkey(quint16 Shortcut, int &Modifiers, int &VirtualKey)
{
    Modifiers = 0;
    if (Shortcut & scCtrl)
        Modifiers |= int(platform::MOD_CONTROL);
    if (Shortcut & scAlt)
        Modifiers |= int(platform::MOD_ALT);
    if (Shortcut & scShift)
        Modifiers |= int(platform::MOD_SHIFT);
    VirtualKey = Shortcut & 0xFF;
}

quint16 HotkeyToShortcut(int Modifiers, int VirtualKey)
{
    quint16 s = quint16(VirtualKey & 0xFF);
    if (Modifiers & int(platform::MOD_CONTROL))
        s |= scCtrl;
    if (Modifiers & int(platform::MOD_ALT))
        s |= scAlt;
    if (Modifiers & int(platform::MOD_SHIFT))
        s |= scShift;
    return s;
}

void ConvertOlderHotkeyForm(int &Modifiers, int &VirtualKey)
{
    if (VirtualKey <= 0xFF)
        return;
    const quint16 shortcut = quint16(VirtualKey);
    int derived = 0;
    ShortcutToHotkey(shortcut, derived, VirtualKey);
    if (Modifiers == 0)
        Modifiers = derived;
}

QString HotkeyComboText(int Modifiers, int VirtualKey)
{
    return QStringLiteral("%1:%2").arg(Modifiers).arg(VirtualKey);
}
