#pragma once

// Hotkeys for tests: registrations are recorded, a test marks combinations
// as held by other programs and fires presses, which are posted to the
// registering window as the desktop would.

#include "../hotkeys.h"

#include <QList>
#include <QPointer>

namespace platform {

class SimulatedHotkeys : public GlobalHotkeys {
public:
    struct Registration {
        QPointer<QObject> window;
        int id = 0;
        quint32 modifiers = 0; // as registered, MOD_NOREPEAT included
        quint32 virtualKey = 0;
    };

    bool registerHotKey(QObject *window, int id, quint32 modifiers, quint32 virtualKey) override;
    bool unregisterHotKey(QObject *window, int id) override;

    // --- What a test uses. ---

    // Another program holds (or releases) the combination.
    void setTakenByOtherProgram(quint32 modifiers, quint32 virtualKey, bool taken = true);
    // Presses the combination: answers whether a registration got it.
    bool press(quint32 modifiers, quint32 virtualKey);
    // Virtual keys the keyboard lacks: registering them is refused.
    void setMissingKey(quint32 virtualKey) { m_missingKeys.append(virtualKey); }

    const QList<Registration> &registrations() const { return m_registrations; }
    // The registration of a combination (modifiers without MOD_NOREPEAT), if any.
    const Registration *find(quint32 modifiers, quint32 virtualKey) const;
    int registerCalls() const { return m_registerCalls; }

private:
    static quint32 combo(quint32 modifiers, quint32 virtualKey);

    QList<Registration> m_registrations;
    QList<quint32> m_takenByOthers;
    QList<quint32> m_missingKeys;
    int m_registerCalls = 0;
};

} // namespace platform
