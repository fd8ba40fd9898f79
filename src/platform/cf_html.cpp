#include "cf_html.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace platform {

namespace {

constexpr QByteArrayView headerTemplate =
    "Version:0.9\r\n"
    "StartHTML:0000000000\r\n"
    "EndHTML:0000000000\r\n"
    "StartFragment:0000000000\r\n"
    "EndFragment:0000000000\r\n";

QByteArray tenDigits(qint64 value)
{
    return QByteArray::number(value).rightJustified(10, '0');
}

// Fragment limits inside the markup (relative to its start).
std::pair<qsizetype, qsizetype> fragmentRange(const QByteArray &markup)
{
    const QByteArray lower = markup.toLower();
    const qsizetype startMark = lower.indexOf("<!--startfragment-->");
    const qsizetype endMark = lower.indexOf("<!--endfragment-->");
    if (startMark >= 0 && endMark >= startMark)
        return {startMark + qsizetype(sizeof("<!--StartFragment-->") - 1), endMark};

    const qsizetype body = lower.indexOf("<body");
    if (body >= 0) {
        const qsizetype bodyOpenEnd = lower.indexOf('>', body);
        const qsizetype bodyClose = lower.lastIndexOf("</body");
        if (bodyOpenEnd >= 0 && bodyClose > bodyOpenEnd)
            return {bodyOpenEnd + 1, bodyClose};
        if (bodyOpenEnd >= 0)
            return {bodyOpenEnd + 1, markup.size()};
    }
    return {0, markup.size()};
}

std::optional<qint64> headerValue(const QByteArray &header, QByteArrayView key)
{
    qsizetype pos = 0;
    while (pos < header.size()) {
        qsizetype eol = header.indexOf('\n', pos);
        if (eol < 0)
            eol = header.size();
        const QByteArray line = header.mid(pos, eol - pos).trimmed();
        pos = eol + 1;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        if (line.left(colon).toLower() != key.toByteArray().toLower())
            continue;
        bool ok = false;
        const qint64 v = line.mid(colon + 1).trimmed().toLongLong(&ok);
        if (ok)
            return v;
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

QByteArray buildCfHtml(const QByteArray &markup)
{
    const qint64 startHtml = headerTemplate.size();
    const qint64 endHtml = startHtml + markup.size();
    const auto [fragStart, fragEnd] = fragmentRange(markup);

    QByteArray out;
    out.reserve(headerTemplate.size() + markup.size());
    out += "Version:0.9\r\n";
    out += "StartHTML:" + tenDigits(startHtml) + "\r\n";
    out += "EndHTML:" + tenDigits(endHtml) + "\r\n";
    out += "StartFragment:" + tenDigits(startHtml + fragStart) + "\r\n";
    out += "EndFragment:" + tenDigits(startHtml + fragEnd) + "\r\n";
    out += markup;
    return out;
}

std::optional<CfHtmlOffsets> parseCfHtml(const QByteArray &cfHtml)
{
    // The description ends where the markup begins; look only at its start so
    // that a huge payload is not scanned.
    const QByteArray header = cfHtml.left(1024);
    const auto startHtml = headerValue(header, "StartHTML");
    const auto endHtml = headerValue(header, "EndHTML");
    if (!startHtml || !endHtml)
        return std::nullopt;
    if (*startHtml < 0 || *endHtml < *startHtml || *endHtml > cfHtml.size())
        return std::nullopt;

    CfHtmlOffsets offsets;
    offsets.startHtml = *startHtml;
    offsets.endHtml = *endHtml;
    const auto startFrag = headerValue(header, "StartFragment");
    const auto endFrag = headerValue(header, "EndFragment");
    if (startFrag && endFrag && *startFrag >= *startHtml && *endFrag >= *startFrag
        && *endFrag <= *endHtml) {
        offsets.startFragment = *startFrag;
        offsets.endFragment = *endFrag;
    }
    return offsets;
}

QByteArray cfHtmlMarkup(const QByteArray &cfHtml)
{
    const auto offsets = parseCfHtml(cfHtml);
    if (!offsets)
        return {};
    return cfHtml.mid(offsets->startHtml, offsets->endHtml - offsets->startHtml);
}

QByteArray htmlPayloadToUtf8(const QByteArray &payload)
{
    QByteArray out;
    if (payload.startsWith("\xFF\xFE") || payload.startsWith("\xFE\xFF")) {
        auto decoder = QStringDecoder(payload.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                                     : QStringConverter::Utf16BE,
                                      QStringConverter::Flag::Default);
        const QString text = decoder.decode(QByteArrayView(payload.constData() + 2, payload.size() - 2));
        out = text.toUtf8();
    } else if (payload.startsWith("\xEF\xBB\xBF")) {
        out = payload.mid(3);
    } else {
        out = payload;
    }
    while (out.endsWith('\0'))
        out.chop(1);
    return out;
}

} // namespace platform
