#include "qt_clipboard.h"

#include "../cf_html.h"
#include "../dib.h"
#include "../dropfiles.h"

#include <QClipboard>
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

// Qt offers text/plain as UTF8_STRING, STRING and TEXT; readers that ask for
// the explicit UTF-8 type get it too.
void putText(QMimeData *md, const QString &text)
{
    md->setText(text);
    md->setData(QStringLiteral("text/plain;charset=utf-8"), text.toUtf8());
}

} // namespace

QtClipboard::QtClipboard(QClipboard *clipboard, QObject *parent) : QObject(parent), m_clipboard(clipboard)
{
    m_html = registerFormat(QString::fromLatin1(HtmlFormatName));
    m_rtf = registerFormat(QString::fromLatin1(RtfFormatName));
    m_png = registerFormat(QString::fromLatin1(PngFormatName));
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            postUpdate();
    });
}

QtClipboard::~QtClipboard() = default;

const QMimeData *QtClipboard::current() const
{
    return m_clipboard->mimeData(QClipboard::Clipboard);
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
    const QString mime = formatName(format);
    return !mime.isEmpty() && md->hasFormat(mime);
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
        return fail(QStringLiteral("The clipboard is not open."));
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
        bytes = utf16WithNul(md->text());
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
            bytes = md->data(formatName(format));
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
        return fail(QStringLiteral("The clipboard is not open."));
    }
    QMimeData *md = m_pending.get();
    switch (format) {
    case CF_UNICODETEXT:
        putText(md, utf16UpToNul(bytes));
        return true;
    case CF_TEXT: {
        if (md->hasText())
            return true;
        QByteArray ansi = bytes;
        const qsizetype nul = ansi.indexOf('\0');
        if (nul >= 0)
            ansi.truncate(nul);
        putText(md, ansiToUnicode(ansi));
        return true;
    }
    case CF_DIB:
    case CF_DIBV5: {
        const QByteArray bmp = dibToBmpFile(bytes);
        if (bmp.isEmpty()) {
            return fail(QStringLiteral("The bitmap data is not valid."));
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
    const QString mime = formatName(format);
    if (mime.isEmpty()) {
        return fail(QStringLiteral("The clipboard format is not registered."));
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
        return fail(QStringLiteral("The bitmap cannot be put on the clipboard."));
    }
    m_pending->setImageData(image);
    return true;
}

} // namespace platform
