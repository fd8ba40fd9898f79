#pragma once

// A hotkey-entry control: the user presses a combination and the control
// shows it ("Shift+Ctrl+Z") and holds its 16-bit shortcut code.

#include <QLineEdit>

#include <functional>

class THotkeyEdit : public QLineEdit {
public:
    explicit THotkeyEdit(QWidget *Parent = nullptr);

    // The shortcut code; 0 when no hotkey is set.
    quint16 HotKey() const { return FHotKey; }
    void SetHotKey(quint16 Code);

    // When set, a combination without Ctrl, Alt or Shift is invalid and gives
    // no hotkey (no modifier is put in its place).
    bool FRequireModifier = false;
    // Called after every change made by the user.
    std::function<void()> OnChange;

protected:
    void keyPressEvent(QKeyEvent *Event) override;

private:
    quint16 FHotKey = 0;
};
