// Other programs copy on a real X display (xclip), and the watcher over the
// desktop clipboard turns each copy into exactly one new clip.

#include "platform/cf_html.h"
#include "platform/dib.h"
#include "platform/qt/qt_clipboard.h"
#include "test_support.h"
#include "uClipWatcher.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

using namespace platform;

namespace {

// Counts the clipboard updates that find a content on the clipboard. Added
// after the watcher, it sees each update after the watcher has handled it;
// the late notice that an earlier owner has gone finds nothing and is not
// counted.
class ContentUpdateCounter : public QObject {
public:
    int updates = 0;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != ClipboardUpdateEvent)
            return QObject::event(e);
        const QMimeData *md = QGuiApplication::clipboard()->mimeData();
        if (md && !md->formats().isEmpty())
            ++updates;
        return true;
    }
};


class DesktopCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::onXDisplay());
        ASSERT_TRUE(dir.isValid());
        clipboard = std::make_unique<QtClipboard>(QGuiApplication::clipboard());
        watcher = new TClipWatcher(&owner, *clipboard);
        watcher->FOnNewClip = [this](const TCapturedClip &c) { events.append(c); };
        clipboard->addFormatListener(&counter);
    }

    void TearDown() override
    {
        stopXclip();
    }

    void stopXclip()
    {
        if (xclip) {
            xclip->kill();
            xclip->waitForFinished(2000);
            xclip.reset();
        }
    }

    QString writePayload(const QByteArray &bytes)
    {
        const QString file = dir.filePath(QStringLiteral("payload%1").arg(++serial));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << file.toStdString();
        return file;
    }

    // Another program takes the clipboard; waits until the watcher has
    // handled the change.
    void takeClipboard(const QString &program, const QStringList &args)
    {
        const int before = counter.updates;
        auto next = std::make_unique<QProcess>();
        next->setProgram(program);
        next->setArguments(args);
        next->start();
        ASSERT_TRUE(next->waitForStarted(5000)) << program.toStdString();
        ASSERT_TRUE(testsupport::waitUntil([&] { return counter.updates > before; }, 10000))
            << "no clipboard update after " << program.toStdString() << " " << args.join(' ').toStdString();
        stopXclip(); // the previous owner has lost the selection by now
        xclip = std::move(next);
    }

    // xclip serves one target.
    void offer(const QString &target, const QByteArray &bytes)
    {
        takeClipboard(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                                QStringLiteral("clipboard"), QStringLiteral("-t"), target,
                                                QStringLiteral("-i"), writePayload(bytes)});
    }

    // A program serves several MIME types at once.
    void offerMany(const QList<std::pair<QString, QByteArray>> &formats)
    {
        QStringList args;
        for (const auto &[mime, bytes] : formats)
            args.append(mime + QLatin1Char('=') + writePayload(bytes));
        takeClipboard(QStringLiteral(CLIP_OFFER_PEER), args);
    }

    QTemporaryDir dir;
    std::unique_ptr<QtClipboard> clipboard;
    QObject owner;
    TClipWatcher *watcher = nullptr;
    ContentUpdateCounter counter;
    QList<TCapturedClip> events;
    std::unique_ptr<QProcess> xclip;
    int serial = 0;
};

TEST_F(DesktopCapture, EveryKindOfferedByAnotherProgramGivesOneClip)
{
    QImage img(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            img.setPixel(x, y, qRgb(30 * x, 40 * y, 200));
    const QByteArray png = testsupport::encodeImage(img, "PNG");
    const QByteArray bmp = testsupport::encodeImage(img, "BMP");
    const QByteArray markup = "<html><body><!--StartFragment--><b>Gr\xC3\xBC\xC3\x9F" "e</b> <i>x</i><!--EndFragment--></body></html>";

    QDir(dir.path()).mkpath(QStringLiteral("files"));
    const QString fileA = dir.filePath(QStringLiteral("files/report one.txt"));
    const QString fileB = dir.filePath(QStringLiteral("files/\u00FCber \u65E5\u672C.txt"));
    for (const QString &p : {fileA, fileB}) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QByteArray uriList = QUrl::fromLocalFile(fileA).toEncoded() + "\r\n" + QUrl::fromLocalFile(fileB).toEncoded() + "\r\n";

    struct Case {
        const char *target;
        QByteArray bytes;
        qint32 kind;
        std::function<void(const TCapturedClip &)> check;
    };
    const QList<Case> cases = {
        {"UTF8_STRING", QStringLiteral("Hello from xclip \u00E9\u4E16").toUtf8(), ckText,
         [](const TCapturedClip &c) { EXPECT_EQ(c.Text, QStringLiteral("Hello from xclip \u00E9\u4E16")); }},
        {"text/html", markup, ckHtml,
         [&](const TCapturedClip &c) {
             EXPECT_TRUE(c.HasHtml);
             const auto o = parseCfHtml(c.HtmlBytes);
             ASSERT_TRUE(o.has_value());
             EXPECT_EQ(c.HtmlBytes.mid(o->startHtml, o->endHtml - o->startHtml), markup);
             EXPECT_EQ(c.HtmlBytes.mid(o->startFragment, o->endFragment - o->startFragment),
                       QByteArray("<b>Gr\xC3\xBC\xC3\x9F" "e</b> <i>x</i>"));
             EXPECT_TRUE(c.Html.startsWith(QStringLiteral("Version:0.9")));
         }},
        {"image/png", png, ckImage,
         [&](const TCapturedClip &c) {
             EXPECT_EQ(c.ImageRawFormat, QStringLiteral("PNG"));
             EXPECT_EQ(c.ImageRawBytes, png);
             EXPECT_EQ(c.PngBytes, png);
         }},
        {"image/bmp", bmp, ckImage,
         [&](const TCapturedClip &c) {
             EXPECT_EQ(c.ImageRawFormat, QStringLiteral("CF_DIB"));
             EXPECT_EQ(c.ImageRawBytes, bmpFileToDib(bmp));
             EXPECT_EQ(QImage::fromData(c.PngBytes, "PNG").convertToFormat(QImage::Format_RGB32), img);
         }},
        {"text/uri-list", uriList, ckFiles,
         [&](const TCapturedClip &c) {
             EXPECT_EQ(c.FilesText, fileA + QStringLiteral("\r\n") + fileB + QStringLiteral("\r\n"));
             EXPECT_EQ(MakeClipSummary(c.Kind, c.Text, c.Html, c.Rtf, c.FilesText), QStringLiteral("[Files] 2 item(s)"));
         }},
    };

    for (const Case &c : cases) {
        SCOPED_TRACE(c.target);
        events.clear();
        offer(QString::fromLatin1(c.target), c.bytes);
        ASSERT_EQ(events.size(), 1);
        EXPECT_EQ(events[0].Kind, c.kind);
        c.check(events[0]);

        // The same content offered again by a new owner is a repeat.
        offer(QString::fromLatin1(c.target), c.bytes);
        EXPECT_EQ(events.size(), 1);
    }
}

TEST_F(DesktopCapture, LargePayloadsFromAnotherProgramArriveWhole)
{
    // Both travel in pieces between the programs (INCR).
    const QByteArray bigText(50 * 1024 * 1024, 'w');
    offer(QStringLiteral("UTF8_STRING"), bigText);
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].Text.size(), bigText.size());

    QImage huge(4000, 4000, QImage::Format_RGB32);
    huge.fill(QColor(9, 99, 199));
    const QByteArray png = testsupport::encodeImage(huge, "PNG");
    offer(QStringLiteral("image/png"), png);
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[1].PngBytes, png);
}

TEST_F(DesktopCapture, BrowserCopiesKeepTextAndHtmlAndPasswordsAreNotKept)
{
    const QByteArray markup = "<meta charset='utf-8'><a href=\"https://example.org\">link</a>";
    offerMany({{QStringLiteral("text/plain"), "link"}, {QStringLiteral("text/html"), markup}});
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].Kind, ckHtml);
    EXPECT_EQ(events[0].Text, QStringLiteral("link"));
    EXPECT_EQ(cfHtmlMarkup(events[0].HtmlBytes), markup);

    const QString sigBefore = watcher->LastSignature();
    offerMany({{QStringLiteral("text/plain"), "hunter2"}, {QStringLiteral("x-kde-passwordManagerHint"), "secret"}});
    EXPECT_EQ(events.size(), 1);
    EXPECT_EQ(watcher->LastSignature(), sigBefore);
}

} // namespace
