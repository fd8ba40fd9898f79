#include "uSettings.h"

#include "uClipboardUtils.h"
#include "uHotkeyEdit.h"
#include "uMain.h"
#include "uShortcut.h"
#include "uUtils.h"

#include "platform/ini_file.h"
#include "translation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Section = QStringLiteral("settings");

// The keep count as a positive number, or 0 when the text is not one.
int keepCount(const QString &text)
{
    bool ok = false;
    const int n = TrimBlanks(text).toInt(&ok, 10);
    return ok && n > 0 ? n : 0;
}

QCheckBox *wrappingCheckBox(QWidget *parent)
{
    auto *c = new QCheckBox(parent);
    c->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return c;
}

} // namespace

TfrmSettings::TfrmSettings(TfrmMain *Main, QWidget *Parent) : QDialog(Parent), frmMain(Main)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto *column = new QVBoxLayout(this);

    GroupBox1 = new QGroupBox(this);
    auto *g1 = new QGridLayout(GroupBox1);
    chClipboardMonitoring = new QCheckBox(GroupBox1);
    chAutomaticallyRemoveOldClips = wrappingCheckBox(GroupBox1);
    edtKeepOnlyLast_Clips = new QLineEdit(QStringLiteral("20"), GroupBox1);
    edtKeepOnlyLast_Clips->setFixedWidth(60);
    g1->addWidget(chClipboardMonitoring, 0, 0, 1, 2);
    g1->addWidget(chAutomaticallyRemoveOldClips, 1, 0);
    g1->addWidget(edtKeepOnlyLast_Clips, 1, 1);
    column->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(this);
    auto *g2 = new QVBoxLayout(GroupBox2);
    chPasteAsPlainText = new QCheckBox(GroupBox2);
    chUseDoubleClickToPasteClipToActiveWindow = new QCheckBox(GroupBox2);
    chUseEnterKeyToPasteClipToActiveWindow = new QCheckBox(GroupBox2);
    g2->addWidget(chPasteAsPlainText);
    g2->addWidget(chUseDoubleClickToPasteClipToActiveWindow);
    g2->addWidget(chUseEnterKeyToPasteClipToActiveWindow);
    column->addWidget(GroupBox2);

    GroupBox4 = new QGroupBox(this);
    auto *g4 = new QHBoxLayout(GroupBox4);
    chUseHotkeyToMinimizeAndRestoreProgram = wrappingCheckBox(GroupBox4);
    HotKeyToMinimizeAndRestore = new THotkeyEdit(GroupBox4);
    HotKeyToMinimizeAndRestore->FRequireModifier = true;
    HotKeyToMinimizeAndRestore->setFixedWidth(140);
    g4->addWidget(chUseHotkeyToMinimizeAndRestoreProgram, 1);
    g4->addWidget(HotKeyToMinimizeAndRestore);
    column->addWidget(GroupBox4);

    GroupBox3 = new QGroupBox(QStringLiteral("GroupBox3"), this);
    auto *g3 = new QHBoxLayout(GroupBox3);
    Label1 = new QLabel(GroupBox3);
    cmbLanguage = new QComboBox(GroupBox3);
    cmbLanguage->setEditable(false);
    g3->addWidget(Label1);
    g3->addWidget(cmbLanguage, 1);
    column->addWidget(GroupBox3);

    btnClose = new QPushButton(QStringLiteral("Close"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    column->addLayout(buttons);

    chClipboardMonitoring->setChecked(true);
    chUseDoubleClickToPasteClipToActiveWindow->setChecked(true);
    chUseEnterKeyToPasteClipToActiveWindow->setChecked(true);

    connect(chAutomaticallyRemoveOldClips, &QCheckBox::clicked, this, [this] { UpdateControlStates(); });
    connect(chUseHotkeyToMinimizeAndRestoreProgram, &QCheckBox::clicked, this, [this] { HotkeyControlsChanged(); });
    HotKeyToMinimizeAndRestore->OnChange = [this] { HotkeyControlsChanged(); };
    connect(cmbLanguage, QOverload<int>::of(&QComboBox::activated), this, [this] { cmbLanguageCloseUp(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });

    FormCreate();
    TranslateCaptions();
    GroupBox3->setTitle(QStringLiteral("GroupBox3"));
    setFixedSize(sizeHint().expandedTo(QSize(460, 0)));
}

void TfrmSettings::FormCreate()
{
    HotKeyToMinimizeAndRestore->SetHotKey(DefaultMinimizeRestoreShortcut);
    chUseHotkeyToMinimizeAndRestoreProgram->setChecked(true);
    UpdateControlStates();
}

void TfrmSettings::showEvent(QShowEvent *Event)
{
    FormShow();
    QDialog::showEvent(Event);
}

void TfrmSettings::FormShow()
{
    UpdateLanguageMenu();
    TranslateCaptions();
}

QString TfrmSettings::SettingsFileName() const
{
    return JoinPath(AppDataDir(), QStringLiteral("settings.ini"));
}

void TfrmSettings::LoadSettings()
{
    chClipboardMonitoring->setChecked(true);
    chPasteAsPlainText->setChecked(false);
    chUseDoubleClickToPasteClipToActiveWindow->setChecked(true);
    chUseEnterKeyToPasteClipToActiveWindow->setChecked(true);
    chUseHotkeyToMinimizeAndRestoreProgram->setChecked(true);
    chAutomaticallyRemoveOldClips->setChecked(false);
    edtKeepOnlyLast_Clips->setText(QStringLiteral("20"));
    HotKeyToMinimizeAndRestore->SetHotKey(DefaultMinimizeRestoreShortcut);

    const QString file = SettingsFileName();
    if (QFileInfo::exists(file)) {
        platform::IniFile ini(file);
        auto readBool = [&](const char *key, QCheckBox *box) {
            box->setChecked(ini.readBool(Section, QString::fromLatin1(key), box->isChecked()));
        };
        readBool("ClipboardMonitoring", chClipboardMonitoring);
        readBool("PasteAsPlainText", chPasteAsPlainText);
        readBool("UseDoubleClickToPaste", chUseDoubleClickToPasteClipToActiveWindow);
        readBool("UseEnterKeyToPaste", chUseEnterKeyToPasteClipToActiveWindow);
        readBool("UseHotkeyToMinimizeAndRestoreProgram", chUseHotkeyToMinimizeAndRestoreProgram);
        readBool("AutomaticallyRemoveOldClips", chAutomaticallyRemoveOldClips);
        edtKeepOnlyLast_Clips->setText(
            ini.readString(Section, QStringLiteral("KeepOnlyLastClips"), edtKeepOnlyLast_Clips->text()));
        const quint16 code = quint16(ini.readInteger(Section, QStringLiteral("HotKeyToMinimizeAndRestore"),
                                                     HotKeyToMinimizeAndRestore->HotKey())
                                     & 0xFFFF);
        HotKeyToMinimizeAndRestore->SetHotKey(code != 0 ? code : DefaultMinimizeRestoreShortcut);
    }
    if (keepCount(edtKeepOnlyLast_Clips->text()) == 0)
        edtKeepOnlyLast_Clips->setText(QStringLiteral("20"));
    UpdateControlStates();
}

void TfrmSettings::SaveSettings()
{
    const QString file = SettingsFileName(); // creates the folder when missing
    int keep = keepCount(edtKeepOnlyLast_Clips->text());
    if (keep == 0)
        keep = 20;
    edtKeepOnlyLast_Clips->setText(QString::number(keep));

    platform::IniFile ini(file);
    ini.writeBool(Section, QStringLiteral("ClipboardMonitoring"), chClipboardMonitoring->isChecked());
    ini.writeBool(Section, QStringLiteral("PasteAsPlainText"), chPasteAsPlainText->isChecked());
    ini.writeBool(Section, QStringLiteral("UseDoubleClickToPaste"), chUseDoubleClickToPasteClipToActiveWindow->isChecked());
    ini.writeBool(Section, QStringLiteral("UseEnterKeyToPaste"), chUseEnterKeyToPasteClipToActiveWindow->isChecked());
    ini.writeBool(Section, QStringLiteral("UseHotkeyToMinimizeAndRestoreProgram"),
                  chUseHotkeyToMinimizeAndRestoreProgram->isChecked());
    ini.writeInteger(Section, QStringLiteral("HotKeyToMinimizeAndRestore"), HotKeyToMinimizeAndRestore->HotKey());
    ini.writeBool(Section, QStringLiteral("AutomaticallyRemoveOldClips"), chAutomaticallyRemoveOldClips->isChecked());
    ini.writeString(Section, QStringLiteral("KeepOnlyLastClips"), edtKeepOnlyLast_Clips->text());
    ini.save();
}

void TfrmSettings::ApplySettings()
{
    if (frmMain)
        frmMain->ApplySettingsFromSettingsForm();
}

void TfrmSettings::btnCloseClick()
{
    if (chUseHotkeyToMinimizeAndRestoreProgram->isChecked() && HotKeyToMinimizeAndRestore->HotKey() == 0)
        HotKeyToMinimizeAndRestore->SetHotKey(DefaultMinimizeRestoreShortcut);
    SaveSettings();
    ApplySettings();
    accept();
}

void TfrmSettings::UpdateLanguageMenu()
{
    cmbLanguage->clear();
    for (const QStringList &language : LanguageTexts)
        cmbLanguage->addItem(language.value(0));
    if (CurrentLanguageIndex >= 0 && CurrentLanguageIndex < cmbLanguage->count())
        cmbLanguage->setCurrentIndex(CurrentLanguageIndex);
}

void TfrmSettings::cmbLanguageCloseUp()
{
    const int index = cmbLanguage->currentIndex();
    if (index < 0 || index >= LanguageTexts.size())
        return;
    CurrentLanguageIndex = index;
    CurrentLanguageCode = LanguageTexts[index].value(1);
    if (frmMain)
        frmMain->TranslateInterface();
    TranslateCaptions();
    if (frmMain)
        frmMain->SaveCurrentLanguageInRegistry();
}

void TfrmSettings::TranslateCaptions()
{
    setWindowTitle(TranslateText(QStringLiteral("Settings")));
    GroupBox1->setTitle(TranslateText(QStringLiteral("Activity")));
    GroupBox2->setTitle(TranslateText(QStringLiteral("Paste")));
    GroupBox3->setTitle(TranslateText(QStringLiteral("Language")));
    GroupBox4->setTitle(TranslateText(QStringLiteral("Hotkey")));
    chClipboardMonitoring->setText(TranslateText(QStringLiteral("Clipboard Recording")));
    chAutomaticallyRemoveOldClips->setText(
        TranslateText(QStringLiteral("Automatically remove old clips. In every category keep only last:")));
    chPasteAsPlainText->setText(TranslateText(QStringLiteral("Paste content as plain text")));
    chUseDoubleClickToPasteClipToActiveWindow->setText(
        TranslateText(QStringLiteral("Use double click to paste clip to the active window")));
    chUseEnterKeyToPasteClipToActiveWindow->setText(
        TranslateText(QStringLiteral("Use ENTER key to paste clip to the active window")));
    chUseHotkeyToMinimizeAndRestoreProgram->setText(
        TranslateText(QStringLiteral("Use this hotkey to minimize / restore program:")));
    Label1->setText(TranslateText(QStringLiteral("Language:")));
}

void TfrmSettings::UpdateControlStates()
{
    HotKeyToMinimizeAndRestore->setEnabled(chUseHotkeyToMinimizeAndRestoreProgram->isChecked());
    edtKeepOnlyLast_Clips->setEnabled(chAutomaticallyRemoveOldClips->isChecked());
}

void TfrmSettings::HotkeyControlsChanged()
{
    UpdateControlStates();
    if (frmMain)
        frmMain->UpdateMinimizeRestoreHotkeyLabel();
}
