#pragma once

// The system clipboard as the program sees it: numbered formats, an open/close
// session with an owner, whole allocations read as bytes, and change
// notifications posted to listener objects through the event loop.
//
// Format ids and their meaning follow the Windows clipboard, so that stored
// bytes and the code that reads them are the same on every desktop.

#include <QByteArray>
#include <QEvent>
#include <QImage>
#include <QString>

#include <QHash>
#include <QList>
#include <QPointer>

#include <optional>

class QObject;

namespace platform {

using FormatId = quint32;

// The standard formats the program reads and writes.
inline constexpr FormatId CF_TEXT = 1;
inline constexpr FormatId CF_BITMAP = 2;
inline constexpr FormatId CF_DIB = 8;
inline constexpr FormatId CF_UNICODETEXT = 13;
inline constexpr FormatId CF_HDROP = 15;
inline constexpr FormatId CF_DIBV5 = 17;

// Registered formats are numbered from here on, as on Windows.
inline constexpr FormatId FirstRegisteredFormat = 0xC000;

// Names of the registered formats the program knows.
inline constexpr const char *HtmlFormatName = "HTML Format";
inline constexpr const char *RtfFormatName = "Rich Text Format";
inline constexpr const char *PngFormatName = "PNG";
// Marks put on the clipboard by programs that do not want their content kept
// in a history (password managers and the like).
inline constexpr const char *ExcludeFromMonitoringFormatName =
    "ExcludeClipboardContentFromMonitorProcessing";
inline constexpr const char *CanIncludeInHistoryFormatName = "CanIncludeInClipboardHistory";
inline constexpr const char *ViewerIgnoreFormatName = "Clipboard Viewer Ignore";
inline constexpr const char *PasswordManagerHintFormatName = "x-kde-passwordManagerHint";

// Posted to every listener after each change of the clipboard's content,
// whoever made it (the counterpart of WM_CLIPBOARDUPDATE).
inline constexpr QEvent::Type ClipboardUpdateEvent = QEvent::Type(QEvent::User + 0x031D);

// Who opens the clipboard: one of the program's message windows, or nobody.
using ClipboardOwner = const QObject *;

class Clipboard {
public:
    virtual ~Clipboard() = default;

    // True when the format can be read now.
    virtual bool isFormatAvailable(FormatId format) = 0;

    // The id of a named format, registering it on first use; 0 when the name
    // cannot be registered.
    virtual FormatId registerFormat(const QString &name) = 0;

    // Opens the clipboard for this owner. False when another owner holds it
    // open; the caller retries as it sees fit. Every successful open must be
    // paired with close().
    virtual bool open(ClipboardOwner owner) = 0;
    virtual void close() = 0;

    // Empties the clipboard and makes the opener its owner. Needs an open clipboard.
    virtual bool empty() = 0;

    // The whole allocation that holds a format (its size may exceed the data).
    // No value when the format is missing or the clipboard is not open.
    virtual std::optional<QByteArray> data(FormatId format) = 0;

    // Puts bytes on the clipboard in a format. False when the system refused
    // them; lastErrorText() then says why. Needs an open clipboard that the
    // caller emptied.
    virtual bool setData(FormatId format, const QByteArray &bytes) = 0;

    // The bitmap the system offers for CF_BITMAP, synthesised from a DIB when
    // only that is there. A null image when there is none.
    virtual QImage bitmap() = 0;

    // Puts a bitmap on the clipboard as CF_BITMAP.
    virtual bool setBitmap(const QImage &image) = 0;

    // While added, every change of the clipboard posts a ClipboardUpdateEvent
    // to the listener. Adding twice registers once.
    virtual void addFormatListener(QObject *listener) = 0;
    virtual void removeFormatListener(QObject *listener) = 0;

    // The system's text for the last failure of setData or setBitmap.
    virtual QString lastErrorText() const = 0;
};

// Converts text in the system's 8-bit code page (CF_TEXT) to Unicode and back.
QString ansiToUnicode(const QByteArray &bytes);
QByteArray unicodeToAnsi(const QString &text);

// CF_UNICODETEXT bytes: UTF-16 closed by a NUL unit. Reading stops at the
// first NUL unit (or the end of the bytes).
QByteArray utf16WithNul(const QString &text);
QString utf16UpToNul(const QByteArray &bytes);

// What every backend shares: the table of registered format names (matched
// without regard to case, numbered from FirstRegisteredFormat), the
// listeners, and the last error.
class ClipboardBase : public Clipboard {
public:
    FormatId registerFormat(const QString &name) override;
    void addFormatListener(QObject *listener) override;
    void removeFormatListener(QObject *listener) override;
    QString lastErrorText() const override { return m_lastError; }

    int listenerCount() const;

protected:
    // The name a registered format was registered with; empty when unknown.
    QString formatName(FormatId format) const { return m_names.value(format); }
    // Posts a ClipboardUpdateEvent to every listener.
    void postUpdate();
    bool fail(const QString &error)
    {
        m_lastError = error;
        return false;
    }

private:
    QHash<QString, FormatId> m_registered;
    QHash<FormatId, QString> m_names;
    FormatId m_nextFormat = FirstRegisteredFormat;
    QList<QPointer<QObject>> m_listeners;
    QString m_lastError;
};

} // namespace platform
