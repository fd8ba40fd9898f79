// The clip list of the main window: rebuild, filter, selection, keys and the
// clip commands; and putting a stored clip back on the clipboard.

#include "uMain.h"

#include "uClipWatcher.h"
#include "uClipboardUtils.h"
#include "uData.h"
#include "uSettings.h"
#include "uUtils.h"

#include "translation.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QScopeGuard>
#include <QToolButton>
#include <QTreeView>

bool ClipMatchesFilter(const QString &Filter, const QString &TitleAndText, const QString &Html, const QString &Rtf,
                       const QString &FilesAndHotkey)
{
    if (TrimBlanks(Filter).isEmpty())
        return true;
    const QLocale locale;
    const QString f = locale.toUpper(Filter);
    for (const QString *t : {&TitleAndText, &Html, &Rtf, &FilesAndHotkey})
        if (locale.toUpper(*t).contains(f))
            return true;
    return false;
}

QString GetClipPlainText(const TSqliteQuery &Row)
{
    for (const char *column : {"text", "files", "html", "rtf"}) {
        const QString v = Row.field(column).asText();
        if (!v.isEmpty())
            return v;
    }
    return {};
}

void TfrmMain::RefreshClipList()
{
    const QString filter = TrimBlanks(edtFilter->text());
    const qint64 remembered = SelectedClipId();
    FInternalSelecting = true;
    auto clearFlag = qScopeGuard([this] { FInternalSelecting = false; });

    FillClipList(filter);
    // The registration clears the combinations that are taken; the list must
    // not go on showing them.
    const qint64 before = dmData.FDConnection.isOpen() ? dmData.FDConnection.totalChanges() : 0;
    RegisterClipHotkeys();
    if (dmData.FDConnection.isOpen() && dmData.FDConnection.totalChanges() != before)
        FillClipList(filter);

    if (remembered != 0)
        SelectClipById(remembered);
    else if (FListModel->rowCount() > 0)
        SelectClipById(FListModel->Row(0).Id);
    else
        ShowClipPreview(0);
    UpdateCommandButtons();
}

void TfrmMain::FillClipList(const QString &Filter)
{
    lvItems->setUpdatesEnabled(false);
    QVector<TClipListModel::TRow> rows;
    auto resume = qScopeGuard([&] {
        // Rows read so far stay, also when reading failed.
        FListModel->SetRows(std::move(rows));
        lvItems->setUpdatesEnabled(true);
        if (FHotkeyColumnWidth <= 0)
            FHotkeyColumnWidth = qMax(110, lvItems->viewport()->width() / 5);
        if (lvItems->columnWidth(1) <= 0)
            lvItems->setColumnWidth(1, FHotkeyColumnWidth);
        FitColumns();
    });
    const QLocale locale;
    const QString upperFilter = locale.toUpper(Filter);
    // The texts were upper-cased once when read, so a keystroke only searches.
    for (const TStoredClipRow &r : FListModel->Cache().Rows(dmData)) {
        const bool match = Filter.isEmpty() || r.UpperTitleAndText.contains(upperFilter)
            || r.UpperHtml.contains(upperFilter) || r.UpperRtf.contains(upperFilter)
            || r.UpperFilesAndHotkey.contains(upperFilter);
        if (match)
            rows.append({r.Id, r.Caption, r.HotkeyText});
    }
}

qint64 TfrmMain::SelectedClipId() const
{
    const QModelIndexList sel = lvItems->selectionModel()->selectedRows();
    if (sel.isEmpty())
        return 0;
    return FListModel->Row(sel.first().row()).Id;
}

void TfrmMain::SelectClipById(qint64 Id)
{
    const int row = Id != 0 ? FListModel->RowOfId(Id) : -1;
    if (row < 0) {
        ShowClipPreview(0);
        UpdateCommandButtons();
        return;
    }
    const QModelIndex index = FListModel->index(row, 0);
    lvItems->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvItems->scrollTo(index);
    ShowClipPreview(Id);
    UpdateCommandButtons();
}

void TfrmMain::UpdateCommandButtons()
{
    btnNew->setEnabled(true);
    const qint64 id = SelectedClipId();
    for (QToolButton *b : {btnRenameClip, btnSetHotkey, btnPasteToActiveWindow, btnDelete, btnPin})
        b->setEnabled(id != 0);
    btnMoveUp->setEnabled(false);
    btnMoveDown->setEnabled(false);
    if (id != 0) {
        const int p = FListModel->RowOfId(id);
        btnMoveUp->setEnabled(p > 0);
        btnMoveDown->setEnabled(p >= 0 && p < FListModel->rowCount() - 1);
    }
}

qint64 TfrmMain::NewestClipId()
{
    return dmData.NewestClipId();
}

void TfrmMain::ShowClipPreview(qint64 Id)
{
    Q_UNUSED(Id);
    // The preview pane comes with its own part; the buttons follow the selection.
    UpdateCommandButtons();
}

void TfrmMain::BeginClipEditing(qint64 Id)
{
    Q_UNUSED(Id);
}

bool TfrmMain::CopyClipToClipboard(qint64 Id)
{
    if (Id == 0)
        return false;
    TSqliteQuery q(dmData.FDConnection, QStringLiteral("SELECT * FROM items WHERE id=:id"));
    q.bindInt64(":id", Id).open();
    if (q.eof())
        return false;
    const qint64 kind = q.field("kind").asInt64();
    const QString files = q.field("files").asText();

    FWatcher->IgnoreNextUpdate();
    bool written = false;
    {
        if (kind == ckFiles && !TrimBlanks(files).isEmpty()) {
            written = WriteClipToClipboard(FServices.Clipboard, QString(), files, {}, {}, {}, {}, QString(), this);
        } else if (frmSettings && frmSettings->chPasteAsPlainText->isChecked() && !GetClipPlainText(q).isEmpty()) {
            written = WriteClipToClipboard(FServices.Clipboard, GetClipPlainText(q), QString(), {}, {}, {}, {}, QString(),
                                           this);
        } else {
            written = WriteClipToClipboard(FServices.Clipboard, q.field("text").asText(), files,
                                           q.field("html_raw").asBytes(), q.field("rtf_raw").asBytes(),
                                           q.field("image").asBytes(), q.field("image_raw").asBytes(),
                                           q.field("image_raw_format").asText(), this);
        }
    }
    if (!written) {
        // Nothing reached the clipboard, so no update of ours is coming: the
        // next copy of another program must not be swallowed.
        FWatcher->CancelIgnoreNextUpdate();
        return false;
    }
    return true;
}

void TfrmMain::edtFilterChange()
{
    RefreshClipList();
}

void TfrmMain::chSearchBarClick()
{
    edtFilter->setVisible(chSearchBar->isChecked());
    if (chSearchBar->isChecked())
        edtFilter->setFocus();
}

void TfrmMain::ShowTip()
{
    QMessageBox::information(
        this, QString::fromLatin1(ApplicationTitle),
        TranslateText(QStringLiteral("Tip:")) + QStringLiteral("\n\n")
            + TranslateText(QStringLiteral("Selecting an item in the list automatically copies it to the clipboard."))
            + QLatin1Char('\n') + TranslateText(QStringLiteral("Double-click it or press Enter to paste it into the active window.")));
}

void TfrmMain::lvItemsSelectItem(int Row, bool Selected)
{
    if (!Selected || Row < 0 || Row >= FListModel->rowCount()) {
        UpdateCommandButtons();
        return;
    }
    const qint64 id = FListModel->Row(Row).Id;
    ShowClipPreview(id);
    if (!FInternalSelecting) {
        CopyClipToClipboard(id);
        if (!FSelectionCopyHintShown) {
            FSelectionCopyHintShown = true;
            ShowTip();
        }
    }
    UpdateCommandButtons();
}

bool TfrmMain::PasteSettingChecked(bool DoubleClick) const
{
    if (!frmSettings)
        return true; // both are on by default
    return DoubleClick ? frmSettings->chUseDoubleClickToPasteClipToActiveWindow->isChecked()
                       : frmSettings->chUseEnterKeyToPasteClipToActiveWindow->isChecked();
}

void TfrmMain::lvItemsDblClick()
{
    if (PasteSettingChecked(true))
        btnPasteToActiveWindowClick();
}

bool TfrmMain::eventFilter(QObject *Watched, QEvent *Event)
{
    // The columns follow the list's own width, which the layout settles
    // after the window's resize.
    if (Watched == lvItems->viewport() && Event->type() == QEvent::Resize)
        FormResize();
    if (Event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(Watched, Event);
    auto *key = static_cast<QKeyEvent *>(Event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool noModifier = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (Watched == lvItems && enter && noModifier && PasteSettingChecked(false)) {
        btnPasteToActiveWindowClick();
        return true;
    }
    if (Watched == edtFilter) {
        if ((key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) && FListModel->rowCount() > 0) {
            lvItems->setFocus();
            return true;
        }
        if (enter && noModifier) {
            btnPasteToActiveWindowClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TfrmMain::btnNewClick()
{
    dmData.AddNewEmptyTextClip();
    const qint64 id = NewestClipId();
    RefreshClipList();
    SelectClipById(id);
    BeginClipEditing(id);
}

void TfrmMain::btnDeleteClick()
{
    const qint64 id = SelectedClipId();
    if (id == 0)
        return;
    dmData.DeleteItem(id);
    ShowClipPreview(0);
    RefreshClipList();
}

void TfrmMain::btnClearAllClick()
{
    const auto answer = QMessageBox::warning(
        this, QString::fromLatin1(ApplicationTitle), TranslateText(QStringLiteral("Are you sure to remove all clips in this category")),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return;
    dmData.ClearAllItems();
    ShowClipPreview(0);
    RefreshClipList();
}

void TfrmMain::btnPinClick()
{
    const qint64 id = SelectedClipId();
    if (id == 0)
        return;
    qint64 pinned = 0;
    {
        TSqliteQuery q(dmData.FDConnection, QStringLiteral("SELECT pinned FROM items WHERE id=:id"));
        q.bindInt64(":id", id).open();
        if (!q.eof())
            pinned = q.field("pinned").asInt64();
    }
    dmData.PinItem(id, pinned == 0);
    RefreshClipList();
}

void TfrmMain::btnMoveUpClick()
{
    const qint64 id = SelectedClipId();
    if (id == 0)
        return;
    dmData.MoveItemUp(id);
    RefreshClipList();
    SelectClipById(id);
}

void TfrmMain::btnMoveDownClick()
{
    const qint64 id = SelectedClipId();
    if (id == 0)
        return;
    dmData.MoveItemDown(id);
    RefreshClipList();
    SelectClipById(id);
}

void TfrmMain::btnPasteToActiveWindowClick()
{
    const qint64 id = SelectedClipId();
    if (id != 0 && CopyClipToClipboard(id))
        StartPendingPaste(0, true);
}

void TfrmMain::btnSetHotkeyClick()
{
    const qint64 id = SelectedClipId();
    if (id == 0)
        return;
    int modifiers = 0;
    int virtualKey = 0;
    QString text;
    if (!ShowClipHotkeyDialog(id, modifiers, virtualKey, text))
        return;
    dmData.SetClipHotkey(id, modifiers, virtualKey, text);
    RefreshClipList();
    SelectClipById(id);
}
