// The main window with the real desktop services on the X display with
// openbox: clips go into another program's text field (paste_target_peer)
// by double-click, by Enter and by hotkeys pressed with xdotool; a
// combination held by another X client is refused; the minimize/restore
// hotkey minimises and restores the window. The time from a hotkey's press
// to the synthesised Ctrl+V is printed.

#include "desktop_support.h"
#include "platform/hotkeys.h"
#include "platform/qt/desktop_shell.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/simulated/simulated_value_store.h"
#include "platform/x11/x11_hotkeys.h"
#include "platform/x11/x11_input.h"
#include "test_support.h"
#include "uClipHotkeyDialog.h"
#include "uData.h"
#include "uHotkeyEdit.h"
#include "uHotkeys.h"
#include "uMain.h"
#include "uSettings.h"
#include "uSqlite.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QWindow>

#include <cstdio>
#include <memory>

using namespace platform;
using namespace desktoptest;

namespace {

const QList<KeyInput> CtrlV = {{VK_CONTROL, false}, {0x56, false}, {0x56, true}, {VK_CONTROL, true}};

// Notes when hotkey presses reach the program.
class PressClock : public QObject {
public:
    explicit PressClock(const QElapsedTimer &clock) : m_clock(clock) {}
    QList<qint64> arrivedAt;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() == HotkeyEvent::Type)
            arrivedAt.append(m_clock.elapsed());
        return QObject::eventFilter(watched, e);
    }

private:
    const QElapsedTimer &m_clock;
};

// The desktop's input, with the moment each Ctrl+V went out.
class TimedInput : public DesktopInput {
public:
    explicit TimedInput(DesktopInput &inner) : m_inner(inner) { clock.start(); }
    QElapsedTimer clock;
    QList<qint64> ctrlVSentAt; // ms on the clock

    bool isKeyHeld(quint32 vk) override { return m_inner.isKeyHeld(vk); }
    void sendInput(const QList<KeyInput> &inputs) override
    {
        m_inner.sendInput(inputs);
        if (inputs == CtrlV)
            ctrlVSentAt.append(clock.elapsed());
    }
    WindowHandle foregroundWindow() override { return m_inner.foregroundWindow(); }
    bool isWindow(WindowHandle w) override { return m_inner.isWindow(w); }
    bool isWindowVisible(WindowHandle w) override { return m_inner.isWindowVisible(w); }
    bool isIconic(WindowHandle w) override { return m_inner.isIconic(w); }
    WindowHandle windowAbove(WindowHandle w) override { return m_inner.windowAbove(w); }
    void restoreWindow(WindowHandle w) override { m_inner.restoreWindow(w); }
    void bringToFront(WindowHandle w) override { m_inner.bringToFront(w); }

private:
    DesktopInput &m_inner;
};

class PasteDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::onXDisplay());
        ASSERT_TRUE(hotkeys.isConnected() && x11Input.isConnected());
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        target = std::make_unique<PasteTarget>(QStringLiteral(PASTE_TARGET_PEER), QStringLiteral("Editor"));
        ASSERT_NE(target->window(), 0u);

        frmMain = std::make_unique<TfrmMain>(dm, TMainServices{clipboard, values, hotkeys, input, shell});
        frmSettings = std::make_unique<TfrmSettings>(frmMain.get(), frmMain.get());
        frmMain->SetSettingsForm(frmSettings.get());
        frmMain->show();
        ASSERT_TRUE(testsupport::waitUntil([&] { return frmMain->windowHandle()->isExposed(); }));
        activate(mainWindow());
    }

    void TearDown() override
    {
        if (frmMain)
            frmMain->SetSettingsForm(nullptr);
        frmSettings.reset();
        frmMain.reset();
        dm.CloseDatabase();
    }

    WindowHandle mainWindow() { return WindowHandle(frmMain->winId()); }

    static void activate(WindowHandle w)
    {
        EXPECT_EQ(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(w)}).exitCode, 0);
    }

    qint64 addClip(const QString &text)
    {
        dm.AddText(text, QString(), false);
        const qint64 id = dm.NewestClipId();
        frmMain->RefreshClipList();
        return id;
    }

    // Waits until the target's field holds the text.
    ::testing::AssertionResult targetHolds(const QString &text)
    {
        if (testsupport::waitUntil([&] { return target->text() == text; }, 10000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the field holds \"" << target->text().toStdString() << "\"";
    }

    QPoint rowOnScreen(int row)
    {
        QTreeView *lv = frmMain->lvItems;
        return lv->viewport()->mapToGlobal(lv->visualRect(frmMain->ListModel()->index(row, 0)).center());
    }

    QTemporaryDir dataHome;
    testsupport::MessageBoxAnswerer okToEverything{QMessageBox::Ok};
    QtClipboard clipboard{QGuiApplication::clipboard()};
    SimulatedValueStore values;
    X11Hotkeys hotkeys;
    X11Input x11Input;
    TimedInput input{x11Input};
    DesktopShell shell;
    TdmData dm;
    std::unique_ptr<PasteTarget> target;
    std::unique_ptr<TfrmMain> frmMain;
    std::unique_ptr<TfrmSettings> frmSettings;
};

TEST_F(PasteDesktop, DoubleClickAndEnterPasteIntoTheWindowBelow)
{
    addClip(QStringLiteral("beta"));
    addClip(QStringLiteral("alpha"));
    // The editor was in front before the program; the program is active now.
    ASSERT_EQ(x11Input.foregroundWindow(), mainWindow());

    // A double-click on the first row: the window steps aside and the editor gets it.
    const QPoint p = rowOnScreen(0);
    ASSERT_EQ(xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()),
                       QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                       QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")})
                  .exitCode,
              0);
    EXPECT_TRUE(targetHolds(QStringLiteral("alpha")));
    EXPECT_TRUE(frmMain->isMinimized());

    // Back to the program; Enter in the filter pastes the selected clip.
    activate(mainWindow());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !frmMain->isMinimized() && frmMain->isActiveWindow(); }));
    frmMain->SelectClipById(dm.NewestClipId() - 1);
    frmMain->edtFilter->setFocus();
    pressKeys(QStringLiteral("Return"));
    EXPECT_TRUE(targetHolds(QStringLiteral("alphabeta")));
    EXPECT_EQ(x11Input.foregroundWindow(), target->window());
}

TEST_F(PasteDesktop, HotkeysPasteIntoTheActiveWindow)
{
    const qint64 older = addClip(QStringLiteral("[clip with its own hotkey]"));
    addClip(QStringLiteral("[newest]"));

    // Give the older clip Ctrl+Alt+K in the dialog, typed on the keyboard.
    frmMain->SelectClipById(older);
    bool typed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *d = dynamic_cast<TClipHotkeyDialog *>(QApplication::activeModalWidget());
        if (!d || typed || !d->edtHotkey->hasFocus())
            return;
        typed = true;
        pressKeys(QStringLiteral("ctrl+alt+k"));
        testsupport::waitUntil([&] { return d->edtHotkey->HotKey() != 0; });
        d->btnOK->click();
    });
    poll.start(20);
    frmMain->btnSetHotkey->click();
    poll.stop();
    ASSERT_TRUE(typed);
    {
        TSqliteQuery q(dm.FDConnection, QStringLiteral("SELECT hotkey_mods, hotkey_vk, hotkey_text FROM items WHERE id=:id"));
        q.bindInt64(":id", older).open();
        EXPECT_EQ(q.field(0).asInt64(), int(MOD_CONTROL | MOD_ALT));
        EXPECT_EQ(q.field(1).asInt64(), 0x4B);
        EXPECT_EQ(q.field(2).asText(), QStringLiteral("Ctrl+Alt+K"));
    }

    // The user works in the editor and presses the hotkeys there.
    struct Case {
        const char *keys;
        QString arrives;
    };
    const Case cases[] = {
        {"ctrl+grave", QStringLiteral("[newest]")},
        {"ctrl+alt+k", QStringLiteral("[clip with its own hotkey]")},
        {"ctrl+grave", QStringLiteral("[newest]")},
    };
    PressClock presses(input.clock);
    frmMain->FHotkeys->Wnd()->installEventFilter(&presses);
    QString expected;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keys);
        activate(target->window());
        const int sent = input.ctrlVSentAt.size();
        const qint64 pressedAt = input.clock.elapsed();
        pressKeys(QString::fromLatin1(c.keys));
        expected += c.arrives;
        ASSERT_TRUE(targetHolds(expected));
        ASSERT_EQ(input.ctrlVSentAt.size(), sent + 1);
        ASSERT_FALSE(presses.arrivedAt.isEmpty());
        std::printf("[ figure ] %s: xdotool start to Ctrl+V %lld ms, press arrival to Ctrl+V %lld ms "
                    "(fixed delays 210 ms), xdotool start to text %lld ms\n",
                    c.keys, input.ctrlVSentAt.last() - pressedAt, input.ctrlVSentAt.last() - presses.arrivedAt.last(),
                    input.clock.elapsed() - pressedAt);
        EXPECT_EQ(x11Input.foregroundWindow(), target->window());
    }
}

TEST_F(PasteDesktop, ACombinationHeldByAnotherClientIsTakenFromTheClip)
{
    // Ctrl+Alt+J held by another X client (Control 4 | Mod1 8).
    Peer grabber(QStringLiteral(KEY_GRAB_PEER), {QStringLiteral("12"), QStringLiteral("j")});
    ASSERT_TRUE(grabber.waitForLine("GRABBED").has_value());
    const qint64 clip = addClip(QStringLiteral("wants Ctrl+Alt+J"));
    dm.SetClipHotkey(clip, int(MOD_CONTROL | MOD_ALT), 0x4A, QStringLiteral("Ctrl+Alt+J"));
    frmMain->RefreshClipList();
    TSqliteQuery q(dm.FDConnection, QStringLiteral("SELECT hotkey_vk IS NULL, hotkey_text IS NULL FROM items WHERE id=:id"));
    q.bindInt64(":id", clip).open();
    EXPECT_EQ(q.field(0).asInt64(), 1);
    EXPECT_EQ(q.field(1).asInt64(), 1);
    EXPECT_EQ(frmMain->ListModel()->Row(0).HotkeyText, QString());
    // The press still belongs to the other client: nothing is pasted.
    activate(target->window());
    pressKeys(QStringLiteral("ctrl+alt+j"));
    pressKeys(QStringLiteral("x"));
    EXPECT_TRUE(targetHolds(QStringLiteral("x")));
}

TEST_F(PasteDesktop, TheMinimizeRestoreHotkeyMinimisesAndRestores)
{
    // Ctrl+Shift+Z by default.
    pressKeys(QStringLiteral("ctrl+shift+z"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return frmMain->isMinimized() && x11Input.isIconic(mainWindow()); }));
    activate(target->window());
    pressKeys(QStringLiteral("ctrl+shift+z"));
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return !frmMain->isMinimized() && !x11Input.isIconic(mainWindow())
            && x11Input.foregroundWindow() == mainWindow();
    }));
    EXPECT_TRUE(testsupport::waitUntil([&] { return frmMain->edtFilter->hasFocus(); }));
    // Typing goes to the filter now, not to the editor.
    pressKeys(QStringLiteral("q"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return frmMain->edtFilter->text() == QStringLiteral("q"); }));
    EXPECT_EQ(target->text(), QString());
}

} // namespace
