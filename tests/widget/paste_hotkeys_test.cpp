// Pasting into another program's window and the program's hotkeys, with the
// main window on the offscreen platform over the simulated desktop.

#include "main_window_fixture.h"
#include "test_support.h"
#include "uClipHotkeyDialog.h"
#include "uClipHotkeys.h"
#include "uClipWatcher.h"
#include "uHotkeyEdit.h"
#include "uHotkeys.h"
#include "uPasteScheduler.h"
#include "uShortcut.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <functional>

using namespace platform;

namespace {

constexpr quint32 VK_K = 0x4B;
constexpr WindowHandle Editor = 100;   // another program's window
constexpr WindowHandle Browser = 200;
constexpr WindowHandle Minimised = 300;

const QList<KeyInput> CtrlV = {{VK_CONTROL, false}, {0x56, false}, {0x56, true}, {VK_CONTROL, true}};

class PasteAndHotkeys : public MainWindowFixture {
protected:
    WindowHandle mainWindow() { return WindowHandle(frmMain->winId()); }

    // The windows that received Ctrl+V, in order.
    QList<WindowHandle> pastedInto()
    {
        QList<WindowHandle> out;
        for (const auto &s : desktop.sentInputs())
            if (s.inputs == CtrlV)
                out.append(s.focus);
        return out;
    }

    bool waitForPastes(int n)
    {
        return testsupport::waitUntil([&] { return pastedInto().size() >= n; }) && pastedInto().size() == n;
    }

    // No paste armed and none sent: the timer has had its chance to fire.
    void expectNoPaste()
    {
        EXPECT_FALSE(frmMain->FPaste->FPasteTimer->isActive());
        QTest::qWait(200);
        EXPECT_TRUE(pastedInto().isEmpty());
    }

    qint64 addText(const QString &text)
    {
        dm.AddText(text, QString(), false);
        return dm.NewestClipId();
    }

    struct StoredHotkey {
        QVariant mods, vk, text;
    };
    StoredHotkey storedHotkey(qint64 id)
    {
        TSqliteQuery q(dm.FDConnection, QStringLiteral("SELECT hotkey_mods, hotkey_vk, hotkey_text FROM items WHERE id=:id"));
        q.bindInt64(":id", id).open();
        auto value = [&](int i) -> QVariant {
            if (q.field(i).isNull())
                return {};
            return i == 2 ? QVariant(q.field(i).asText()) : QVariant(q.field(i).asInt64());
        };
        return {value(0), value(1), value(2)};
    }

    QString hotkeyColumnOf(qint64 id)
    {
        for (int i = 0; i < frmMain->ListModel()->rowCount(); ++i)
            if (frmMain->ListModel()->Row(i).Id == id)
                return frmMain->ListModel()->Row(i).HotkeyText;
        return QStringLiteral("<no row>");
    }

    // Runs the action while a dialog opens, and handles that dialog with the given steps.
    void withDialog(const std::function<void()> &open, const std::function<void(TClipHotkeyDialog *)> &steps)
    {
        bool handled = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *d = dynamic_cast<TClipHotkeyDialog *>(QApplication::activeModalWidget());
            if (d && d->isVisible() && !handled) {
                handled = true;
                steps(d);
            }
        });
        poll.start(5);
        open();
        EXPECT_TRUE(handled);
    }
};

TEST_F(PasteAndHotkeys, EveryWayOfThePasteCommandMinimisesAndPastesIntoTheNextWindow)
{
    struct Case {
        const char *name;
        std::function<void(TfrmMain &)> trigger;
    };
    const QList<Case> cases = {
        {"paste button", [](TfrmMain &m) { m.btnPasteToActiveWindow->click(); }},
        {"Enter in the filter", [](TfrmMain &m) { QTest::keyClick(m.edtFilter, Qt::Key_Return); }},
        {"Enter in the list", [](TfrmMain &m) { QTest::keyClick(m.lvItems, Qt::Key_Return); }},
        {"double-click", [](TfrmMain &m) {
             QTest::mouseDClick(m.lvItems->viewport(), Qt::LeftButton, {},
                                m.lvItems->visualRect(m.ListModel()->index(0, 0)).center());
         }},
    };
    addText(QStringLiteral("older"));
    addText(QStringLiteral("the clip"));
    frmMain->RefreshClipList();
    // Other programs' copies are not recorded here, so the list stays as it is.
    frmMain->FWatcher->StopWatching();
    desktop.addWindow(Editor);
    int pastes = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        frmMain->showNormal();
        desktop.addWindow(mainWindow());
        desktop.setForeground(mainWindow());
        userSelect(0);
        cb.offerText(QStringLiteral("copied elsewhere"));
        testsupport::drainEvents();

        c.trigger(*frmMain);
        EXPECT_TRUE(frmMain->isMinimized());
        EXPECT_EQ(clipboardText(), QStringLiteral("the clip"));
        // The desktop activates the window below the minimised one.
        desktop.setForeground(Editor);
        ASSERT_TRUE(waitForPastes(++pastes));
        EXPECT_EQ(pastedInto().last(), Editor);
        EXPECT_EQ(desktop.actions().last(), QStringLiteral("front %1").arg(Editor));
    }
    // Nothing happens without a selection.
    frmMain->showNormal();
    frmMain->lvItems->clearSelection();
    frmMain->btnPasteToActiveWindowClick();
    EXPECT_FALSE(frmMain->isMinimized());
    EXPECT_FALSE(frmMain->FPaste->FPasteTimer->isActive());
}

TEST_F(PasteAndHotkeys, ThePendingTargetIsTheLastOneAndFallsBackToTheForegroundWindow)
{
    desktop.addWindow(Editor);
    desktop.addWindow(Browser);
    desktop.setForeground(Browser);

    // Two requests within the interval: one paste, to the second target.
    frmMain->StartPendingPaste(Editor, false);
    frmMain->StartPendingPaste(Browser, false);
    desktop.setForeground(Editor);
    ASSERT_TRUE(waitForPastes(1));
    EXPECT_EQ(pastedInto(), QList<WindowHandle>{Browser});
    EXPECT_EQ(desktop.actions(), QStringList{QStringLiteral("front %1").arg(Browser)});
    EXPECT_EQ(frmMain->FPaste->FPendingPasteTarget, 0u);

    // The target is closed before the timer fires: the foreground window gets it.
    frmMain->StartPendingPaste(Browser, false);
    desktop.closeWindow(Browser);
    desktop.setForeground(Editor);
    ASSERT_TRUE(waitForPastes(2));
    EXPECT_EQ(pastedInto().last(), Editor);

    // No window at all: the keys go to whatever has the focus.
    desktop.closeWindow(Editor);
    frmMain->StartPendingPaste(Editor, false);
    ASSERT_TRUE(waitForPastes(3));
    EXPECT_EQ(pastedInto().last(), 0u);
}

TEST_F(PasteAndHotkeys, AFileListGoesIntoTheFolderAWindowShows)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString a = dataHome.filePath(QStringLiteral("a b.txt"));
    const QString b = dataHome.filePath(QStringLiteral("c.txt"));
    struct Case {
        const char *name;
        QString folder; // what the window shows
        int copyResult;
        bool aborted;
        bool copied; // true: no keys are sent
    };
    const QList<Case> cases = {
        {"a file-system folder", folder.path(), 0, false, true},
        {"a location without a path", QString(), 0, false, false},
        {"a folder that does not exist", folder.path() + QStringLiteral("/gone"), 0, false, false},
        {"a copy that fails", folder.path(), 5, false, false},
        {"a copy the user cancels", folder.path(), 0, true, false},
    };
    desktop.addWindow(Editor);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const int before = desktop.actions().size();
        const int pastesBefore = pastedInto().size();
        dm.AddFiles(a + QStringLiteral("\r\n\r\n") + b, false);
        ASSERT_TRUE(frmMain->CopyClipToClipboard(dm.NewestClipId()));
        desktop.setFolderOfWindow(Editor, c.folder);
        desktop.setCopyResult(c.copyResult, c.aborted);
        frmMain->StartPendingPaste(Editor, false);
        ASSERT_TRUE(testsupport::waitUntil([&] {
            return pastedInto().size() > pastesBefore || (c.copied && desktop.actions().size() > before);
        }));
        const QStringList actions = desktop.actions().mid(before);
        const QString copy = QStringLiteral("copy %1|%2|| -> %3/||").arg(a, b, c.folder);
        if (c.copied) {
            EXPECT_EQ(actions, QStringList{copy});
            QTest::qWait(50);
            EXPECT_EQ(pastedInto().size(), pastesBefore);
        } else {
            EXPECT_EQ(actions.last(), QStringLiteral("front %1").arg(Editor));
            EXPECT_EQ(pastedInto().last(), Editor);
        }
    }
    EXPECT_EQ(TPasteScheduler::JoinPathsForShell({QStringLiteral("x"), QStringLiteral("  "), QStringLiteral(" y ")}),
              QStringLiteral("x") + QChar(0) + QStringLiteral(" y ") + QChar(0) + QChar(0));
}

TEST_F(PasteAndHotkeys, AClipHotkeyPastesIntoTheWindowTheUserWorksIn)
{
    const qint64 clip = addText(QStringLiteral("hotkey text"));
    addText(QStringLiteral("newest"));
    dm.SetClipHotkey(clip, MOD_CONTROL | MOD_ALT, VK_K, QStringLiteral("Ctrl+Alt+K"));
    frmMain->RefreshClipList();
    ASSERT_NE(hotkeys.find(MOD_CONTROL | MOD_ALT, VK_K), nullptr);
    EXPECT_EQ(hotkeys.find(MOD_CONTROL | MOD_ALT, VK_K)->id, ClipIdToHotkeyId(clip));

    struct Case {
        const char *name;
        QList<WindowHandle> stacking; // bottom first; 0 stands for the main window
        WindowHandle foreground;      // 0: the main window
        WindowHandle activatedAfterMinimising;
        WindowHandle expected;
    };
    const QList<Case> cases = {
        {"another program in front", {Browser, 0, Editor}, Editor, Browser, Editor},
        {"own window in front, a visible window above it", {Editor, 0, Minimised, Browser}, 0, Editor, Browser},
        {"own window in front, nothing visible above", {Editor, 0, Minimised}, 0, Editor, Editor},
    };
    int pastes = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        frmMain->showNormal();
        for (WindowHandle w : c.stacking)
            desktop.addWindow(w ? w : mainWindow(), true, w == Minimised);
        desktop.setForeground(c.foreground ? c.foreground : mainWindow());
        // The user still holds the hotkey's modifiers.
        desktop.setKeyHeld(VK_CONTROL);
        desktop.setKeyHeld(VK_MENU);
        const int sent = desktop.sentInputs().size();

        ASSERT_TRUE(hotkeys.press(MOD_CONTROL | MOD_ALT, VK_K));
        ASSERT_TRUE(testsupport::waitUntil([&] { return frmMain->isMinimized(); }));
        desktop.setForeground(c.activatedAfterMinimising);
        ASSERT_TRUE(waitForPastes(++pastes));
        EXPECT_EQ(pastedInto().last(), c.expected);
        EXPECT_EQ(clipboardText(), QStringLiteral("hotkey text"));
        // The held modifiers were let go before Ctrl+V.
        const auto inputs = desktop.sentInputs().mid(sent);
        ASSERT_EQ(inputs.size(), 2);
        EXPECT_EQ(inputs[0].inputs, (QList<KeyInput>{{VK_MENU, true}, {VK_CONTROL, true}}));
    }
}

TEST_F(PasteAndHotkeys, HotkeysThatHaveNothingToPasteDoNothing)
{
    desktop.addWindow(Editor);
    desktop.setForeground(Editor);
    frmMain->FWatcher->StopWatching();
    cb.offerText(QStringLiteral("untouched"));
    testsupport::drainEvents();

    // Paste-newest in an empty category.
    ASSERT_TRUE(hotkeys.press(MOD_CONTROL, VK_OEM_3));
    testsupport::drainEvents();
    // Id 1000 names no clip.
    frmMain->HandleHotkey(nullptr, 1000);
    // A clip deleted after its hotkey was registered.
    const qint64 clip = addText(QStringLiteral("deleted"));
    dm.SetClipHotkey(clip, MOD_CONTROL | MOD_ALT, VK_K, QStringLiteral("Ctrl+Alt+K"));
    frmMain->RefreshClipList();
    dm.DeleteItem(clip);
    ASSERT_TRUE(hotkeys.press(MOD_CONTROL | MOD_ALT, VK_K));
    testsupport::drainEvents();

    expectNoPaste();
    EXPECT_FALSE(frmMain->isMinimized());
    EXPECT_EQ(clipboardText(), QStringLiteral("untouched"));

    // With clips, paste-newest pastes the newest.
    addText(QStringLiteral("first"));
    addText(QStringLiteral("second"));
    ASSERT_TRUE(hotkeys.press(MOD_CONTROL, VK_OEM_3));
    ASSERT_TRUE(waitForPastes(1));
    EXPECT_EQ(clipboardText(), QStringLiteral("second"));
}

TEST_F(PasteAndHotkeys, TakenCombinationsAreClearedFromTheClips)
{
    // Ctrl+Shift+Z is the enabled minimize/restore hotkey.
    struct Case {
        const char *name;
        int mods;
        int vk;
        bool registered; // false: the clip loses its hotkey
    };
    const QList<Case> cases = {
        {"free combination", MOD_CONTROL | MOD_ALT, VK_K, true},
        {"the same again, higher id", MOD_CONTROL | MOD_ALT, VK_K, false},
        {"paste-newest", MOD_CONTROL, VK_OEM_3, false},
        {"minimize/restore", MOD_CONTROL | MOD_SHIFT, 0x5A, false},
        {"held by another program", MOD_ALT, 0x51, false},
        {"a key the keyboard lacks", MOD_ALT, 0x87, false},
    };
    hotkeys.setTakenByOtherProgram(MOD_ALT, 0x51);
    hotkeys.setMissingKey(0x87);
    QList<qint64> ids;
    for (const Case &c : cases) {
        ids.append(addText(QString::fromLatin1(c.name)));
        dm.SetClipHotkey(ids.last(), c.mods, c.vk, ShortcutToText(HotkeyToShortcut(c.mods, c.vk)));
    }
    // The older form: the whole shortcut code as the key, no modifiers.
    const qint64 older = addText(QStringLiteral("older form"));
    dm.FDConnection.exec(QStringLiteral("UPDATE items SET hotkey_mods=0, hotkey_vk=%1, hotkey_text='x' WHERE id=%2")
                             .arg(0x4041)
                             .arg(older));
    frmMain->RefreshClipList();

    for (int i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const StoredHotkey h = storedHotkey(ids[i]);
        if (cases[i].registered) {
            EXPECT_EQ(h.mods.toInt(), cases[i].mods);
            EXPECT_EQ(h.vk.toInt(), cases[i].vk);
            ASSERT_NE(hotkeys.find(cases[i].mods, cases[i].vk), nullptr);
            EXPECT_EQ(hotkeys.find(cases[i].mods, cases[i].vk)->id, ClipIdToHotkeyId(ids[i]));
            EXPECT_EQ(hotkeyColumnOf(ids[i]), QStringLiteral("Ctrl+Alt+K"));
        } else {
            EXPECT_TRUE(h.mods.isNull() && h.vk.isNull() && h.text.isNull());
            EXPECT_EQ(hotkeyColumnOf(ids[i]), QString());
        }
    }
    const StoredHotkey h = storedHotkey(older);
    EXPECT_EQ(h.mods.toInt(), int(MOD_CONTROL));
    EXPECT_EQ(h.vk.toInt(), 0x41);
    EXPECT_EQ(h.text.toString(), QStringLiteral("Ctrl+A"));
    ASSERT_NE(hotkeys.find(MOD_CONTROL, 0x41), nullptr);
    EXPECT_EQ(hotkeys.find(MOD_CONTROL, 0x41)->id, ClipIdToHotkeyId(older));
    EXPECT_EQ(hotkeyColumnOf(older), QStringLiteral("Ctrl+A"));

    // With the minimize/restore hotkey off, a clip may have its combination.
    frmSettings->chUseHotkeyToMinimizeAndRestoreProgram->setChecked(false);
    const qint64 z = addText(QStringLiteral("z"));
    dm.SetClipHotkey(z, MOD_CONTROL | MOD_SHIFT, 0x5A, QStringLiteral("Shift+Ctrl+Z"));
    frmMain->RefreshClipList();
    ASSERT_NE(hotkeys.find(MOD_CONTROL | MOD_SHIFT, 0x5A), nullptr);
    EXPECT_EQ(hotkeys.find(MOD_CONTROL | MOD_SHIFT, 0x5A)->id, ClipIdToHotkeyId(z));
}

TEST_F(PasteAndHotkeys, TheSetClipHotkeyDialogsOutcomes)
{
    const qint64 clip = addText(QStringLiteral("the clip"));
    struct Case {
        const char *name;
        quint16 entered; // what the user presses; 0: clears the field
        QPushButton *TClipHotkeyDialog::*button;
        const char *warning; // nullptr: none
        QString text;        // the hotkey afterwards; empty: none
    };
    const QList<Case> cases = {
        {"a valid combination", quint16(scCtrl | scAlt | VK_K), &TClipHotkeyDialog::btnOK, nullptr,
         QStringLiteral("Ctrl+Alt+K")},
        {"empty", 0, &TClipHotkeyDialog::btnOK, "Please choose a valid hotkey or press Remove.",
         QStringLiteral("Ctrl+Alt+K")},
        {"no modifier", 0x41, &TClipHotkeyDialog::btnOK, "Please choose a valid hotkey with modifier keys.",
         QStringLiteral("Ctrl+Alt+K")},
        {"cancel", quint16(scShift | 0x41), &TClipHotkeyDialog::btnCancel, nullptr, QStringLiteral("Ctrl+Alt+K")},
        {"remove", quint16(scShift | 0x41), &TClipHotkeyDialog::btnRemove, nullptr, QString()},
        {"Shift+Alt+F5", quint16(scShift | scAlt | 0x74), &TClipHotkeyDialog::btnOK, nullptr,
         QStringLiteral("Shift+Alt+F5")},
        // Taken by paste-newest: the refresh after the save clears it.
        {"Ctrl with the grave-accent key", quint16(scCtrl | VK_OEM_3), &TClipHotkeyDialog::btnOK, nullptr, QString()},
    };
    frmMain->RefreshClipList();
    userSelect(0);
    quint16 shownAtOpen = 0;
    QString lastText;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const int boxes = okToEverything.texts.size();
        withDialog([&] { frmMain->btnSetHotkey->click(); },
                   [&](TClipHotkeyDialog *d) {
                       shownAtOpen = d->edtHotkey->HotKey();
                       EXPECT_TRUE(d->edtHotkey->hasFocus());
                       EXPECT_GE(d->width(), 430);
                       EXPECT_EQ(d->minimumSize(), d->size());
                       EXPECT_EQ(d->btnRemove->geometry().right() + 1, d->width() - 12);
                       d->edtHotkey->SetHotKey(c.entered);
                       (d->*c.button)->click();
                   });
        testsupport::drainEvents();
        // The dialog opens with the clip's stored hotkey.
        EXPECT_EQ(ShortcutToText(shownAtOpen), lastText);
        const QStringList boxesShown = okToEverything.texts.mid(boxes);
        EXPECT_EQ(boxesShown, c.warning ? QStringList{QString::fromLatin1(c.warning)} : QStringList());
        EXPECT_EQ(hotkeyColumnOf(clip), c.text);
        EXPECT_EQ(frmMain->SelectedClipId(), clip);
        EXPECT_EQ(hotkeys.find(MOD_CONTROL | MOD_ALT, VK_K) != nullptr, c.text == QStringLiteral("Ctrl+Alt+K"));
        lastText = c.text;
    }
}

TEST_F(PasteAndHotkeys, TheMinimizeRestoreHotkeyAndItsWarning)
{
    // Ctrl+Shift+Z by default: it minimises, and pressed again restores.
    ASSERT_TRUE(hotkeys.press(MOD_CONTROL | MOD_SHIFT, 0x5A));
    ASSERT_TRUE(testsupport::waitUntil([&] { return frmMain->isMinimized(); }));
    frmMain->lvItems->setFocus();
    ASSERT_TRUE(hotkeys.press(MOD_CONTROL | MOD_SHIFT, 0x5A));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !frmMain->isMinimized(); }));
    EXPECT_TRUE(desktop.actions().contains(QStringLiteral("front %1").arg(mainWindow())));
    EXPECT_EQ(frmMain->focusWidget(), frmMain->edtFilter);

    // Another program holds the combination when the program starts.
    stop();
    hotkeys.setTakenByOtherProgram(MOD_CONTROL | MOD_SHIFT, 0x5A);
    const QString warning = QStringLiteral(
        "Unable to register the minimize/restore hotkey because it is already used by another application.");
    start();
    EXPECT_EQ(okToEverything.texts.count(warning), 1);
    // Every new clip rebuilds the list and registers again: no more boxes.
    for (int i = 0; i < 3; ++i)
        copy(QStringLiteral("clip %1").arg(i));
    EXPECT_EQ(okToEverything.texts.count(warning), 1);
    // The user applies the settings: told once more.
    frmMain->ApplySettingsFromSettingsForm();
    EXPECT_EQ(okToEverything.texts.count(warning), 2);
    // A changed combination that is also taken is told at once.
    hotkeys.setTakenByOtherProgram(MOD_CONTROL | MOD_ALT, 0x5A);
    frmSettings->HotKeyToMinimizeAndRestore->SetHotKey(quint16(scCtrl | scAlt | 0x5A));
    copy(QStringLiteral("after the change"));
    EXPECT_EQ(okToEverything.texts.count(warning), 3);
    // Released, registered, then taken again: told again.
    hotkeys.setTakenByOtherProgram(MOD_CONTROL | MOD_ALT, 0x5A, false);
    copy(QStringLiteral("registered"));
    ASSERT_NE(hotkeys.find(MOD_CONTROL | MOD_ALT, 0x5A), nullptr);
    hotkeys.setTakenByOtherProgram(MOD_CONTROL | MOD_ALT, 0x5A);
    copy(QStringLiteral("taken again"));
    EXPECT_EQ(okToEverything.texts.count(warning), 4);
    EXPECT_EQ(hotkeys.find(MOD_CONTROL | MOD_ALT, 0x5A), nullptr);
    // Paste-newest was registered all along.
    EXPECT_NE(hotkeys.find(MOD_CONTROL, VK_OEM_3), nullptr);
}

} // namespace
