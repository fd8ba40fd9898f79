#pragma once

// The per-user store of named values that the program keeps under a key, as
// the Windows registry does in HKEY_CURRENT_USER. Keys are paths written with
// backslashes ("\Software\Stashwell"); a leading or trailing backslash does not
// matter, and keys and value names are matched without regard to letter case.

#include <QString>

#include <optional>

namespace platform {

class ValueStore {
public:
    virtual ~ValueStore() = default;

    // Whether the key exists (it is not created by asking).
    virtual bool keyExists(const QString &key) = 0;

    // The string value name under key; nullopt when the key or the value is
    // missing, when the value is not a string, or when the store cannot be read.
    virtual std::optional<QString> readString(const QString &key, const QString &name) = 0;

    // Stores value as the string value name under key, creating the key when
    // missing. Answers false when that fails; nothing is raised.
    virtual bool writeString(const QString &key, const QString &name, const QString &value) = 0;
};

// The key with surrounding backslashes and blanks taken off: the form in
// which the backends compare and keep keys.
inline QString normalizedValueStoreKey(const QString &key)
{
    QString result = key.trimmed();
    while (result.startsWith(u'\\'))
        result.remove(0, 1);
    while (result.endsWith(u'\\'))
        result.chop(1);
    return result;
}

} // namespace platform
