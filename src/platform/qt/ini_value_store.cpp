#include "ini_value_store.h"

#include "../error.h"
#include "../ini_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

IniValueStore::IniValueStore() : m_path(defaultPath()) {}

IniValueStore::IniValueStore(const QString &path) : m_path(path) {}

QString IniValueStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Stashwell/values.ini");
}

bool IniValueStore::keyExists(const QString &key)
{
    const QString wanted = normalizedValueStoreKey(key);
    const QString subkeyPrefix = wanted + u'\\';
    const QStringList sections = IniFile(m_path).sections();
    for (const QString &section : sections) {
        const QString name = normalizedValueStoreKey(section);
        if (name.compare(wanted, Qt::CaseInsensitive) == 0
            || name.startsWith(subkeyPrefix, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

std::optional<QString> IniValueStore::readString(const QString &key, const QString &name)
{
    const IniFile file(m_path);
    const QString section = normalizedValueStoreKey(key);
    if (!file.keyExists(section, name))
        return std::nullopt;
    return file.readString(section, name, QString());
}

bool IniValueStore::writeString(const QString &key, const QString &name, const QString &value)
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return false;
    try {
        IniFile file(m_path);
        file.writeString(normalizedValueStoreKey(key), name, value);
        file.save();
        return true;
    } catch (const Error &) {
        return false;
    }
}

} // namespace platform
