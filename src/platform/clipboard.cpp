#include "clipboard.h"

#include <QCoreApplication>

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

QByteArray utf16WithNul(const QString &text)
{
    QByteArray out;
    out.reserve((text.size() + 1) * 2);
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    out.append(2, '\0');
    return out;
}

QString utf16UpToNul(const QByteArray &bytes)
{
    const qsizetype units = bytes.size() / 2;
    const char16_t *p = reinterpret_cast<const char16_t *>(bytes.constData());
    qsizetype n = 0;
    while (n < units && p[n] != 0)
        ++n;
    return QString(reinterpret_cast<const QChar *>(p), n);
}

FormatId ClipboardBase::registerFormat(const QString &name)
{
    if (name.isEmpty())
        return 0;
    const QString key = name.toCaseFolded();
    auto it = m_registered.constFind(key);
    if (it != m_registered.constEnd())
        return *it;
    const FormatId id = m_nextFormat++;
    m_registered.insert(key, id);
    m_names.insert(id, name);
    return id;
}

void ClipboardBase::addFormatListener(QObject *listener)
{
    for (const auto &l : std::as_const(m_listeners))
        if (l == listener)
            return;
    m_listeners.append(listener);
}

void ClipboardBase::removeFormatListener(QObject *listener)
{
    m_listeners.removeIf([listener](const QPointer<QObject> &l) { return l.isNull() || l == listener; });
}

int ClipboardBase::listenerCount() const
{
    int n = 0;
    for (const auto &l : m_listeners)
        if (!l.isNull())
            ++n;
    return n;
}

void ClipboardBase::postUpdate()
{
    m_listeners.removeIf([](const QPointer<QObject> &l) { return l.isNull(); });
    for (const auto &l : std::as_const(m_listeners))
        QCoreApplication::postEvent(l.data(), new QEvent(ClipboardUpdateEvent));
}

} // namespace platform
