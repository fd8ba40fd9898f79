#include "simulated_value_store.h"

namespace platform {

QString SimulatedValueStore::keyId(const QString &key)
{
    return normalizedValueStoreKey(key).toLower();
}

bool SimulatedValueStore::keyExists(const QString &key)
{
    const QString id = keyId(key);
    if (m_keys.contains(id))
        return true;
    // A key exists as soon as one of its subkeys does, as in the registry.
    const QString prefix = id + u'\\';
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it) {
        if (it.key().startsWith(prefix))
            return true;
    }
    return false;
}

std::optional<QString> SimulatedValueStore::readString(const QString &key, const QString &name)
{
    const auto keyIt = m_keys.constFind(keyId(key));
    if (keyIt == m_keys.cend())
        return std::nullopt;
    const auto valueIt = keyIt->values.constFind(name.toLower());
    if (valueIt == keyIt->values.cend())
        return std::nullopt;
    if (const QString *text = std::get_if<QString>(&*valueIt))
        return *text;
    return std::nullopt;
}

bool SimulatedValueStore::writeString(const QString &key, const QString &name, const QString &value)
{
    if (m_writesFail)
        return false;
    m_keys[keyId(key)].values.insert(name.toLower(), value);
    ++m_writeCount;
    return true;
}

void SimulatedValueStore::createKey(const QString &key)
{
    m_keys[keyId(key)];
}

void SimulatedValueStore::setIntegerValue(const QString &key, const QString &name, quint32 value)
{
    m_keys[keyId(key)].values.insert(name.toLower(), value);
}

} // namespace platform
