#include "store_fixture.h"

#include <QLocale>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>

namespace {

const QStringList allColumns = {"id", "kind", "text", "html", "html_raw", "image", "image_raw", "image_raw_format",
                                "created_at", "pinned", "rtf", "rtf_raw", "files", "title", "sort_index",
                                "hotkey_mods", "hotkey_vk", "hotkey_text"};

TEST_F(StoreTest, NewFileGetsEveryColumnInOrderAndBothIndexes)
{
    EXPECT_EQ(texts(QStringLiteral("SELECT name FROM pragma_table_info('items') ORDER BY cid")), allColumns);
    EXPECT_EQ(texts(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' AND tbl_name='items' ORDER BY name")),
              (QStringList{"idx_items_created", "idx_items_sort"}));
    const QStringList schema = texts(QStringLiteral("SELECT sql FROM sqlite_master ORDER BY name"));
    reopen();
    EXPECT_EQ(texts(QStringLiteral("SELECT sql FROM sqlite_master ORDER BY name")), schema);
    EXPECT_TRUE(dm.ColumnExists(QStringLiteral("items"), QStringLiteral("HOTKEY_TEXT")));
    EXPECT_FALSE(dm.ColumnExists(QStringLiteral("items"), QStringLiteral("nothing")));
}

TEST(StoreMigration, FilesOfEarlierVersionsGainTheMissingColumnsAndKeepTheirRows)
{
    struct Case {
        const char *name;
        const char *create;
        QStringList expected;
    };
    const QString firstTen = QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT, kind INTEGER NOT NULL, text TEXT, html TEXT, "
                                            "html_raw BLOB, image BLOB, image_raw BLOB, image_raw_format TEXT, "
                                            "created_at TEXT NOT NULL, pinned INTEGER NOT NULL DEFAULT 0");
    const QList<Case> cases = {
        {"only the first ten columns", nullptr, allColumns},
        {"without html_raw, image_raw, image_raw_format",
         "CREATE TABLE items (id INTEGER PRIMARY KEY AUTOINCREMENT, kind INTEGER NOT NULL, text TEXT, html TEXT, "
         "image BLOB, created_at TEXT NOT NULL, pinned INTEGER NOT NULL DEFAULT 0)",
         {"id", "kind", "text", "html", "image", "created_at", "pinned", "rtf", "html_raw", "rtf_raw", "files",
          "image_raw", "image_raw_format", "title", "sort_index", "hotkey_mods", "hotkey_vk", "hotkey_text"}},
        {"a column written Title",
         "CREATE TABLE items (id INTEGER PRIMARY KEY AUTOINCREMENT, kind INTEGER NOT NULL, text TEXT, html TEXT, "
         "html_raw BLOB, image BLOB, image_raw BLOB, image_raw_format TEXT, created_at TEXT NOT NULL, "
         "pinned INTEGER NOT NULL DEFAULT 0, Title TEXT, rtf TEXT)",
         {"id", "kind", "text", "html", "html_raw", "image", "image_raw", "image_raw_format", "created_at", "pinned",
          "Title", "rtf", "rtf_raw", "files", "sort_index", "hotkey_mods", "hotkey_vk", "hotkey_text"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.db"));
        {
            TSqliteConnection old;
            old.open(path);
            old.exec(c.create ? QString::fromLatin1(c.create) : QStringLiteral("CREATE TABLE items (") + firstTen + QStringLiteral(")"));
            // Newest first within each group; two clips of the same second.
            old.exec(QStringLiteral(
                "INSERT INTO items(kind, text, created_at, pinned) VALUES"
                "(1, 'oldest', '2024-03-07T09:00:00', 0), (1, 'pinned', '2024-03-07T08:00:00', 1),"
                "(1, 'tie low id', '2024-03-07T10:00:00', 0), (1, 'tie high id', '2024-03-07T10:00:00', 0)"));
        }
        TdmData dm;
        dm.ConnectDatabase(path);
        dm.InitDatabase();
        TSqliteQuery cols(dm.FDConnection, QStringLiteral("SELECT name FROM pragma_table_info('items') ORDER BY cid"));
        QStringList names;
        for (cols.open(); !cols.eof(); cols.next())
            names.append(cols.field(0).asText());
        EXPECT_EQ(names, c.expected);

        QStringList order;
        TSqliteQuery rows(dm.FDConnection, QStringLiteral("SELECT text || ':' || sort_index FROM items ORDER BY sort_index"));
        for (rows.open(); !rows.eof(); rows.next())
            order.append(rows.field(0).asText());
        EXPECT_EQ(order, (QStringList{"pinned:1", "tie high id:2", "tie low id:3", "oldest:4"}));
    }
}

TEST_F(StoreTest, NewClipsGoToTheTopOfTheirGroup)
{
    for (const char *t : {"first", "second", "third"})
        dm.AddText(QString::fromLatin1(t), QString(), false);
    EXPECT_EQ(texts(QStringLiteral("SELECT sort_index FROM items ORDER BY id")), (QStringList{"1", "0", "-1"}));
    dm.AddText(QStringLiteral("pinned"), QString(), true);
    EXPECT_EQ(scalar(QStringLiteral("SELECT sort_index FROM items WHERE text='pinned'")), 1);

    // Same second: the 0 is renumbered at the next open and ties with "first";
    // the newer of the two still shows above the older.
    dm.FDConnection.exec(QStringLiteral("UPDATE items SET created_at='2024-01-01T00:00:00'"));
    reopen();
    EXPECT_EQ(scalar(QStringLiteral("SELECT sort_index FROM items WHERE text='second'")), 1);
    EXPECT_EQ(shown(), (QStringList{"pinned", "third", "second", "first"}));
}

TEST_F(StoreTest, MovesStayWithinTheirGroup)
{
    const qint64 p1 = insertAt(QStringLiteral("p1"), true, QStringLiteral("2024-01-01T00:00:00"), 1);
    const qint64 p2 = insertAt(QStringLiteral("p2"), true, QStringLiteral("2024-01-01T00:00:00"), 2);
    const qint64 a = insertAt(QStringLiteral("a"), false, QStringLiteral("2024-01-01T00:00:03"), 1);
    const qint64 b = insertAt(QStringLiteral("b"), false, QStringLiteral("2024-01-01T00:00:02"), 1);
    const qint64 c = insertAt(QStringLiteral("c"), false, QStringLiteral("2024-01-01T00:00:01"), 2);
    ASSERT_EQ(shown(), (QStringList{"p1", "p2", "a", "b", "c"}));

    // The tops and bottoms of both groups do not move.
    const QStringList before = texts(QStringLiteral("SELECT text || sort_index FROM items ORDER BY id"));
    dm.MoveItemUp(p1);
    dm.MoveItemDown(p2);
    dm.MoveItemUp(a); // a pinned clip above does not count
    dm.MoveItemUp(b); // its only smaller neighbour ties: no move
    dm.MoveItemDown(c);
    dm.MoveItemUp(424242);
    EXPECT_EQ(texts(QStringLiteral("SELECT text || sort_index FROM items ORDER BY id")), before);

    // 1, 1, 2: moving up the 2 swaps it with the first 1 the query returns.
    dm.MoveItemUp(c);
    EXPECT_EQ(scalar(QStringLiteral("SELECT sort_index FROM items WHERE id=%1").arg(c)), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM items WHERE pinned=0 AND sort_index=2")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM items WHERE pinned=0 AND sort_index=1")), 2);

    dm.MoveItemDown(p1);
    EXPECT_EQ(shown().mid(0, 2), (QStringList{"p2", "p1"}));
    dm.PinItem(a, true);
    EXPECT_EQ(scalar(QStringLiteral("SELECT pinned FROM items WHERE id=%1").arg(a)), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT sort_index FROM items WHERE id=%1").arg(a)), 1);
}

TEST_F(StoreTest, RetentionRemovesTheOldestUnpinnedOnly)
{
    struct Case {
        int unpinned, pinned, keep, remaining;
    };
    const QList<Case> cases = {{25, 4, 20, 24}, {25, 4, 0, 29}, {25, 4, -5, 29}, {20, 0, 20, 20}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keep);
        dm.ClearAllItems();
        for (int i = 0; i < c.unpinned; ++i)
            insertAt(QStringLiteral("u%1").arg(i), false, QStringLiteral("2024-01-01T00:%1:00").arg(i, 2, 10, QLatin1Char('0')), -i);
        for (int i = 0; i < c.pinned; ++i)
            insertAt(QStringLiteral("p%1").arg(i), true, QStringLiteral("2023-01-01T00:00:00"), -i);
        // The oldest clip was moved to the top: it keeps its age and still goes.
        dm.FDConnection.exec(QStringLiteral("UPDATE items SET sort_index=-100 WHERE text='u0'"));
        dm.RemoveOldUnpinnedClipsKeepLast(c.keep);
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM items")), c.remaining);
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM items WHERE pinned=1")), c.pinned);
        if (c.keep == 20 && c.unpinned == 25) {
            EXPECT_EQ(texts(QStringLiteral("SELECT text FROM items WHERE pinned=0 ORDER BY created_at LIMIT 1")),
                      QStringList{"u5"});
        }
    }
}

TEST_F(StoreTest, EditsFollowTheirRules)
{
    dm.AddText(QStringLiteral("a"), QString(), true);
    dm.AddText(QStringLiteral("b"), QString(), false);
    const qint64 last = dm.NewestClipId();
    EXPECT_EQ(last, scalar(QStringLiteral("SELECT MAX(id) FROM items")));
    dm.ClearAllItems();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM items")), 0);
    EXPECT_EQ(dm.NewestClipId(), 0);
    dm.AddNewEmptyTextClip();
    const qint64 id = dm.NewestClipId();
    EXPECT_GT(id, last); // ids are never reused
    EXPECT_EQ(texts(QStringLiteral("SELECT text FROM items")), QStringList{" "});

    struct Hotkey {
        qint32 mods, vk;
        QString text;
        QStringList stored;
    };
    const QList<Hotkey> hotkeys = {
        {2, 0x4B, QStringLiteral("  Ctrl+K  "), {"2", "75", "Ctrl+K"}},
        {2, 0, QStringLiteral("Ctrl+"), {"<NULL>", "<NULL>", "<NULL>"}},
        {0, 0x4B, QStringLiteral("K"), {"<NULL>", "<NULL>", "<NULL>"}},
    };
    for (const Hotkey &h : hotkeys) {
        dm.SetClipHotkey(id, 2, 0x41, QStringLiteral("Ctrl+A"));
        dm.SetClipHotkey(id, h.mods, h.vk, h.text);
        QStringList stored;
        for (const char *col : {"hotkey_mods", "hotkey_vk", "hotkey_text"})
            stored += texts(QStringLiteral("SELECT %1 FROM items WHERE id=%2").arg(QLatin1String(col)).arg(id));
        EXPECT_EQ(stored, h.stored) << h.text.toStdString();
    }

    dm.RenameClip(id, QStringLiteral("   "));
    EXPECT_EQ(texts(QStringLiteral("SELECT title FROM items")), QStringList{""});
    dm.RenameClip(id, QStringLiteral("  Report  "));
    EXPECT_EQ(texts(QStringLiteral("SELECT title FROM items")), QStringList{"Report"});
}

TEST_F(StoreTest, FilterUsesLikeWithItsWildcards)
{
    dm.AddText(QStringLiteral("a1c"), QString(), false);
    dm.AddText(QStringLiteral("ABC"), QString(), true);
    dm.AddText(QStringLiteral("100% sure"), QString(), false);
    dm.AddClip(2, QStringLiteral("visible"), QStringLiteral("<span>x</span>"), "raw", {}, {}, {}, {}, {}, {}, false);
    auto filtered = [&](const QString &f) {
        QStringList out;
        for (auto q = dm.QueryItems(f); !q->eof(); q->next())
            out.append(q->field("text").asText());
        return out;
    };
    EXPECT_EQ(filtered(QString()), (QStringList{"ABC", "visible", "100% sure", "a1c"}));
    EXPECT_EQ(filtered(QStringLiteral("a_c")), (QStringList{"ABC", "a1c"}));
    EXPECT_EQ(filtered(QStringLiteral("0%s")), QStringList{"100% sure"});
    EXPECT_EQ(filtered(QStringLiteral("span")), QStringList{"visible"});
    EXPECT_EQ(filtered(QStringLiteral(" abc")), QStringList{}); // not trimmed
}

TEST_F(StoreTest, InsertionWritesNullForMissingPayloadsAndAFixedTimeFormat)
{
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    dm.AddText(QStringLiteral("t"), QString(), false);
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(texts(QStringLiteral("SELECT typeof(html_raw) || typeof(image) || typeof(image_raw) || typeof(rtf_raw) || "
                                   "typeof(title) || typeof(html) FROM items")),
              QStringList{"nullnullnullnullnulltext"});
    const QString created = texts(QStringLiteral("SELECT created_at FROM items")).value(0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$")).match(created).hasMatch())
        << created.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT datetime(created_at) IS NOT NULL FROM items")), 1);

    dm.AddClip(3, {}, {}, {}, {}, {}, {}, "png!", "raw!", QStringLiteral("PNG"), false);
    auto q = dm.QueryItems(QString());
    EXPECT_EQ(q->field("image").asBytes(), QByteArray("png!"));
    EXPECT_EQ(q->field("image_raw_format").asText(), QStringLiteral("PNG"));
}

TEST_F(StoreTest, AnInsertionThatReturnedSurvivesAKill)
{
    QProcess child;
    child.start(QStringLiteral(STORE_INSERT_PEER), {path});
    ASSERT_TRUE(child.waitForStarted(5000));
    QList<qint64> returned;
    while (returned.size() < 25 && child.waitForReadyRead(10000)) {
        while (child.canReadLine())
            returned.append(child.readLine().trimmed().toLongLong());
    }
    ::kill(child.processId(), SIGKILL);
    child.waitForFinished(5000);
    ASSERT_GE(returned.size(), 25);

    TdmData other;
    other.ConnectDatabase(path);
    other.InitDatabase();
    for (qint64 id : returned) {
        TSqliteQuery q(other.FDConnection, QStringLiteral("SELECT COUNT(*) FROM items WHERE id=:id"));
        q.bindInt64(":id", id).open();
        EXPECT_EQ(q.field(0).asInt64(), 1) << id;
    }
}

TEST_F(StoreTest, DeletedClipsLeaveNoTraceInTheFiles)
{
    const QString marker = QStringLiteral("MARKER-7f3a9c-secret");
    auto traces = [&] {
        QByteArray all = fileBytes() + fileBytes(QStringLiteral("-wal")) + fileBytes(QStringLiteral("-journal"));
        return all.contains(marker.toUtf8())
            || all.contains(QByteArray(reinterpret_cast<const char *>(marker.utf16()), marker.size() * 2));
    };
    for (int i = 0; i < 30; ++i)
        dm.AddText(QStringLiteral("filler %1 ").arg(i) + QString(300, QLatin1Char('f')), QString(), false);
    dm.AddText(marker, QString(), false);
    ASSERT_TRUE(traces());
    dm.DeleteItem(dm.NewestClipId());
    EXPECT_FALSE(traces());

    // The retention deletion does not compact, yet leaves nothing readable.
    dm.FDConnection.exec(QStringLiteral("UPDATE items SET created_at='2030-01-01T00:00:00'"));
    dm.AddText(marker, QString(), false);
    dm.FDConnection.exec(QStringLiteral("UPDATE items SET created_at='2000-01-01T00:00:00' WHERE id=%1").arg(dm.FDConnection.lastInsertRowId()));
    ASSERT_TRUE(traces());
    dm.RemoveOldUnpinnedClipsKeepLast(30);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM items")), 30);
    EXPECT_FALSE(traces());
}

} // namespace
