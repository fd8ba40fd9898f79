#include "simulated_hotkeys.h"

#include <QCoreApplication>

namespace platform {

quint32 SimulatedHotkeys::combo(quint32 modifiers, quint32 virtualKey)
{
    return (virtualKey << 16) | (modifiers & ~MOD_NOREPEAT & 0xFFFF);
}

bool SimulatedHotkeys::registerHotKey(QObject *window, int id, quint32 modifiers, quint32 virtualKey)
{
    ++m_registerCalls;
    if (!window || virtualKey == 0 || virtualKey > 0xFF || m_missingKeys.contains(virtualKey))
        return false;
    if (m_takenByOthers.contains(combo(modifiers, virtualKey)) || find(modifiers, virtualKey))
        return false;
    for (const Registration &r : m_registrations)
        if (r.window == window && r.id == id)
            return false;
    m_registrations.append({window, id, modifiers, virtualKey});
    return true;
}

bool SimulatedHotkeys::unregisterHotKey(QObject *window, int id)
{
    for (qsizetype i = 0; i < m_registrations.size(); ++i) {
        if (m_registrations[i].window == window && m_registrations[i].id == id) {
            m_registrations.removeAt(i);
            return true;
        }
    }
    return false;
}

void SimulatedHotkeys::setTakenByOtherProgram(quint32 modifiers, quint32 virtualKey, bool taken)
{
    const quint32 c = combo(modifiers, virtualKey);
    m_takenByOthers.removeAll(c);
    if (taken)
        m_takenByOthers.append(c);
}

const SimulatedHotkeys::Registration *SimulatedHotkeys::find(quint32 modifiers, quint32 virtualKey) const
{
    const quint32 c = combo(modifiers, virtualKey);
    for (const Registration &r : m_registrations)
        if (r.window && combo(r.modifiers, r.virtualKey) == c)
            return &r;
    return nullptr;
}

bool SimulatedHotkeys::press(quint32 modifiers, quint32 virtualKey)
{
    const Registration *r = find(modifiers, virtualKey);
    if (!r)
        return false;
    // As the desktop reports it: the registered modifiers, no-repeat bit included.
    QCoreApplication::postEvent(r->window.data(), new HotkeyEvent(r->id, (r->modifiers & 0xFFFF) | (virtualKey << 16)));
    return true;
}

} // namespace platform
