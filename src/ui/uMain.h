#pragma once

// The main window: the coordinator of the program's parts. It owns the
// clipboard watcher, the list of clips with its filter, the command buttons
// and the window state; the data module and the settings dialog are the
// program-wide instances it works with.

#include "uClipListModel.h"

#include "platform/clipboard.h"
#include "platform/desktop_input.h"

#include <QMainWindow>

#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSplitter;
class QTimer;
class QToolButton;
class QTreeView;
class QPushButton;
class QWidget;

class TClipHotkeys;
class TClipWatcher;
class THotkeyManager;
class TPasteScheduler;
class TdmData;
class TfrmSettings;
class TSqliteQuery;
struct TCapturedClip;

namespace platform {
class GlobalHotkeys;
class Shell;
class ValueStore;
}

// The running version, as display text and in tenths.
inline constexpr const char *AppVersionText = "2.4";
inline constexpr int AppVersionNumber = 24;

// The services of the desktop the window works through.
struct TMainServices {
    platform::Clipboard &Clipboard;
    platform::ValueStore &Values;
    platform::GlobalHotkeys &Hotkeys;
    platform::DesktopInput &Input;
    platform::Shell &Shell;
};

// The plain text of a stored clip: the first of text, files, html, rtf that is
// not empty (the query stands on the clip's row).
QString GetClipPlainText(const TSqliteQuery &Row);

// Whether a clip's texts contain the filter, letter case ignored.
bool ClipMatchesFilter(const QString &Filter, const QString &TitleAndText, const QString &Html, const QString &Rtf,
                       const QString &FilesAndHotkey);

class TfrmMain : public QMainWindow {
public:
    TfrmMain(TdmData &Data, TMainServices Services, QWidget *Parent = nullptr);
    ~TfrmMain() override;

    // The settings dialog, once it exists (it is created after this window).
    void SetSettingsForm(TfrmSettings *Settings) { frmSettings = Settings; }
    TfrmSettings *SettingsForm() const { return frmSettings; }

    // --- Start-up and shutdown ---
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormDestroy();
    void LoadWindowState();
    void SaveWindowState();
    QString SettingsFileName() const;

    // --- Clip arrival ---
    void HandleNewClip(const TCapturedClip &Clip);

    // --- The list ---
    void RefreshClipList();
    qint64 SelectedClipId() const;
    void SelectClipById(qint64 Id);
    void UpdateCommandButtons();
    qint64 NewestClipId();

    // --- Restore ---
    bool CopyClipToClipboard(qint64 Id);

    // --- Settings and language ---
    void ApplySettingsFromSettingsForm();
    void TranslateInterface();
    void SaveCurrentLanguageInRegistry();
    // The hotkey registration of the clips and of the minimize/restore key.
    void RegisterMinimizeRestoreHotkey();
    void RegisterClipHotkeys();
    void UpdateMinimizeRestoreHotkeyLabel();

    // --- Hotkeys and paste ---
    void HandleHotkey(QObject *Sender, int HotkeyId);
    void StartPendingPaste(platform::WindowHandle Target, bool MinimizeFirst);
    void PasteTimerTimer();
    platform::WindowHandle FindPasteTarget();
    bool ShowClipHotkeyDialog(qint64 ClipId, int &Modifiers, int &VirtualKey, QString &HotkeyText);

    // --- Preview and editing (the pane comes with its own part) ---
    void ShowClipPreview(qint64 Id);
    void BeginClipEditing(qint64 Id);

    // --- Event handlers ---
    void edtFilterChange();
    void chSearchBarClick();
    void lvItemsSelectItem(int Row, bool Selected);
    void lvItemsDblClick();
    void btnNewClick();
    void btnDeleteClick();
    void btnClearAllClick();
    void btnPinClick();
    void btnMoveUpClick();
    void btnMoveDownClick();
    void btnPasteToActiveWindowClick();
    void btnSetHotkeyClick();
    void btnSettingsClick();
    void btnAboutClick();

    // Components, named as the rest of the program knows them.
    QWidget *Panel1 = nullptr;
    QComboBox *cmbCategory = nullptr;
    QToolButton *btNewCategory = nullptr;
    QToolButton *btRemoveCategory = nullptr;
    QToolButton *btRenameCategory = nullptr;
    QFrame *Bevel1 = nullptr;
    QWidget *pnlTop = nullptr;
    QToolButton *btnNew = nullptr;
    QToolButton *btnDelete = nullptr;
    QToolButton *btnRenameClip = nullptr;
    QToolButton *btnClearAll = nullptr;
    QToolButton *btnPin = nullptr;
    QToolButton *btnMoveUp = nullptr;
    QToolButton *btnMoveDown = nullptr;
    QToolButton *btnSetHotkey = nullptr;
    QToolButton *btnPasteToActiveWindow = nullptr;
    QCheckBox *chSearchBar = nullptr;
    QLineEdit *edtFilter = nullptr;
    QTreeView *lvItems = nullptr;
    QSplitter *Splitter1 = nullptr;
    QWidget *pnlPreview = nullptr;
    QLabel *imgPreview = nullptr;
    QPlainTextEdit *memoPreview = nullptr;
    QWidget *pnlInfo = nullptr;
    QPushButton *btnCancelEditing = nullptr;
    QPushButton *btnEdit_Apply = nullptr;
    QWidget *Panel2 = nullptr;
    QFrame *Bevel2 = nullptr;
    QLabel *Label1 = nullptr;
    QToolButton *btnSettings = nullptr;
    QToolButton *btnAbout = nullptr;

    // State, as the other parts read it.
    TClipWatcher *FWatcher = nullptr;
    bool FInternalSelecting = false;
    bool FSelectionCopyHintShown = false;
    int FHotkeyColumnWidth = 0;
    THotkeyManager *FHotkeys = nullptr;
    // The paste scheduler holds the paste timer and the pending target.
    TPasteScheduler *FPaste = nullptr;

    TClipListModel *ListModel() const { return FListModel; }

protected:
    void showEvent(QShowEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void BuildLayout();
    QToolButton *MakeImageButton(QWidget *Parent, const char *Image);
    void FitColumns();
    // Puts the matching clips into the list; what was read before an error stays.
    void FillClipList(const QString &Filter);
    int ListClientWidth() const;
    bool PasteSettingChecked(bool DoubleClick) const;
    void ShowTip();

    TdmData &dmData;
    TMainServices FServices;
    TfrmSettings *frmSettings = nullptr;
    TClipListModel *FListModel = nullptr;
    std::unique_ptr<TClipHotkeys> FClipHotkeys;
    bool FShown = false;
};
