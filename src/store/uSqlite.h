#pragma once

// A small RAII layer over the sqlite3 C API: one connection, prepared
// statements with parameters bound by name or position, columns read by
// name, NULL kept apart from empty text and from an empty BLOB. Every failure
// raises TSqliteError with SQLite's own message. Nothing else in the program
// talks to SQLite.

#include "platform/error.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class TSqliteError : public platform::Error {
public:
    TSqliteError(const QString &message, int code) : platform::Error(message), FCode(code) {}
    // SQLite's primary result code (SQLITE_BUSY, SQLITE_NOTADB, ...).
    int code() const { return FCode; }

private:
    int FCode;
};

class TSqliteConnection {
public:
    TSqliteConnection();
    ~TSqliteConnection();
    TSqliteConnection(const TSqliteConnection &) = delete;
    TSqliteConnection &operator=(const TSqliteConnection &) = delete;

    // Opens (and creates when missing) the database file. Nothing is read or
    // written until the first statement runs.
    void open(const QString &path);
    void close();
    bool isOpen() const { return FDb != nullptr; }
    QString path() const { return FPath; }

    // Runs one or more statements without parameters.
    void exec(const QString &sql);
    qint64 lastInsertRowId() const;
    // Milliseconds a statement waits for another process's lock before failing.
    void setBusyTimeout(int ms);

    // Together these tell whether the file may have changed since they were
    // last read: a new connection, a row changed through this connection, or
    // a commit by another connection (another process) each change one of them.
    quint64 openCount() const { return FOpenCount; }
    qint64 totalChanges() const;
    qint64 dataVersion();

    sqlite3 *handle() const { return FDb; }
    // Raises the connection's last error when rc is not a success code.
    void check(int rc) const;

private:
    sqlite3 *FDb = nullptr;
    QString FPath;
    quint64 FOpenCount = 0;
};

enum class TSqliteType { Null, Integer, Float, Text, Blob };

class TSqliteQuery;

// One column of the current row.
class TSqliteField {
public:
    TSqliteType type() const;
    bool isNull() const { return type() == TSqliteType::Null; }
    qint64 asInt64() const; // NULL reads as 0
    QString asText() const; // NULL reads as empty
    QByteArray asBytes() const; // NULL reads as empty

private:
    friend class TSqliteQuery;
    TSqliteField(sqlite3_stmt *stmt, int index) : FStmt(stmt), FIndex(index) {}
    sqlite3_stmt *FStmt;
    int FIndex;
};

class TSqliteQuery {
public:
    TSqliteQuery(TSqliteConnection &connection, const QString &sql);
    ~TSqliteQuery();
    TSqliteQuery(const TSqliteQuery &) = delete;
    TSqliteQuery &operator=(const TSqliteQuery &) = delete;

    // Parameters by name (with its prefix, as in ":id") or by position from 1.
    TSqliteQuery &bindNull(const char *name);
    TSqliteQuery &bindInt64(const char *name, qint64 value);
    TSqliteQuery &bindText(const char *name, const QString &value); // empty stays empty text
    TSqliteQuery &bindBlobOrNull(const char *name, const QByteArray &value); // empty gives NULL
    TSqliteQuery &bindNull(int index);
    TSqliteQuery &bindInt64(int index, qint64 value);
    TSqliteQuery &bindText(int index, const QString &value);

    // Runs the statement to its end (for statements that return no rows).
    void exec();
    // Runs the statement and stands on its first row (or at the end).
    TSqliteQuery &open();
    bool eof() const { return FEof; }
    void next();
    // Back to the start, keeping the bound values.
    void reset();

    // A column of the current row by name, letter case ignored. Raises when
    // the statement has no such column.
    TSqliteField field(const char *name) const;
    TSqliteField field(int index) const { return TSqliteField(FStmt, index); }
    bool hasColumn(const char *name) const;
    int columnIndex(const char *name) const;

private:
    int parameterIndex(const char *name) const;
    void step();

    TSqliteConnection &FConnection;
    sqlite3_stmt *FStmt = nullptr;
    bool FEof = true;
    QList<QByteArray> FColumns; // names as the statement gives them
};
