#pragma once

// The "HTML Format" layout of the clipboard: a description header with byte
// offsets (Version, StartHTML, EndHTML, StartFragment, EndFragment), then the
// UTF-8 markup the offsets point into.

#include <QByteArray>

#include <optional>

namespace platform {

struct CfHtmlOffsets {
    qint64 startHtml = -1;
    qint64 endHtml = -1;
    qint64 startFragment = -1;
    qint64 endFragment = -1;
};

// Wraps UTF-8 markup in the header. StartHTML..EndHTML covers exactly the
// markup given; the fragment is what lies between <!--StartFragment--> and
// <!--EndFragment--> when the markup has both, else the body's content when
// it has a body, else the whole markup.
QByteArray buildCfHtml(const QByteArray &markup);

// Reads the offsets of the header. No value unless StartHTML and EndHTML are
// present and describe a range inside the bytes; fragment offsets that are
// missing or outside that range are -1.
std::optional<CfHtmlOffsets> parseCfHtml(const QByteArray &cfHtml);

// The markup between StartHTML and EndHTML; empty when the header is not valid.
QByteArray cfHtmlMarkup(const QByteArray &cfHtml);

// Turns the bytes a program offered as text/html into UTF-8: a UTF-16 payload
// (with its byte-order mark) is converted, a UTF-8 mark is dropped, a
// trailing NUL is cut off.
QByteArray htmlPayloadToUtf8(const QByteArray &payload);

} // namespace platform
