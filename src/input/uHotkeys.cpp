#include "uHotkeys.h"

#include "platform/hotkeys.h"

using namespace platform;

// The hidden window the desktop posts the presses to.
class THotkeyMessageWindow : public QObject {
public:
    explicit THotkeyMessageWindow(THotkeyManager *Manager) : FManager(Manager) {}

protected:
    bool event(QEvent *Event) override
    {
        if (Event->type() != HotkeyEvent::Type)
            return QObject::event(Event);
        const auto *e = static_cast<HotkeyEvent *>(Event);
        FManager->HandleHotkeyMessage(e->id(), e->lParam());
        return true;
    }

private:
    THotkeyManager *FManager;
};

THotkeyManager::THotkeyManager(QObject *AOwner, GlobalHotkeys &Hotkeys)
    : QObject(AOwner), FHotkeys(Hotkeys), FWnd(new THotkeyMessageWindow(this))
{
}

THotkeyManager::~THotkeyManager()
{
    UnregisterAll();
    delete FWnd;
    FWnd = nullptr;
}

quint32 THotkeyManager::MakeHotkeyCombo(quint32 Modifiers, quint32 VirtualKey)
{
    return (VirtualKey << 16) | (Modifiers & 0xFFFF);
}

bool THotkeyManager::RegisterHotkey(int AHotkeyId, int AModifiers, int AVirtualKey)
{
    if (!FWnd || AVirtualKey == 0)
        return false;
    FHotkeys.unregisterHotKey(FWnd, AHotkeyId);
    FRegisteredIds.removeAll(AHotkeyId);
    FHotkeyCombos.remove(AHotkeyId);
    if (!FHotkeys.registerHotKey(FWnd, AHotkeyId, quint32(AModifiers) | MOD_NOREPEAT, quint32(AVirtualKey)))
        return false;
    if (!FRegisteredIds.contains(AHotkeyId))
        FRegisteredIds.append(AHotkeyId);
    FHotkeyCombos.insert(AHotkeyId, MakeHotkeyCombo(quint32(AModifiers), quint32(AVirtualKey)));
    return true;
}

void THotkeyManager::UnregisterHotkey(int AHotkeyId)
{
    if (FWnd)
        FHotkeys.unregisterHotKey(FWnd, AHotkeyId);
    FRegisteredIds.removeAll(AHotkeyId);
    FHotkeyCombos.remove(AHotkeyId);
}

void THotkeyManager::UnregisterAll()
{
    for (qsizetype i = FRegisteredIds.size() - 1; i >= 0; --i)
        FHotkeys.unregisterHotKey(FWnd, FRegisteredIds[i]);
    FRegisteredIds.clear();
    FHotkeyCombos.clear();
}

void THotkeyManager::RegisterDefaults()
{
    RegisterHotkey(1, int(MOD_CONTROL | MOD_SHIFT), 0x5A);
    RegisterHotkey(2, int(MOD_CONTROL), 0xC0);
}

int THotkeyManager::FindHotkeyIdByCombo(quint32 Modifiers, quint32 VirtualKey) const
{
    const quint32 combo = MakeHotkeyCombo(Modifiers, VirtualKey);
    for (auto it = FHotkeyCombos.cbegin(); it != FHotkeyCombos.cend(); ++it)
        if (it.value() == combo)
            return it.key();
    return 0;
}

void THotkeyManager::HandleHotkeyMessage(int WParam, quint32 LParam)
{
    const quint32 modifiers = (LParam & 0xFFFF) & ~MOD_NOREPEAT;
    const quint32 virtualKey = LParam >> 16;
    int id = FindHotkeyIdByCombo(modifiers, virtualKey);
    if (id == 0)
        id = WParam;
    if (FOnHotkey)
        FOnHotkey(this, id);
}
