#pragma once

// Reading the clipboard into one clip record, the clip's kind, the one-line
// summary by which a clip without a title is shown, and writing a stored clip
// back onto the clipboard.

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

// Empties the clipboard and writes the non-empty parts of a clip, in this
// order: Text as CF_UNICODETEXT, HtmlBytes as "HTML Format", RtfBytes as
// "Rich Text Format", the non-empty trimmed lines of FilesText as CF_HDROP,
// ImageRawBytes in the format ImageRawFormat names (PutClipboardImageRaw),
// and PngBytes decoded as CF_BITMAP (a refusal of the bitmap is not reported).
// Owner opens the clipboard and becomes the owner of its content: up to 15
// attempts, 20 ms apart.
//
// Answers false when the clipboard could not be opened: nothing was written
// and the old content stays, so no clipboard update follows; a caller that
// told the watcher to ignore the next update withdraws that. Answers true
// when the write was done.
//
// Raises platform::Error when the system refuses a format (with the system's
// text) or PngBytes cannot be decoded. The formats written before the error
// stay on the clipboard, the later ones are missing, and the clipboard is
// closed.
bool WriteClipToClipboard(platform::Clipboard &Clipboard, const QString &Text, const QString &FilesText,
                          const QByteArray &HtmlBytes, const QByteArray &RtfBytes, const QByteArray &PngBytes,
                          const QByteArray &ImageRawBytes, const QString &ImageRawFormat,
                          platform::ClipboardOwner Owner);

// --- Steps of the writer. Each needs a clipboard that is open and was emptied
// by the caller, and raises platform::Error with the system's text when the
// system refuses the data. ---

void PutClipboardBytes(platform::Clipboard &Clipboard, platform::FormatId Format, const QByteArray &Data);
// UTF-16 followed by one NUL unit.
void PutClipboardUnicodeText(platform::Clipboard &Clipboard, const QString &Text);
// Nothing for empty bytes or a name that cannot be registered.
void PutRegisteredFormatBytes(platform::Clipboard &Clipboard, const QString &Name, const QByteArray &Bytes);
// The CF_HDROP block of the paths (wide characters); nothing for no paths.
void PutClipboardFileList(platform::Clipboard &Clipboard, const QStringList &Paths);
// The bytes unchanged in the format the tag names, ignoring case: "PNG" the
// registered "PNG" format, "CF_DIBV5" and "CF_DIB" those formats. Nothing for
// empty bytes or any other tag.
void PutClipboardImageRaw(platform::Clipboard &Clipboard, const QByteArray &Bytes, const QString &Tag);

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
