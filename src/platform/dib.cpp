#include "dib.h"

#include <QtEndian>

#include <array>
#include <bit>
#include <climits>
#include <optional>

namespace platform {

namespace {

constexpr quint32 InfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr quint32 V4HeaderSize = 108;   // BITMAPV4HEADER
constexpr quint32 V5HeaderSize = 124;   // BITMAPV5HEADER
constexpr qint64 FileHeaderSize = 14;   // BITMAPFILEHEADER
constexpr qint64 MaskBytes = 12;        // red, green and blue DWORD masks
constexpr qint64 PaletteEntrySize = 4;  // RGBQUAD

constexpr quint32 BiRgb = 0;
constexpr quint32 BiBitfields = 3;

// Bounds the image we are willing to allocate for untrusted bytes.
constexpr qint64 MaxSide = 65535;
constexpr qint64 MaxPixels = qint64(1) << 27;

// Field offsets shared by all three header kinds.
constexpr int OffWidth = 4;
constexpr int OffHeight = 8;
constexpr int OffPlanes = 12;
constexpr int OffBitCount = 14;
constexpr int OffCompression = 16;
constexpr int OffClrUsed = 32;
// Masks: inside V4/V5 headers, or directly after a 40-byte header.
constexpr int OffRedMask = 40;
constexpr int OffAlphaMask = 52;

quint16 readU16(const uchar *p) { return qFromLittleEndian<quint16>(p); }
quint32 readU32(const uchar *p) { return qFromLittleEndian<quint32>(p); }
qint32 readI32(const uchar *p) { return qFromLittleEndian<qint32>(p); }

void appendU16(QByteArray &out, quint16 v)
{
    uchar b[2];
    qToLittleEndian(v, b);
    out.append(reinterpret_cast<const char *>(b), 2);
}

void appendU32(QByteArray &out, quint32 v)
{
    uchar b[4];
    qToLittleEndian(v, b);
    out.append(reinterpret_cast<const char *>(b), 4);
}

// Where everything of one DIB lies, relative to the start of its header.
// Every range in here has been checked against the bytes it was parsed from.
struct DibLayout {
    quint32 headerSize = 0;
    int width = 0;
    int rows = 0;
    bool topDown = false;
    int bitCount = 0;
    bool bitfields = false;
    std::array<quint32, 4> masks{};  // red, green, blue, alpha
    qint64 paletteOffset = 0;
    qint64 paletteEntries = 0;
    qint64 infoBytes = 0;  // header + masks + palette
    qint64 stride = 0;
    qint64 pixelOffset = 0;
    qint64 pixelBytes = 0;

    bool hasAlpha() const { return bitfields && masks[3] != 0; }
};

// The one parser behind every public function. `bytes` starts at the DIB
// header. A packed DIB has its rows right after the palette (pixelOffset
// absent); a BMP file says where they are.
std::optional<DibLayout> parseDib(QByteArrayView bytes, std::optional<qint64> pixelOffset = {})
{
    const qint64 size = bytes.size();
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    if (size < 4)
        return {};

    DibLayout d;
    d.headerSize = readU32(p);
    if (d.headerSize != InfoHeaderSize && d.headerSize != V4HeaderSize && d.headerSize != V5HeaderSize)
        return {};
    if (size < qint64(d.headerSize))
        return {};

    const qint32 width = readI32(p + OffWidth);
    const qint32 height = readI32(p + OffHeight);
    const quint16 planes = readU16(p + OffPlanes);
    const quint16 bitCount = readU16(p + OffBitCount);
    const quint32 compression = readU32(p + OffCompression);
    const quint32 clrUsed = readU32(p + OffClrUsed);

    if (width <= 0 || height == 0 || height == INT_MIN || planes != 1)
        return {};
    const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
    if (width > MaxSide || rows > MaxSide || qint64(width) * rows > MaxPixels)
        return {};

    switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return {};
    }
    if (compression == BiBitfields) {
        if (bitCount != 16 && bitCount != 32)
            return {};
        d.bitfields = true;
    } else if (compression != BiRgb) {
        return {};
    }

    if (bitCount <= 8) {
        const quint32 maxEntries = 1u << bitCount;
        if (clrUsed > maxEntries)
            return {};
        d.paletteEntries = clrUsed ? clrUsed : maxEntries;
    } else {
        // An optional colour table that only serves as a hint; skipped.
        d.paletteEntries = clrUsed;
    }

    d.width = width;
    d.rows = int(rows);
    d.topDown = height < 0;
    d.bitCount = bitCount;
    d.stride = (qint64(width) * bitCount + 31) / 32 * 4;
    d.pixelBytes = d.stride * rows;

    const qint64 paletteBytes = d.paletteEntries * PaletteEntrySize;
    qint64 masksAfterHeader = 0;
    if (d.bitfields) {
        if (d.headerSize == InfoHeaderSize)
            masksAfterHeader = MaskBytes;
        // Some writers append the masks to a V4/V5 header as if it were a
        // 40-byte one; only an exact size match tells such a DIB apart.
        else if (!pixelOffset && size == qint64(d.headerSize) + MaskBytes + paletteBytes + d.pixelBytes)
            masksAfterHeader = MaskBytes;
    }
    d.paletteOffset = d.headerSize + masksAfterHeader;
    d.infoBytes = d.paletteOffset + paletteBytes;
    if (d.infoBytes > size)
        return {};

    if (d.bitfields) {
        // Offset 40 is inside a V4/V5 header and right after a 40-byte one,
        // which is covered by infoBytes.
        for (int i = 0; i < 3; ++i)
            d.masks[i] = readU32(p + OffRedMask + 4 * i);
        d.masks[3] = d.headerSize > InfoHeaderSize ? readU32(p + OffAlphaMask) : 0;
        const quint32 pixelBits = bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        for (int i = 0; i < 4; ++i) {
            if (d.masks[i] & ~pixelBits)
                return {};
        }
        if (!d.masks[0] || !d.masks[1] || !d.masks[2])
            return {};
    } else if (bitCount == 16) {
        d.masks = {0x7C00, 0x03E0, 0x001F, 0};
    } else {
        d.masks = {0xFF0000, 0xFF00, 0xFF, 0};
    }

    d.pixelOffset = pixelOffset.value_or(d.infoBytes);
    if (d.pixelOffset < d.infoBytes || d.pixelOffset > size || d.pixelBytes > size - d.pixelOffset)
        return {};
    return d;
}

// One colour channel of a masked pixel, scaled to 8 bits.
class Channel
{
public:
    explicit Channel(quint32 mask) : m_mask(mask)
    {
        if (mask) {
            m_shift = std::countr_zero(mask);
            m_max = (quint64(1) << std::bit_width(mask >> m_shift)) - 1;
        }
    }

    int operator()(quint32 pixel) const
    {
        if (!m_max)
            return 0;
        const quint64 v = (pixel & m_mask) >> m_shift;
        return int((v * 255 + m_max / 2) / m_max);
    }

private:
    quint32 m_mask = 0;
    int m_shift = 0;
    quint64 m_max = 0;
};

QImage decode(const DibLayout &d, const uchar *base)
{
    QImage image(d.width, d.rows, d.hasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const uchar *pixels = base + d.pixelOffset;
    auto sourceRow = [&](int y) {
        return pixels + d.stride * (d.topDown ? y : d.rows - 1 - y);
    };

    if (d.bitCount <= 8) {
        // Indices past the palette show as black rather than failing the image.
        std::array<QRgb, 256> palette;
        palette.fill(qRgb(0, 0, 0));
        const qint64 entries = qMin<qint64>(d.paletteEntries, 256);
        for (qint64 i = 0; i < entries; ++i) {
            const uchar *q = base + d.paletteOffset + i * PaletteEntrySize;
            palette[size_t(i)] = qRgb(q[2], q[1], q[0]);
        }
        const int bpp = d.bitCount;
        const int indexMask = (1 << bpp) - 1;
        for (int y = 0; y < d.rows; ++y) {
            const uchar *src = sourceRow(y);
            auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < d.width; ++x) {
                const qint64 bit = qint64(x) * bpp;
                const int index = (src[bit >> 3] >> (8 - bpp - int(bit & 7))) & indexMask;
                dst[x] = palette[size_t(index)];
            }
        }
        return image;
    }

    const bool withAlpha = d.hasAlpha();
    // The common layouts are copied row by row; large screenshots arrive so.
    const bool standardMasks = d.masks[0] == 0xFF0000u && d.masks[1] == 0xFF00u && d.masks[2] == 0xFFu;
    if (standardMasks && d.bitCount == 32 && (!withAlpha || d.masks[3] == 0xFF000000u)) {
        for (int y = 0; y < d.rows; ++y) {
            const uchar *src = sourceRow(y);
            auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < d.width; ++x, src += 4) {
                const quint32 v = quint32(src[0]) | quint32(src[1]) << 8 | quint32(src[2]) << 16
                    | (withAlpha ? quint32(src[3]) << 24 : 0xFF000000u);
                dst[x] = v;
            }
        }
        return image;
    }
    if (standardMasks && d.bitCount == 24) {
        for (int y = 0; y < d.rows; ++y) {
            const uchar *src = sourceRow(y);
            auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < d.width; ++x, src += 3)
                dst[x] = 0xFF000000u | quint32(src[0]) | quint32(src[1]) << 8 | quint32(src[2]) << 16;
        }
        return image;
    }
    const Channel red(d.masks[0]), green(d.masks[1]), blue(d.masks[2]), alpha(d.masks[3]);
    const int bytesPerPixel = d.bitCount / 8;
    for (int y = 0; y < d.rows; ++y) {
        const uchar *src = sourceRow(y);
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < d.width; ++x, src += bytesPerPixel) {
            quint32 v = 0;
            for (int i = bytesPerPixel - 1; i >= 0; --i)
                v = (v << 8) | src[i];
            dst[x] = withAlpha ? qRgba(red(v), green(v), blue(v), alpha(v))
                               : qRgb(red(v), green(v), blue(v));
        }
    }
    return image;
}

} // namespace

QImage dibToImage(const QByteArray &dib)
{
    const auto layout = parseDib(dib);
    if (!layout)
        return {};
    return decode(*layout, reinterpret_cast<const uchar *>(dib.constData()));
}

QByteArray imageToDib(const QImage &image)
{
    if (image.isNull())
        return {};
    const bool withAlpha = image.hasAlphaChannel();
    const QImage src = image.convertToFormat(withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (src.isNull())
        return {};
    const int width = src.width();
    const int height = src.height();
    const qint64 pixelBytes = qint64(width) * height * 4;
    if (pixelBytes > qint64(UINT_MAX) - InfoHeaderSize)
        return {};

    QByteArray out;
    out.reserve(InfoHeaderSize + pixelBytes);
    appendU32(out, InfoHeaderSize);
    appendU32(out, quint32(width));
    appendU32(out, quint32(height)); // positive: bottom-up
    appendU16(out, 1);               // planes
    appendU16(out, 32);              // bit count
    appendU32(out, BiRgb);
    appendU32(out, quint32(pixelBytes));
    appendU32(out, 0);               // horizontal resolution: unknown
    appendU32(out, 0);               // vertical resolution: unknown
    appendU32(out, 0);               // colours used
    appendU32(out, 0);               // important colours

    out.resize(InfoHeaderSize + pixelBytes);
    auto *dst = reinterpret_cast<uchar *>(out.data()) + InfoHeaderSize;
    for (int y = height - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = row[x];
            *dst++ = uchar(qBlue(c));
            *dst++ = uchar(qGreen(c));
            *dst++ = uchar(qRed(c));
            *dst++ = withAlpha ? uchar(qAlpha(c)) : 0xFF;
        }
    }
    return out;
}

quint32 dibHeaderSize(const QByteArray &dib)
{
    if (dib.size() < 4)
        return 0;
    const quint32 size = readU32(reinterpret_cast<const uchar *>(dib.constData()));
    if (size != InfoHeaderSize && size != V4HeaderSize && size != V5HeaderSize)
        return 0;
    return dib.size() >= qint64(size) ? size : 0;
}

QByteArray bmpFileToDib(const QByteArray &bmp)
{
    if (bmp.size() < FileHeaderSize || bmp[0] != 'B' || bmp[1] != 'M')
        return {};
    const qint64 offBits = readU32(reinterpret_cast<const uchar *>(bmp.constData()) + 10);
    if (offBits < FileHeaderSize)
        return {};
    const QByteArrayView dib = QByteArrayView(bmp).sliced(FileHeaderSize);
    const auto layout = parseDib(dib, offBits - FileHeaderSize);
    if (!layout)
        return {};
    QByteArray out;
    out.reserve(layout->infoBytes + layout->pixelBytes);
    out.append(dib.first(layout->infoBytes));
    out.append(dib.sliced(layout->pixelOffset, layout->pixelBytes));
    return out;
}

QByteArray dibToBmpFile(const QByteArray &dib)
{
    const auto layout = parseDib(dib);
    if (!layout)
        return {};
    const qint64 fileSize = FileHeaderSize + dib.size();
    if (fileSize > qint64(UINT_MAX))
        return {};
    QByteArray out;
    out.reserve(fileSize);
    out.append("BM", 2);
    appendU32(out, quint32(fileSize));
    appendU16(out, 0);
    appendU16(out, 0);
    appendU32(out, quint32(FileHeaderSize + layout->infoBytes));
    out.append(dib);
    return out;
}

} // namespace platform
