#pragma once

// The desktop's clipboard through QClipboard, with the program's format ids
// mapped onto MIME types:
//   CF_UNICODETEXT, CF_TEXT   text/plain (UTF8_STRING and friends on X11)
//   "HTML Format"             text/html, wrapped in the CF_HTML header on read
//   "Rich Text Format"        text/rtf, application/rtf, text/richtext
//   "PNG"                     image/png
//   CF_DIB, CF_DIBV5          image/bmp (a BMP file is a file header before a DIB)
//   CF_BITMAP                 any image Qt can decode
//   CF_HDROP                  text/uri-list with file:// URLs (also written as
//                             x-special/gnome-copied-files)
// Any other registered name is the MIME type of the same name.

#include "../clipboard.h"

#include <QObject>

#include <memory>

class QClipboard;
class QMimeData;

namespace platform {

class QtClipboard : public QObject, public ClipboardBase {
    Q_OBJECT
public:
    explicit QtClipboard(QClipboard *clipboard, QObject *parent = nullptr);
    ~QtClipboard() override;

    bool isFormatAvailable(FormatId format) override;
    bool open(ClipboardOwner owner) override;
    void close() override;
    bool empty() override;
    std::optional<QByteArray> data(FormatId format) override;
    bool setData(FormatId format, const QByteArray &bytes) override;
    QImage bitmap() override;
    bool setBitmap(const QImage &image) override;

private:
    const QMimeData *current() const;

    QClipboard *m_clipboard;
    FormatId m_html = 0;
    FormatId m_rtf = 0;
    FormatId m_png = 0;

    bool m_open = false;
    ClipboardOwner m_openedBy = nullptr;
    std::unique_ptr<QMimeData> m_pending;
};

} // namespace platform
