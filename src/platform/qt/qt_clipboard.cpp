#include "qt_clipboard.h"

#include "../cf_html.h"
#include "../dib.h"
#include "../dropfiles.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QImageWriter>
#include <QMimeData>
#include <QUrl>

namespace platform {

namespace {

const QStringList rtfMimeTypes = {QStringLiteral("text/rtf"), QStringLiteral("application/rtf"),
                                  QStringLiteral("text/richtext")};

QStringList localFiles(const QMimeData *md)
{
    QStringList files;
    if (!md || !md->hasUrls())
        return files;
    for (const QUrl &url : md->urls())
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    return files;
}

QByteArray unicodeWithNul(const QString &text)
{
    QByteArray out;
    out.reserve((text.size() + 1) * 2);
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    out.append(2, '\0');
    return out;
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

} // namespace

QtClipboard::QtClipboard(QClipboard *clipboard, QObject *parent) : QObject(parent), m_clipboard(clipboard)
{
    m_html = registerFormat(QString::fromLatin1(HtmlFormatName));
    m_rtf = registerFormat(QString::fromLatin1(RtfFormatName));
    m_png = registerFormat(QString::fromLatin1(PngFormatName));
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            onChanged();
    });
}

QtClipboard::~QtClipboard() = default;

const QMimeData *QtClipboard::current() const
{
    return m_clipboard->mimeData(QClipboard::Clipboard);
}

QString QtClipboard::registeredMime(FormatId format) const
{
    return m_names.value(format);
}

bool QtClipboard::isFormatAvailable(FormatId format)
{
    const QMimeData *md = current();
    if (!md)
        return false;
    switch (format) {
    case CF_TEXT:
    case CF_UNICODETEXT:
        return md->hasText();
    case CF_BITMAP:
        return md->hasImage();
    case CF_DIB:
        return md->hasFormat(QStringLiteral("image/bmp"));
    case CF_DIBV5:
        return false; // a BMP is offered as CF_DIB whatever its header
    case CF_HDROP:
        return !localFiles(md).isEmpty();
    default:
        break;
    }
    if (format == m_html)
        return md->hasFormat(QStringLiteral("text/html"));
    if (format == m_rtf) {
        for (const QString &t : rtfMimeTypes)
            if (md->hasFormat(t))
                return true;
        return false;
    }
    if (format == m_png)
        return md->hasFormat(QStringLiteral("image/png"));
    const QString mime = registeredMime(format);
    return !mime.isEmpty() && md->hasFormat(mime);
}

FormatId QtClipboard::registerFormat(const QString &name)
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

bool QtClipboard::open(ClipboardOwner owner)
{
    // There is no system-wide open on this desktop; only the program's own
    // users of the clipboard can contend.
    if (m_open && m_openedBy != owner)
        return false;
    m_open = true;
    m_openedBy = owner;
    return true;
}

void QtClipboard::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_openedBy = nullptr;
    if (m_pending)
        m_clipboard->setMimeData(m_pending.release(), QClipboard::Clipboard);
}

bool QtClipboard::empty()
{
    if (!m_open) {
        m_lastError = QStringLiteral("The clipboard is not open.");
        return false;
    }
    m_pending = std::make_unique<QMimeData>();
    return true;
}

std::optional<QByteArray> QtClipboard::data(FormatId format)
{
    if (!m_open)
        return std::nullopt;
    const QMimeData *md = current();
    if (!md || !isFormatAvailable(format))
        return std::nullopt;

    QByteArray bytes;
    switch (format) {
    case CF_UNICODETEXT:
        bytes = unicodeWithNul(md->text());
        break;
    case CF_TEXT:
        bytes = unicodeToAnsi(md->text());
        bytes.append('\0');
        break;
    case CF_DIB:
        bytes = bmpFileToDib(md->data(QStringLiteral("image/bmp")));
        break;
    case CF_HDROP:
        bytes = buildDropFiles(localFiles(md));
        break;
    default:
        if (format == m_html) {
            bytes = buildCfHtml(htmlPayloadToUtf8(md->data(QStringLiteral("text/html"))));
        } else if (format == m_rtf) {
            for (const QString &t : rtfMimeTypes) {
                if (md->hasFormat(t)) {
                    bytes = md->data(t);
                    break;
                }
            }
        } else if (format == m_png) {
            bytes = md->data(QStringLiteral("image/png"));
        } else {
            bytes = md->data(registeredMime(format));
        }
        break;
    }
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

bool QtClipboard::setData(FormatId format, const QByteArray &bytes)
{
    if (!m_open || !m_pending) {
        m_lastError = QStringLiteral("The clipboard is not open.");
        return false;
    }
    QMimeData *md = m_pending.get();
    switch (format) {
    case CF_UNICODETEXT:
        md->setText(unicodeUpToNul(bytes));
        return true;
    case CF_TEXT: {
        if (md->hasText())
            return true;
        QByteArray ansi = bytes;
        const qsizetype nul = ansi.indexOf('\0');
        if (nul >= 0)
            ansi.truncate(nul);
        md->setText(ansiToUnicode(ansi));
        return true;
    }
    case CF_DIB:
    case CF_DIBV5: {
        const QByteArray bmp = dibToBmpFile(bytes);
        if (bmp.isEmpty()) {
            m_lastError = QStringLiteral("The bitmap data is not valid.");
            return false;
        }
        md->setData(QStringLiteral("image/bmp"), bmp);
        return true;
    }
    case CF_HDROP: {
        QList<QUrl> urls;
        QByteArray gnome = "copy";
        for (const QString &path : parseDropFiles(bytes)) {
            const QUrl url = QUrl::fromLocalFile(path);
            urls.append(url);
            gnome += '\n' + url.toEncoded();
        }
        md->setUrls(urls);
        md->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
        return true;
    }
    default:
        break;
    }
    if (format == m_html) {
        const QByteArray markup = cfHtmlMarkup(bytes);
        md->setData(QStringLiteral("text/html"), markup.isEmpty() ? htmlPayloadToUtf8(bytes) : markup);
        return true;
    }
    if (format == m_rtf) {
        md->setData(QStringLiteral("text/rtf"), bytes);
        md->setData(QStringLiteral("application/rtf"), bytes);
        return true;
    }
    if (format == m_png) {
        md->setData(QStringLiteral("image/png"), bytes);
        return true;
    }
    const QString mime = registeredMime(format);
    if (mime.isEmpty()) {
        m_lastError = QStringLiteral("The clipboard format is not registered.");
        return false;
    }
    md->setData(mime, bytes);
    return true;
}

QImage QtClipboard::bitmap()
{
    if (!m_open)
        return {};
    const QMimeData *md = current();
    if (!md || !md->hasImage())
        return {};
    return qvariant_cast<QImage>(md->imageData());
}

bool QtClipboard::setBitmap(const QImage &image)
{
    if (!m_open || !m_pending || image.isNull()) {
        m_lastError = QStringLiteral("The bitmap cannot be put on the clipboard.");
        return false;
    }
    m_pending->setImageData(image);
    return true;
}

void QtClipboard::addFormatListener(QObject *listener)
{
    for (const auto &l : std::as_const(m_listeners))
        if (l == listener)
            return;
    m_listeners.append(listener);
}

void QtClipboard::removeFormatListener(QObject *listener)
{
    m_listeners.removeIf([listener](const QPointer<QObject> &l) { return l.isNull() || l == listener; });
}

QString QtClipboard::lastErrorText() const
{
    return m_lastError;
}

void QtClipboard::onChanged()
{
    m_listeners.removeIf([](const QPointer<QObject> &l) { return l.isNull(); });
    for (const auto &l : std::as_const(m_listeners))
        QCoreApplication::postEvent(l.data(), new QEvent(ClipboardUpdateEvent));
}

} // namespace platform
