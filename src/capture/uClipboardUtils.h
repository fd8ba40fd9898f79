#pragma once

// Reading the clipboard into one clip record, the clip's kind, and the
// one-line summary by which a clip without a title is shown.

#include "platform/clipboard.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <initializer_list>

// Clip kind codes, as stored in the column "kind".
enum TClipKind : qint32 {
    ckText = 1,
    ckHtml = 2,
    ckImage = 3,
    ckRtf = 4,
    ckFiles = 5,
};

// One clipboard snapshot.
struct TCapturedClip {
    qint32 Kind = 0;
    QString Text;          // the Unicode text, whole
    QString Html;          // printable rendering of the first 4096 bytes of HtmlBytes
    QByteArray HtmlBytes;  // the whole "HTML Format" payload, header included
    QString Rtf;           // printable rendering of the first 4096 bytes of RtfBytes
    QByteArray RtfBytes;   // the whole "Rich Text Format" payload
    QByteArray PngBytes;   // the image as a PNG file
    QByteArray ImageRawBytes; // the image exactly as found, in ImageRawFormat
    QString ImageRawFormat;   // "PNG", "CF_DIBV5", "CF_DIB" or empty
    QString FilesText;     // the dropped-file paths, each followed by CR LF
    bool HasText = false;
    bool HasHtml = false;
    bool HasRtf = false;
    bool HasImage = false;
    bool HasFiles = false;

    bool HasAny() const { return HasText || HasHtml || HasRtf || HasImage || HasFiles; }
};

// Fills Clip from the clipboard; answers Clip.HasAny(). Owner opens the
// clipboard for byte formats and the file list. Each step opens and closes the
// clipboard by itself.
bool CaptureClipboard(platform::Clipboard &Clipboard, TCapturedClip &Clip, platform::ClipboardOwner Owner);

// The kind that the presence flags give: files, then image, HTML, RTF, text.
qint32 ClipKindOf(const TCapturedClip &Clip);

// The one-line summary of a clip from its stored columns.
QString MakeClipSummary(qint32 Kind, const QString &Text, const QString &Html, const QString &Rtf,
                        const QString &FilesText);

// The clipboard's file list, each path followed by CR LF; empty when there is
// none or the clipboard cannot be opened (one attempt).
QString ReadClipboardFileList(platform::Clipboard &Clipboard, platform::ClipboardOwner Owner);

// The lines of Text (split at CR LF, LF or CR), each trimmed, empty ones left out.
QStringList SplitNonEmptyLines(const QString &Text);

// True when the content is marked as not for a clipboard history (password
// managers mark what they copy so). Such a content is never recorded.
bool ClipboardIsConcealed(platform::Clipboard &Clipboard, platform::ClipboardOwner Owner);

// --- Steps of the capture, exposed for their tests. ---

// Removes leading and trailing blanks and control characters (code points up to U+0020).
QString TrimBlanks(const QString &Text);

// The clipboard's Unicode text up to its first NUL; 10 attempts to open it.
QString ReadClipboardText(platform::Clipboard &Clipboard);
bool ReadClipboardFormatBytes(platform::Clipboard &Clipboard, platform::ClipboardOwner Owner,
                              platform::FormatId Format, QByteArray &Bytes);
bool ReadRegisteredFormatBytes(platform::Clipboard &Clipboard, platform::ClipboardOwner Owner,
                               const QString &Name, QByteArray &Bytes);
bool ReadClipboardImageRaw(platform::Clipboard &Clipboard, platform::ClipboardOwner Owner, QByteArray &Bytes,
                           QString &Tag);
bool MakePngBytes(platform::Clipboard &Clipboard, platform::ClipboardOwner Owner, const QByteArray &RawBytes,
                  const QString &RawTag, QByteArray &PngBytes);
QByteArray BitmapToPngBytes(const QImage &Bitmap);
QString BytesToSafeText(const QByteArray &Bytes);
QString FirstNonEmptyTrimmed(std::initializer_list<QString> Values);
