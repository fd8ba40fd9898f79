#include "uClipboardUtils.h"

#include "platform/dropfiles.h"
#include "platform/error.h"

#include <QBuffer>
#include <QImageWriter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>
#include <QtEndian>

using namespace platform;

namespace {

constexpr int SafeTextLimit = 4096;
constexpr int SummaryLimit = 200;
constexpr int TextOpenAttempts = 10;
constexpr int TextOpenRetryMs = 5;
constexpr int WriteOpenAttempts = 15;
constexpr int WriteOpenRetryMs = 20;

// Pairs every successful open with a close, whatever happens in between.
class ClipboardSession {
public:
    ClipboardSession(Clipboard &clipboard, ClipboardOwner owner)
        : m_clipboard(clipboard), m_open(clipboard.open(owner))
    {
    }
    ~ClipboardSession()
    {
        if (m_open)
            m_clipboard.close();
    }
    ClipboardSession(const ClipboardSession &) = delete;
    ClipboardSession &operator=(const ClipboardSession &) = delete;
    bool isOpen() const { return m_open; }

private:
    Clipboard &m_clipboard;
    bool m_open;
};

// Cuts to at most n UTF-16 units without leaving half of a surrogate pair.
QString cutTo(const QString &text, qsizetype n)
{
    if (text.size() <= n)
        return text;
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

QString fileNameOfPath(const QString &path)
{
    const qsizetype sep = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    QString name = path.mid(sep + 1);
    // A drive prefix such as "C:" with nothing after a separator.
    if (sep < 0 && name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).isLetter())
        name = name.mid(2);
    return name;
}

} // namespace

QString TrimBlanks(const QString &Text)
{
    qsizetype begin = 0;
    qsizetype end = Text.size();
    while (begin < end && Text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && Text.at(end - 1).unicode() <= 0x20)
        --end;
    if (begin == 0 && end == Text.size())
        return Text;
    return Text.mid(begin, end - begin);
}

QString ReadClipboardText(Clipboard &Clipboard)
{
    bool opened = false;
    for (int attempt = 0; attempt < TextOpenAttempts; ++attempt) {
        if (Clipboard.open(nullptr)) {
            opened = true;
            break;
        }
        QThread::msleep(TextOpenRetryMs);
    }
    if (!opened)
        return {};

    QString text;
    {
        auto closer = qScopeGuard([&] { Clipboard.close(); });
        if (auto unicode = Clipboard.data(CF_UNICODETEXT)) {
            text = utf16UpToNul(*unicode);
        } else if (auto ansi = Clipboard.data(CF_TEXT)) {
            const qsizetype nul = ansi->indexOf('\0');
            if (nul >= 0)
                ansi->truncate(nul);
            text = ansiToUnicode(*ansi);
        }
    }
    return text;
}

bool ReadClipboardFormatBytes(Clipboard &Clipboard, ClipboardOwner Owner, FormatId Format, QByteArray &Bytes)
{
    Bytes.clear();
    if (!Clipboard.isFormatAvailable(Format))
        return false;
    ClipboardSession session(Clipboard, Owner);
    if (!session.isOpen())
        return false;
    auto data = Clipboard.data(Format);
    if (!data || data->isEmpty())
        return false;
    Bytes = std::move(*data);
    return true;
}

bool ReadRegisteredFormatBytes(Clipboard &Clipboard, ClipboardOwner Owner, const QString &Name, QByteArray &Bytes)
{
    Bytes.clear();
    const FormatId id = Clipboard.registerFormat(Name);
    if (id == 0)
        return false;
    return ReadClipboardFormatBytes(Clipboard, Owner, id, Bytes);
}

QString BytesToSafeText(const QByteArray &Bytes)
{
    const qsizetype n = qMin<qsizetype>(Bytes.size(), SafeTextLimit);
    QString out(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i) {
        const uchar b = uchar(Bytes.at(i));
        const bool kept = (b >= 0x20 && b <= 0x7E) || b == 9 || b == 10 || b == 13;
        out[i] = QChar(kept ? b : ' ');
    }
    return TrimBlanks(out);
}

QString ReadClipboardFileList(Clipboard &Clipboard, ClipboardOwner Owner)
{
    if (!Clipboard.isFormatAvailable(CF_HDROP))
        return {};
    ClipboardSession session(Clipboard, Owner);
    if (!session.isOpen())
        return {};
    const auto block = Clipboard.data(CF_HDROP);
    if (!block)
        return {};
    QString out;
    for (const QString &path : parseDropFiles(*block))
        out += path + QStringLiteral("\r\n");
    return out;
}

QStringList SplitNonEmptyLines(const QString &Text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList out;
    for (const QString &line : Text.split(lineBreak)) {
        const QString trimmed = TrimBlanks(line);
        if (!trimmed.isEmpty())
            out.append(trimmed);
    }
    return out;
}

bool ReadClipboardImageRaw(Clipboard &Clipboard, ClipboardOwner Owner, QByteArray &Bytes, QString &Tag)
{
    Bytes.clear();
    Tag.clear();
    if (ReadRegisteredFormatBytes(Clipboard, Owner, QString::fromLatin1(PngFormatName), Bytes)) {
        Tag = QStringLiteral("PNG");
        return true;
    }
    if (ReadClipboardFormatBytes(Clipboard, Owner, CF_DIBV5, Bytes)) {
        Tag = QStringLiteral("CF_DIBV5");
        return true;
    }
    if (ReadClipboardFormatBytes(Clipboard, Owner, CF_DIB, Bytes)) {
        Tag = QStringLiteral("CF_DIB");
        return true;
    }
    return false;
}

QByteArray BitmapToPngBytes(const QImage &Bitmap)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    // A fast deflate level: every captured image is encoded while the user waits.
    writer.setQuality(80);
    if (!writer.write(Bitmap))
        return {};
    return bytes;
}

bool MakePngBytes(Clipboard &Clipboard, ClipboardOwner Owner, const QByteArray &RawBytes, const QString &RawTag,
                  QByteArray &PngBytes)
{
    PngBytes.clear();
    if (RawTag.compare(QLatin1String("PNG"), Qt::CaseInsensitive) == 0 && !RawBytes.isEmpty()) {
        PngBytes = RawBytes;
        return true;
    }
    if (!Clipboard.isFormatAvailable(CF_BITMAP) && !Clipboard.isFormatAvailable(CF_DIB)
        && !Clipboard.isFormatAvailable(CF_DIBV5))
        return false;
    try {
        QImage bitmap;
        {
            ClipboardSession session(Clipboard, Owner);
            if (!session.isOpen())
                return false;
            bitmap = Clipboard.bitmap();
        }
        if (bitmap.width() > 0 && bitmap.height() > 0)
            PngBytes = BitmapToPngBytes(bitmap);
        return !PngBytes.isEmpty();
    } catch (...) {
        // A bitmap that cannot be converted leaves the clip without an image.
        PngBytes.clear();
        return false;
    }
}

QString FirstNonEmptyTrimmed(std::initializer_list<QString> Values)
{
    for (const QString &v : Values) {
        QString t = TrimBlanks(v);
        if (!t.isEmpty())
            return t;
    }
    return {};
}

qint32 ClipKindOf(const TCapturedClip &Clip)
{
    if (Clip.HasFiles)
        return ckFiles;
    if (Clip.HasImage)
        return ckImage;
    if (Clip.HasHtml)
        return ckHtml;
    if (Clip.HasRtf)
        return ckRtf;
    return ckText;
}

bool CaptureClipboard(Clipboard &Clipboard, TCapturedClip &Clip, ClipboardOwner Owner)
{
    Clip = TCapturedClip();

    if (Clipboard.isFormatAvailable(CF_UNICODETEXT) || Clipboard.isFormatAvailable(CF_TEXT)) {
        Clip.Text = ReadClipboardText(Clipboard);
        Clip.HasText = !Clip.Text.isEmpty();
    }

    Clip.HasHtml = ReadRegisteredFormatBytes(Clipboard, Owner, QString::fromLatin1(HtmlFormatName), Clip.HtmlBytes);
    if (Clip.HasHtml)
        Clip.Html = BytesToSafeText(Clip.HtmlBytes);

    Clip.HasRtf = ReadRegisteredFormatBytes(Clipboard, Owner, QString::fromLatin1(RtfFormatName), Clip.RtfBytes);
    if (Clip.HasRtf)
        Clip.Rtf = BytesToSafeText(Clip.RtfBytes);

    if (Clipboard.isFormatAvailable(CF_HDROP)) {
        Clip.FilesText = ReadClipboardFileList(Clipboard, Owner);
        Clip.HasFiles = !TrimBlanks(Clip.FilesText).isEmpty();
    }

    const FormatId png = Clipboard.registerFormat(QString::fromLatin1(PngFormatName));
    if (Clipboard.isFormatAvailable(CF_BITMAP) || Clipboard.isFormatAvailable(CF_DIB)
        || Clipboard.isFormatAvailable(CF_DIBV5) || (png != 0 && Clipboard.isFormatAvailable(png))) {
        ReadClipboardImageRaw(Clipboard, Owner, Clip.ImageRawBytes, Clip.ImageRawFormat);
        Clip.HasImage = MakePngBytes(Clipboard, Owner, Clip.ImageRawBytes, Clip.ImageRawFormat, Clip.PngBytes);
    }

    Clip.Kind = ClipKindOf(Clip);
    return Clip.HasAny();
}

QString MakeClipSummary(qint32 Kind, const QString &Text, const QString &Html, const QString &Rtf,
                        const QString &FilesText)
{
    QString s;
    switch (Kind) {
    case ckText:
        s = cutTo(FirstNonEmptyTrimmed({Text}), SummaryLimit);
        break;
    case ckHtml:
        s = cutTo(FirstNonEmptyTrimmed({Text, Html}), SummaryLimit);
        break;
    case ckImage:
        s = QStringLiteral("[Image]");
        break;
    case ckRtf:
        s = cutTo(FirstNonEmptyTrimmed({Text, Rtf}), SummaryLimit);
        break;
    case ckFiles: {
        const QStringList paths = SplitNonEmptyLines(FilesText);
        if (paths.size() == 1)
            s = QStringLiteral("[Files] ") + fileNameOfPath(paths.first());
        else
            s = QString::asprintf("[Files] %d item(s)", int(paths.size()));
        break;
    }
    default:
        s = QStringLiteral("[Unknown]");
        break;
    }
    s = TrimBlanks(s.replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    if (s.isEmpty())
        s = QStringLiteral("[Empty]");
    return s;
}

bool ClipboardIsConcealed(Clipboard &Clipboard, ClipboardOwner Owner)
{
    // Marks whose mere presence asks to be left out.
    for (const char *name : {ExcludeFromMonitoringFormatName, ViewerIgnoreFormatName}) {
        const FormatId id = Clipboard.registerFormat(QString::fromLatin1(name));
        if (id != 0 && Clipboard.isFormatAvailable(id))
            return true;
    }
    QByteArray bytes;
    // A DWORD 0 says the content may not go into a history.
    if (ReadRegisteredFormatBytes(Clipboard, Owner, QString::fromLatin1(CanIncludeInHistoryFormatName), bytes)
        && bytes.size() >= 4 && qFromLittleEndian<quint32>(bytes.constData()) == 0)
        return true;
    if (ReadRegisteredFormatBytes(Clipboard, Owner, QString::fromLatin1(PasswordManagerHintFormatName), bytes)) {
        QByteArray value = bytes;
        const qsizetype nul = value.indexOf('\0');
        if (nul >= 0)
            value.truncate(nul);
        if (value.trimmed() == "secret")
            return true;
    }
    return false;
}

void PutClipboardBytes(Clipboard &Clipboard, FormatId Format, const QByteArray &Data)
{
    if (!Clipboard.setData(Format, Data)) {
        const QString error = Clipboard.lastErrorText();
        throw Error(error.isEmpty() ? QStringLiteral("The clipboard refused the data.") : error);
    }
}

void PutClipboardUnicodeText(Clipboard &Clipboard, const QString &Text)
{
    PutClipboardBytes(Clipboard, CF_UNICODETEXT, utf16WithNul(Text));
}

void PutRegisteredFormatBytes(Clipboard &Clipboard, const QString &Name, const QByteArray &Bytes)
{
    if (Bytes.isEmpty())
        return;
    const FormatId id = Clipboard.registerFormat(Name);
    if (id != 0)
        PutClipboardBytes(Clipboard, id, Bytes);
}

void PutClipboardFileList(Clipboard &Clipboard, const QStringList &Paths)
{
    if (Paths.isEmpty())
        return;
    PutClipboardBytes(Clipboard, CF_HDROP, buildDropFiles(Paths));
}

void PutClipboardImageRaw(Clipboard &Clipboard, const QByteArray &Bytes, const QString &Tag)
{
    if (Bytes.isEmpty())
        return;
    if (Tag.compare(QLatin1String("PNG"), Qt::CaseInsensitive) == 0)
        PutRegisteredFormatBytes(Clipboard, QString::fromLatin1(PngFormatName), Bytes);
    else if (Tag.compare(QLatin1String("CF_DIBV5"), Qt::CaseInsensitive) == 0)
        PutClipboardBytes(Clipboard, CF_DIBV5, Bytes);
    else if (Tag.compare(QLatin1String("CF_DIB"), Qt::CaseInsensitive) == 0)
        PutClipboardBytes(Clipboard, CF_DIB, Bytes);
}

bool WriteClipToClipboard(Clipboard &Clipboard, const QString &Text, const QString &FilesText,
                          const QByteArray &HtmlBytes, const QByteArray &RtfBytes, const QByteArray &PngBytes,
                          const QByteArray &ImageRawBytes, const QString &ImageRawFormat, ClipboardOwner Owner)
{
    bool opened = false;
    for (int attempt = 0; attempt < WriteOpenAttempts; ++attempt) {
        if (Clipboard.open(Owner)) {
            opened = true;
            break;
        }
        QThread::msleep(WriteOpenRetryMs);
    }
    if (!opened)
        return false;
    // Formats written before an error stay; the clipboard is closed either way.
    auto closer = qScopeGuard([&] { Clipboard.close(); });

    Clipboard.empty();
    if (!Text.isEmpty())
        PutClipboardUnicodeText(Clipboard, Text);
    PutRegisteredFormatBytes(Clipboard, QString::fromLatin1(HtmlFormatName), HtmlBytes);
    PutRegisteredFormatBytes(Clipboard, QString::fromLatin1(RtfFormatName), RtfBytes);
    PutClipboardFileList(Clipboard, SplitNonEmptyLines(FilesText));
    PutClipboardImageRaw(Clipboard, ImageRawBytes, ImageRawFormat);
    if (!PngBytes.isEmpty()) {
        const QImage bitmap = QImage::fromData(PngBytes, "PNG");
        if (bitmap.isNull())
            throw Error(QStringLiteral("The image of this clip cannot be decoded."));
        // A bitmap the system refuses leaves the clip without it; the other formats are there.
        Clipboard.setBitmap(bitmap);
    }
    return true;
}
