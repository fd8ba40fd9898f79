#include "simulated_clipboard.h"

#include "../dib.h"

#include <QObject>
#include <QtEndian>

namespace platform {

namespace {

// Stands for the window of another program that opens the clipboard.
const QObject *otherProgram()
{
    static const QObject marker;
    return &marker;
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
        return fail(QStringLiteral("The clipboard is not open."));
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
            return unicodeToAnsi(utf16UpToNul(m_content[CF_UNICODETEXT].data)) + '\0';
        break;
    case CF_UNICODETEXT:
        if (m_content.contains(CF_TEXT)) {
            QByteArray ansi = m_content[CF_TEXT].data;
            const qsizetype nul = ansi.indexOf('\0');
            if (nul >= 0)
                ansi.truncate(nul);
            return utf16WithNul(ansiToUnicode(ansi));
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
        return fail(QStringLiteral("The clipboard is not open."));
    }
    if (m_refused.contains(format)) {
        return fail(QStringLiteral("Not enough memory resources are available to process this command."));
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
        return fail(QStringLiteral("The clipboard is not open."));
    }
    if (m_refused.contains(CF_BITMAP) || image.isNull()) {
        return fail(QStringLiteral("Not enough memory resources are available to process this command."));
    }
    m_bitmap = image;
    m_order.removeAll(CF_BITMAP);
    m_order.append(CF_BITMAP);
    m_changedInSession = true;
    return true;
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
    return offerAsOtherProgram({{CF_UNICODETEXT, utf16WithNul(text)}});
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
