#pragma once

// The "Set Clip Hotkey" dialog: the user presses a combination for a clip,
// or removes the clip's hotkey.

#include <QDialog>

class QLabel;
class QPushButton;
class TdmData;
class THotkeyEdit;

class TClipHotkeyDialog : public QDialog {
public:
    // The dialog's results beside Accepted and Rejected.
    static constexpr int ResultRemove = 6; // the "Yes" result

    explicit TClipHotkeyDialog(QWidget *Owner);

    QLabel *lblPrompt = nullptr;
    THotkeyEdit *edtHotkey = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnRemove = nullptr;

protected:
    void resizeEvent(QResizeEvent *Event) override;

private:
    void PlaceControls();
};

// Shows the dialog for a clip, starting from its stored hotkey. True with
// the chosen combination (registration form and display text), or with 0, 0
// and an empty text for Remove; false for Cancel and for an invalid choice,
// which is explained in a warning.
bool ShowClipHotkeyDialog(QWidget *Owner, TdmData &Data, qint64 ClipId, int &Modifiers, int &VirtualKey,
                          QString &HotkeyText);
