// The X11 backends on a real display with a window manager: hotkeys pressed
// by xdotool, a combination held by another X client (key_grab_peer), and
// keys sent into other programs' windows (paste_target_peer), whose text
// they print.

#include "platform/x11/x11_hotkeys.h"
#include "platform/x11/x11_input.h"
#include "desktop_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

using namespace platform;
using namespace desktoptest;

namespace {

constexpr quint32 VK_A = 0x41;
constexpr quint32 VK_B = 0x42;
constexpr quint32 VK_V = 0x56;
constexpr quint32 VK_F7 = 0x76;
constexpr quint32 VK_F8 = 0x77;
constexpr quint32 VK_F9 = 0x78;
constexpr quint32 VK_F12 = 0x7B;
constexpr quint32 VK_F24 = 0x87;
constexpr quint32 VK_LSHIFT = 0xA0;
constexpr quint32 VK_RSHIFT = 0xA1;
constexpr quint32 VK_LCONTROL = 0xA2;
constexpr quint32 VK_RCONTROL = 0xA3;

// X core modifier masks, as key_grab_peer takes them.
constexpr int XShift = 1, XLock = 2, XControl = 4, XNumLock = 16;

// A display no server answers on.
const QByteArray NoDisplay = ":65000";

// Runs a short-lived tool to its end and expects it to succeed.
void runToolOk(const QString &program, const QStringList &args)
{
    const Finished f = runTool(program, args);
    EXPECT_TRUE(f.inTime && f.exitCode == 0)
        << program.toStdString() << " " << args.join(' ').toStdString() << ": " << f.err.toStdString();
}

// ---------------------------------------------------------------- hotkeys

using Press = std::pair<int, quint32>; // id, lParam

class HotkeyWindow : public QObject {
public:
    QList<Press> presses;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != HotkeyEvent::Type)
            return QObject::event(e);
        const auto *press = static_cast<HotkeyEvent *>(e);
        presses.append({press->id(), press->lParam()});
        return true;
    }
};

// key_grab_peer holding a combination.
std::unique_ptr<Peer> grabInAnotherClient(int xMask, const char *keysym, bool exact = false)
{
    QStringList args{QString::number(xMask), QString::fromLatin1(keysym)};
    if (exact)
        args.append(QStringLiteral("--exact"));
    return std::make_unique<Peer>(QStringLiteral(KEY_GRAB_PEER), args);
}

class DesktopHotkeys : public ::testing::Test {
protected:
    static constexpr int FenceId = 999;

    void SetUp() override
    {
        ASSERT_TRUE(testsupport::onXDisplay());
        hotkeys = std::make_unique<X11Hotkeys>();
        ASSERT_TRUE(hotkeys->isConnected());
        ASSERT_TRUE(hotkeys->registerHotKey(&fenceWindow, FenceId, MOD_CONTROL | MOD_SHIFT, VK_F12));
    }

    // Presses the fence combination and waits for its event: by then every
    // press made before it has been handled.
    void fence()
    {
        const qsizetype before = fenceWindow.presses.size();
        pressKeys(QStringLiteral("ctrl+shift+F12"));
        ASSERT_TRUE(testsupport::waitUntil([&] { return fenceWindow.presses.size() > before; }))
            << "the fence combination was not delivered";
    }

    // Presses the keys; answers what reached the window for them.
    QList<Press> pressesOf(const QString &keys)
    {
        window.presses.clear();
        pressKeys(keys);
        fence();
        return window.presses;
    }

    HotkeyWindow window;
    HotkeyWindow otherWindow;
    HotkeyWindow fenceWindow;
    std::unique_ptr<X11Hotkeys> hotkeys;
};

struct HotkeyCase {
    const char *keys; // as xdotool names them
    int id;
    quint32 modifiers;
    quint32 virtualKey;
    quint32 lParam;
};

const HotkeyCase HotkeyCases[] = {
    {"ctrl+grave", 1, MOD_CONTROL, VK_OEM_3, 0x00C04002},
    {"ctrl+alt+k", 2, MOD_CONTROL | MOD_ALT, 0x4B, 0x004B4003},
    {"shift+super+F5", 3, MOD_SHIFT | MOD_WIN | MOD_NOREPEAT, 0x74, 0x0074400C},
    {"alt+KP_Add", 4, MOD_ALT, 0x6B, 0x006B4001},
};

TEST_F(DesktopHotkeys, EachPressGivesOneEvent)
{
    for (const HotkeyCase &c : HotkeyCases)
        ASSERT_TRUE(hotkeys->registerHotKey(&window, c.id, c.modifiers, c.virtualKey)) << c.keys;
    for (const HotkeyCase &c : HotkeyCases)
        EXPECT_EQ(pressesOf(QString::fromLatin1(c.keys)), QList<Press>({{c.id, c.lParam}})) << c.keys;
}

TEST_F(DesktopHotkeys, OtherModifiersDoNotTrigger)
{
    ASSERT_TRUE(hotkeys->registerHotKey(&window, 1, MOD_CONTROL, VK_OEM_3));
    for (const char *keys : {"grave", "ctrl+shift+grave", "ctrl+alt+grave", "super+grave"})
        EXPECT_TRUE(pressesOf(QString::fromLatin1(keys)).isEmpty()) << keys;
}

TEST_F(DesktopHotkeys, HeldKeysGiveOnePress)
{
    // Holding a key for this long makes the server repeat it.
    const QString hold = QStringLiteral("1.2");
    {
        PasteTarget target(QStringLiteral(PASTE_TARGET_PEER), QStringLiteral("Repeat"));
        ASSERT_NE(target.window(), 0u);
        runToolOk(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                            QString::number(target.window())});
        runToolOk(QStringLiteral("xdotool"), {QStringLiteral("keydown"), QStringLiteral("x"), QStringLiteral("sleep"),
                                            hold, QStringLiteral("keyup"), QStringLiteral("x")});
        ASSERT_TRUE(testsupport::waitUntil([&] { return target.text().size() > 1; }))
            << "the display does not repeat held keys; the target holds " << target.text().toStdString();
    }

    ASSERT_TRUE(hotkeys->registerHotKey(&window, 1, MOD_CONTROL | MOD_NOREPEAT, VK_OEM_3));
    runToolOk(QStringLiteral("xdotool"), {QStringLiteral("keydown"), QStringLiteral("ctrl+grave"), QStringLiteral("sleep"),
                                        hold, QStringLiteral("keyup"), QStringLiteral("grave"),
                                        QStringLiteral("keyup"), QStringLiteral("ctrl")});
    // The release ends the hold: the next press counts again.
    pressKeys(QStringLiteral("ctrl+grave"));
    fence();
    EXPECT_EQ(window.presses, QList<Press>({{1, 0x00C04002}, {1, 0x00C04002}}));
}

// Turns a lock key on while it lives.
class LockOn {
public:
    explicit LockOn(const char *key) : m_key(QString::fromLatin1(key)) { pressKeys(m_key); }
    ~LockOn() { pressKeys(m_key); }

private:
    QString m_key;
};

TEST_F(DesktopHotkeys, LockKeysDoNotMatter)
{
    ASSERT_TRUE(hotkeys->registerHotKey(&window, 1, MOD_CONTROL, VK_OEM_3));
    for (const char *lock : {"Num_Lock", "Caps_Lock"}) {
        LockOn on(lock);
        EXPECT_EQ(pressesOf(QStringLiteral("ctrl+grave")), QList<Press>({{1, 0x00C04002}})) << lock;
    }
}

TEST_F(DesktopHotkeys, UnregisteredCombinationGivesNothing)
{
    ASSERT_TRUE(hotkeys->registerHotKey(&window, 1, MOD_CONTROL, VK_OEM_3));
    ASSERT_EQ(pressesOf(QStringLiteral("ctrl+grave")).size(), 1);
    EXPECT_TRUE(hotkeys->unregisterHotKey(&window, 1));
    EXPECT_TRUE(pressesOf(QStringLiteral("ctrl+grave")).isEmpty());
    EXPECT_FALSE(hotkeys->unregisterHotKey(&window, 1));
    // Every lock variant was released: another client can take them all.
    auto peer = grabInAnotherClient(XControl, "grave");
    EXPECT_EQ(peer->waitForLine("GRABBED"), QByteArray());
}

TEST_F(DesktopHotkeys, RefusedRegistrations)
{
    // The display's default key map has no F24 key.
    QProcess xkbcomp;
    xkbcomp.start(QStringLiteral("xkbcomp"), {QString::fromLocal8Bit(qgetenv("DISPLAY")), QStringLiteral("-")});
    ASSERT_TRUE(xkbcomp.waitForFinished(ProcessTimeoutMs));
    ASSERT_FALSE(QString::fromLatin1(xkbcomp.readAllStandardOutput()).contains(QRegularExpression(QStringLiteral("\\bF24\\b"))))
        << "this display maps F24; the test needs a key the map lacks";

    ASSERT_TRUE(hotkeys->registerHotKey(&window, 1, MOD_CONTROL, VK_OEM_3));
    struct Case {
        const char *what;
        QObject *window;
        int id;
        quint32 modifiers;
        quint32 virtualKey;
    };
    const Case refused[] = {
        {"id already registered for the window", &window, 1, MOD_ALT, VK_F8},
        {"combination held by another window", &otherWindow, 2, MOD_CONTROL, VK_OEM_3},
        {"same combination with MOD_NOREPEAT", &window, 3, MOD_CONTROL | MOD_NOREPEAT, VK_OEM_3},
        {"key not in the table", &window, 4, MOD_CONTROL, 0xFF},
        {"key not in the display's map", &window, 5, MOD_CONTROL, VK_F24},
        {"no window", nullptr, 6, MOD_ALT, VK_F7},
    };
    for (const Case &c : refused)
        EXPECT_FALSE(hotkeys->registerHotKey(c.window, c.id, c.modifiers, c.virtualKey)) << c.what;
    // The id is per window.
    EXPECT_TRUE(hotkeys->registerHotKey(&otherWindow, 1, MOD_ALT, VK_F8));
    EXPECT_EQ(pressesOf(QStringLiteral("ctrl+grave")), QList<Press>({{1, 0x00C04002}}));
}

TEST_F(DesktopHotkeys, CombinationHeldByAnotherClientIsRefused)
{
    auto peer = grabInAnotherClient(XControl | XShift, "F7");
    ASSERT_EQ(peer->waitForLine("GRABBED"), QByteArray());
    EXPECT_FALSE(hotkeys->registerHotKey(&window, 1, MOD_CONTROL | MOD_SHIFT, VK_F7));
    EXPECT_TRUE(hotkeys->registerHotKey(&window, 2, MOD_CONTROL | MOD_SHIFT, VK_F8));
    EXPECT_EQ(pressesOf(QStringLiteral("ctrl+shift+F8")), QList<Press>({{2, 0x00774006}}));

    peer->stop();
    // The server drops the peer's grabs when it sees the connection close.
    EXPECT_TRUE(testsupport::waitUntil([&] { return hotkeys->registerHotKey(&window, 1, MOD_CONTROL | MOD_SHIFT, VK_F7); }));
    EXPECT_EQ(pressesOf(QStringLiteral("ctrl+shift+F7")), QList<Press>({{1, 0x00764006}}));
}

TEST_F(DesktopHotkeys, RefusalLeavesNoGrabBehind)
{
    // Another client holds only the CapsLock variants of Ctrl+F9.
    auto holder = grabInAnotherClient(XControl | XLock, "F9");
    ASSERT_EQ(holder->waitForLine("GRABBED"), QByteArray());
    EXPECT_FALSE(hotkeys->registerHotKey(&window, 1, MOD_CONTROL, VK_F9));
    // The variants that were free are free again.
    for (int mask : {XControl, XControl | XNumLock}) {
        auto peer = grabInAnotherClient(mask, "F9", true);
        EXPECT_EQ(peer->waitForLine("GRABBED"), QByteArray()) << "mask " << mask;
    }
}

TEST_F(DesktopHotkeys, DestroyedWindowsRegistrationIsReleased)
{
    auto *gone = new HotkeyWindow;
    ASSERT_TRUE(hotkeys->registerHotKey(gone, 1, MOD_CONTROL, VK_B));
    delete gone;
    // Its press goes nowhere, and the fence after it still arrives.
    EXPECT_TRUE(pressesOf(QStringLiteral("ctrl+b")).isEmpty());
    EXPECT_TRUE(hotkeys->registerHotKey(&window, 1, MOD_CONTROL, VK_B));
    EXPECT_EQ(pressesOf(QStringLiteral("ctrl+b")), QList<Press>({{1, 0x00424002}}));
}

TEST(DesktopHotkeysWithoutDisplay, RefuseEverything)
{
    X11Hotkeys hotkeys(NoDisplay);
    QObject window;
    EXPECT_FALSE(hotkeys.isConnected());
    EXPECT_FALSE(hotkeys.registerHotKey(&window, 1, MOD_CONTROL, VK_OEM_3));
    EXPECT_FALSE(hotkeys.unregisterHotKey(&window, 1));
}

// ------------------------------------------------------ input and windows

class DesktopInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::onXDisplay());
        input = std::make_unique<X11Input>();
        ASSERT_TRUE(input->isConnected());
    }

    void TearDown() override
    {
        stopXclip();
        // Nothing stays down for the next test.
        if (input)
            input->sendInput({{VK_CONTROL, true}, {VK_RSHIFT, true}});
    }

    void stopXclip()
    {
        if (xclip) {
            xclip->kill();
            xclip->waitForFinished(2000);
            xclip.reset();
        }
    }

    PasteTarget &startTarget(const QString &title, bool multiLine = false)
    {
        targets.push_back(std::make_unique<PasteTarget>(QStringLiteral(PASTE_TARGET_PEER), title, multiLine));
        EXPECT_NE(targets.back()->window(), 0u) << title.toStdString() << " showed no window";
        return *targets.back();
    }

    void focus(PasteTarget &target)
    {
        input->bringToFront(target.window());
        ASSERT_TRUE(testsupport::waitUntil([&] { return input->foregroundWindow() == target.window(); }));
    }

    // Puts text on the clipboard from xclip and waits until it is served.
    void copyWithXclip(const QString &text)
    {
        stopXclip();
        xclip = std::make_unique<QProcess>();
        xclip->start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        ASSERT_TRUE(xclip->waitForStarted(ProcessTimeoutMs));
        xclip->write(text.toUtf8());
        xclip->closeWriteChannel();
        ASSERT_TRUE(testsupport::waitUntil([&] {
            QProcess out;
            out.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
            return out.waitForFinished(2000) && out.readAllStandardOutput() == text.toUtf8();
        }, ProcessTimeoutMs));
    }

    std::unique_ptr<X11Input> input;
    std::vector<std::unique_ptr<PasteTarget>> targets;
    std::unique_ptr<QProcess> xclip;
};

TEST_F(DesktopInputTest, BringToFrontActivatesAndRaises)
{
    PasteTarget &first = startTarget(QStringLiteral("First"));
    PasteTarget &second = startTarget(QStringLiteral("Second"));
    for (PasteTarget *top : {&first, &second, &first}) {
        PasteTarget *below = top == &first ? &second : &first;
        input->bringToFront(top->window());
        EXPECT_TRUE(testsupport::waitUntil([&] { return input->foregroundWindow() == top->window(); }));
        EXPECT_TRUE(testsupport::waitUntil([&] { return input->windowAbove(below->window()) == top->window(); }));
        EXPECT_EQ(input->windowAbove(top->window()), 0u);
    }
    for (PasteTarget *t : {&first, &second}) {
        EXPECT_TRUE(input->isWindow(t->window()));
        EXPECT_TRUE(input->isWindowVisible(t->window()));
        EXPECT_FALSE(input->isIconic(t->window()));
    }
}

TEST_F(DesktopInputTest, MinimisedWindowIsIconicUntilRestored)
{
    PasteTarget &target = startTarget(QStringLiteral("Minimised"));
    runToolOk(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::number(target.window())});
    ASSERT_TRUE(testsupport::waitUntil([&] { return input->isIconic(target.window()); }));
    EXPECT_TRUE(input->isWindowVisible(target.window()));
    input->restoreWindow(target.window());
    EXPECT_TRUE(testsupport::waitUntil([&] { return !input->isIconic(target.window()); }));
    EXPECT_TRUE(input->isWindowVisible(target.window()));
}

TEST_F(DesktopInputTest, ClosedAndMadeUpWindowsAreNoWindows)
{
    PasteTarget &target = startTarget(QStringLiteral("Closed"));
    const WindowHandle closed = target.window();
    ASSERT_TRUE(input->isWindow(closed));
    target.close();
    EXPECT_TRUE(testsupport::waitUntil([&] { return !input->isWindow(closed); }));
    EXPECT_TRUE(testsupport::waitUntil([&] { return input->windowAbove(closed) == 0; }));

    for (WindowHandle made : {WindowHandle(0), WindowHandle(0x1FFFFFFE), WindowHandle(0x7FFFFFFF), WindowHandle(1) << 40}) {
        SCOPED_TRACE(made);
        EXPECT_FALSE(input->isWindow(made));
        EXPECT_FALSE(input->isWindowVisible(made));
        EXPECT_FALSE(input->isIconic(made));
        EXPECT_EQ(input->windowAbove(made), 0u);
        input->restoreWindow(made);
        input->bringToFront(made);
    }
    for (WindowHandle gone : {closed, WindowHandle(0x1FFFFFFE)}) {
        input->restoreWindow(gone);
        input->bringToFront(gone);
    }
}

TEST_F(DesktopInputTest, CtrlVPastesTheClipboard)
{
    struct Case {
        bool multiLine;
        QString text;
    };
    const Case cases[] = {
        {false, QStringLiteral("copied by xclip")},
        {true, QStringLiteral("first line\nsecond line")},
    };
    for (const Case &c : cases) {
        PasteTarget &target = startTarget(QStringLiteral("Paste"), c.multiLine);
        copyWithXclip(c.text);
        focus(target);
        input->sendInput({{VK_CONTROL, false}, {VK_V, false}, {VK_V, true}, {VK_CONTROL, true}});
        EXPECT_TRUE(testsupport::waitUntil([&] { return target.text() == c.text; }))
            << "the target holds " << target.text().toStdString();
        target.close();
    }
}

TEST_F(DesktopInputTest, SentKeysAreTyped)
{
    struct Case {
        QList<KeyInput> inputs;
        QString typed;
    };
    const Case cases[] = {
        {{{VK_SHIFT, false}, {VK_A, false}, {VK_A, true}, {VK_SHIFT, true}}, QStringLiteral("A")},
        {{{VK_A, false}, {VK_A, true}}, QStringLiteral("a")},
        {{{0x37, false}, {0x37, true}}, QStringLiteral("7")},
        {{{0x20, false}, {0x20, true}}, QStringLiteral(" ")},
        {{{VK_RSHIFT, false}, {0xBA, false}, {0xBA, true}, {VK_RSHIFT, true}}, QStringLiteral(":")},
        {{{0xBD, false}, {0xBD, true}}, QStringLiteral("-")},
        {{{0xDC, false}, {0xDC, true}}, QStringLiteral("\\")},
        {{{0xE2, false}, {0xE2, true}}, QStringLiteral("<")},
        // The map has no F24: it is left out, the rest is typed.
        {{{VK_F24, false}, {VK_B, false}, {VK_B, true}, {VK_F24, true}}, QStringLiteral("b")},
    };
    PasteTarget &target = startTarget(QStringLiteral("Typing"));
    focus(target);
    QString expected;
    for (const Case &c : cases) {
        expected += c.typed;
        input->sendInput(c.inputs);
        EXPECT_TRUE(testsupport::waitUntil([&] { return target.text() == expected; }))
            << "expected " << expected.toStdString() << ", the target holds " << target.text().toStdString();
    }
}

TEST_F(DesktopInputTest, KeyIsHeldBetweenDownAndUp)
{
    struct Case {
        quint32 sent;
        QList<quint32> held;
        QList<quint32> notHeld;
    };
    const Case cases[] = {
        {VK_CONTROL, {VK_CONTROL, VK_LCONTROL}, {VK_RCONTROL, VK_SHIFT}},
        {VK_RSHIFT, {VK_SHIFT, VK_RSHIFT}, {VK_LSHIFT, VK_CONTROL}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sent);
        input->sendInput({{c.sent, false}});
        for (quint32 vk : c.held)
            EXPECT_TRUE(testsupport::waitUntil([&] { return input->isKeyHeld(vk); })) << vk;
        for (quint32 vk : c.notHeld)
            EXPECT_FALSE(input->isKeyHeld(vk)) << vk;
        input->sendInput({{c.sent, true}});
        for (quint32 vk : c.held)
            EXPECT_TRUE(testsupport::waitUntil([&] { return !input->isKeyHeld(vk); })) << vk;
    }
}

TEST(DesktopInputWithoutDisplay, AnswersNothing)
{
    X11Input input(NoDisplay);
    EXPECT_FALSE(input.isConnected());
    input.sendInput({{VK_CONTROL, false}, {VK_CONTROL, true}});
    EXPECT_FALSE(input.isKeyHeld(VK_CONTROL));
    EXPECT_EQ(input.foregroundWindow(), 0u);
    EXPECT_FALSE(input.isWindow(1));
    EXPECT_FALSE(input.isWindowVisible(1));
    EXPECT_FALSE(input.isIconic(1));
    EXPECT_EQ(input.windowAbove(1), 0u);
    input.restoreWindow(1);
    input.bringToFront(1);
}

} // namespace
