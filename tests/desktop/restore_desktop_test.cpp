// A clip written back onto the desktop clipboard is read by another program
// (xclip) on a real X display, in each MIME type the clip maps to.

#include "platform/cf_html.h"
#include "platform/dib.h"
#include "platform/qt/qt_clipboard.h"
#include "test_support.h"
#include "uClipboardUtils.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

#include <functional>
#include <memory>

using namespace platform;

namespace {

class DesktopRestore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::onXDisplay());
        clipboard = std::make_unique<QtClipboard>(QGuiApplication::clipboard());
    }

    // Another program reads the clipboard in one target. The event loop keeps
    // running meanwhile: this process owns the selection and has to answer.
    QByteArray readAsOtherProgram(const QString &target)
    {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                              QStringLiteral("clipboard"), QStringLiteral("-t"), target});
        const bool finished = testsupport::waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, 10000);
        if (!finished) {
            xclip.kill();
            xclip.waitForFinished(2000);
            ADD_FAILURE() << "xclip did not finish reading " << target.toStdString();
            return {};
        }
        EXPECT_EQ(xclip.error(), QProcess::UnknownError) << xclip.errorString().toStdString();
        EXPECT_EQ(xclip.exitCode(), 0) << target.toStdString() << ": " << xclip.readAllStandardError().toStdString();
        return xclip.readAllStandardOutput();
    }

    std::unique_ptr<QtClipboard> clipboard;
    QObject owner;
};

TEST_F(DesktopRestore, AnotherProgramReadsEachFormatOfTheWrittenClip)
{
    QImage img(9, 6, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(25 * x, 40 * y, 170));
    const QByteArray png = testsupport::encodeImage(img, "PNG");
    const QByteArray dib = bmpFileToDib(testsupport::encodeImage(img, "BMP"));

    const QString text = QStringLiteral("Gr\u00FC\u00DFe \u4E16\u754C \U0001F600 restored");
    const QByteArray markup = "<html><body><!--StartFragment--><b>Gr\xC3\xBC\xC3\x9F" "e</b> <i>x</i>"
                              "<!--EndFragment--></body></html>";
    const QByteArray cfHtml = buildCfHtml(markup);
    const QByteArray rtf = "{\\rtf1\\ansi caf\\'e9 \\b bold\\b0}";

    const QString pathA = QStringLiteral("/home/u/report one.txt");
    const QString pathB = QStringLiteral("/home/u/\u00FCber \u65E5\u672C.txt");
    const QByteArray urlA = QUrl::fromLocalFile(pathA).toEncoded();
    const QByteArray urlB = QUrl::fromLocalFile(pathB).toEncoded();

    const auto offers = [](QByteArrayList targets) {
        return [targets](const QByteArray &out) {
            const QByteArrayList offered = testsupport::nonEmptyLines(out);
            for (const QByteArray &t : targets)
                EXPECT_TRUE(offered.contains(t)) << t.toStdString() << " not in " << out.toStdString();
        };
    };
    const auto equals = [](QByteArray expected) {
        return [expected](const QByteArray &out) { EXPECT_EQ(out, expected); };
    };
    const auto decodesTo = [&img](const QByteArray &out) {
        EXPECT_EQ(QImage::fromData(out, "PNG").convertToFormat(QImage::Format_RGB32), img);
    };

    struct Read {
        const char *target;
        std::function<void(const QByteArray &)> check;
    };
    struct Case {
        const char *name;
        QString text, files;
        QByteArray html, rtf, png, raw;
        QString rawFormat;
        QList<Read> reads;
    };
    const QList<Case> cases = {
        {"text, HTML and RTF", text, {}, cfHtml, rtf, {}, {}, {},
         {{"TARGETS", offers({"UTF8_STRING", "text/plain;charset=utf-8", "text/html", "text/rtf"})},
          {"UTF8_STRING", equals(text.toUtf8())},
          {"text/plain;charset=utf-8", equals(text.toUtf8())},
          {"text/html", equals(markup)},
          {"text/rtf", equals(rtf)}}},
        {"an image from PNG", {}, {}, {}, {}, png, png, QStringLiteral("PNG"),
         {{"TARGETS", offers({"image/png"})},
          {"image/png", [&](const QByteArray &out) {
               EXPECT_EQ(out, png); // the stored bytes, not a new encoding
               decodesTo(out);
           }}}},
        {"an image from a DIB", {}, {}, {}, {}, png, dib, QStringLiteral("CF_DIB"),
         {{"TARGETS", offers({"image/png", "image/bmp"})},
          {"image/png", decodesTo},
          {"image/bmp", [&](const QByteArray &out) { EXPECT_EQ(bmpFileToDib(out), dib); }}}},
        {"files", {}, QStringLiteral("  ") + pathA + QStringLiteral("\r\n\r\n") + pathB + QStringLiteral(" \r\n"),
         {}, {}, {}, {}, {},
         {{"TARGETS", offers({"text/uri-list", "x-special/gnome-copied-files"})},
          {"text/uri-list", [&](const QByteArray &out) { EXPECT_EQ(testsupport::nonEmptyLines(out), (QByteArrayList{urlA, urlB})); }},
          {"x-special/gnome-copied-files", equals("copy\n" + urlA + '\n' + urlB)}}},
    };

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteClipToClipboard(*clipboard, c.text, c.files, c.html, c.rtf, c.png, c.raw, c.rawFormat, &owner));
        for (const Read &r : c.reads) {
            SCOPED_TRACE(r.target);
            r.check(readAsOtherProgram(QString::fromLatin1(r.target)));
        }
    }
}

} // namespace
