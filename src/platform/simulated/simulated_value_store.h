#pragma once

// An in-memory value store for tests: keys and values live in the object, a
// test can plant values of other types than strings, make every write fail,
// and count the writes.

#include "../value_store.h"

#include <QMap>

#include <variant>

namespace platform {

class SimulatedValueStore : public ValueStore {
public:
    bool keyExists(const QString &key) override;
    std::optional<QString> readString(const QString &key, const QString &name) override;
    bool writeString(const QString &key, const QString &name, const QString &value) override;

    // --- What a test uses to prepare the store and to look inside. ---

    // Creates the key without any value.
    void createKey(const QString &key);
    // Plants a 32-bit integer value (a REG_DWORD), which readString does not read.
    void setIntegerValue(const QString &key, const QString &name, quint32 value);
    // While set, writeString fails and changes nothing.
    void setWritesFail(bool fail) { m_writesFail = fail; }
    // Successful writes since construction.
    int writeCount() const { return m_writeCount; }

private:
    using Value = std::variant<QString, quint32>;
    struct Key {
        QMap<QString, Value> values; // by lower-case name
    };
    static QString keyId(const QString &key);

    QMap<QString, Key> m_keys; // by lower-case normalised key
    bool m_writesFail = false;
    int m_writeCount = 0;
};

} // namespace platform
