#include "uSqlite.h"

#include <QFile>

#include <sqlite3.h>

namespace {

[[noreturn]] void raise(sqlite3 *db, int rc)
{
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    throw TSqliteError(message, rc & 0xFF);
}

} // namespace

// --- connection ---

TSqliteConnection::TSqliteConnection() = default;

TSqliteConnection::~TSqliteConnection()
{
    close();
}

void TSqliteConnection::open(const QString &path)
{
    close();
    sqlite3 *db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw TSqliteError(message + QStringLiteral(": ") + path, rc & 0xFF);
    }
    sqlite3_extended_result_codes(db, 0);
    FDb = db;
    FPath = path;
    ++FOpenCount;
}

void TSqliteConnection::close()
{
    if (FDb) {
        // Statements are finalised by their owners; close_v2 waits for any
        // that a caller still holds.
        sqlite3_close_v2(FDb);
        FDb = nullptr;
    }
}

void TSqliteConnection::check(int rc) const
{
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        raise(FDb, rc);
}

void TSqliteConnection::exec(const QString &sql)
{
    if (!FDb)
        throw TSqliteError(QStringLiteral("The database is not open."), SQLITE_MISUSE);
    check(sqlite3_exec(FDb, sql.toUtf8().constData(), nullptr, nullptr, nullptr));
}

qint64 TSqliteConnection::lastInsertRowId() const
{
    return FDb ? sqlite3_last_insert_rowid(FDb) : 0;
}

void TSqliteConnection::setBusyTimeout(int ms)
{
    if (FDb)
        check(sqlite3_busy_timeout(FDb, ms));
}

qint64 TSqliteConnection::totalChanges() const
{
    return FDb ? sqlite3_total_changes64(FDb) : 0;
}

qint64 TSqliteConnection::dataVersion()
{
    if (!FDb)
        return 0;
    sqlite3_stmt *stmt = nullptr;
    check(sqlite3_prepare_v2(FDb, "PRAGMA data_version", -1, &stmt, nullptr));
    qint64 v = 0;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        v = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return v;
}

// --- field ---

TSqliteType TSqliteField::type() const
{
    switch (sqlite3_column_type(FStmt, FIndex)) {
    case SQLITE_INTEGER:
        return TSqliteType::Integer;
    case SQLITE_FLOAT:
        return TSqliteType::Float;
    case SQLITE_TEXT:
        return TSqliteType::Text;
    case SQLITE_BLOB:
        return TSqliteType::Blob;
    default:
        return TSqliteType::Null;
    }
}

qint64 TSqliteField::asInt64() const
{
    return sqlite3_column_int64(FStmt, FIndex);
}

QString TSqliteField::asText() const
{
    const void *p = sqlite3_column_text16(FStmt, FIndex);
    if (!p)
        return {};
    const int bytes = sqlite3_column_bytes16(FStmt, FIndex);
    return QString(reinterpret_cast<const QChar *>(p), bytes / 2);
}

QByteArray TSqliteField::asBytes() const
{
    const void *p = sqlite3_column_blob(FStmt, FIndex);
    const int bytes = sqlite3_column_bytes(FStmt, FIndex);
    if (!p || bytes <= 0)
        return {};
    return QByteArray(static_cast<const char *>(p), bytes);
}

// --- query ---

TSqliteQuery::TSqliteQuery(TSqliteConnection &connection, const QString &sql) : FConnection(connection)
{
    if (!connection.isOpen())
        throw TSqliteError(QStringLiteral("The database is not open."), SQLITE_MISUSE);
    const QByteArray text = sql.toUtf8();
    connection.check(sqlite3_prepare_v2(connection.handle(), text.constData(), int(text.size()), &FStmt, nullptr));
    const int columns = sqlite3_column_count(FStmt);
    for (int i = 0; i < columns; ++i)
        FColumns.append(QByteArray(sqlite3_column_name(FStmt, i)));
}

TSqliteQuery::~TSqliteQuery()
{
    sqlite3_finalize(FStmt);
}

int TSqliteQuery::parameterIndex(const char *name) const
{
    const int index = sqlite3_bind_parameter_index(FStmt, name);
    if (index == 0)
        throw TSqliteError(QStringLiteral("Unknown parameter %1").arg(QString::fromUtf8(name)), SQLITE_RANGE);
    return index;
}

TSqliteQuery &TSqliteQuery::bindNull(int index)
{
    FConnection.check(sqlite3_bind_null(FStmt, index));
    return *this;
}

TSqliteQuery &TSqliteQuery::bindInt64(int index, qint64 value)
{
    FConnection.check(sqlite3_bind_int64(FStmt, index, value));
    return *this;
}

TSqliteQuery &TSqliteQuery::bindText(int index, const QString &value)
{
    // An empty QString has no buffer; an empty literal keeps it a text, not NULL.
    const void *p = value.isEmpty() ? static_cast<const void *>(u"") : static_cast<const void *>(value.utf16());
    FConnection.check(sqlite3_bind_text16(FStmt, index, p, int(value.size() * 2), SQLITE_TRANSIENT));
    return *this;
}

TSqliteQuery &TSqliteQuery::bindNull(const char *name)
{
    return bindNull(parameterIndex(name));
}

TSqliteQuery &TSqliteQuery::bindInt64(const char *name, qint64 value)
{
    return bindInt64(parameterIndex(name), value);
}

TSqliteQuery &TSqliteQuery::bindText(const char *name, const QString &value)
{
    return bindText(parameterIndex(name), value);
}

TSqliteQuery &TSqliteQuery::bindBlobOrNull(const char *name, const QByteArray &value)
{
    const int index = parameterIndex(name);
    if (value.isEmpty())
        return bindNull(index);
    FConnection.check(sqlite3_bind_blob64(FStmt, index, value.constData(), sqlite3_uint64(value.size()), SQLITE_TRANSIENT));
    return *this;
}

void TSqliteQuery::step()
{
    const int rc = sqlite3_step(FStmt);
    if (rc == SQLITE_ROW) {
        FEof = false;
        return;
    }
    FEof = true;
    if (rc != SQLITE_DONE) {
        // Read the message before reset, which may replace it.
        const QString message = QString::fromUtf8(sqlite3_errmsg(FConnection.handle()));
        sqlite3_reset(FStmt);
        throw TSqliteError(message, rc & 0xFF);
    }
}

void TSqliteQuery::exec()
{
    sqlite3_reset(FStmt);
    do
        step();
    while (!FEof);
    sqlite3_reset(FStmt);
}

TSqliteQuery &TSqliteQuery::open()
{
    sqlite3_reset(FStmt);
    step();
    return *this;
}

void TSqliteQuery::next()
{
    if (!FEof)
        step();
}

void TSqliteQuery::reset()
{
    sqlite3_reset(FStmt);
    FEof = true;
}

int TSqliteQuery::columnIndex(const char *name) const
{
    // A few columns: comparing in place is cheaper than building a key per lookup.
    for (int i = 0; i < FColumns.size(); ++i)
        if (qstricmp(FColumns[i].constData(), name) == 0)
            return i;
    return -1;
}

bool TSqliteQuery::hasColumn(const char *name) const
{
    return columnIndex(name) >= 0;
}

TSqliteField TSqliteQuery::field(const char *name) const
{
    const int index = columnIndex(name);
    if (index < 0)
        throw TSqliteError(QStringLiteral("Field '%1' not found").arg(QString::fromUtf8(name)), SQLITE_ERROR);
    return TSqliteField(FStmt, index);
}
