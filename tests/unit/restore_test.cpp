// Writing a stored clip back onto the simulated clipboard: the formats and
// their order, open contention, refusals, and what a capture reads back.

#include "platform/dib.h"
#include "platform/dropfiles.h"
#include "platform/error.h"
#include "platform/simulated/simulated_clipboard.h"
#include "test_support.h"
#include "uClipboardUtils.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QObject>
#include <QSet>

#include <functional>
#include <optional>

using namespace platform;
using testsupport::utf16z;

namespace {

// The parts of a stored clip that the writer takes.
struct Clip {
    QString text{};
    QString files{};
    QByteArray html{};
    QByteArray rtf{};
    QByteArray png{};
    QByteArray raw{};
    QString rawFormat{};
};

class Restore : public ::testing::Test {
protected:
    bool write(const Clip &c)
    {
        return WriteClipToClipboard(cb, c.text, c.files, c.html, c.rtf, c.png, c.raw, c.rawFormat, &owner);
    }

    SimulatedClipboard cb;
    QObject owner;
    FormatId html = cb.registerFormat(QStringLiteral("HTML Format"));
    FormatId rtf = cb.registerFormat(QStringLiteral("Rich Text Format"));
    FormatId png = cb.registerFormat(QStringLiteral("PNG"));

    const QImage img = testsupport::gradientImage(6, 4);
    const QByteArray imgPng = testsupport::encodeImage(img, "PNG");
    const QByteArray cfHtml = "Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000130\r\n"
                              "StartFragment:0000000105\r\nEndFragment:0000000130\r\n"
                              "<b>Gr\xC3\xBC\xC3\x9F" "e</b>";
    const QByteArray rtfBytes = "{\\rtf1\\ansi caf\\'e9}";
    const Clip full{QStringLiteral("Gr\u00FC\u00DFe \u4E16\u754C \U0001F600"),
                    QStringLiteral("/home/u/a.txt\r\n/home/u/bc.txt\r\n"),
                    cfHtml,
                    rtfBytes,
                    imgPng,
                    imgPng,
                    QStringLiteral("PNG")};
};

TEST_F(Restore, WritesTheGivenFormatsInOrderAsTheOwner)
{
    struct Case {
        const char *name;
        Clip clip;
        QList<FormatId> order;
    };
    const QList<Case> cases = {
        {"a full clip", full, {CF_UNICODETEXT, html, rtf, CF_HDROP, png, CF_BITMAP}},
        {"files only", {.files = QStringLiteral("/home/u/a.txt\r\n")}, {CF_HDROP}},
        {"text and HTML", {.text = QStringLiteral("t"), .html = cfHtml}, {CF_UNICODETEXT, html}},
        {"RTF and a blank file list", {.files = QStringLiteral(" \r\n\t\r\n"), .rtf = rtfBytes}, {rtf}},
        {"an image without raw bytes", {.png = imgPng}, {CF_BITMAP}},
        {"nothing", {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(cb.offerText(QStringLiteral("old content")));
        const int changes = cb.changeCount();
        EXPECT_TRUE(write(c.clip));
        EXPECT_EQ(cb.formatsInOrder(), c.order);
        EXPECT_EQ(cb.contentOwner(), &owner);
        EXPECT_EQ(cb.changeCount(), changes + 1);
        EXPECT_FALSE(cb.isOpen());
    }

    // The bytes of the full clip, as each format holds them.
    ASSERT_TRUE(write(full));
    EXPECT_EQ(cb.storedBytes(CF_UNICODETEXT).size(), 2 * (full.text.size() + 1));
    EXPECT_EQ(cb.storedBytes(CF_UNICODETEXT), utf16z(full.text));
    EXPECT_EQ(cb.storedBytes(html), cfHtml);
    EXPECT_EQ(cb.storedBytes(rtf), rtfBytes);
    const QByteArray drop = cb.storedBytes(CF_HDROP);
    EXPECT_EQ(drop.size(), 2 * (13 + 1 + 14 + 1) + 22);
    EXPECT_EQ(parseDropFiles(drop), (QStringList{QStringLiteral("/home/u/a.txt"), QStringLiteral("/home/u/bc.txt")}));
    EXPECT_EQ(cb.storedBytes(png), imgPng);
}

TEST_F(Restore, TextAndFileListsComeBackAsGiven)
{
    struct Case {
        QString text;
        QString files;
        QStringList paths;
    };
    const QList<Case> cases = {
        {QStringLiteral("plain"), {}, {}},
        {QStringLiteral("Gr\u00FC\u00DFe\r\n\u65E5\u672C\u8A9E \U0001F600 \u0645\u0631\u062D\u0628\u0627"), {}, {}},
        {{}, QStringLiteral("  /home/u/a b.txt  \r\n\r\n\t/home/u/\u00FCber.txt\n \r/c\r\n"),
         {QStringLiteral("/home/u/a b.txt"), QStringLiteral("/home/u/\u00FCber.txt"), QStringLiteral("/c")}},
        {{}, QStringLiteral("C:\\dir\\one.txt"), {QStringLiteral("C:\\dir\\one.txt")}},
        {{}, QStringLiteral(" \r\n \r\n"), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString() + "|" + c.files.toStdString());
        ASSERT_TRUE(WriteClipToClipboard(cb, c.text, c.files, {}, {}, {}, {}, {}, &owner));
        EXPECT_EQ(ReadClipboardText(cb), c.text);
        EXPECT_EQ(cb.isFormatAvailable(CF_HDROP), !c.paths.isEmpty());
        EXPECT_EQ(parseDropFiles(cb.storedBytes(CF_HDROP)), c.paths);
    }
}

TEST_F(Restore, RawImageTagsChooseTheFormat)
{
    const QByteArray dib = imageToDib(img);
    struct Case {
        QByteArray raw;
        QString tag;
        std::optional<FormatId> format; // none: nothing raw is written
    };
    const QList<Case> cases = {
        {imgPng, QStringLiteral("PNG"), png},
        {imgPng, QStringLiteral("png"), png},
        {dib, QStringLiteral("CF_DIBV5"), CF_DIBV5},
        {dib, QStringLiteral("CF_DIB"), CF_DIB},
        {dib, QStringLiteral("cf_dib"), CF_DIB},
        {dib, QStringLiteral("CF_BITMAP"), std::nullopt},
        {dib, QStringLiteral("BMP"), std::nullopt},
        {dib, QString(), std::nullopt},
        {QByteArray(), QStringLiteral("PNG"), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tag.toStdString());
        ASSERT_TRUE(WriteClipToClipboard(cb, {}, {}, {}, {}, imgPng, c.raw, c.tag, &owner));
        QList<FormatId> order;
        if (c.format)
            order.append(*c.format);
        order.append(CF_BITMAP);
        EXPECT_EQ(cb.formatsInOrder(), order);
        if (c.format) {
            EXPECT_EQ(cb.storedBytes(*c.format), c.raw);
        }
        // The bitmap is the decoded PNG, whatever the raw format.
        EXPECT_EQ(cb.storedBitmap().convertToFormat(QImage::Format_RGB32), img);
    }
}

TEST_F(Restore, OpensWithFifteenAttempts)
{
    struct Case {
        const char *name;
        bool held;
        int failures;
        bool written;
        int attempts;
    };
    const QList<Case> cases = {
        {"free", false, 0, true, 1},
        {"busy for 14 attempts", false, 14, true, 15},
        {"busy for 15 attempts", false, 15, false, 15},
        {"held open by another program", true, 0, false, 15},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(cb.offerText(QStringLiteral("old content")));
        const int changes = cb.changeCount();
        cb.setHeldOpenByOtherProgram(c.held);
        cb.failNextOpens(c.failures);
        cb.resetOpenAttempts();
        EXPECT_EQ(write(full), c.written);
        EXPECT_EQ(cb.openAttempts(), c.attempts);
        cb.setHeldOpenByOtherProgram(false);
        cb.failNextOpens(0);
        EXPECT_FALSE(cb.isOpen());
        if (c.written) {
            EXPECT_EQ(cb.changeCount(), changes + 1);
            EXPECT_EQ(ReadClipboardText(cb), full.text);
        } else {
            EXPECT_EQ(cb.changeCount(), changes);
            EXPECT_EQ(cb.formatsInOrder(), QList<FormatId>{CF_UNICODETEXT});
            EXPECT_EQ(cb.contentOwner(), nullptr);
            EXPECT_EQ(ReadClipboardText(cb), QStringLiteral("old content"));
        }
    }
}

TEST_F(Restore, ARefusedFormatOrAnUndecodableImageRaisesAndKeepsWhatCameBefore)
{
    // What the simulated system says when it refuses data.
    const QString systemText = QStringLiteral("Not enough memory resources are available to process this command.");
    const QString undecodable = QStringLiteral("The image of this clip cannot be decoded.");
    struct Case {
        const char *name;
        QSet<FormatId> refused;
        QByteArray pngBytes;
        std::optional<QString> error;
        QList<FormatId> present;
    };
    const QList<Case> cases = {
        {"text refused", {CF_UNICODETEXT}, imgPng, systemText, {}},
        {"HTML refused", {html}, imgPng, systemText, {CF_UNICODETEXT}},
        {"RTF refused", {rtf}, imgPng, systemText, {CF_UNICODETEXT, html}},
        {"file list refused", {CF_HDROP}, imgPng, systemText, {CF_UNICODETEXT, html, rtf}},
        {"raw image refused", {png}, imgPng, systemText, {CF_UNICODETEXT, html, rtf, CF_HDROP}},
        {"undecodable PNG", {}, QByteArray("\x89PNG\r\n\x1A\n not an image"), undecodable,
         {CF_UNICODETEXT, html, rtf, CF_HDROP, png}},
        // A refused bitmap is not reported.
        {"bitmap refused", {CF_BITMAP}, imgPng, std::nullopt, {CF_UNICODETEXT, html, rtf, CF_HDROP, png}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(cb.offerText(QStringLiteral("old content")));
        cb.setRefusedFormats(c.refused);
        Clip clip = full;
        clip.png = c.pngBytes;
        std::optional<QString> error;
        try {
            EXPECT_TRUE(write(clip));
        } catch (const Error &e) {
            error = e.message();
        }
        cb.setRefusedFormats({});
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(cb.formatsInOrder(), c.present);
        EXPECT_FALSE(cb.isOpen());
        EXPECT_EQ(cb.contentOwner(), &owner);
    }
}

TEST_F(Restore, ACaptureOfWhatWasWrittenGivesTheClipBack)
{
    const QByteArray dib = imageToDib(img);
    struct Case {
        const char *name;
        Clip clip;
        qint32 kind;
        std::function<void(const TCapturedClip &)> check;
    };
    const QList<Case> cases = {
        {"text, HTML and RTF", {.text = full.text, .html = cfHtml, .rtf = rtfBytes}, ckHtml,
         [&](const TCapturedClip &c) {
             EXPECT_EQ(c.Text, full.text);
             EXPECT_EQ(c.HtmlBytes, cfHtml);
             EXPECT_EQ(c.Html, BytesToSafeText(cfHtml));
             EXPECT_EQ(c.RtfBytes, rtfBytes);
             EXPECT_EQ(c.Rtf, BytesToSafeText(rtfBytes));
             EXPECT_TRUE(c.HasText && c.HasHtml && c.HasRtf);
             EXPECT_FALSE(c.HasImage || c.HasFiles);
         }},
        {"files", {.files = QStringLiteral(" /home/u/a.txt\n\n/home/u/\u65E5\u672C.png ")}, ckFiles,
         [](const TCapturedClip &c) {
             EXPECT_EQ(c.FilesText, QStringLiteral("/home/u/a.txt\r\n/home/u/\u65E5\u672C.png\r\n"));
             EXPECT_FALSE(c.HasText);
         }},
        {"an image from PNG", {.png = imgPng, .raw = imgPng, .rawFormat = QStringLiteral("PNG")}, ckImage,
         [&](const TCapturedClip &c) {
             EXPECT_EQ(c.ImageRawFormat, QStringLiteral("PNG"));
             EXPECT_EQ(c.ImageRawBytes, imgPng);
             EXPECT_EQ(c.PngBytes, imgPng);
         }},
        {"an image from a DIB", {.png = imgPng, .raw = dib, .rawFormat = QStringLiteral("CF_DIB")}, ckImage,
         [&](const TCapturedClip &c) {
             EXPECT_EQ(c.ImageRawFormat, QStringLiteral("CF_DIB"));
             EXPECT_EQ(c.ImageRawBytes, dib);
             EXPECT_EQ(QImage::fromData(c.PngBytes, "PNG").convertToFormat(QImage::Format_RGB32), img);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(write(c.clip));
        TCapturedClip captured;
        EXPECT_TRUE(CaptureClipboard(cb, captured, &owner));
        EXPECT_EQ(captured.Kind, c.kind);
        c.check(captured);
    }
}

} // namespace
