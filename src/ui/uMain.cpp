#include "uMain.h"

#include "uClipHotkeys.h"
#include "uClipHotkeyDialog.h"
#include "uClipWatcher.h"
#include "uData.h"
#include "uHotkeyEdit.h"
#include "uPasteScheduler.h"
#include "uSettings.h"
#include "uUtils.h"

#include "platform/error.h"
#include "platform/ini_file.h"
#include "translation.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <cmath>

// The icons live in the ui library's resources, which a static library
// does not register by itself.
static void InitUiResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int DesignClientWidth = 443;
constexpr int DesignClientHeight = 576;
constexpr int DesignHotkeyColumnWidth = 110;

// Halves go to the even neighbour, as the window placement expects.
int roundHalfEven(double v)
{
    return int(std::nearbyint(v));
}

void showError(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QString::fromLatin1(ApplicationTitle), text);
}

} // namespace

TfrmMain::TfrmMain(TdmData &Data, TMainServices Services, QWidget *Parent)
    : QMainWindow(Parent), dmData(Data), FServices(Services)
{
    InitUiResources();
    BuildLayout();
    try {
        FormCreate();
    } catch (const std::exception &e) {
        // The window still comes up; what failed is said once.
        const auto *err = dynamic_cast<const platform::Error *>(&e);
        showError(this, err ? err->message() : QString::fromLocal8Bit(e.what()));
    }
}

TfrmMain::~TfrmMain()
{
    try {
        FormDestroy();
    } catch (const std::exception &e) {
        const auto *err = dynamic_cast<const platform::Error *>(&e);
        showError(nullptr, err ? err->message() : QString::fromLocal8Bit(e.what()));
    }
}

QToolButton *TfrmMain::MakeImageButton(QWidget *ParentWidget, const char *Image)
{
    auto *b = new QToolButton(ParentWidget);
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(Image))));
    b->setIconSize(QSize(18, 18));
    b->setFixedSize(30, 28);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

void TfrmMain::BuildLayout()
{
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Top band: the categories.
    Panel1 = new QWidget(central);
    Panel1->setFixedHeight(55);
    auto *p1 = new QVBoxLayout(Panel1);
    p1->setContentsMargins(8, 8, 8, 0);
    auto *catRow = new QHBoxLayout;
    cmbCategory = new QComboBox(Panel1);
    cmbCategory->setEditable(false);
    cmbCategory->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    btNewCategory = MakeImageButton(Panel1, "add");
    btRemoveCategory = MakeImageButton(Panel1, "remove");
    btRenameCategory = MakeImageButton(Panel1, "rename");
    btRemoveCategory->setEnabled(false);
    btRenameCategory->setEnabled(false);
    catRow->addWidget(cmbCategory);
    catRow->addWidget(btNewCategory);
    catRow->addWidget(btRemoveCategory);
    catRow->addWidget(btRenameCategory);
    p1->addLayout(catRow);
    Bevel1 = new QFrame(Panel1);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    p1->addStretch();
    p1->addWidget(Bevel1);
    column->addWidget(Panel1);

    // The command buttons.
    pnlTop = new QWidget(central);
    pnlTop->setFixedHeight(44);
    auto *top = new QHBoxLayout(pnlTop);
    top->setContentsMargins(6, 8, 8, 8);
    top->setSpacing(2);
    btnNew = MakeImageButton(pnlTop, "add");
    btnDelete = MakeImageButton(pnlTop, "remove");
    btnRenameClip = MakeImageButton(pnlTop, "rename");
    btnClearAll = MakeImageButton(pnlTop, "clear-all");
    btnPin = MakeImageButton(pnlTop, "pin");
    btnMoveUp = MakeImageButton(pnlTop, "arrow-up");
    btnMoveDown = MakeImageButton(pnlTop, "arrow-down");
    btnSetHotkey = MakeImageButton(pnlTop, "key");
    btnPasteToActiveWindow = MakeImageButton(pnlTop, "paste");
    for (QToolButton *b : {btnNew, btnDelete, btnRenameClip, btnClearAll, btnPin, btnMoveUp, btnMoveDown, btnSetHotkey,
                           btnPasteToActiveWindow}) {
        top->addWidget(b);
        b->setEnabled(b == btnNew || b == btnClearAll);
    }
    top->addStretch();
    chSearchBar = new QCheckBox(QStringLiteral("Search bar"), pnlTop);
    chSearchBar->setChecked(true);
    chSearchBar->setFocusPolicy(Qt::NoFocus);
    top->addWidget(chSearchBar);
    column->addWidget(pnlTop);

    // The filter, 10 px below the button row.
    edtFilter = new QLineEdit(central);
    auto *filterBox = new QHBoxLayout;
    filterBox->setContentsMargins(3, 3, 3, 3);
    filterBox->addWidget(edtFilter);
    column->addLayout(filterBox);

    // The list and the preview pane below it.
    Splitter1 = new QSplitter(Qt::Vertical, central);
    lvItems = new QTreeView(Splitter1);
    FListModel = new TClipListModel(this);
    lvItems->setModel(FListModel);
    lvItems->setRootIsDecorated(false);
    lvItems->setItemsExpandable(false);
    lvItems->setUniformRowHeights(true);
    lvItems->setAllColumnsShowFocus(true);
    lvItems->setSelectionMode(QAbstractItemView::SingleSelection);
    lvItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvItems->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvItems->header()->setStretchLastSection(false);
    lvItems->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lvItems->setColumnWidth(0, 300);
    lvItems->setColumnWidth(1, DesignHotkeyColumnWidth);
    lvItems->installEventFilter(this);
    lvItems->viewport()->installEventFilter(this);
    edtFilter->installEventFilter(this);

    pnlPreview = new QWidget(Splitter1);
    auto *pv = new QVBoxLayout(pnlPreview);
    pv->setContentsMargins(3, 3, 3, 3);
    imgPreview = new QLabel(pnlPreview);
    imgPreview->setAlignment(Qt::AlignCenter);
    imgPreview->hide();
    memoPreview = new QPlainTextEdit(pnlPreview);
    memoPreview->setReadOnly(true);
    pv->addWidget(imgPreview);
    pv->addWidget(memoPreview);
    pnlInfo = new QWidget(pnlPreview);
    auto *info = new QHBoxLayout(pnlInfo);
    info->setContentsMargins(0, 0, 0, 0);
    info->addStretch();
    btnCancelEditing = new QPushButton(QStringLiteral("Cancel"), pnlInfo);
    btnEdit_Apply = new QPushButton(QStringLiteral("Edit..."), pnlInfo);
    btnCancelEditing->hide();
    btnCancelEditing->setEnabled(false);
    btnEdit_Apply->hide();
    btnEdit_Apply->setEnabled(false);
    info->addWidget(btnCancelEditing);
    info->addWidget(btnEdit_Apply);
    pv->addWidget(pnlInfo);
    pnlPreview->hide();
    auto *listBox = new QHBoxLayout;
    listBox->setContentsMargins(3, 3, 3, 3);
    listBox->addWidget(Splitter1);
    column->addLayout(listBox, 1);

    // Bottom band: the hotkey label, settings and about.
    Panel2 = new QWidget(central);
    Panel2->setFixedHeight(45);
    auto *p2 = new QVBoxLayout(Panel2);
    p2->setContentsMargins(8, 0, 8, 4);
    Bevel2 = new QFrame(Panel2);
    Bevel2->setFrameShape(QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);
    p2->addWidget(Bevel2);
    auto *bottom = new QHBoxLayout;
    Label1 = new QLabel(QStringLiteral("Ctrl+Shift+Z to Minimize/Restore"), Panel2);
    btnSettings = MakeImageButton(Panel2, "gear");
    btnAbout = MakeImageButton(Panel2, "information (1)");
    bottom->addWidget(Label1, 1);
    bottom->addWidget(btnSettings);
    bottom->addWidget(btnAbout);
    p2->addLayout(bottom);
    column->addWidget(Panel2);

    setCentralWidget(central);
    resize(DesignClientWidth, DesignClientHeight);
    setTabOrder(edtFilter, lvItems);

    connect(edtFilter, &QLineEdit::textChanged, this, [this] { edtFilterChange(); });
    connect(chSearchBar, &QCheckBox::clicked, this, [this] { chSearchBarClick(); });
    connect(lvItems->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                if (!selected.indexes().isEmpty())
                    lvItemsSelectItem(selected.indexes().first().row(), true);
                else if (!deselected.indexes().isEmpty())
                    lvItemsSelectItem(deselected.indexes().first().row(), false);
                else
                    lvItemsSelectItem(-1, false);
            });
    connect(lvItems, &QTreeView::doubleClicked, this, [this] { lvItemsDblClick(); });
    connect(btnNew, &QToolButton::clicked, this, [this] { btnNewClick(); });
    connect(btnDelete, &QToolButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnClearAll, &QToolButton::clicked, this, [this] { btnClearAllClick(); });
    connect(btnPin, &QToolButton::clicked, this, [this] { btnPinClick(); });
    connect(btnMoveUp, &QToolButton::clicked, this, [this] { btnMoveUpClick(); });
    connect(btnMoveDown, &QToolButton::clicked, this, [this] { btnMoveDownClick(); });
    connect(btnPasteToActiveWindow, &QToolButton::clicked, this, [this] { btnPasteToActiveWindowClick(); });
    connect(btnSetHotkey, &QToolButton::clicked, this, [this] { btnSetHotkeyClick(); });
    connect(btnSettings, &QToolButton::clicked, this, [this] { btnSettingsClick(); });
    connect(btnAbout, &QToolButton::clicked, this, [this] { btnAboutClick(); });
}

void TfrmMain::FormCreate()
{
    FSelectionCopyHintShown = false;
    FHotkeyColumnWidth = 0;

    FPaste = new TPasteScheduler(this, FServices.Clipboard, FServices.Input, FServices.Shell);

    setWindowTitle(QString::fromLatin1(ApplicationTitle) + QLatin1Char(' ') + QString::fromLatin1(AppVersionText));

    dmData.ConnectDatabase(dmData.DefaultDBPath());
    dmData.InitDatabase();

    FWatcher = new TClipWatcher(this, FServices.Clipboard);
    FWatcher->FOnNewClip = [this](const TCapturedClip &Clip) { HandleNewClip(Clip); };

    FClipHotkeys = std::make_unique<TClipHotkeys>(*this, dmData, FServices.Hotkeys, FServices.Input);
    FHotkeys = FClipHotkeys->FHotkeys;

    LoadWindowState();

    cmbCategory->clear();
    const QStringList files = QDir(dmData.CategoriesDir()).entryList({QStringLiteral("*.db")}, QDir::Files, QDir::NoSort);
    for (const QString &f : files)
        cmbCategory->addItem(QFileInfo(f).completeBaseName());
    for (int i = 0; i < cmbCategory->count(); ++i)
        if (cmbCategory->itemText(i).compare(QString::fromLatin1(DefaultCategoryName), Qt::CaseInsensitive) == 0) {
            cmbCategory->setCurrentIndex(i);
            break;
        }

    RefreshClipList();
    UpdateCommandButtons();
    TranslateInterface();
}

void TfrmMain::showEvent(QShowEvent *Event)
{
    QMainWindow::showEvent(Event);
    if (!FShown) {
        FShown = true;
        edtFilter->setFocus();
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    if (!frmSettings)
        return;
    frmSettings->LoadSettings();
    ApplySettingsFromSettingsForm();
    UpdateMinimizeRestoreHotkeyLabel();
}

void TfrmMain::resizeEvent(QResizeEvent *Event)
{
    QMainWindow::resizeEvent(Event);
    FormResize();
}

int TfrmMain::ListClientWidth() const
{
    return lvItems->viewport()->width();
}

void TfrmMain::FormResize()
{
    QHeaderView *h = lvItems->header();
    if (h->sectionSize(1) <= 0) {
        if (FHotkeyColumnWidth <= 0)
            FHotkeyColumnWidth = ListClientWidth() / 5;
        if (FHotkeyColumnWidth < DesignHotkeyColumnWidth)
            FHotkeyColumnWidth = DesignHotkeyColumnWidth;
        lvItems->setColumnWidth(1, FHotkeyColumnWidth);
    } else {
        FHotkeyColumnWidth = h->sectionSize(1);
    }
    FitColumns();
}

void TfrmMain::FitColumns()
{
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lvItems);
    lvItems->setColumnWidth(0, qMax(80, ListClientWidth() - lvItems->header()->sectionSize(1) - scrollBar - 8));
}

QString TfrmMain::SettingsFileName() const
{
    return JoinPath(AppDataDir(), QStringLiteral("settings.ini"));
}

void TfrmMain::LoadWindowState()
{
    const QString file = SettingsFileName();
    if (!QFileInfo::exists(file)) {
        const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect();
        move(roundHalfEven(screen.width() / 2.0) - roundHalfEven(width() / 2.0),
             roundHalfEven(screen.height() / 2.0) - roundHalfEven(height() / 2.0));
        return;
    }
    platform::IniFile ini(file);
    FSelectionCopyHintShown = ini.readBool(QStringLiteral("ui"), QStringLiteral("SelectionCopyHintShown"), false);
    const int left = ini.readInteger(QStringLiteral("form"), QStringLiteral("left"), x());
    const int top = ini.readInteger(QStringLiteral("form"), QStringLiteral("top"), y());
    move(left, top);
    const int w = ini.readInteger(QStringLiteral("form"), QStringLiteral("width"), width());
    const int h = ini.readInteger(QStringLiteral("form"), QStringLiteral("height"), height());
    resize(w, h);
    // The list fills what the bands leave; its height is read and kept only.
    ini.readInteger(QStringLiteral("form"), QStringLiteral("lvItemsheight"), lvItems->height());
    FHotkeyColumnWidth = ini.readInteger(QStringLiteral("form"), QStringLiteral("hotkeycolumnwidth"), 0);
    if (FHotkeyColumnWidth > 0)
        lvItems->setColumnWidth(1, FHotkeyColumnWidth);
    FormResize();
}

void TfrmMain::SaveWindowState()
{
    QString dir;
    try {
        dir = AppDataDir();
    } catch (const platform::Error &) {
        return; // no data directory: nothing is written, nothing is said
    }
    platform::IniFile ini(JoinPath(dir, QStringLiteral("settings.ini")));
    ini.writeBool(QStringLiteral("ui"), QStringLiteral("SelectionCopyHintShown"), FSelectionCopyHintShown);
    ini.writeInteger(QStringLiteral("form"), QStringLiteral("left"), x());
    ini.writeInteger(QStringLiteral("form"), QStringLiteral("top"), y());
    ini.writeInteger(QStringLiteral("form"), QStringLiteral("width"), width());
    ini.writeInteger(QStringLiteral("form"), QStringLiteral("height"), height());
    ini.writeInteger(QStringLiteral("form"), QStringLiteral("lvItemsheight"), lvItems->height());
    ini.writeInteger(QStringLiteral("form"), QStringLiteral("hotkeycolumnwidth"), lvItems->header()->sectionSize(1));
    ini.save();
}

void TfrmMain::FormDestroy()
{
    if (FPaste)
        FPaste->FPasteTimer->stop();
    SaveWindowState();
}

void TfrmMain::HandleNewClip(const TCapturedClip &Clip)
{
    dmData.AddClip(Clip.Kind, Clip.Text, Clip.Html, Clip.HtmlBytes, Clip.Rtf, Clip.RtfBytes, Clip.FilesText,
                   Clip.PngBytes, Clip.ImageRawBytes, Clip.ImageRawFormat, false);
    if (frmSettings && frmSettings->chAutomaticallyRemoveOldClips->isChecked()) {
        bool ok = false;
        const int keep = TrimBlanks(frmSettings->edtKeepOnlyLast_Clips->text()).toInt(&ok, 10);
        if (ok && keep > 0)
            dmData.RemoveOldUnpinnedClipsKeepLast(keep);
    }
    RefreshClipList();
}

void TfrmMain::ApplySettingsFromSettingsForm()
{
    if (!frmSettings)
        return;
    if (FWatcher) {
        if (frmSettings->chClipboardMonitoring->isChecked())
            FWatcher->StartWatching();
        else
            FWatcher->StopWatching();
    }
    if (FClipHotkeys)
        FClipHotkeys->ForgetMinimizeRestoreWarning();
    RegisterMinimizeRestoreHotkey();
    RegisterClipHotkeys();
    UpdateMinimizeRestoreHotkeyLabel();
}

void TfrmMain::TranslateInterface()
{
    btNewCategory->setToolTip(TranslateText(QStringLiteral("Add Category")));
    btRemoveCategory->setToolTip(TranslateText(QStringLiteral("Remove Category")));
    btRenameCategory->setToolTip(TranslateText(QStringLiteral("Rename Category")));
    btnNew->setToolTip(TranslateText(QStringLiteral("Add Empty Clip")));
    btnDelete->setToolTip(TranslateText(QStringLiteral("Remove Clip")));
    btnRenameClip->setToolTip(TranslateText(QStringLiteral("Rename Clip")));
    btnClearAll->setToolTip(TranslateText(QStringLiteral("Clear All Clips")));
    btnPin->setToolTip(TranslateText(QStringLiteral("Pin/Unpin ")));
    btnMoveUp->setToolTip(TranslateText(QStringLiteral("Move Up")));
    btnMoveDown->setToolTip(TranslateText(QStringLiteral("Move Down")));
    btnSetHotkey->setToolTip(TranslateText(QStringLiteral("Set Hotkey...")));
    btnPasteToActiveWindow->setToolTip(TranslateText(QStringLiteral("Paste Clip to Active Window [Double-click] [ENTER]")));
    chSearchBar->setText(TranslateText(QStringLiteral("Search bar")));
    FListModel->SetHeaders(TranslateText(QStringLiteral("Clipboard items")), TranslateText(QStringLiteral("Hotkey")));
    btnCancelEditing->setText(TranslateText(QStringLiteral("Cancel")));
    btnEdit_Apply->setText(TranslateText(QStringLiteral("Edit...")));
    btnSettings->setToolTip(TranslateText(QStringLiteral("Settings...")));
    btnAbout->setToolTip(TranslateText(QStringLiteral("About...")));
    UpdateMinimizeRestoreHotkeyLabel();
}

void TfrmMain::SaveCurrentLanguageInRegistry()
{
    SaveCurrentLanguage(FServices.Values);
}

void TfrmMain::RegisterMinimizeRestoreHotkey()
{
    if (FClipHotkeys)
        FClipHotkeys->RegisterMinimizeRestoreHotkey();
}

void TfrmMain::RegisterClipHotkeys()
{
    if (FClipHotkeys)
        FClipHotkeys->RegisterClipHotkeys();
}

void TfrmMain::HandleHotkey(QObject *Sender, int HotkeyId)
{
    if (FClipHotkeys)
        FClipHotkeys->HandleHotkey(Sender, HotkeyId);
}

void TfrmMain::StartPendingPaste(platform::WindowHandle Target, bool MinimizeFirst)
{
    FPaste->StartPendingPaste(Target, MinimizeFirst);
}

void TfrmMain::PasteTimerTimer()
{
    FPaste->PasteTimerTimer();
}

platform::WindowHandle TfrmMain::FindPasteTarget()
{
    return FPaste->FindPasteTarget();
}

bool TfrmMain::ShowClipHotkeyDialog(qint64 ClipId, int &Modifiers, int &VirtualKey, QString &HotkeyText)
{
    return ::ShowClipHotkeyDialog(this, dmData, ClipId, Modifiers, VirtualKey, HotkeyText);
}

void TfrmMain::UpdateMinimizeRestoreHotkeyLabel()
{
    if (!frmSettings) {
        Label1->clear();
        return;
    }
    if (frmSettings->chUseHotkeyToMinimizeAndRestoreProgram->isChecked()) {
        const QString s = frmSettings->HotKeyToMinimizeAndRestore->text();
        Label1->setText(!s.isEmpty() ? s + TranslateText(QStringLiteral(" to Minimize/Restore"))
                                     : TranslateText(QStringLiteral("Minimize/Restore hotkey is not set")));
    } else {
        Label1->setText(TranslateText(QStringLiteral("Minimize/Restore hotkey is disabled")));
    }
}

void TfrmMain::btnSettingsClick()
{
    if (!frmSettings)
        return;
    frmSettings->LoadSettings();
    frmSettings->exec();
}

void TfrmMain::btnAboutClick()
{
    QMessageBox::information(this, TranslateText(QStringLiteral("About...")),
                             QString::fromLatin1(ApplicationTitle) + QLatin1Char('\n')
                                 + TranslateText(QStringLiteral("Version: ")) + QString::fromLatin1(AppVersionText)
                                 + QStringLiteral("\n\n")
                                 + TranslateText(QStringLiteral("A clipboard history for the desktop.")));
}
