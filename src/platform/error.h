#pragma once

// The one error type of the program: it carries the text shown to the user.

#include <QString>

#include <stdexcept>

namespace platform {

class Error : public std::runtime_error {
public:
    explicit Error(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

} // namespace platform
