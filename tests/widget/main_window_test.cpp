// The main window and the settings dialog on the offscreen platform, over
// the simulated clipboard and value store.

#include "platform/ini_file.h"
#include "platform/simulated/simulated_clipboard.h"
#include "platform/simulated/simulated_desktop.h"
#include "platform/simulated/simulated_hotkeys.h"
#include "platform/simulated/simulated_value_store.h"
#include "platform/dropfiles.h"
#include "main_window_fixture.h"
#include "test_support.h"
#include "uClipListModel.h"
#include "uClipWatcher.h"
#include "uData.h"
#include "uHotkeyEdit.h"
#include "uMain.h"
#include "uSettings.h"
#include "uUtils.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <memory>

using namespace platform;
using testsupport::utf16z;

namespace {

using MainWindow = MainWindowFixture;

TEST_F(MainWindow, ArrivalStoresAndTrimsToTheKeepCount)
{
    struct Case {
        const char *keep;
        int copies;
        int expectedRows;
    };
    // 3 pinned clips are stored first in each case.
    const QList<Case> cases = {{"20", 21, 23}, {" 5 ", 8, 8}, {"abc", 8, 11}, {"0", 8, 11}, {"-5", 8, 11}};
    int serial = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keep);
        dm.ClearAllItems();
        for (int i = 0; i < 3; ++i)
            dm.AddText(QStringLiteral("pinned %1").arg(i), QString(), true);
        frmSettings->chAutomaticallyRemoveOldClips->setChecked(true);
        frmSettings->edtKeepOnlyLast_Clips->setText(QString::fromLatin1(c.keep));
        for (int i = 0; i < c.copies; ++i)
            copy(QStringLiteral("clip %1").arg(serial++));
        EXPECT_EQ(count(), c.expectedRows);
        EXPECT_EQ(count(QStringLiteral("WHERE pinned=1")), 3);
        EXPECT_EQ(frmMain->ListModel()->rowCount(), c.expectedRows);
    }
}

TEST_F(MainWindow, FilterMatchesTextsAndMarkup)
{
    dm.AddText(QStringLiteral("xabcx"), QString(), false);
    dm.AddClip(2, QStringLiteral("visible words"), QStringLiteral("<span>visible words</span>"), "raw", {}, {}, {}, {},
               {}, {}, false);
    dm.AddText(QStringLiteral("other"), QString(), false);
    frmMain->RefreshClipList();
    struct Case {
        const char *filter;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"ABC", {"xabcx"}},
        {"   ", {"other", "visible words", "xabcx"}},
        {"span", {"visible words"}},
        {"nothing", {}},
    };
    for (const Case &c : cases) {
        frmMain->edtFilter->setText(QString::fromLatin1(c.filter));
        EXPECT_EQ(rows(), c.expected) << c.filter;
    }
}

TEST_F(MainWindow, OnlyTheUsersSelectionWritesTheClipboardAndTheTipShowsOnce)
{
    testsupport::MessageBoxAnswerer &answerer = okToEverything;
    copy(QStringLiteral("first"));
    copy(QStringLiteral("second"));
    // Rebuilds selected a row without writing: the clipboard holds what the other program put there.
    EXPECT_EQ(frmMain->SelectedClipId(), dm.NewestClipId() - 1);
    const int changes = cb.changeCount();
    frmMain->RefreshClipList();
    EXPECT_EQ(cb.changeCount(), changes);

    // Clicking the row that is already selected changes nothing.
    userSelect(1);
    EXPECT_EQ(cb.changeCount(), changes);
    userSelect(0);
    EXPECT_EQ(clipboardText(), QStringLiteral("second"));
    EXPECT_EQ(cb.contentOwner(), frmMain.get());
    userSelect(1);
    EXPECT_EQ(clipboardText(), QStringLiteral("first"));
    EXPECT_EQ(answerer.texts.size(), 1);
    EXPECT_TRUE(answerer.texts.value(0).startsWith(QStringLiteral("Tip:")));
    // The program's own writes made no new clips.
    EXPECT_EQ(count(), 2);

    // A filter that hides the selection leaves none; clearing it selects the first row without writing.
    frmMain->edtFilter->setText(QStringLiteral("first"));
    frmMain->edtFilter->setText(QStringLiteral("zzz"));
    EXPECT_EQ(frmMain->SelectedClipId(), 0);
    const int before = cb.changeCount();
    frmMain->edtFilter->clear();
    EXPECT_EQ(frmMain->SelectedClipId(), frmMain->ListModel()->Row(0).Id);
    EXPECT_EQ(cb.changeCount(), before);
}

TEST_F(MainWindow, CommandButtonsFollowTheSelectionAndItsPlace)
{
    for (const char *t : {"c", "b", "a"})
        dm.AddText(QString::fromLatin1(t), QString(), false);
    frmMain->RefreshClipList();
    struct Case {
        int row;
        bool up, down;
    };
    for (const Case &c : {Case{0, false, true}, Case{1, true, true}, Case{2, true, false}}) {
        frmMain->SelectClipById(frmMain->ListModel()->Row(c.row).Id);
        EXPECT_EQ(frmMain->btnMoveUp->isEnabled(), c.up) << c.row;
        EXPECT_EQ(frmMain->btnMoveDown->isEnabled(), c.down) << c.row;
        EXPECT_TRUE(frmMain->btnDelete->isEnabled());
    }
    frmMain->edtFilter->setText(QStringLiteral("b"));
    EXPECT_FALSE(frmMain->btnMoveUp->isEnabled());
    EXPECT_FALSE(frmMain->btnMoveDown->isEnabled());
}

TEST_F(MainWindow, PinMoveDeleteAndClearAll)
{
    for (const char *t : {"c", "b", "a"})
        dm.AddText(QString::fromLatin1(t), QString(), false);
    frmMain->RefreshClipList();
    const qint64 c = frmMain->ListModel()->Row(2).Id;
    frmMain->SelectClipById(c);
    frmMain->btnPin->click();
    EXPECT_EQ(rows(), (QStringList{"\U0001F4CC c", "a", "b"}));
    EXPECT_EQ(frmMain->SelectedClipId(), c);
    frmMain->btnPin->click();
    EXPECT_EQ(rows(), (QStringList{"a", "b", "c"}));

    frmMain->SelectClipById(frmMain->ListModel()->Row(1).Id);
    frmMain->btnMoveUp->click();
    EXPECT_EQ(rows(), (QStringList{"b", "a", "c"}));
    EXPECT_EQ(frmMain->ListModel()->Row(0).Caption, QStringLiteral("b"));
    EXPECT_EQ(frmMain->SelectedClipId(), frmMain->ListModel()->Row(0).Id);
    frmMain->btnMoveDown->click();
    EXPECT_EQ(rows(), (QStringList{"a", "b", "c"}));

    frmMain->btnDelete->click();
    EXPECT_EQ(rows(), (QStringList{"a", "c"}));
    EXPECT_EQ(frmMain->SelectedClipId(), 0);

    dm.PinItem(frmMain->ListModel()->Row(0).Id, true);
    okToEverything.setButton(QMessageBox::Cancel);
    frmMain->btnClearAll->click();
    EXPECT_EQ(count(), 2);
    okToEverything.setButton(QMessageBox::Ok);
    frmMain->btnClearAll->click();
    EXPECT_EQ(count(), 0);
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(MainWindow, RestoreChoosesItsFormats)
{
    const FormatId png = cb.registerFormat(QStringLiteral("PNG"));
    const FormatId html = cb.registerFormat(QStringLiteral("HTML Format"));
    dm.AddClip(5, QStringLiteral("/tmp/a.txt"), {}, {}, {}, {}, QStringLiteral("  /tmp/a.txt \r\n\r\n /tmp/b c.txt\r\n"),
               {}, {}, {}, false);
    const qint64 files = dm.NewestClipId();
    dm.AddClip(2, QStringLiteral("words"), QStringLiteral("<b>words</b>"), "Version:0.9\r\n<b>words</b>", {}, {}, {}, {},
               {}, {}, false);
    const qint64 web = dm.NewestClipId();
    const QByteArray pngBytes = testsupport::encodeImage(testsupport::gradientImage(2, 2), "PNG");
    dm.AddClip(3, {}, {}, {}, {}, {}, {}, pngBytes, pngBytes, QStringLiteral("PNG"), false);
    const qint64 image = dm.NewestClipId();

    struct Case {
        const char *name;
        qint64 id;
        bool plainText;
        QList<FormatId> formats;
    };
    const QList<Case> cases = {
        {"files only", files, true, {CF_HDROP}},
        {"plain text on", web, true, {CF_UNICODETEXT}},
        {"plain text off", web, false, {CF_UNICODETEXT, html}},
        {"image with plain text on", image, true, {png, CF_BITMAP}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        frmSettings->chPasteAsPlainText->setChecked(c.plainText);
        ASSERT_TRUE(frmMain->CopyClipToClipboard(c.id));
        EXPECT_EQ(cb.formatsInOrder(), c.formats);
    }
    ASSERT_TRUE(frmMain->CopyClipToClipboard(files));
    EXPECT_EQ(parseDropFiles(cb.storedBytes(CF_HDROP)), (QStringList{"/tmp/a.txt", "/tmp/b c.txt"}));

    // Id 0 and a missing id: false, nothing touched.
    const int changes = cb.changeCount();
    EXPECT_FALSE(frmMain->CopyClipToClipboard(0));
    EXPECT_FALSE(frmMain->CopyClipToClipboard(987654));
    testsupport::drainEvents();
    EXPECT_EQ(cb.changeCount(), changes);
}

TEST_F(MainWindow, AClipboardThatCannotBeOpenedLosesNoLaterCopy)
{
    dm.AddText(QStringLiteral("stored"), QString(), false);
    cb.setHeldOpenByOtherProgram(true);
    EXPECT_FALSE(frmMain->CopyClipToClipboard(dm.NewestClipId()));
    cb.setHeldOpenByOtherProgram(false);
    copy(QStringLiteral("copied elsewhere"));
    EXPECT_EQ(count(QStringLiteral("WHERE text='copied elsewhere'")), 1);
}

TEST_F(MainWindow, WindowStateBetweenRuns)
{
    // No file: centred at the designed size.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(frmMain->size(), QSize(443, 576));
    EXPECT_NEAR(frmMain->x(), screen.width() / 2 - 443 / 2, 1);
    EXPECT_EQ(frmMain->lvItems->columnWidth(1), 110);

    frmMain->move(-1500, 40);
    frmMain->resize(600, 500);
    stop();
    {
        IniFile ini(AppDataDir() + QStringLiteral("/settings.ini"));
        EXPECT_EQ(ini.readInteger(QStringLiteral("form"), QStringLiteral("left"), 0), -1500);
        EXPECT_EQ(ini.readInteger(QStringLiteral("form"), QStringLiteral("width"), 0), 600);
        EXPECT_EQ(ini.readInteger(QStringLiteral("form"), QStringLiteral("hotkeycolumnwidth"), 0), 110);
        EXPECT_FALSE(ini.readBool(QStringLiteral("ui"), QStringLiteral("SelectionCopyHintShown"), true));
    }
    start();
    EXPECT_EQ(frmMain->pos(), QPoint(-1500, 40)); // applied unchanged
    EXPECT_EQ(frmMain->size(), QSize(600, 500));
}

TEST_F(MainWindow, ASettingsFileWithOnlyItsOwnSectionFitsTheColumns)
{
    stop();
    QFile f(AppDataDir() + QStringLiteral("/settings.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[settings]\r\nClipboardMonitoring=1\r\n");
    f.close();
    start();
    const int scrollBar = frmMain->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, frmMain->lvItems);
    const int client = frmMain->lvItems->viewport()->width();
    EXPECT_EQ(frmMain->lvItems->columnWidth(0), qMax(80, client - 110 - scrollBar - 8));
    // Narrow: the title column keeps its minimum.
    frmMain->resize(150, 400);
    testsupport::drainEvents();
    EXPECT_EQ(frmMain->lvItems->columnWidth(0),
              qMax(80, frmMain->lvItems->viewport()->width() - frmMain->lvItems->columnWidth(1) - scrollBar - 8));
}

TEST_F(MainWindow, SettingsLoadAndSave)
{
    struct Case {
        const char *lines;
        bool monitoring;
        const char *keepShown;
        quint16 hotkey;
        const char *keepSaved;
    };
    const QList<Case> cases = {
        {"KeepOnlyLastClips=\" 15 \"\r\nHotKeyToMinimizeAndRestore=0x605A\r\n", true, " 15 ", 0x605A, "15"},
        {"KeepOnlyLastClips=abc\r\nHotKeyToMinimizeAndRestore=0\r\nClipboardMonitoring=2\r\n", true, "20", 0x605A, "20"},
        {"KeepOnlyLastClips=0\r\nHotKeyToMinimizeAndRestore=65536\r\nClipboardMonitoring=yes\r\n", true, "20", 0x605A, "20"},
        {"KeepOnlyLastClips=-3\r\nHotKeyToMinimizeAndRestore=16449\r\nClipboardMonitoring=0\r\n", false, "20", 0x4041, "20"},
    };
    const QString file = AppDataDir() + QStringLiteral("/settings.ini");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lines);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("[other]\r\nkeep=me\r\n[settings]\r\n") + c.lines);
        f.close();
        frmSettings->LoadSettings();
        EXPECT_EQ(frmSettings->chClipboardMonitoring->isChecked(), c.monitoring);
        EXPECT_EQ(frmSettings->edtKeepOnlyLast_Clips->text(), QString::fromLatin1(c.keepShown));
        EXPECT_EQ(frmSettings->HotKeyToMinimizeAndRestore->HotKey(), c.hotkey);
        frmSettings->btnCloseClick();
        IniFile ini(file);
        EXPECT_EQ(ini.readString(QStringLiteral("settings"), QStringLiteral("KeepOnlyLastClips"), QString()),
                  QString::fromLatin1(c.keepSaved));
        EXPECT_EQ(ini.readString(QStringLiteral("other"), QStringLiteral("keep"), QString()), QStringLiteral("me"));
    }

    // Defaults, and Close writing all eight keys with the default hotkey as 24666.
    QFile::remove(file);
    frmSettings->LoadSettings();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(frmSettings->chUseHotkeyToMinimizeAndRestoreProgram->isChecked());
    EXPECT_FALSE(frmSettings->chPasteAsPlainText->isChecked());
    frmSettings->btnCloseClick();
    IniFile ini(file);
    EXPECT_EQ(ini.readString(QStringLiteral("settings"), QStringLiteral("HotKeyToMinimizeAndRestore"), QString()),
              QStringLiteral("24666"));
    for (const char *key : {"ClipboardMonitoring", "PasteAsPlainText", "UseDoubleClickToPaste", "UseEnterKeyToPaste",
                            "UseHotkeyToMinimizeAndRestoreProgram", "AutomaticallyRemoveOldClips", "KeepOnlyLastClips"})
        EXPECT_TRUE(ini.keyExists(QStringLiteral("settings"), QString::fromLatin1(key))) << key;

    // Closing with the close box saves nothing and keeps recording on.
    frmSettings->chClipboardMonitoring->setChecked(false);
    frmSettings->reject();
    EXPECT_TRUE(frmMain->FWatcher->IsWatching());
    frmSettings->LoadSettings();
    EXPECT_TRUE(frmSettings->chClipboardMonitoring->isChecked());
}

// What a rebuild from scratch shows: every row of the display-order query,
// captioned as the list captions rows.
QStringList fullRebuild(TdmData &dm)
{
    QStringList out;
    for (auto q = dm.QueryItems(QString()); !q->eof(); q->next())
        out.append(ClipCaption(q->field("pinned").asInt64(), q->field("title").asText(), qint32(q->field("kind").asInt64()),
                               q->field("text").asText(), q->field("html").asText(), q->field("rtf").asText(),
                               q->field("files").asText())
                   + QLatin1Char('|') + q->field("hotkey_text").asText());
    return out;
}

TEST_F(MainWindow, TheListAlwaysShowsWhatAFullRebuildWould)
{
    auto shownWithHotkeys = [&] {
        QStringList out;
        for (int i = 0; i < frmMain->ListModel()->rowCount(); ++i)
            out.append(frmMain->ListModel()->Row(i).Caption + QLatin1Char('|') + frmMain->ListModel()->Row(i).HotkeyText);
        return out;
    };
    const QString db = dm.DefaultDBPath();
    auto otherProcess = [&](const QString &sql) {
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {db, sql});
        ASSERT_TRUE(p.waitForFinished(10000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    };
    frmSettings->chAutomaticallyRemoveOldClips->setChecked(true);
    frmSettings->edtKeepOnlyLast_Clips->setText(QStringLiteral("6"));
    const QList<std::pair<const char *, std::function<void()>>> steps = {
        {"copies", [&] { for (int i = 0; i < 8; ++i) copy(QStringLiteral("clip %1").arg(i)); }},
        {"pin", [&] { dm.PinItem(dm.NewestClipId(), true); }},
        {"move", [&] { dm.MoveItemDown(frmMain->ListModel()->Row(1).Id); }},
        {"rename", [&] { dm.RenameClip(frmMain->ListModel()->Row(2).Id, QStringLiteral("  Named ")); }},
        {"hotkey", [&] { dm.SetClipHotkey(frmMain->ListModel()->Row(3).Id, 2, 0x4B, QStringLiteral("Ctrl+K")); }},
        {"delete", [&] { dm.DeleteItem(frmMain->ListModel()->Row(4).Id); }},
        {"another process inserts",
         [&] { otherProcess(QStringLiteral("INSERT INTO items(kind, text, created_at, pinned, sort_index) "
                                           "VALUES(1, 'from outside', '2030-01-01T00:00:00', 0, -50)")); }},
        {"another process edits", [&] { otherProcess(QStringLiteral("UPDATE items SET title='outside title' WHERE text='clip 5'")); }},
        {"a statement on the connection", [&] { dm.FDConnection.exec(QStringLiteral("UPDATE items SET sort_index=7 WHERE text='clip 6'")); }},
        {"ties in sort_index", [&] { dm.FDConnection.exec(QStringLiteral("UPDATE items SET sort_index=1")); }},
        {"more copies after that", [&] { for (int i = 8; i < 11; ++i) copy(QStringLiteral("clip %1").arg(i)); }},
        {"clear", [&] { dm.ClearAllItems(); }},
    };
    for (const auto &[name, step] : steps) {
        SCOPED_TRACE(name);
        step();
        frmMain->RefreshClipList();
        EXPECT_EQ(shownWithHotkeys(), fullRebuild(dm));
    }
}

TEST_F(MainWindow, BadFilesAtStartUpAreReportedAndLoseNothing)
{
    stop();
    const QString dir = AppDataDir();
    QByteArray noise(8192, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    for (const char *name : {"Default Category.db", "settings.ini"}) {
        QFile f(dir + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(noise);
    }
    okToEverything.texts.clear();
    start();
    ASSERT_EQ(okToEverything.texts.size(), 1);
    EXPECT_EQ(okToEverything.texts.first(), QStringLiteral("file is not a database"));
    EXPECT_TRUE(frmMain->isVisible());
    QFile db(dir + QStringLiteral("/Default Category.db"));
    ASSERT_TRUE(db.open(QIODevice::ReadOnly));
    EXPECT_EQ(db.readAll(), noise);

    // A huge text arrives whole, and the list stays usable.
    stop();
    QFile::remove(dir + QStringLiteral("/Default Category.db"));
    start();
    copy(QString(50 * 1024 * 1024, QLatin1Char('h')));
    ASSERT_EQ(count(), 1);
    TSqliteQuery q(dm.FDConnection, QStringLiteral("SELECT length(text) FROM items"));
    q.open();
    EXPECT_EQ(q.field(0).asInt64(), 50 * 1024 * 1024);
    EXPECT_EQ(rows(), QStringList{QString(200, QLatin1Char('h'))});
}

} // namespace
