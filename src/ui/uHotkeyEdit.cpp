#include "uHotkeyEdit.h"

#include "uShortcut.h"

#include <QKeyEvent>

THotkeyEdit::THotkeyEdit(QWidget *Parent) : QLineEdit(Parent)
{
    setReadOnly(true); // text comes from key presses only
    setContextMenuPolicy(Qt::NoContextMenu);
}

void THotkeyEdit::SetHotKey(quint16 Code)
{
    FHotKey = Code & 0xFF ? Code : 0;
    setText(ShortcutToText(FHotKey));
}

void THotkeyEdit::keyPressEvent(QKeyEvent *Event)
{
    const int key = Event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        QLineEdit::keyPressEvent(Event);
        return;
    }
    const Qt::KeyboardModifiers mods = Event->modifiers();
    quint16 code = 0;
    if (mods & Qt::ShiftModifier)
        code |= scShift;
    if (mods & Qt::ControlModifier)
        code |= scCtrl;
    if (mods & Qt::AltModifier)
        code |= scAlt;
    int vk = QtKeyToVirtualKey(key);
    // Shift turns some keys into others ("~" for "`"); the key is what counts.
    if (vk == 0 && (mods & Qt::ShiftModifier)) {
        const quint32 native = Event->nativeVirtualKey();
        if (native >= 'a' && native <= 'z')
            vk = int(native - 'a' + 'A');
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && code == 0) {
        SetHotKey(0);
    } else if (vk == 0) {
        // A modifier alone shows what is held so far.
        setText(ShortcutModifierPrefix(code));
        Event->accept();
        return;
    } else if (FRequireModifier && (code & (scCtrl | scAlt | scShift)) == 0) {
        SetHotKey(0);
    } else {
        SetHotKey(quint16(code | vk));
    }
    Event->accept();
    if (OnChange)
        OnChange();
}
