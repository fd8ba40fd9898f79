#pragma once

// System-wide hotkeys registered on a hidden message window of their own;
// each press is reported with the id it was registered under. The manager
// knows nothing of clips or settings: its owner picks the ids and keys.

#include <QList>
#include <QMap>
#include <QObject>

#include <functional>

namespace platform {
class GlobalHotkeys;
}

// Sender is the manager.
using THotkeyEvent = std::function<void(QObject *Sender, int HotkeyId)>;

class THotkeyManager : public QObject {
public:
    // Freed with its owner; releases every registration it holds.
    THotkeyManager(QObject *AOwner, platform::GlobalHotkeys &Hotkeys);
    ~THotkeyManager() override;

    // True when the desktop accepted the combination (MOD_ flags and a
    // virtual key; holding the keys gives one press). A new combination for
    // a registered id replaces the old one; when it is refused the id is left
    // unregistered. Key 0 answers false and changes nothing.
    bool RegisterHotkey(int AHotkeyId, int AModifiers, int AVirtualKey);
    void UnregisterHotkey(int AHotkeyId);
    void UnregisterAll();
    // Id 1 as Ctrl+Shift+Z and id 2 as Ctrl with the grave-accent key.
    void RegisterDefaults();

    // Assigned by the owner right after construction; may stay empty.
    THotkeyEvent FOnHotkey;

    // The message window that owns the registrations and receives the presses.
    QObject *Wnd() const { return FWnd; }
    // Ids in order of registration, and the combination of each
    // (virtual key << 16 | modifiers).
    const QList<int> &RegisteredIds() const { return FRegisteredIds; }
    const QMap<int, quint32> &HotkeyCombos() const { return FHotkeyCombos; }

    static quint32 MakeHotkeyCombo(quint32 Modifiers, quint32 VirtualKey);

private:
    friend class THotkeyMessageWindow;
    void HandleHotkeyMessage(int WParam, quint32 LParam);
    int FindHotkeyIdByCombo(quint32 Modifiers, quint32 VirtualKey) const;

    platform::GlobalHotkeys &FHotkeys;
    QObject *FWnd = nullptr;
    QList<int> FRegisteredIds;
    QMap<int, quint32> FHotkeyCombos;
};
