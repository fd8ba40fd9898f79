#pragma once

// The data module: the one connection to the open category's database and
// every operation on its clips.

#include "uSqlite.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

// The name of the default category and of its file without ".db".
inline constexpr const char *DefaultCategoryName = "Default Category";

class TdmData : public QObject {
public:
    explicit TdmData(QObject *AOwner = nullptr);
    ~TdmData() override;

    // The connection to the current category database. Its parameters are
    // the file and the normal locking mode (other processes may open it).
    TSqliteConnection FDConnection;

    QString CategoryName() const { return FCategory; }
    void SetCategoryName(const QString &Name) { FCategory = Name; }

    // --- Paths ---
    QString DefaultDBPath();
    QString CategoriesDir();
    // The database of a category: the trimmed name (empty meaning the
    // default category) with ".db", in the data directory. A name that
    // would reach outside the data directory raises an error.
    QString CategoryDBPath(const QString &ACategory);

    // Closes what is open, opens the file (created when missing) with the
    // connection's settings. InitDatabase must follow before anything else.
    void ConnectDatabase(const QString &APath);
    // Creates or migrates the schema of the open database.
    void InitDatabase();

    // --- Categories ---
    void ChangeDatabase(const QString &ACategory);
    void CloseDatabase();

    // --- Insertion ---
    void AddClip(qint32 AKind, const QString &AText, const QString &AHtml, const QByteArray &AHtmlRaw,
                 const QString &ARtf, const QByteArray &ARtfRaw, const QString &AFilesText, const QByteArray &AImage,
                 const QByteArray &AImageRaw, const QString &AImageRawFormat, bool APinned);
    void AddText(const QString &AText, const QString &AHtml, bool APinned);
    void AddImage(const QByteArray &AImage, bool APinned);
    void AddFiles(const QString &AFilesText, bool APinned);
    void AddNewEmptyTextClip();

    // --- Queries and edits ---
    // Every column of the clips in display order, standing on the first row;
    // with a Filter, only the rows where a text column is LIKE %Filter%.
    std::unique_ptr<TSqliteQuery> QueryItems(const QString &Filter);
    // The columns the clip list shows (id, kind, title, text, html, rtf,
    // files, pinned, hotkey_text) with sort_index and "dt" =
    // datetime(created_at), all rows ordered by pinned and sort_index only, as
    // the index keeps them: rows that tie there come in index order, and the
    // reader puts them in display order (dt descending with NULL last, then
    // id descending). SortDisplayTies does that.
    std::unique_ptr<TSqliteQuery> QueryListItems();
    // The same columns for one clip (no row when it does not exist).
    std::unique_ptr<TSqliteQuery> QueryListItem(qint64 AId);
    void PinItem(qint64 AId, bool APinned);
    void DeleteItem(qint64 AId);
    void ClearAllItems();
    void MoveItemUp(qint64 AId);
    void MoveItemDown(qint64 AId);
    void RenameClip(qint64 AId, const QString &ATitle);
    void SetClipHotkey(qint64 AId, qint32 AModifiers, qint32 AVirtualKey, const QString &AHotkeyText);
    void RemoveOldUnpinnedClipsKeepLast(qint32 AKeepCount);
    // The id of the most recently created clip, 0 when there is none.
    qint64 NewestClipId();

    // --- What changed ---
    // Every change made through the methods above is noted with the rows it
    // touched, so that a reader holding a copy of the list can bring it up to
    // date by reading only those rows. A change whose rows are not known
    // (clearing, a schema change, a statement run directly on the
    // connection) leaves no usable trail.
    struct TChangeNote {
        enum TKind { Inserted, Removed, Changed };
        TKind Kind;
        qint64 Id;
    };
    // The notes since the connection's total change count was Since, or no
    // value when they do not account for every change since then.
    std::optional<QVector<TChangeNote>> ChangesSince(qint64 Since) const;

    // --- Steps, exposed for their tests ---
    bool ColumnExists(const QString &Table, const QString &Column);
    qint32 NewClipSortIndex(bool APinned);

    // Milliseconds a statement waits for another process's lock.
    static constexpr int BusyTimeoutMs = 2000;

private:
    void MoveItem(qint64 AId, bool AUp);
    void Note(TChangeNote::TKind Kind, qint64 Id, qint64 ChangesBefore, qint64 ChangesAfter);

    // Each note with the connection's total change count before and after it.
    struct TNoted {
        TChangeNote Note;
        qint64 Before, After;
    };
    QVector<TNoted> FNotes;
    quint64 FNotesOpenCount = 0;
    // Deleted clips must not stay readable in the file or its write-ahead log.
    void ScrubDeletedContent();

    QString FCategory;
};
