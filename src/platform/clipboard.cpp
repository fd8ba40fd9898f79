#include "clipboard.h"

namespace platform {

// The 8-bit code page of this desktop is the locale's; on current Linux
// systems that is UTF-8.
QString ansiToUnicode(const QByteArray &bytes)
{
    return QString::fromLocal8Bit(bytes);
}

QByteArray unicodeToAnsi(const QString &text)
{
    return text.toLocal8Bit();
}

} // namespace platform
