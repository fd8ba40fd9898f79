#include "platform/dib.h"
#include "platform/dropfiles.h"
#include "platform/simulated/simulated_clipboard.h"
#include "test_support.h"
#include "uClipboardUtils.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QObject>

#include <functional>

using namespace platform;
using testsupport::utf16z;

namespace {

struct CaptureCase {
    const char *name;
    std::function<QList<SimulatedClipboard::Offered>(SimulatedClipboard &)> offer;
    qint32 kind;
    bool hasText, hasHtml, hasRtf, hasImage, hasFiles;
    const char *imageTag;
    QString summary;
    std::function<void(const TCapturedClip &)> check = nullptr;
};

class Capture : public ::testing::Test {
protected:
    SimulatedClipboard cb;
    QObject owner;
    FormatId html = cb.registerFormat(QStringLiteral("HTML Format"));
    FormatId rtf = cb.registerFormat(QStringLiteral("Rich Text Format"));
    FormatId png = cb.registerFormat(QStringLiteral("PNG"));
};

TEST_F(Capture, ReadsEveryKindWithItsFlagsAndSummary)
{
    const QImage img = testsupport::gradientImage(5, 3);
    const QString threePaths = QStringLiteral("/home/u/a.txt\r\n/home/u/\u00FCber.txt\r\n/home/u/\u65E5\u672C.png\r\n");
    const QByteArray cfHtml = "Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000130\r\n"
                              "StartFragment:0000000105\r\nEndFragment:0000000130\r\n"
                              "<b>Gr\xC3\xBC\xC3\x9F" "e</b>";
    const QList<CaptureCase> cases = {
        {"text only", [](auto &) { return QList<SimulatedClipboard::Offered>{{CF_UNICODETEXT, utf16z(QStringLiteral("  Hello\r\nWorld  "))}}; },
         ckText, true, false, false, false, false, "", QStringLiteral("Hello World"),
         [](const TCapturedClip &c) { EXPECT_EQ(c.Text, QStringLiteral("  Hello\r\nWorld  ")); }},
        {"non-ASCII text", [](auto &) { return QList<SimulatedClipboard::Offered>{{CF_UNICODETEXT, utf16z(QStringLiteral("Gr\u00FC\u00DFe \u4E16\u754C \U0001F600"))}}; },
         ckText, true, false, false, false, false, "", QStringLiteral("Gr\u00FC\u00DFe \u4E16\u754C \U0001F600")},
        {"text after its first NUL is cut", [](auto &) { return QList<SimulatedClipboard::Offered>{{CF_UNICODETEXT, utf16z(QStringLiteral("abc")) + utf16z(QStringLiteral("hidden"))}}; },
         ckText, true, false, false, false, false, "", QStringLiteral("abc")},
        {"8-bit text only", [](auto &) { return QList<SimulatedClipboard::Offered>{{CF_TEXT, QByteArray("legacy\0", 7)}}; },
         ckText, true, false, false, false, false, "", QStringLiteral("legacy")},
        {"text and HTML in an allocation larger than its data",
         [&](auto &) { return QList<SimulatedClipboard::Offered>{{CF_UNICODETEXT, utf16z(QStringLiteral("Gr\u00FC\u00DFe"))}, {html, cfHtml, cfHtml.size() + 64}}; },
         ckHtml, true, true, false, false, false, "", QStringLiteral("Gr\u00FC\u00DFe"),
         [&](const TCapturedClip &c) {
             EXPECT_EQ(c.HtmlBytes.size(), cfHtml.size() + 64); // the whole allocation
             EXPECT_TRUE(c.HtmlBytes.startsWith(cfHtml));
             EXPECT_TRUE(c.Html.startsWith(QStringLiteral("Version:0.9\r\nStartHTML:0000000105")));
             EXPECT_TRUE(c.Html.endsWith(QStringLiteral("<b>Gr    e</b>"))); // non-ASCII bytes are spaces
         }},
        {"RTF only", [&](auto &) { return QList<SimulatedClipboard::Offered>{{rtf, QByteArray("{\\rtf1 caf\xE9}")}}; },
         ckRtf, false, false, true, false, false, "", QStringLiteral("{\\rtf1 caf }")},
        {"files and text, one file",
         [](auto &) { return QList<SimulatedClipboard::Offered>{{CF_UNICODETEXT, utf16z(QStringLiteral("/home/u/a.txt"))}, {CF_HDROP, buildDropFiles({QStringLiteral("/home/u/a.txt")})}}; },
         ckFiles, true, false, false, false, true, "", QStringLiteral("[Files] a.txt"),
         [](const TCapturedClip &c) { EXPECT_EQ(c.FilesText, QStringLiteral("/home/u/a.txt\r\n")); }},
        {"three files with non-ASCII names",
         [&](auto &) { return QList<SimulatedClipboard::Offered>{{CF_HDROP, buildDropFiles(SplitNonEmptyLines(threePaths))}}; },
         ckFiles, false, false, false, false, true, "", QStringLiteral("[Files] 3 item(s)"),
         [&](const TCapturedClip &c) { EXPECT_EQ(c.FilesText, threePaths); }},
        {"a drop list without paths", [](auto &) { return QList<SimulatedClipboard::Offered>{{CF_HDROP, QByteArray(22, '\0').replace(0, 1, "\x14")}}; },
         ckText, false, false, false, false, false, "", QStringLiteral("[Empty]"),
         [](const TCapturedClip &c) { EXPECT_TRUE(c.FilesText.isEmpty()); }},
        {"PNG and a DIB", [&](auto &) { return QList<SimulatedClipboard::Offered>{{png, testsupport::encodeImage(img, "PNG")}, {CF_DIB, imageToDib(img)}}; },
         ckImage, false, false, false, true, false, "PNG", QStringLiteral("[Image]"),
         [](const TCapturedClip &c) { EXPECT_EQ(c.PngBytes, c.ImageRawBytes); }},
        {"DIB only", [&](auto &) { return QList<SimulatedClipboard::Offered>{{CF_DIB, imageToDib(img)}}; },
         ckImage, false, false, false, true, false, "CF_DIB", QStringLiteral("[Image]"),
         [&](const TCapturedClip &c) {
             EXPECT_EQ(c.ImageRawBytes, imageToDib(img));
             EXPECT_EQ(QImage::fromData(c.PngBytes, "PNG").convertToFormat(QImage::Format_RGB32), img);
         }},
        {"DIBV5 and DIB", [&](auto &) { return QList<SimulatedClipboard::Offered>{{CF_DIBV5, imageToDib(img)}, {CF_DIB, imageToDib(img)}}; },
         ckImage, false, false, false, true, false, "CF_DIBV5", QStringLiteral("[Image]")},
        {"an image with text summarises as an image",
         [&](auto &) { return QList<SimulatedClipboard::Offered>{{CF_UNICODETEXT, utf16z(QStringLiteral("caption"))}, {png, testsupport::encodeImage(img, "PNG")}}; },
         ckImage, true, false, false, true, false, "PNG", QStringLiteral("[Image]")},
        {"a DIB whose header lies gives no image",
         [&](auto &) { QByteArray d = imageToDib(img); d.truncate(50); return QList<SimulatedClipboard::Offered>{{CF_DIB, d}}; },
         ckText, false, false, false, false, false, "CF_DIB", QStringLiteral("[Empty]")},
        {"blank text", [](auto &) { return QList<SimulatedClipboard::Offered>{{CF_UNICODETEXT, utf16z(QStringLiteral(" \r\n \t\r\n"))}}; },
         ckText, true, false, false, false, false, "", QStringLiteral("[Empty]")},
        {"nothing", [](auto &) { return QList<SimulatedClipboard::Offered>{}; },
         ckText, false, false, false, false, false, "", QStringLiteral("[Empty]")},
    };

    for (const CaptureCase &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(cb.offerAsOtherProgram(c.offer(cb)));
        TCapturedClip clip;
        const bool any = CaptureClipboard(cb, clip, &owner);
        EXPECT_EQ(any, clip.HasAny());
        EXPECT_EQ(clip.Kind, c.kind);
        EXPECT_EQ(clip.HasText, c.hasText);
        EXPECT_EQ(clip.HasHtml, c.hasHtml);
        EXPECT_EQ(clip.HasRtf, c.hasRtf);
        EXPECT_EQ(clip.HasImage, c.hasImage);
        EXPECT_EQ(clip.HasFiles, c.hasFiles);
        EXPECT_EQ(clip.ImageRawFormat, QString::fromLatin1(c.imageTag));
        EXPECT_EQ(MakeClipSummary(clip.Kind, clip.Text, clip.Html, clip.Rtf, clip.FilesText), c.summary);
        if (c.check)
            c.check(clip);
        EXPECT_FALSE(cb.isOpen()); // every step closed what it opened
    }
}

TEST_F(Capture, RetriesOpeningAsEachReaderSays)
{
    ASSERT_TRUE(cb.offerAsOtherProgram({{CF_UNICODETEXT, utf16z(QStringLiteral("t"))}, {html, "x"}}));
    cb.setHeldOpenByOtherProgram(true);
    cb.resetOpenAttempts();
    EXPECT_TRUE(ReadClipboardText(cb).isEmpty());
    EXPECT_EQ(cb.openAttempts(), 10);

    cb.resetOpenAttempts();
    QByteArray bytes;
    EXPECT_FALSE(ReadRegisteredFormatBytes(cb, &owner, QStringLiteral("HTML Format"), bytes));
    EXPECT_EQ(cb.openAttempts(), 1);

    TCapturedClip clip;
    EXPECT_FALSE(CaptureClipboard(cb, clip, &owner));
    EXPECT_EQ(clip.Kind, ckText);

    // The ninth attempt succeeds: the text is read.
    cb.setHeldOpenByOtherProgram(false);
    cb.failNextOpens(8);
    cb.resetOpenAttempts();
    EXPECT_EQ(ReadClipboardText(cb), QStringLiteral("t"));
    EXPECT_EQ(cb.openAttempts(), 9);
}

TEST(ClipSummary, KindsCutsAndFileNames)
{
    const QString longText = QString(199, QLatin1Char('a')) + QStringLiteral("\r\nbbb");
    struct Case {
        qint32 kind;
        QString text, html, rtf, files, expected;
    };
    const QList<Case> cases = {
        {1, QStringLiteral("  two\r\nlines "), {}, {}, {}, QStringLiteral("two lines")},
        // The cut comes first: the CR of the pair is cut off, so no pair is left to replace.
        {1, longText, {}, {}, {}, QString(199, QLatin1Char('a')) },
        {1, QString(300, QLatin1Char('x')), {}, {}, {}, QString(200, QLatin1Char('x'))},
        {1, QString(199, QLatin1Char('x')) + QStringLiteral("\U0001F600"), {}, {}, {}, QString(199, QLatin1Char('x'))},
        {2, QStringLiteral("  "), QStringLiteral("Version:0.9"), {}, {}, QStringLiteral("Version:0.9")},
        {2, QStringLiteral("shown"), QStringLiteral("<b>"), {}, {}, QStringLiteral("shown")},
        {3, QStringLiteral("text"), {}, {}, {}, QStringLiteral("[Image]")},
        {4, {}, {}, QStringLiteral("{\\rtf1 x}"), {}, QStringLiteral("{\\rtf1 x}")},
        {5, {}, {}, {}, QStringLiteral("C:\\dir\\one.txt\r\n"), QStringLiteral("[Files] one.txt")},
        {5, {}, {}, {}, QStringLiteral("  /home/u/two.txt  \r\n\r\n"), QStringLiteral("[Files] two.txt")},
        {5, {}, {}, {}, QStringLiteral("/a\r\n/b\r\n/c\r\n"), QStringLiteral("[Files] 3 item(s)")},
        {5, {}, {}, {}, {}, QStringLiteral("[Files] 0 item(s)")},
        {9, QStringLiteral("x"), {}, {}, {}, QStringLiteral("[Unknown]")},
        {1, {}, {}, {}, {}, QStringLiteral("[Empty]")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MakeClipSummary(c.kind, c.text, c.html, c.rtf, c.files), c.expected) << c.kind << " " << c.text.left(20).toStdString();
}

TEST(ClipText, SafeTextAndLineSplitting)
{
    EXPECT_EQ(BytesToSafeText(QByteArray("\0a\x01" "b\tc\r\nd\x7F\xC3\xA9" "e  ", 14)), QStringLiteral("a b\tc\r\nd   e"));
    EXPECT_EQ(BytesToSafeText(QByteArray(5000, 'z')).size(), 4096);
    EXPECT_EQ(BytesToSafeText(QByteArray(4095, ' ') + QByteArray(10, 'q')), QStringLiteral("q"));
    EXPECT_EQ(SplitNonEmptyLines(QStringLiteral("a\r\n\r\n  b \rc\n\n")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_TRUE(SplitNonEmptyLines(QStringLiteral(" \r\n ")).isEmpty());
    EXPECT_EQ(FirstNonEmptyTrimmed({QStringLiteral(" "), QStringLiteral(" x "), QStringLiteral("y")}), QStringLiteral("x"));
}

TEST_F(Capture, LargePayloadsAreCapturedWhole)
{
    const QString big(50 * 1024 * 1024, QLatin1Char('t'));
    ASSERT_TRUE(cb.offerAsOtherProgram({{CF_UNICODETEXT, utf16z(big)}}));
    TCapturedClip clip;
    ASSERT_TRUE(CaptureClipboard(cb, clip, &owner));
    EXPECT_EQ(clip.Text.size(), big.size());

    QImage huge(4000, 4000, QImage::Format_RGB32);
    huge.fill(QColor(1, 2, 3));
    ASSERT_TRUE(cb.offerAsOtherProgram({{CF_DIB, imageToDib(huge)}}));
    ASSERT_TRUE(CaptureClipboard(cb, clip, &owner));
    EXPECT_EQ(clip.Kind, ckImage);
    EXPECT_EQ(QImage::fromData(clip.PngBytes, "PNG").size(), QSize(4000, 4000));
}

} // namespace
