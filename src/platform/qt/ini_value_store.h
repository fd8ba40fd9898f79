#pragma once

// The value store of the desktop: a small INI file, by default "values.ini" in
// $XDG_CONFIG_HOME/Stashwell/, with one section per key (the key without its
// surrounding backslashes, "[Software\Stashwell]") and one entry per value.
// Every value of an INI file is a string. The file is read at every call, so
// that the store always answers what is on disk.

#include "../value_store.h"

namespace platform {

class IniValueStore : public ValueStore {
public:
    // The store in the user's configuration folder.
    IniValueStore();
    // The store in the file at path (for tests).
    explicit IniValueStore(const QString &path);

    const QString &path() const { return m_path; }

    // The file of the default store.
    static QString defaultPath();

    bool keyExists(const QString &key) override;
    std::optional<QString> readString(const QString &key, const QString &name) override;
    bool writeString(const QString &key, const QString &name, const QString &value) override;

private:
    QString m_path;
};

} // namespace platform
