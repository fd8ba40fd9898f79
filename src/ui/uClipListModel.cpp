#include "uClipListModel.h"

#include "uClipboardUtils.h"
#include "uData.h"

#include <QLocale>
#include <QSet>

#include <algorithm>

QString ClipCaption(qint64 Pinned, const QString &Title, qint32 Kind, const QString &Text, const QString &Html,
                    const QString &Rtf, const QString &Files)
{
    QString caption = TrimBlanks(Title);
    if (caption.isEmpty())
        caption = MakeClipSummary(Kind, Text, Html, Rtf, Files);
    if (Pinned == 1)
        caption = QStringLiteral("\U0001F4CC ") + caption;
    return caption;
}


namespace {

// Display order: pinned first, sort_index ascending (NULL first), newer
// first (a NULL time last), higher id first.
bool DisplayBefore(const TStoredClipRow &a, const TStoredClipRow &b)
{
    if (a.Pinned != b.Pinned)
        return a.Pinned > b.Pinned;
    if (a.SortIndexNull != b.SortIndexNull)
        return a.SortIndexNull;
    if (a.SortIndex != b.SortIndex)
        return a.SortIndex < b.SortIndex;
    if (a.CreatedDateTime != b.CreatedDateTime) {
        if (a.CreatedDateTime.isEmpty() || b.CreatedDateTime.isEmpty())
            return b.CreatedDateTime.isEmpty();
        return a.CreatedDateTime > b.CreatedDateTime;
    }
    return a.Id > b.Id;
}

class TRowReader {
public:
    explicit TRowReader(const TSqliteQuery &q)
        : q(q), id(q.columnIndex("id")), kind(q.columnIndex("kind")), title(q.columnIndex("title")),
          text(q.columnIndex("text")), html(q.columnIndex("html")), rtf(q.columnIndex("rtf")),
          files(q.columnIndex("files")), pinned(q.columnIndex("pinned")), hotkey(q.columnIndex("hotkey_text")),
          sortIndex(q.columnIndex("sort_index")), dt(q.columnIndex("dt"))
    {
    }

    TStoredClipRow Read() const
    {
        TStoredClipRow r;
        r.Id = q.field(id).asInt64();
        const QString t = q.field(title).asText(), x = q.field(text).asText(), h = q.field(html).asText(),
                      f = q.field(rtf).asText(), fl = q.field(files).asText();
        r.HotkeyText = q.field(hotkey).asText();
        r.Pinned = q.field(pinned).asInt64();
        r.SortIndexNull = q.field(sortIndex).isNull();
        r.SortIndex = q.field(sortIndex).asInt64();
        r.CreatedDateTime = q.field(dt).asText();
        r.Caption = ClipCaption(r.Pinned, t, qint32(q.field(kind).asInt64()), x, h, f, fl);
        r.UpperTitleAndText = locale.toUpper(t + QLatin1Char(' ') + x);
        r.UpperHtml = locale.toUpper(h);
        r.UpperRtf = locale.toUpper(f);
        r.UpperFilesAndHotkey = locale.toUpper(fl + QLatin1Char(' ') + r.HotkeyText);
        return r;
    }

private:
    const TSqliteQuery &q;
    const QLocale locale;
    int id, kind, title, text, html, rtf, files, pinned, hotkey, sortIndex, dt;
};

} // namespace

void SortDisplayTies(QVector<TStoredClipRow> &Rows)
{
    // Rows come ordered by pinned and sort_index; sort each run that ties there.
    auto sameGroup = [](const TStoredClipRow &a, const TStoredClipRow &b) {
        return a.Pinned == b.Pinned && a.SortIndexNull == b.SortIndexNull && a.SortIndex == b.SortIndex;
    };
    qsizetype start = 0;
    while (start < Rows.size()) {
        qsizetype end = start + 1;
        while (end < Rows.size() && sameGroup(Rows[start], Rows[end]))
            ++end;
        if (end - start > 1)
            std::sort(Rows.begin() + start, Rows.begin() + end, DisplayBefore);
        start = end;
    }
}

bool TClipRowCache::ApplyChanges(TdmData &Data)
{
    const auto notes = Data.ChangesSince(FTotalChanges);
    if (!notes)
        return false;
    QSet<qint64> touched, reread;
    for (const auto &n : *notes) {
        touched.insert(n.Id);
        if (n.Kind == TdmData::TChangeNote::Removed)
            reread.remove(n.Id);
        else
            reread.insert(n.Id);
    }
    FRows.removeIf([&](const TStoredClipRow &r) { return touched.contains(r.Id); });
    for (qint64 id : std::as_const(reread)) {
        auto q = Data.QueryListItem(id);
        if (q->eof())
            continue;
        TStoredClipRow row = TRowReader(*q).Read();
        FRows.insert(std::upper_bound(FRows.begin(), FRows.end(), row, DisplayBefore), std::move(row));
    }
    return true;
}

const QVector<TStoredClipRow> &TClipRowCache::Rows(TdmData &Data)
{
    TSqliteConnection &c = Data.FDConnection;
    const quint64 openCount = c.openCount();
    const qint64 dataVersion = c.dataVersion();
    const qint64 totalChanges = c.totalChanges();
    if (FValid && openCount == FOpenCount && dataVersion == FDataVersion) {
        // Only this program changed the file: bring the copy up to date with
        // the rows its changes touched.
        if (totalChanges == FTotalChanges || ApplyChanges(Data)) {
            FTotalChanges = totalChanges;
            return FRows;
        }
    }

    FValid = false;
    FRows.clear();
    auto q = Data.QueryListItems();
    const TRowReader reader(*q);
    for (; !q->eof(); q->next())
        FRows.append(reader.Read());
    SortDisplayTies(FRows);
    FOpenCount = openCount;
    FTotalChanges = totalChanges;
    FDataVersion = dataVersion;
    FValid = true;
    return FRows;
}

TClipListModel::TClipListModel(QObject *Parent) : QAbstractTableModel(Parent) {}

int TClipListModel::rowCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : int(FRows.size());
}

int TClipListModel::columnCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : 2;
}

QVariant TClipListModel::data(const QModelIndex &Index, int Role) const
{
    if (!Index.isValid() || Index.row() >= FRows.size())
        return {};
    const TRow &r = FRows.at(Index.row());
    if (Role == Qt::DisplayRole)
        return Index.column() == 0 ? r.Caption : r.HotkeyText;
    if (Role == Qt::TextAlignmentRole && Index.column() == 1)
        return int(Qt::AlignCenter);
    if (Role == Qt::UserRole)
        return r.Id;
    return {};
}

QVariant TClipListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal)
        return {};
    if (Role == Qt::DisplayRole)
        return Section == 0 ? FTitleHeader : FHotkeyHeader;
    if (Role == Qt::TextAlignmentRole && Section == 1)
        return int(Qt::AlignCenter);
    return {};
}

void TClipListModel::SetRows(QVector<TRow> Rows)
{
    beginResetModel();
    FRows = std::move(Rows);
    endResetModel();
}

void TClipListModel::SetHeaders(const QString &Title, const QString &Hotkey)
{
    FTitleHeader = Title;
    FHotkeyHeader = Hotkey;
    emit headerDataChanged(Qt::Horizontal, 0, 1);
}

int TClipListModel::RowOfId(qint64 Id) const
{
    for (int i = 0; i < FRows.size(); ++i)
        if (FRows[i].Id == Id)
            return i;
    return -1;
}
