#pragma once

// The rows of the clip list: what the list shows of each clip, kept apart
// from the widgets so that a rebuild only swaps a vector.

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

class TdmData;

// One clip as the list knows it, read from the list's columns.
struct TStoredClipRow {
    qint64 Id = 0;
    QString Caption;
    QString HotkeyText;
    // The display order's keys beyond pinned and sort_index.
    qint64 Pinned = 0;
    qint64 SortIndex = 0;
    bool SortIndexNull = false;
    QString CreatedDateTime; // datetime(created_at); empty for NULL
    // The four texts the filter searches, upper-cased once when read.
    QString UpperTitleAndText, UpperHtml, UpperRtf, UpperFilesAndHotkey;
};

// Puts rows that tie on pinned and sort_index in display order.
void SortDisplayTies(QVector<TStoredClipRow> &Rows);

// The caption of a clip: its trimmed title, or the summary when the title is
// blank; pinned clips get the pushpin prefix.
QString ClipCaption(qint64 Pinned, const QString &Title, qint32 Kind, const QString &Text, const QString &Html,
                    const QString &Rtf, const QString &Files);

// The clips of the open database in display order. They are read again only
// when the file may have changed since the last read (another database, a
// change made through the connection, or a commit by another process), so
// that a rebuild that changes nothing in the file costs no reading.
class TClipRowCache {
public:
    const QVector<TStoredClipRow> &Rows(TdmData &Data);
    void Invalidate() { FValid = false; }

private:
    bool ApplyChanges(TdmData &Data);

    QVector<TStoredClipRow> FRows;
    bool FValid = false;
    quint64 FOpenCount = 0;
    qint64 FTotalChanges = 0;
    qint64 FDataVersion = 0;
};

class TClipListModel : public QAbstractTableModel {
public:
    struct TRow {
        qint64 Id = 0;
        QString Caption;
        QString HotkeyText;
    };

    explicit TClipListModel(QObject *Parent = nullptr);

    int rowCount(const QModelIndex &Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &Index, int Role) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;

    void SetRows(QVector<TRow> Rows);
    void SetHeaders(const QString &Title, const QString &Hotkey);
    const TRow &Row(int Index) const { return FRows.at(Index); }
    // The first row holding the clip, or -1.
    int RowOfId(qint64 Id) const;
    TClipRowCache &Cache() { return FCache; }

private:
    QVector<TRow> FRows;
    QString FTitleHeader = QStringLiteral("Clipboard items");
    QString FHotkeyHeader = QStringLiteral("Hotkey");
    TClipRowCache FCache;
};
