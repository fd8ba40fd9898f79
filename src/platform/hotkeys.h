#pragma once

// System-wide hotkeys: a key combination registered under an id for one of
// the program's message windows, whose presses reach that window through the
// event loop. Modifier flags and key codes keep their Windows meaning.

#include <QEvent>
#include <QtGlobal>

class QObject;

namespace platform {

inline constexpr quint32 MOD_ALT = 0x0001;
inline constexpr quint32 MOD_CONTROL = 0x0002;
inline constexpr quint32 MOD_SHIFT = 0x0004;
inline constexpr quint32 MOD_WIN = 0x0008;
// Holding the keys down gives one press only.
inline constexpr quint32 MOD_NOREPEAT = 0x4000;

// Posted to the message window of a registration at each press (the
// counterpart of WM_HOTKEY): the id, and the modifiers in the low 16 bits and
// the virtual key in the high 16 bits of lParam.
class HotkeyEvent : public QEvent {
public:
    static constexpr QEvent::Type Type = QEvent::Type(QEvent::User + 0x0312);

    HotkeyEvent(int id, quint32 lParam) : QEvent(Type), m_id(id), m_lParam(lParam) {}
    int id() const { return m_id; }
    quint32 lParam() const { return m_lParam; }

private:
    int m_id;
    quint32 m_lParam;
};

class GlobalHotkeys {
public:
    virtual ~GlobalHotkeys() = default;

    // Registers the combination for the window under the id. False, with
    // nothing registered, when the id is already registered for that window,
    // the combination is held by anyone (this program included), the key is
    // not on the keyboard, or the desktop refuses.
    virtual bool registerHotKey(QObject *window, int id, quint32 modifiers, quint32 virtualKey) = 0;

    // Releases the window's registration of the id; false when there was none.
    virtual bool unregisterHotKey(QObject *window, int id) = 0;
};

} // namespace platform
