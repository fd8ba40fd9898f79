#include "uClipListModel.h"

#include "uClipboardUtils.h"
#include "uData.h"

#include <QLocale>

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

const QVector<TStoredClipRow> &TClipRowCache::Rows(TdmData &Data)
{
    TSqliteConnection &c = Data.FDConnection;
    const quint64 openCount = c.openCount();
    const qint64 totalChanges = c.totalChanges();
    const qint64 dataVersion = c.dataVersion();
    if (FValid && openCount == FOpenCount && totalChanges == FTotalChanges && dataVersion == FDataVersion)
        return FRows;

    FValid = false;
    FRows.clear();
    const QLocale locale;
    auto q = Data.QueryListItems();
    const int id = q->columnIndex("id"), kind = q->columnIndex("kind"), title = q->columnIndex("title"),
              text = q->columnIndex("text"), html = q->columnIndex("html"), rtf = q->columnIndex("rtf"),
              files = q->columnIndex("files"), pinned = q->columnIndex("pinned"), hotkey = q->columnIndex("hotkey_text");
    for (; !q->eof(); q->next()) {
        TStoredClipRow r;
        r.Id = q->field(id).asInt64();
        const QString t = q->field(title).asText(), x = q->field(text).asText(), h = q->field(html).asText(),
                      f = q->field(rtf).asText(), fl = q->field(files).asText();
        r.HotkeyText = q->field(hotkey).asText();
        r.Caption = ClipCaption(q->field(pinned).asInt64(), t, qint32(q->field(kind).asInt64()), x, h, f, fl);
        r.UpperTitleAndText = locale.toUpper(t + QLatin1Char(' ') + x);
        r.UpperHtml = locale.toUpper(h);
        r.UpperRtf = locale.toUpper(f);
        r.UpperFilesAndHotkey = locale.toUpper(fl + QLatin1Char(' ') + r.HotkeyText);
        FRows.append(std::move(r));
    }
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
