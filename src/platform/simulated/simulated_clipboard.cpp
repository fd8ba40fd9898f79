#include "simulated_clipboard.h"

#include "../dib.h"

#include <QCoreApplication>
#include <QtEndian>

namespace platform {

namespace {

// Stands for the window of another program that opens the clipboard.
const QObject *otherProgram()
{
    static const QObject marker;
    return &marker;
}

QString unicodeUpToNul(const QByteArray &bytes)
{
    const qsizetype units = bytes.size() / 2;
    const char16_t *p = reinterpret_cast<const char16_t *>(bytes.constData());
    qsizetype n = 0;
    while (n < units && p[n] != 0)
        ++n;
    return QString(reinterpret_cast<const QChar *>(p), n);
}

QByteArray unicodeWithNul(const QString &text)
{
    QByteArray out(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    out.append(2, '\0');
    return out;
}

} // namespace

SimulatedClipboard::SimulatedClipboard() = default;
SimulatedClipboard::~SimulatedClipboard() = default;

bool SimulatedClipboard::isFormatAvailable(FormatId format)
{
    if (m_content.contains(format))
        return true;
    switch (format) {
    case CF_TEXT:
        return m_content.contains(CF_UNICODETEXT);
    case CF_UNICODETEXT:
        return m_content.contains(CF_TEXT);
    case CF_BITMAP:
        return !m_bitmap.isNull() || m_content.contains(CF_DIB) || m_content.contains(CF_DIBV5);
    case CF_DIB:
        return !m_bitmap.isNull();
    default:
        return false;
    }
}

FormatId SimulatedClipboard::registerFormat(const QString &name)
{
    if (name.isEmpty())
        return 0;
    // Registered names are matched without regard to case, as on Windows.
    const QString key = name.toCaseFolded();
    auto it = m_registered.constFind(key);
    if (it != m_registered.constEnd())
        return *it;
    const FormatId id = m_nextFormat++;
    m_registered.insert(key, id);
    m_names.insert(id, name);
    return id;
}

bool SimulatedClipboard::open(ClipboardOwner owner)
{
    ++m_openAttempts;
    if (m_heldByOther)
        return false;
    if (m_failOpens > 0) {
        --m_failOpens;
        return false;
    }
    if (m_open && m_openedBy != owner)
        return false;
    if (!m_open)
        m_changedInSession = false;
    m_open = true;
    m_openedBy = owner;
    return true;
}

void SimulatedClipboard::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_openedBy = nullptr;
    if (m_changedInSession) {
        m_changedInSession = false;
        ++m_changeCount;
        postUpdate();
    }
}

bool SimulatedClipboard::empty()
{
    if (!m_open) {
        m_lastError = QStringLiteral("The clipboard is not open.");
        return false;
    }
    clearContent();
    m_contentOwner = m_openedBy == otherProgram() ? nullptr : m_openedBy;
    m_changedInSession = true;
    return true;
}

std::optional<QByteArray> SimulatedClipboard::data(FormatId format)
{
    if (!m_open)
        return std::nullopt;
    auto it = m_content.constFind(format);
    if (it != m_content.constEnd()) {
        QByteArray bytes = it->data;
        if (it->allocation > bytes.size())
            bytes.append(it->allocation - bytes.size(), '\0');
        return bytes;
    }
    switch (format) {
    case CF_TEXT:
        if (m_content.contains(CF_UNICODETEXT))
            return unicodeToAnsi(unicodeUpToNul(m_content[CF_UNICODETEXT].data)) + '\0';
        break;
    case CF_UNICODETEXT:
        if (m_content.contains(CF_TEXT)) {
            QByteArray ansi = m_content[CF_TEXT].data;
            const qsizetype nul = ansi.indexOf('\0');
            if (nul >= 0)
                ansi.truncate(nul);
            return unicodeWithNul(ansiToUnicode(ansi));
        }
        break;
    case CF_DIB:
        if (!m_bitmap.isNull())
            return imageToDib(m_bitmap);
        break;
    default:
        break;
    }
    return std::nullopt;
}

bool SimulatedClipboard::setData(FormatId format, const QByteArray &bytes)
{
    if (!m_open) {
        m_lastError = QStringLiteral("The clipboard is not open.");
        return false;
    }
    if (m_refused.contains(format)) {
        m_lastError = QStringLiteral("Not enough memory resources are available to process this command.");
        return false;
    }
    putEntry(format, bytes, bytes.size());
    m_changedInSession = true;
    return true;
}

QImage SimulatedClipboard::bitmap()
{
    if (!m_open)
        return {};
    return synthesisedBitmap().value_or(QImage());
}

bool SimulatedClipboard::setBitmap(const QImage &image)
{
    if (!m_open) {
        m_lastError = QStringLiteral("The clipboard is not open.");
        return false;
    }
    if (m_refused.contains(CF_BITMAP) || image.isNull()) {
        m_lastError = QStringLiteral("Not enough memory resources are available to process this command.");
        return false;
    }
    m_bitmap = image;
    m_order.removeAll(CF_BITMAP);
    m_order.append(CF_BITMAP);
    m_changedInSession = true;
    return true;
}

void SimulatedClipboard::addFormatListener(QObject *listener)
{
    for (const auto &l : std::as_const(m_listeners))
        if (l == listener)
            return;
    m_listeners.append(listener);
}

void SimulatedClipboard::removeFormatListener(QObject *listener)
{
    m_listeners.removeIf([listener](const QPointer<QObject> &l) { return l.isNull() || l == listener; });
}

QString SimulatedClipboard::lastErrorText() const
{
    return m_lastError;
}

bool SimulatedClipboard::offerAsOtherProgram(const QList<Offered> &formats, const QImage &bitmap)
{
    if (!open(otherProgram()))
        return false;
    empty();
    for (const Offered &f : formats)
        putEntry(f.format, f.data, f.allocation < 0 ? f.data.size() : qMax(f.allocation, f.data.size()));
    if (!bitmap.isNull()) {
        m_bitmap = bitmap;
        m_order.append(CF_BITMAP);
    }
    close();
    return true;
}

bool SimulatedClipboard::emptyAsOtherProgram()
{
    return offerAsOtherProgram({});
}

bool SimulatedClipboard::offerText(const QString &text)
{
    return offerAsOtherProgram({{CF_UNICODETEXT, unicodeWithNul(text)}});
}

void SimulatedClipboard::setHeldOpenByOtherProgram(bool held)
{
    m_heldByOther = held;
}

void SimulatedClipboard::failNextOpens(int count)
{
    m_failOpens = count;
}

QByteArray SimulatedClipboard::storedBytes(FormatId format) const
{
    return m_content.value(format).data;
}

int SimulatedClipboard::listenerCount() const
{
    int n = 0;
    for (const auto &l : m_listeners)
        if (!l.isNull())
            ++n;
    return n;
}

void SimulatedClipboard::putEntry(FormatId format, const QByteArray &data, qsizetype allocation)
{
    if (format == CF_BITMAP) {
        // Bitmaps are handles, not bytes; a test offers them through the image argument.
        return;
    }
    m_content.insert(format, Entry{data, allocation});
    m_order.removeAll(format);
    m_order.append(format);
}

void SimulatedClipboard::clearContent()
{
    m_content.clear();
    m_order.clear();
    m_bitmap = QImage();
}

void SimulatedClipboard::postUpdate()
{
    m_listeners.removeIf([](const QPointer<QObject> &l) { return l.isNull(); });
    for (const auto &l : std::as_const(m_listeners))
        QCoreApplication::postEvent(l.data(), new QEvent(ClipboardUpdateEvent));
}

std::optional<QImage> SimulatedClipboard::synthesisedBitmap() const
{
    if (!m_bitmap.isNull())
        return m_bitmap;
    // The system prefers the richer header when both are there.
    for (FormatId f : {CF_DIBV5, CF_DIB}) {
        auto it = m_content.constFind(f);
        if (it != m_content.constEnd()) {
            QImage img = dibToImage(it->data);
            if (!img.isNull())
                return img;
        }
    }
    return std::nullopt;
}

} // namespace platform
