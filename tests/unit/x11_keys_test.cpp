// The table between Windows virtual-key codes and X keysyms. Keysyms are
// written as numbers: the tests stay free of X headers.

#include "platform/x11/x11_keys.h"

#include <gtest/gtest.h>

using platform::x11::keycodesOfVirtualKey;
using platform::x11::keysymsOfVirtualKey;
using platform::x11::virtualKeyOfKeysym;

namespace {

struct KeyCase {
    quint32 virtualKey;
    QList<unsigned long> keysyms;
    quint32 reported; // what each of those keysyms maps back to
};

const KeyCase kKeyCases[] = {
    {0x41, {0x61}, 0x41},                     // A -> a
    {0x5A, {0x7A}, 0x5A},                     // Z -> z
    {0x30, {0x30}, 0x30},                     // 0
    {0x39, {0x39}, 0x39},                     // 9
    {0x70, {0xFFBE}, 0x70},                   // F1
    {0x7B, {0xFFC9}, 0x7B},                   // F12
    {0x87, {0xFFD5}, 0x87},                   // F24
    {0x08, {0xFF08}, 0x08},                   // BackSpace
    {0x0D, {0xFF0D}, 0x0D},                   // Return
    {0x13, {0xFF13}, 0x13},                   // Pause
    {0x14, {0xFFE5}, 0x14},                   // Caps_Lock
    {0x1B, {0xFF1B}, 0x1B},                   // Escape
    {0x20, {0x20}, 0x20},                     // space
    {0x21, {0xFF55}, 0x21},                   // Prior
    {0x24, {0xFF50}, 0x24},                   // Home
    {0x28, {0xFF54}, 0x28},                   // Down
    {0x2C, {0xFF61}, 0x2C},                   // Print
    {0x2E, {0xFFFF}, 0x2E},                   // Delete
    {0x5D, {0xFF67}, 0x5D},                   // Menu
    {0x60, {0xFFB0}, 0x60},                   // KP_0
    {0x69, {0xFFB9}, 0x69},                   // KP_9
    {0x6A, {0xFFAA}, 0x6A},                   // KP_Multiply
    {0x6C, {0xFFAC}, 0x6C},                   // KP_Separator
    {0x6E, {0xFFAE}, 0x6E},                   // KP_Decimal
    {0x6F, {0xFFAF}, 0x6F},                   // KP_Divide
    {0x90, {0xFF7F}, 0x90},                   // Num_Lock
    {0x91, {0xFF14}, 0x91},                   // Scroll_Lock
    {0x10, {0xFFE1, 0xFFE2}, 0x10},           // Shift_L, Shift_R
    {0x11, {0xFFE3, 0xFFE4}, 0x11},           // Control_L, Control_R
    {0x12, {0xFFE9, 0xFFEA}, 0x12},           // Alt_L, Alt_R
    {0xA1, {0xFFE2}, 0x10},                   // VK_RSHIFT
    {0xA2, {0xFFE3}, 0x11},                   // VK_LCONTROL
    {0xA5, {0xFFEA}, 0x12},                   // VK_RMENU
    {0x5B, {0xFFEB}, 0x5B},                   // Super_L
    {0x5C, {0xFFEC}, 0x5C},                   // Super_R
    {0xBA, {0x3B}, 0xBA},                     // semicolon
    {0xBB, {0x3D}, 0xBB},                     // equal
    {0xBD, {0x2D}, 0xBD},                     // minus
    {0xBF, {0x2F}, 0xBF},                     // slash
    {0xC0, {0x60}, 0xC0},                     // grave
    {0xDC, {0x5C}, 0xDC},                     // backslash
    {0xDE, {0x27}, 0xDE},                     // apostrophe
    {0xE2, {0x3C}, 0xE2},                     // less
};

TEST(X11Keys, KeysymsOfVirtualKeysAndBack)
{
    for (const KeyCase &c : kKeyCases) {
        SCOPED_TRACE(testing::Message() << "vk 0x" << std::hex << c.virtualKey);
        EXPECT_EQ(keysymsOfVirtualKey(c.virtualKey), c.keysyms);
        for (unsigned long keysym : c.keysyms)
            EXPECT_EQ(virtualKeyOfKeysym(keysym), c.reported);
    }
}

// Every code in the table comes back as itself, or as the generic modifier
// for the left and right ones: no keysym is claimed by two unrelated keys.
TEST(X11Keys, EveryKeysymMapsBackToItsKey)
{
    const auto generic = [](quint32 vk) -> quint32 {
        return vk >= 0xA0 && vk <= 0xA5 ? 0x10 + (vk - 0xA0) / 2 : vk;
    };
    int known = 0;
    for (quint32 vk = 0; vk <= 0xFF; ++vk) {
        for (unsigned long keysym : keysymsOfVirtualKey(vk)) {
            ++known;
            EXPECT_NE(keysym, 0u) << "vk 0x" << std::hex << vk;
            EXPECT_EQ(virtualKeyOfKeysym(keysym), generic(vk)) << "vk 0x" << std::hex << vk;
        }
    }
    EXPECT_GT(known, 0);
}

TEST(X11Keys, UpperCaseLettersGiveTheirKey)
{
    EXPECT_EQ(virtualKeyOfKeysym(0x41), 0x41u); // A
    EXPECT_EQ(virtualKeyOfKeysym(0x5A), 0x5Au); // Z
}

TEST(X11Keys, UnknownCodesAndKeysymsGiveNothing)
{
    for (quint32 vk : {0x00u, 0x07u, 0x3Au, 0x40u, 0x5Eu, 0x88u, 0xA6u, 0xE3u, 0xFFu, 0x1041u})
        EXPECT_TRUE(keysymsOfVirtualKey(vk).isEmpty()) << "vk 0x" << std::hex << vk;
    // NoSymbol, F25, braceleft, eacute, KP_Enter, XF86AudioMute
    for (unsigned long keysym : {0x0ul, 0xFFD6ul, 0x7Bul, 0xE9ul, 0xFF8Dul, 0x1008FF12ul})
        EXPECT_EQ(virtualKeyOfKeysym(keysym), 0u) << "keysym 0x" << std::hex << keysym;
}

TEST(X11Keys, NoDisplayHasNoKeycodes)
{
    EXPECT_TRUE(keycodesOfVirtualKey(nullptr, 0x41).isEmpty());
}

} // namespace
