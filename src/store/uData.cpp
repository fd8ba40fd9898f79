#include "uData.h"

#include "uUtils.h"

#include "uClipboardUtils.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

const char *const CreateItemsTable = "CREATE TABLE IF NOT EXISTS items (\n"
                                     " id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                                     " kind INTEGER NOT NULL,\n"
                                     " text TEXT,\n"
                                     " html TEXT,\n"
                                     " html_raw BLOB,\n"
                                     " image BLOB,\n"
                                     " image_raw BLOB,\n"
                                     " image_raw_format TEXT,\n"
                                     " created_at TEXT NOT NULL,\n"
                                     " pinned INTEGER NOT NULL DEFAULT 0\n"
                                     ");";

struct Migration {
    const char *column;
    const char *statement;
};

const Migration Migrations[] = {
    {"rtf", "ALTER TABLE items ADD COLUMN rtf TEXT"},
    {"html_raw", "ALTER TABLE items ADD COLUMN html_raw BLOB"},
    {"rtf_raw", "ALTER TABLE items ADD COLUMN rtf_raw BLOB"},
    {"files", "ALTER TABLE items ADD COLUMN files TEXT"},
    {"image_raw", "ALTER TABLE items ADD COLUMN image_raw BLOB"},
    {"image_raw_format", "ALTER TABLE items ADD COLUMN image_raw_format TEXT"},
    {"title", "ALTER TABLE items ADD COLUMN title TEXT"},
    {"sort_index", "ALTER TABLE items ADD COLUMN sort_index INTEGER"},
    {"hotkey_mods", "ALTER TABLE items ADD COLUMN hotkey_mods INTEGER"},
    {"hotkey_vk", "ALTER TABLE items ADD COLUMN hotkey_vk INTEGER"},
    {"hotkey_text", "ALTER TABLE items ADD COLUMN hotkey_text TEXT"},
};

const char *const DisplayOrder = " ORDER BY pinned DESC, sort_index ASC, datetime(created_at) DESC, id DESC";

// The settings of every connection. Write-ahead logging lets other
// processes read while the program writes, and a commit costs one sync;
// synchronous FULL makes every returned insertion durable also against a
// power cut; secure deletion zeroes what a deletion frees.
const char *const ConnectionSettings = "PRAGMA locking_mode=NORMAL;"
                                       "PRAGMA journal_mode=WAL;"
                                       "PRAGMA synchronous=FULL;"
                                       "PRAGMA secure_delete=ON;";


} // namespace

TdmData::TdmData(QObject *AOwner) : QObject(AOwner) {}

TdmData::~TdmData()
{
    FDConnection.close();
}

QString TdmData::CategoriesDir()
{
    return AppDataDir();
}

QString TdmData::DefaultDBPath()
{
    return JoinPath(AppDataDir(), QString::fromLatin1(DefaultCategoryName) + QStringLiteral(".db"));
}

QString TdmData::CategoryDBPath(const QString &ACategory)
{
    QString name = TrimBlanks(ACategory);
    if (name.isEmpty())
        name = QString::fromLatin1(DefaultCategoryName);
    // A name is a file name in the data directory, nothing else.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QChar(0)))
        throw platform::Error(QStringLiteral("A category name cannot contain \"/\" or \"\\\": %1").arg(name));
    return JoinPath(CategoriesDir(), name + QStringLiteral(".db"));
}

void TdmData::ConnectDatabase(const QString &APath)
{
    FDConnection.close();
    FDConnection.open(APath);
    try {
        FDConnection.setBusyTimeout(BusyTimeoutMs);
        // Only a new, empty file takes the encoding; UTF-16 keeps every text
        // exactly as the clipboard gave it.
        FDConnection.exec(QStringLiteral("PRAGMA encoding='UTF-16le';"));
        FDConnection.exec(QString::fromLatin1(ConnectionSettings));
    } catch (...) {
        FDConnection.close();
        throw;
    }
}

bool TdmData::ColumnExists(const QString &Table, const QString &Column)
{
    TSqliteQuery q(FDConnection, QStringLiteral("PRAGMA table_info(") + Table + QStringLiteral(")"));
    for (q.open(); !q.eof(); q.next())
        if (q.field("name").asText().compare(Column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void TdmData::InitDatabase()
{
    FDConnection.exec(QString::fromLatin1(CreateItemsTable));
    for (const Migration &m : Migrations)
        if (!ColumnExists(QStringLiteral("items"), QString::fromLatin1(m.column)))
            FDConnection.exec(QString::fromLatin1(m.statement));

    {
        TSqliteQuery rows(FDConnection,
                          QStringLiteral("SELECT id FROM items WHERE sort_index IS NULL OR sort_index = 0 "
                                         "ORDER BY pinned DESC, datetime(created_at) DESC, id DESC"));
        QList<qint64> ids;
        for (rows.open(); !rows.eof(); rows.next())
            ids.append(rows.field("id").asInt64());
        TSqliteQuery update(FDConnection, QStringLiteral("UPDATE items SET sort_index=? WHERE id=?"));
        qint64 counter = 1;
        for (qint64 id : ids) {
            update.bindInt64(1, counter).bindInt64(2, id).exec();
            ++counter;
        }
    }

    FDConnection.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS idx_items_created ON items(created_at DESC)"));
    FDConnection.exec(
        QStringLiteral("CREATE INDEX IF NOT EXISTS idx_items_sort ON items(pinned DESC, sort_index ASC, created_at DESC)"));
}

void TdmData::ChangeDatabase(const QString &ACategory)
{
    QString category = TrimBlanks(ACategory);
    if (category.isEmpty())
        category = QString::fromLatin1(DefaultCategoryName);
    const QString path = CategoryDBPath(category);
    FCategory = category;
    if (FDConnection.isOpen())
        FDConnection.close();
    ConnectDatabase(path);
    InitDatabase();
}

void TdmData::CloseDatabase()
{
    if (FDConnection.isOpen())
        FDConnection.close();
}

qint32 TdmData::NewClipSortIndex(bool APinned)
{
    TSqliteQuery q(FDConnection, QStringLiteral("SELECT MIN(sort_index) FROM items WHERE pinned=:p"));
    q.bindInt64(":p", APinned ? 1 : 0).open();
    if (q.eof() || q.field(0).isNull())
        return 1;
    return qint32(q.field(0).asInt64() - 1);
}

void TdmData::AddClip(qint32 AKind, const QString &AText, const QString &AHtml, const QByteArray &AHtmlRaw,
                      const QString &ARtf, const QByteArray &ARtfRaw, const QString &AFilesText,
                      const QByteArray &AImage, const QByteArray &AImageRaw, const QString &AImageRawFormat,
                      bool APinned)
{
    TSqliteQuery q(FDConnection,
                   QStringLiteral("INSERT INTO items(kind, title, text, html, html_raw, rtf, rtf_raw, files, image, "
                                  "image_raw, image_raw_format, created_at, pinned, sort_index, hotkey_mods, "
                                  "hotkey_vk, hotkey_text) VALUES(:kind, :title, :text, :html, :html_raw, :rtf, "
                                  ":rtf_raw, :files, :image, :image_raw, :image_raw_format, :created_at, :pinned, "
                                  ":sort_index, :hotkey_mods, :hotkey_vk, :hotkey_text)"));
    q.bindInt64(":kind", AKind)
        .bindNull(":title")
        .bindText(":text", AText)
        .bindText(":html", AHtml)
        .bindText(":rtf", ARtf)
        .bindText(":files", AFilesText)
        .bindBlobOrNull(":html_raw", AHtmlRaw)
        .bindBlobOrNull(":rtf_raw", ARtfRaw)
        .bindBlobOrNull(":image", AImage)
        .bindBlobOrNull(":image_raw", AImageRaw)
        .bindText(":image_raw_format", AImageRawFormat)
        // The pattern is fixed, so the local regional settings never change it.
        .bindText(":created_at", QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")))
        .bindInt64(":pinned", APinned ? 1 : 0)
        .bindInt64(":sort_index", NewClipSortIndex(APinned))
        .bindNull(":hotkey_mods")
        .bindNull(":hotkey_vk")
        .bindNull(":hotkey_text");
    const qint64 before = FDConnection.totalChanges();
    q.exec();
    Note(TChangeNote::Inserted, FDConnection.lastInsertRowId(), before, FDConnection.totalChanges());
}

void TdmData::AddText(const QString &AText, const QString &AHtml, bool APinned)
{
    AddClip(AHtml.isEmpty() ? 1 : 2, AText, AHtml, {}, {}, {}, {}, {}, {}, {}, APinned);
}

void TdmData::AddImage(const QByteArray &AImage, bool APinned)
{
    AddClip(3, {}, {}, {}, {}, {}, {}, AImage, {}, {}, APinned);
}

void TdmData::AddFiles(const QString &AFilesText, bool APinned)
{
    AddClip(5, {}, {}, {}, {}, {}, AFilesText, {}, {}, {}, APinned);
}

void TdmData::AddNewEmptyTextClip()
{
    AddClip(1, QStringLiteral(" "), {}, {}, {}, {}, {}, {}, {}, {}, false);
}

void TdmData::Note(TChangeNote::TKind Kind, qint64 Id, qint64 ChangesBefore, qint64 ChangesAfter)
{
    if (FNotesOpenCount != FDConnection.openCount()) {
        FNotes.clear();
        FNotesOpenCount = FDConnection.openCount();
    }
    FNotes.append({{Kind, Id}, ChangesBefore, ChangesAfter});
    // The trail only needs to reach back to the last reader; a long one is dropped.
    if (FNotes.size() > 4096)
        FNotes.remove(0, FNotes.size() - 4096);
}

std::optional<QVector<TdmData::TChangeNote>> TdmData::ChangesSince(qint64 Since) const
{
    const qint64 now = FDConnection.totalChanges();
    if (Since == now)
        return QVector<TChangeNote>();
    if (FNotesOpenCount != FDConnection.openCount())
        return std::nullopt;
    // Find the note that starts at Since, then every later one must follow on
    // without a gap up to now.
    qsizetype i = 0;
    while (i < FNotes.size() && FNotes[i].Before != Since)
        ++i;
    if (i == FNotes.size())
        return std::nullopt;
    QVector<TChangeNote> out;
    qint64 at = Since;
    for (; i < FNotes.size(); ++i) {
        if (FNotes[i].Before != at)
            return std::nullopt;
        out.append(FNotes[i].Note);
        at = FNotes[i].After;
    }
    if (at != now)
        return std::nullopt;
    return out;
}

std::unique_ptr<TSqliteQuery> TdmData::QueryItems(const QString &Filter)
{
    std::unique_ptr<TSqliteQuery> q;
    if (Filter.isEmpty()) {
        q = std::make_unique<TSqliteQuery>(FDConnection, QStringLiteral("SELECT * FROM items") + QLatin1String(DisplayOrder));
    } else {
        q = std::make_unique<TSqliteQuery>(
            FDConnection, QStringLiteral("SELECT * FROM items WHERE (COALESCE(title, '') LIKE :f OR text LIKE :f OR "
                                         "html LIKE :f OR rtf LIKE :f OR files LIKE :f OR hotkey_text LIKE :f)")
                              + QLatin1String(DisplayOrder));
        q->bindText(":f", QLatin1Char('%') + Filter + QLatin1Char('%'));
    }
    q->open();
    return q;
}

namespace {
const char *const ListColumns = "SELECT id, kind, title, text, html, rtf, files, pinned, hotkey_text, sort_index, "
                                "datetime(created_at) AS dt FROM items";
}

std::unique_ptr<TSqliteQuery> TdmData::QueryListItems()
{
    // The index serves this order, so no sort of the whole table runs.
    auto q = std::make_unique<TSqliteQuery>(
        FDConnection, QLatin1String(ListColumns) + QStringLiteral(" ORDER BY pinned DESC, sort_index ASC"));
    q->open();
    return q;
}

std::unique_ptr<TSqliteQuery> TdmData::QueryListItem(qint64 AId)
{
    auto q = std::make_unique<TSqliteQuery>(FDConnection, QLatin1String(ListColumns) + QStringLiteral(" WHERE id=:id"));
    q->bindInt64(":id", AId).open();
    return q;
}

void TdmData::PinItem(qint64 AId, bool APinned)
{
    TSqliteQuery q(FDConnection, QStringLiteral("UPDATE items SET pinned=? WHERE id=?"));
    const qint64 before = FDConnection.totalChanges();
    q.bindInt64(1, APinned ? 1 : 0).bindInt64(2, AId).exec();
    Note(TChangeNote::Changed, AId, before, FDConnection.totalChanges());
}

void TdmData::ScrubDeletedContent()
{
    // Secure deletion zeroes the freed cells in the database, but the
    // write-ahead log still holds earlier images of those pages: fold it
    // into the database and cut it to nothing.
    FDConnection.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE);"));
}

void TdmData::DeleteItem(qint64 AId)
{
    TSqliteQuery q(FDConnection, QStringLiteral("DELETE FROM items WHERE id=?"));
    const qint64 before = FDConnection.totalChanges();
    q.bindInt64(1, AId).exec();
    Note(TChangeNote::Removed, AId, before, FDConnection.totalChanges());
    FDConnection.exec(QStringLiteral("VACUUM"));
    ScrubDeletedContent();
}

void TdmData::ClearAllItems()
{
    if (!FDConnection.isOpen())
        return;
    FDConnection.exec(QStringLiteral("DELETE FROM items"));
    FDConnection.exec(QStringLiteral("VACUUM"));
    ScrubDeletedContent();
}

void TdmData::MoveItem(qint64 AId, bool AUp)
{
    qint64 p = 0, s = 0;
    {
        TSqliteQuery q(FDConnection, QStringLiteral("SELECT pinned, sort_index FROM items WHERE id=:id"));
        q.bindInt64(":id", AId).open();
        if (q.eof())
            return;
        p = q.field("pinned").asInt64();
        s = q.field("sort_index").asInt64();
    }
    qint64 n = 0, t = 0;
    {
        TSqliteQuery q(FDConnection,
                       AUp ? QStringLiteral("SELECT id, sort_index FROM items WHERE pinned=:p AND sort_index < :s "
                                            "ORDER BY sort_index DESC LIMIT 1")
                           : QStringLiteral("SELECT id, sort_index FROM items WHERE pinned=:p AND sort_index > :s "
                                            "ORDER BY sort_index ASC LIMIT 1"));
        q.bindInt64(":p", p).bindInt64(":s", s).open();
        if (q.eof())
            return;
        n = q.field("id").asInt64();
        t = q.field("sort_index").asInt64();
    }
    TSqliteQuery update(FDConnection, QStringLiteral("UPDATE items SET sort_index=? WHERE id=?"));
    qint64 before = FDConnection.totalChanges();
    update.bindInt64(1, s).bindInt64(2, n).exec();
    Note(TChangeNote::Changed, n, before, FDConnection.totalChanges());
    before = FDConnection.totalChanges();
    update.bindInt64(1, t).bindInt64(2, AId).exec();
    Note(TChangeNote::Changed, AId, before, FDConnection.totalChanges());
}

void TdmData::MoveItemUp(qint64 AId)
{
    MoveItem(AId, true);
}

void TdmData::MoveItemDown(qint64 AId)
{
    MoveItem(AId, false);
}

void TdmData::RenameClip(qint64 AId, const QString &ATitle)
{
    TSqliteQuery q(FDConnection, QStringLiteral("UPDATE items SET title=? WHERE id=?"));
    const qint64 before = FDConnection.totalChanges();
    q.bindText(1, TrimBlanks(ATitle)).bindInt64(2, AId).exec();
    Note(TChangeNote::Changed, AId, before, FDConnection.totalChanges());
}

void TdmData::SetClipHotkey(qint64 AId, qint32 AModifiers, qint32 AVirtualKey, const QString &AHotkeyText)
{
    if (AModifiers == 0 || AVirtualKey == 0) {
        TSqliteQuery q(FDConnection,
                       QStringLiteral("UPDATE items SET hotkey_mods=NULL, hotkey_vk=NULL, hotkey_text=NULL WHERE id=?"));
        const qint64 before = FDConnection.totalChanges();
        q.bindInt64(1, AId).exec();
        Note(TChangeNote::Changed, AId, before, FDConnection.totalChanges());
        return;
    }
    TSqliteQuery q(FDConnection, QStringLiteral("UPDATE items SET hotkey_mods=?, hotkey_vk=?, hotkey_text=? WHERE id=?"));
    const qint64 before = FDConnection.totalChanges();
    q.bindInt64(1, AModifiers).bindInt64(2, AVirtualKey).bindText(3, TrimBlanks(AHotkeyText)).bindInt64(4, AId).exec();
    Note(TChangeNote::Changed, AId, before, FDConnection.totalChanges());
}

void TdmData::RemoveOldUnpinnedClipsKeepLast(qint32 AKeepCount)
{
    if (!FDConnection.isOpen() || AKeepCount <= 0)
        return;
    qint64 k = 0;
    {
        TSqliteQuery q(FDConnection, QStringLiteral("SELECT COUNT(*) AS cnt FROM items WHERE pinned = 0"));
        q.open();
        k = q.field("cnt").asInt64() - AKeepCount;
    }
    if (k < 1)
        return;
    // The same choice as the deletion below makes, read first so that the
    // removed rows are known.
    QVector<qint64> doomed;
    {
        TSqliteQuery q(FDConnection, QStringLiteral("SELECT id FROM items WHERE pinned = 0 "
                                                    "ORDER BY datetime(created_at) ASC, id ASC LIMIT :k"));
        for (q.bindInt64(":k", k).open(); !q.eof(); q.next())
            doomed.append(q.field(0).asInt64());
    }
    const qint64 before = FDConnection.totalChanges();
    FDConnection.exec(QStringLiteral("DELETE FROM items WHERE id IN (  SELECT id FROM items   WHERE pinned = 0   "
                                     "ORDER BY datetime(created_at) ASC, id ASC   LIMIT ")
                      + QString::number(k) + QStringLiteral(")"));
    if (FDConnection.totalChanges() - before == doomed.size()) {
        qint64 at = before;
        for (qint64 id : doomed) {
            Note(TChangeNote::Removed, id, at, at + 1);
            ++at;
        }
    }
    ScrubDeletedContent();
}

qint64 TdmData::NewestClipId()
{
    TSqliteQuery q(FDConnection, QStringLiteral("SELECT id FROM items ORDER BY datetime(created_at) DESC, id DESC LIMIT 1"));
    q.open();
    return q.eof() ? 0 : q.field("id").asInt64();
}
