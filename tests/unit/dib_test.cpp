#include "platform/dib.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QtEndian>

#include <array>
#include <climits>
#include <cstdio>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr QRgb Black = 0xFF000000;
constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Red = 0xFFFF0000;
constexpr QRgb Green = 0xFF00FF00;
constexpr QRgb Blue = 0xFF0000FF;

constexpr quint32 BiRgb = 0;
constexpr quint32 BiBitfields = 3;

// Little-endian byte writer for building DIBs and file headers by hand.
class LeWriter
{
public:
    LeWriter &u8(quint8 v)
    {
        m_bytes.append(char(v));
        return *this;
    }
    LeWriter &u16(quint16 v) { return u8(quint8(v)).u8(quint8(v >> 8)); }
    LeWriter &u32(quint32 v) { return u16(quint16(v)).u16(quint16(v >> 16)); }
    LeWriter &raw(const QByteArray &b)
    {
        m_bytes.append(b);
        return *this;
    }
    LeWriter &fill(qsizetype n, char c = '\0') { return raw(QByteArray(n, c)); }
    qsizetype size() const { return m_bytes.size(); }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits); // skips the spaces that group pixels
}

quint32 u32At(const QByteArray &b, qsizetype offset)
{
    return qFromLittleEndian<quint32>(b.constData() + offset);
}

QByteArray patched(QByteArray b, qsizetype offset, quint32 value, int width = 4)
{
    for (int i = 0; i < width; ++i)
        b[offset + i] = char(value >> (8 * i));
    return b;
}

std::string argb(QRgb c)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%08x", c);
    return text;
}

// The parts of one DIB. Rows are listed top row first and unpadded; the
// builder pads them and stores them in the order the height sign demands.
struct DibRecipe {
    quint32 headerSize = 40;
    int width = 3;
    bool topDown = false;
    quint16 bitCount = 24;
    quint32 compression = BiRgb;
    quint32 clrUsed = 0;
    std::array<quint32, 4> masks{}; // red, green, blue, alpha
    bool extraMasks = false;        // masks repeated after a V4/V5 header
    std::vector<QRgb> palette{};
    std::vector<QByteArray> rows{};
};

struct BuiltDib {
    QByteArray bytes;
    qsizetype pixelOffset = 0;
};

BuiltDib build(const DibRecipe &r)
{
    const qsizetype stride = (qsizetype(r.width) * r.bitCount + 31) / 32 * 4;
    const int height = int(r.rows.size());
    LeWriter w;
    w.u32(r.headerSize)
        .u32(quint32(r.width))
        .u32(quint32(r.topDown ? -height : height))
        .u16(1)
        .u16(r.bitCount)
        .u32(r.compression)
        .u32(quint32(stride * height))
        .u32(2835)
        .u32(2835)
        .u32(r.clrUsed)
        .u32(0);
    if (r.headerSize > 40) {
        for (quint32 m : r.masks)
            w.u32(m);
        w.fill(r.headerSize - w.size());
    } else if (r.compression == BiBitfields) {
        for (int i = 0; i < 3; ++i)
            w.u32(r.masks[i]);
    }
    if (r.extraMasks) {
        for (int i = 0; i < 3; ++i)
            w.u32(r.masks[i]);
    }
    for (QRgb c : r.palette)
        w.u8(quint8(qBlue(c))).u8(quint8(qGreen(c))).u8(quint8(qRed(c))).u8(0);
    const qsizetype pixelOffset = w.size();
    for (int i = 0; i < height; ++i) {
        const QByteArray &row = r.rows[size_t(r.topDown ? i : height - 1 - i)];
        w.raw(row).fill(stride - row.size());
    }
    return {w.bytes(), pixelOffset};
}

QByteArray bmpFile(const QByteArray &dib, quint32 offBits, const char *magic = "BM")
{
    return LeWriter()
        .raw(QByteArray(magic, 2))
        .u32(quint32(14 + dib.size()))
        .u16(0)
        .u16(0)
        .u32(offBits)
        .raw(dib)
        .bytes();
}

QRgb ramp(int i)
{
    return qRgb(i, 255 - i, (i * 7) & 0xFF);
}

std::vector<QRgb> rampPalette()
{
    std::vector<QRgb> p;
    for (int i = 0; i < 256; ++i)
        p.push_back(ramp(i));
    return p;
}

// ---------------------------------------------------------------------------
// Valid DIBs decode to the expected pixels.

struct DecodeCase {
    const char *name;
    DibRecipe recipe;
    QImage::Format format;
    std::vector<QRgb> expected; // top row first
    // Qt widens channels narrower than 8 bits by shifting, so its reader
    // is an independent check only for the others.
    bool qtScalesDifferently = false;
};

void PrintTo(const DecodeCase &c, std::ostream *os)
{
    *os << c.name;
}

const std::vector<DecodeCase> &decodeCases()
{
    static const std::vector<DecodeCase> cases = {
        {"bpp1",
         {.bitCount = 1, .palette = {Black, White}, .rows = {hex("a0"), hex("40")}},
         QImage::Format_RGB32,
         {White, Black, White, Black, White, Black}},
        // Index 15 lies beyond the three-entry palette.
        {"bpp4_shortPalette",
         {.bitCount = 4, .clrUsed = 3, .palette = {Red, Green, Blue}, .rows = {hex("0120"), hex("21f0")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, Blue, Green, Black}},
        {"bpp8_fullPalette",
         {.bitCount = 8, .palette = rampPalette(), .rows = {hex("00 07 ff"), hex("80 01 02")}},
         QImage::Format_RGB32,
         {ramp(0), ramp(7), ramp(255), ramp(128), ramp(1), ramp(2)}},
        {"bpp16_555",
         {.bitCount = 16, .rows = {hex("007c e003 1f00"), hex("ff7f 1042 0000")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, White, qRgb(132, 132, 132), Black},
         true},
        {"bpp16_565",
         {.bitCount = 16,
          .compression = BiBitfields,
          .masks = {0xF800, 0x07E0, 0x001F, 0},
          .rows = {hex("00f8 e007 1f00"), hex("ffff 2000 1084")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, White, qRgb(0, 4, 0), qRgb(132, 130, 132)},
         true},
        {"bpp24",
         {.bitCount = 24, .rows = {hex("0000ff 00ff00 ff0000"), hex("102030 ffffff 000000")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, qRgb(0x30, 0x20, 0x10), White, Black}},
        // The fourth byte is junk and must not become alpha.
        {"bpp32_rgb",
         {.bitCount = 32, .rows = {hex("0000ff00 00ff007f ff0000ff"), hex("10203040 ffffff00 00000080")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, qRgb(0x30, 0x20, 0x10), White, Black}},
        {"bpp32_bitfields_rgbx",
         {.bitCount = 32,
          .compression = BiBitfields,
          .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0},
          .rows = {hex("ff000000 00ff0000 0000ff00"), hex("30201000 ffffff00 00000000")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, qRgb(0x30, 0x20, 0x10), White, Black}},
        {"bpp32_bitfields_10bit",
         {.bitCount = 32,
          .compression = BiBitfields,
          .masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0},
          .rows = {hex("0000f03f 00fc0f00 ff030000"), hex("00000020 ffffff3f 00000000")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, qRgb(128, 0, 0), White, Black},
         true},
        {"v4_bitfields",
         {.headerSize = 108,
          .bitCount = 32,
          .compression = BiBitfields,
          .masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0},
          .rows = {hex("0000ff7f 00ff00ff ff000000"), hex("10203040 ffffff00 00000000")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, qRgb(0x30, 0x20, 0x10), White, Black}},
        {"v5_alpha",
         {.headerSize = 124,
          .bitCount = 32,
          .compression = BiBitfields,
          .masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
          .rows = {hex("0000ff80 00ff00ff ff000000"), hex("10203040 ffffffff 00000001")}},
         QImage::Format_ARGB32,
         {qRgba(255, 0, 0, 0x80), Green, qRgba(0, 0, 255, 0), qRgba(0x30, 0x20, 0x10, 0x40), White,
          qRgba(0, 0, 0, 1)}},
        {"v5_extraMasksAfterHeader",
         {.headerSize = 124,
          .bitCount = 32,
          .compression = BiBitfields,
          .masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0},
          .extraMasks = true,
          .rows = {hex("0000ff00 00ff0000 ff000000"), hex("10203000 ffffff00 00000000")}},
         QImage::Format_RGB32,
         {Red, Green, Blue, qRgb(0x30, 0x20, 0x10), White, Black}},
        {"v5_16bpp_1555",
         {.headerSize = 124,
          .bitCount = 16,
          .compression = BiBitfields,
          .masks = {0x7C00, 0x03E0, 0x001F, 0x8000},
          .rows = {hex("00fc e003 1f80"), hex("ffff 0000 1042")}},
         QImage::Format_ARGB32,
         {Red, qRgba(0, 255, 0, 0), Blue, White, qRgba(0, 0, 0, 0), qRgba(132, 132, 132, 0)},
         true},
    };
    return cases;
}

class DibDecodeTest : public ::testing::TestWithParam<std::tuple<DecodeCase, bool>>
{
};

TEST_P(DibDecodeTest, DecodesExpectedPixels)
{
    const auto &[c, topDown] = GetParam();
    DibRecipe recipe = c.recipe;
    recipe.topDown = topDown;
    const BuiltDib dib = build(recipe);
    const int height = int(recipe.rows.size());

    EXPECT_EQ(platform::dibHeaderSize(dib.bytes), recipe.headerSize);
    const QImage image = platform::dibToImage(dib.bytes);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), c.format);
    ASSERT_EQ(image.size(), QSize(recipe.width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < recipe.width; ++x)
            EXPECT_EQ(argb(image.pixel(x, y)), argb(c.expected[size_t(y * recipe.width + x)]))
                << "pixel " << x << "," << y;
    }

    // The file form carries the same DIB and points at its pixel rows.
    const QByteArray bmp = platform::dibToBmpFile(dib.bytes);
    ASSERT_EQ(bmp.size(), 14 + dib.bytes.size());
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    EXPECT_EQ(u32At(bmp, 2), quint32(bmp.size()));
    EXPECT_EQ(u32At(bmp, 10), quint32(14 + dib.pixelOffset));
    EXPECT_EQ(bmp.mid(14), dib.bytes);
    EXPECT_EQ(platform::dibToImage(platform::bmpFileToDib(bmp)), image);

    if (!c.qtScalesDifferently) {
        const QImage viaQt = QImage::fromData(bmp, "BMP");
        ASSERT_FALSE(viaQt.isNull());
        EXPECT_EQ(viaQt.convertToFormat(image.format()), image);
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, DibDecodeTest,
                         ::testing::Combine(::testing::ValuesIn(decodeCases()), ::testing::Bool()),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name)
                                 + (std::get<1>(info.param) ? "_topDown" : "_bottomUp");
                         });

// ---------------------------------------------------------------------------
// Encoding and the file form.

struct RoundTripCase {
    const char *name;
    QImage::Format format;
};

void PrintTo(const RoundTripCase &c, std::ostream *os)
{
    *os << c.name;
}

QImage sampleImage(QImage::Format format)
{
    QImage image(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 50, y * 100, (x + y) * 30, 255 - x * 60 - y * 5));
    }
    return image.convertToFormat(format);
}

class DibRoundTripTest : public ::testing::TestWithParam<RoundTripCase>
{
};

TEST_P(DibRoundTripTest, EncodesDecodesAndWrapsAsFile)
{
    const QImage source = sampleImage(GetParam().format);
    const QImage expected = source.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width();
    const int h = source.height();

    const QByteArray dib = platform::imageToDib(source);
    ASSERT_EQ(dib.size(), 40 + w * h * 4);
    EXPECT_EQ(platform::dibHeaderSize(dib), 40u);

    const QImage decoded = platform::dibToImage(dib);
    ASSERT_EQ(decoded.size(), source.size());
    EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb want = expected.pixel(x, y);
            EXPECT_EQ(argb(decoded.pixel(x, y)), argb(want | 0xFF000000)) << "pixel " << x << "," << y;
            // Rows are stored bottom-up; the fourth byte carries alpha.
            const qsizetype alphaAt = 40 + (qsizetype(h - 1 - y) * w + x) * 4 + 3;
            EXPECT_EQ(quint8(dib[alphaAt]), source.hasAlphaChannel() ? qAlpha(want) : 255)
                << "pixel " << x << "," << y;
        }
    }

    const QByteArray bmp = platform::dibToBmpFile(dib);
    EXPECT_EQ(platform::bmpFileToDib(bmp), dib);
    const QImage viaQt = QImage::fromData(bmp, "BMP");
    ASSERT_EQ(viaQt.size(), source.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(argb(viaQt.pixel(x, y) | 0xFF000000), argb(expected.pixel(x, y) | 0xFF000000))
                << "pixel " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, DibRoundTripTest,
                         ::testing::Values(RoundTripCase{"rgb32", QImage::Format_RGB32},
                                           RoundTripCase{"rgb888", QImage::Format_RGB888},
                                           RoundTripCase{"argb32", QImage::Format_ARGB32},
                                           RoundTripCase{"argb32Premultiplied",
                                                         QImage::Format_ARGB32_Premultiplied}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(DibEncodeTest, NullImageGivesNoDib)
{
    EXPECT_TRUE(platform::imageToDib(QImage()).isEmpty());
}

// Files may leave a gap between the palette (or masks) and the pixel rows;
// the packed DIB closes it.
TEST(BmpFileTest, PixelsAfterGapArePacked)
{
    const std::vector<DibRecipe> recipes = {
        {.bitCount = 8, .clrUsed = 2, .palette = {Red, Blue}, .rows = {hex("00 01 00"), hex("01 00 01")}},
        {.bitCount = 32,
         .compression = BiBitfields,
         .masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0},
         .rows = {hex("0000ff00 00ff0000 ff000000")}},
    };
    for (const DibRecipe &recipe : recipes) {
        const BuiltDib dib = build(recipe);
        for (int gap : {0, 1, 6, 13}) {
            const QByteArray file = bmpFile(dib.bytes.left(dib.pixelOffset) + QByteArray(gap, '\xAA')
                                                + dib.bytes.mid(dib.pixelOffset),
                                            quint32(14 + dib.pixelOffset + gap));
            EXPECT_EQ(platform::bmpFileToDib(file), dib.bytes)
                << "bit count " << recipe.bitCount << ", gap " << gap;
        }
    }
}

// ---------------------------------------------------------------------------
// Malformed input gives nothing, without reading past the end.

struct BadCase {
    const char *name;
    QByteArray bytes;
};

void PrintTo(const BadCase &c, std::ostream *os)
{
    *os << c.name;
}

// Valid DIBs the malformed cases are derived from.
QByteArray valid8() // 3x2, 8 bpp, two palette entries
{
    return build({.bitCount = 8, .clrUsed = 2, .palette = {Red, Blue}, .rows = {hex("000100"), hex("010001")}})
        .bytes;
}

QByteArray validBitfields(quint16 bitCount)
{
    const bool wide = bitCount == 32;
    return build({.bitCount = bitCount,
                  .compression = BiBitfields,
                  .masks = wide ? std::array<quint32, 4>{0xFF0000, 0xFF00, 0xFF, 0}
                                : std::array<quint32, 4>{0xF800, 0x07E0, 0x001F, 0},
                  .rows = {QByteArray(3 * bitCount / 8, '\x11'), QByteArray(3 * bitCount / 8, '\x22')}})
        .bytes;
}

QByteArray validV5()
{
    return build({.headerSize = 124,
                  .bitCount = 32,
                  .compression = BiBitfields,
                  .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                  .rows = {QByteArray(12, '\x33')}})
        .bytes;
}

// A 1-row or 1-column DIB whose data is complete, so that only its size is wrong.
QByteArray fullDataDib(int width, int rows, quint16 bitCount)
{
    const qsizetype rowBytes = (qsizetype(width) * bitCount + 7) / 8;
    return build({.width = width,
                  .bitCount = bitCount,
                  .clrUsed = 1,
                  .palette = {Black},
                  .rows = std::vector<QByteArray>(size_t(rows), QByteArray(rowBytes, '\0'))})
        .bytes;
}

TEST(DibMalformedTest, BaseFixturesAreValid)
{
    for (const QByteArray &dib : {valid8(), validBitfields(16), validBitfields(32), validV5(),
                                  fullDataDib(65535, 1, 8), fullDataDib(1, 65535, 8)})
        EXPECT_FALSE(platform::dibToImage(dib).isNull()) << "header " << u32At(dib, 0);
}

std::vector<BadCase> badDibs()
{
    return {
        {"empty", {}},
        {"truncatedHeader", valid8().left(30)},
        {"headerSize41", patched(valid8(), 0, 41)},
        {"coreHeader12", patched(valid8(), 0, 12)},
        {"v5HeaderTruncated", validV5().left(100)},
        {"widthZero", patched(valid8(), 4, 0)},
        {"widthNegative", patched(valid8(), 4, quint32(-3))},
        {"heightZero", patched(valid8(), 8, 0)},
        {"heightIntMin", patched(valid8(), 8, quint32(INT_MIN))},
        {"planesZero", patched(valid8(), 12, 0, 2)},
        {"bpp7", patched(valid8(), 14, 7, 2)},
        {"compressionRle8", patched(valid8(), 16, 1)},
        {"compression99", patched(valid8(), 16, 99)},
        {"bitfieldsOn8bpp", patched(valid8(), 16, BiBitfields)},
        {"clrUsed300For8bpp", patched(valid8(), 32, 300)},
        {"palettePastEnd", valid8().left(44)},
        {"colourTablePastEnd", patched(validBitfields(32), 32, 1000)},
        {"pixelsOneByteShort", valid8().chopped(1)},
        {"width100000", fullDataDib(100000, 1, 8)},
        {"height70000", fullDataDib(1, 70000, 8)},
        {"tooManyPixels", fullDataDib(65535, 2049, 1)},
        {"width40000Height40000", patched(patched(valid8(), 4, 40000), 8, 40000)},
        {"width10000Height10000NoData", patched(patched(valid8(), 4, 10000), 8, 10000)},
        {"zeroGreenMask", patched(validBitfields(32), 44, 0)},
        {"zeroRedMaskV5", patched(validV5(), 40, 0)},
        {"mask16BeyondPixel", patched(validBitfields(16), 48, 0x10000)},
        {"bitfieldsWithoutRoomForMasks", validBitfields(32).left(48)},
    };
}

class DibMalformedTest : public ::testing::TestWithParam<BadCase>
{
};

TEST_P(DibMalformedTest, GivesNoResult)
{
    const QByteArray &dib = GetParam().bytes;
    EXPECT_TRUE(platform::dibToImage(dib).isNull());
    EXPECT_TRUE(platform::dibToBmpFile(dib).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DibMalformedTest, ::testing::ValuesIn(badDibs()),
                         [](const auto &info) { return std::string(info.param.name); });

QByteArray validFile()
{
    return bmpFile(valid8(), 14 + 40 + 8);
}

TEST(BmpFileTest, BaseFileIsValid)
{
    EXPECT_EQ(platform::bmpFileToDib(validFile()), valid8());
}

std::vector<BadCase> badFiles()
{
    return {
        {"empty", {}},
        {"tooShort", validFile().left(10)},
        {"fileHeaderOnly", bmpFile({}, 14)},
        {"notBM", bmpFile(valid8(), 14 + 40 + 8, "MB")},
        {"offBitsPastEnd", bmpFile(valid8(), quint32(14 + valid8().size() + 1))},
        {"offBitsHuge", bmpFile(valid8(), 0xFFFFFFFF)},
        {"offBitsInsideFileHeader", bmpFile(valid8(), 4)},
        {"offBitsOverlapsPalette", bmpFile(valid8(), 14 + 40)},
        {"pixelsOneByteShort", validFile().chopped(1)},
        {"invalidDib", bmpFile(patched(valid8(), 4, 0), 14 + 40 + 8)},
    };
}

class BmpFileMalformedTest : public ::testing::TestWithParam<BadCase>
{
};

TEST_P(BmpFileMalformedTest, GivesNoDib)
{
    EXPECT_TRUE(platform::bmpFileToDib(GetParam().bytes).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, BmpFileMalformedTest, ::testing::ValuesIn(badFiles()),
                         [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

struct HeaderSizeCase {
    const char *name;
    QByteArray bytes;
    quint32 expected;
};

void PrintTo(const HeaderSizeCase &c, std::ostream *os)
{
    *os << c.name;
}

class DibHeaderSizeTest : public ::testing::TestWithParam<HeaderSizeCase>
{
};

TEST_P(DibHeaderSizeTest, ReportsKnownHeadersThatFit)
{
    EXPECT_EQ(platform::dibHeaderSize(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DibHeaderSizeTest,
    ::testing::Values(HeaderSizeCase{"info", valid8(), 40}, HeaderSizeCase{"infoAlone", valid8().left(40), 40},
                      HeaderSizeCase{"v4", patched(validV5().left(108), 0, 108), 108},
                      HeaderSizeCase{"v5", validV5(), 124}, HeaderSizeCase{"v5Short", validV5().left(123), 0},
                      HeaderSizeCase{"size41", patched(valid8(), 0, 41), 0},
                      HeaderSizeCase{"core12", patched(valid8(), 0, 12), 0},
                      HeaderSizeCase{"threeBytes", valid8().left(3), 0}, HeaderSizeCase{"empty", {}, 0}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
