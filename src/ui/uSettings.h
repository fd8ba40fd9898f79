#pragma once

// The settings dialog. It lives for the whole run and its controls are the
// settings in force: other parts read a control at the moment they need it.
// Section "settings" of "settings.ini" is read by LoadSettings and written
// only by Close.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class THotkeyEdit;
class TfrmMain;

class TfrmSettings : public QDialog {
public:
    explicit TfrmSettings(TfrmMain *Main, QWidget *Parent = nullptr);

    void FormCreate();
    void FormShow();
    void LoadSettings();
    void SaveSettings();
    void ApplySettings();
    void UpdateLanguageMenu();
    void btnCloseClick();
    void cmbLanguageCloseUp();
    QString SettingsFileName() const;
    void TranslateCaptions();
    void UpdateControlStates();

    QGroupBox *GroupBox1 = nullptr;
    QCheckBox *chClipboardMonitoring = nullptr;
    QCheckBox *chAutomaticallyRemoveOldClips = nullptr;
    QLineEdit *edtKeepOnlyLast_Clips = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QCheckBox *chPasteAsPlainText = nullptr;
    QCheckBox *chUseDoubleClickToPasteClipToActiveWindow = nullptr;
    QCheckBox *chUseEnterKeyToPasteClipToActiveWindow = nullptr;
    QGroupBox *GroupBox4 = nullptr;
    QCheckBox *chUseHotkeyToMinimizeAndRestoreProgram = nullptr;
    THotkeyEdit *HotKeyToMinimizeAndRestore = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *cmbLanguage = nullptr;
    QPushButton *btnClose = nullptr;

protected:
    void showEvent(QShowEvent *Event) override;

private:
    void HotkeyControlsChanged();

    TfrmMain *frmMain;
};
