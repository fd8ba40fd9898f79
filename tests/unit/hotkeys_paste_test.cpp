// The hotkey manager and the keyboard side of the paste, over the simulated
// hotkeys and desktop.

#include "platform/simulated/simulated_desktop.h"
#include "platform/simulated/simulated_hotkeys.h"
#include "test_support.h"
#include "uHotkeys.h"
#include "uPaste.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

using namespace platform;

namespace {

constexpr quint32 VK_A = 0x41;
constexpr quint32 VK_B = 0x42;
constexpr quint32 VK_K = 0x4B;
constexpr quint32 VK_V = 0x56;

struct Registered {
    int id;
    quint32 modifiers;
    quint32 virtualKey;
    friend bool operator==(const Registered &, const Registered &) = default;
};

std::vector<Registered> registrations(const SimulatedHotkeys &hotkeys)
{
    std::vector<Registered> out;
    for (const auto &r : hotkeys.registrations())
        out.push_back({r.id, r.modifiers, r.virtualKey});
    return out;
}

class HotkeyManager : public ::testing::Test {
protected:
    SimulatedHotkeys system;
    QObject owner;
    THotkeyManager *manager = new THotkeyManager(&owner, system);
    QList<int> pressed;

    void SetUp() override
    {
        manager->FOnHotkey = [this](QObject *sender, int id) {
            EXPECT_EQ(sender, manager);
            pressed.append(id);
        };
    }
};

TEST_F(HotkeyManager, ReplacingAndRefusingCombinations)
{
    // A new combination for an id replaces the old one.
    ASSERT_TRUE(manager->RegisterHotkey(5, MOD_CONTROL, VK_A));
    ASSERT_TRUE(manager->RegisterHotkey(5, MOD_CONTROL | MOD_ALT, VK_B));
    EXPECT_EQ(registrations(system), (std::vector<Registered>{{5, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, VK_B}}));
    EXPECT_EQ(manager->RegisteredIds(), QList<int>{5});
    EXPECT_EQ(manager->HotkeyCombos().value(5), (VK_B << 16) | (MOD_CONTROL | MOD_ALT));
    EXPECT_FALSE(system.press(MOD_CONTROL, VK_A));

    // Key 0: refused, and the id keeps what it had.
    EXPECT_FALSE(manager->RegisterHotkey(5, MOD_CONTROL, 0));
    EXPECT_EQ(registrations(system).size(), 1u);
    EXPECT_EQ(manager->RegisteredIds(), QList<int>{5});

    // A refused replacement leaves neither the old nor the new one.
    system.setTakenByOtherProgram(MOD_SHIFT, VK_K);
    EXPECT_FALSE(manager->RegisterHotkey(5, MOD_SHIFT, VK_K));
    EXPECT_TRUE(registrations(system).empty());
    EXPECT_TRUE(manager->RegisteredIds().isEmpty());
    EXPECT_TRUE(manager->HotkeyCombos().isEmpty());

    // A combination the manager already holds under another id is refused too.
    ASSERT_TRUE(manager->RegisterHotkey(7, MOD_CONTROL, VK_A));
    EXPECT_FALSE(manager->RegisterHotkey(8, MOD_CONTROL, VK_A));
    EXPECT_EQ(manager->RegisteredIds(), QList<int>{7});
}

TEST_F(HotkeyManager, UnregisterAllAndDestructionReleaseEverything)
{
    manager->RegisterDefaults();
    EXPECT_EQ(registrations(system), (std::vector<Registered>{{1, MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, 0x5A},
                                                             {2, MOD_CONTROL | MOD_NOREPEAT, 0xC0}}));
    manager->UnregisterAll();
    ASSERT_TRUE(registrations(system).empty());

    ASSERT_TRUE(manager->RegisterHotkey(2, MOD_CONTROL, 0xC0));
    ASSERT_TRUE(manager->RegisterHotkey(1, MOD_CONTROL | MOD_SHIFT, 0x5A));
    ASSERT_TRUE(manager->RegisterHotkey(1005, MOD_ALT, VK_K));
    EXPECT_EQ(manager->RegisteredIds(), (QList<int>{2, 1, 1005}));
    manager->UnregisterAll();
    EXPECT_TRUE(registrations(system).empty());
    EXPECT_TRUE(manager->RegisteredIds().isEmpty());
    EXPECT_TRUE(manager->HotkeyCombos().isEmpty());

    // Unregistering one id leaves the others.
    ASSERT_TRUE(manager->RegisterHotkey(3, MOD_ALT, VK_A));
    ASSERT_TRUE(manager->RegisterHotkey(4, MOD_ALT, VK_B));
    manager->UnregisterHotkey(3);
    EXPECT_EQ(registrations(system), (std::vector<Registered>{{4, MOD_ALT | MOD_NOREPEAT, VK_B}}));

    delete manager;
    EXPECT_TRUE(registrations(system).empty());
}

TEST_F(HotkeyManager, PressesMapToTheirIds)
{
    ASSERT_TRUE(manager->RegisterHotkey(1005, MOD_CONTROL | MOD_ALT, VK_K));
    ASSERT_TRUE(manager->RegisterHotkey(2, MOD_CONTROL, 0xC0));
    // The desktop reports the press with the no-repeat bit among the modifiers.
    ASSERT_TRUE(system.press(MOD_CONTROL | MOD_ALT, VK_K));
    ASSERT_TRUE(system.press(MOD_CONTROL, 0xC0));
    ASSERT_TRUE(testsupport::waitUntil([&] { return pressed.size() == 2; }));
    EXPECT_EQ(pressed, (QList<int>{1005, 2}));

    // A combination the manager does not know keeps the id the desktop sent.
    QCoreApplication::postEvent(manager->Wnd(), new HotkeyEvent(77, (MOD_SHIFT | MOD_NOREPEAT) | (VK_V << 16)));
    ASSERT_TRUE(testsupport::waitUntil([&] { return pressed.size() == 3; }));
    EXPECT_EQ(pressed.last(), 77);

    // No handler assigned: a press is dropped quietly.
    manager->FOnHotkey = nullptr;
    ASSERT_TRUE(system.press(MOD_CONTROL, 0xC0));
    testsupport::drainEvents();
    EXPECT_EQ(pressed.size(), 3);
}

QList<KeyInput> ctrlV()
{
    return {{VK_CONTROL, false}, {VK_V, false}, {VK_V, true}, {VK_CONTROL, true}};
}

TEST(Paste, HeldModifiersAreReleasedInOrderBeforeCtrlV)
{
    struct Case {
        const char *name;
        QList<quint32> held;
        bool stuck;
        QList<KeyInput> releases; // empty: no release batch
    };
    const QList<Case> cases = {
        {"nothing held", {}, false, {}},
        {"Ctrl and Shift from a hotkey", {VK_SHIFT, VK_CONTROL}, false, {{VK_CONTROL, true}, {VK_SHIFT, true}}},
        {"all five", {VK_RWIN, VK_LWIN, VK_SHIFT, VK_CONTROL, VK_MENU}, false,
         {{VK_MENU, true}, {VK_CONTROL, true}, {VK_SHIFT, true}, {VK_LWIN, true}, {VK_RWIN, true}}},
        // The user keeps Alt down: after the wait the paste goes out anyway.
        {"a modifier that stays down", {VK_MENU}, true, {{VK_MENU, true}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedDesktop desktop;
        desktop.addWindow(10);
        desktop.setForeground(10);
        for (quint32 k : c.held)
            desktop.setKeyHeld(k, true, c.stuck);
        SendCtrlV(desktop);
        QList<QList<KeyInput>> batches;
        for (const auto &s : desktop.sentInputs())
            batches.append(s.inputs);
        QList<QList<KeyInput>> expected;
        if (!c.releases.isEmpty())
            expected.append(c.releases);
        expected.append(ctrlV());
        EXPECT_EQ(batches, expected);
        EXPECT_EQ(desktop.sentInputs().last().focus, WindowHandle(10));
    }
}

TEST(Paste, PasteToWindowFocusesTheTargetFirst)
{
    struct Case {
        const char *name;
        WindowHandle target;
        bool iconic;
        QStringList actions;
        WindowHandle focus;
    };
    const QList<Case> cases = {
        {"a window below", 11, false, {QStringLiteral("front 11")}, 11},
        {"a minimised window", 11, true, {QStringLiteral("restore 11"), QStringLiteral("front 11")}, 11},
        {"no target", 0, false, {}, 12},
        {"a closed window", 99, false, {}, 12},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedDesktop desktop;
        desktop.addWindow(11, true, c.iconic);
        desktop.addWindow(12);
        desktop.setForeground(12);
        PasteToWindow(desktop, c.target);
        EXPECT_EQ(desktop.actions(), c.actions);
        ASSERT_EQ(desktop.sentInputs().size(), 1);
        EXPECT_EQ(desktop.sentInputs()[0].inputs, ctrlV());
        EXPECT_EQ(desktop.sentInputs()[0].focus, c.focus);
    }
}

} // namespace
