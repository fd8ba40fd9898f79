#include "platform/cf_html.h"

#include <gtest/gtest.h>

#include <QList>
#include <QString>

using namespace platform;

namespace {

struct EnvelopeCase {
    const char *markup;
    const char *fragment;
};

class CfHtmlEnvelope : public ::testing::TestWithParam<EnvelopeCase> {};

TEST_P(CfHtmlEnvelope, OffsetsCutOutTheMarkupAndItsFragment)
{
    const QByteArray markup = QByteArray(GetParam().markup);
    const QByteArray cf = buildCfHtml(markup);
    ASSERT_TRUE(cf.startsWith("Version:0.9\r\nStartHTML:"));
    const auto o = parseCfHtml(cf);
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(cf.mid(o->startHtml, o->endHtml - o->startHtml), markup);
    EXPECT_EQ(o->endHtml, cf.size());
    EXPECT_EQ(cf.mid(o->startFragment, o->endFragment - o->startFragment), QByteArray(GetParam().fragment));
    EXPECT_EQ(cfHtmlMarkup(cf), markup);
    // Offsets are ten digits wide, as readers of this layout expect.
    EXPECT_TRUE(cf.contains("StartHTML:0000000"));
}

INSTANTIATE_TEST_SUITE_P(
    Markups, CfHtmlEnvelope,
    ::testing::Values(
        EnvelopeCase{"<html><body><!--StartFragment--><b>x</b><!--EndFragment--></body></html>", "<b>x</b>"},
        EnvelopeCase{"<HTML><BODY class=\"a\"><p>Gr\xC3\xBC\xC3\x9F" "e</p></BODY></HTML>",
                     "<p>Gr\xC3\xBC\xC3\x9F" "e</p>"},
        EnvelopeCase{"<meta charset='utf-8'><span>plain</span>", "<meta charset='utf-8'><span>plain</span>"},
        EnvelopeCase{"", ""}));

TEST(CfHtml, HeadersThatLieAreRefused)
{
    const QByteArray valid = buildCfHtml("<b>x</b>");
    const QList<QByteArray> bad = {
        QByteArray(),
        QByteArray("<b>no header</b>"),
        QByteArray("Version:0.9\r\nStartHTML:0000000010\r\nEndHTML:0000099999\r\n<b>x</b>"),
        QByteArray("Version:0.9\r\nStartHTML:-5\r\nEndHTML:0000000010\r\n<b>x</b>"),
        QByteArray("Version:0.9\r\nStartHTML:0000000040\r\nEndHTML:0000000020\r\n<b>x</b>"),
        QByteArray("Version:0.9\r\nStartHTML:abc\r\nEndHTML:0000000020\r\n<b>x</b>"),
        valid.left(valid.size() - 2), // EndHTML now beyond the data
    };
    for (const QByteArray &b : bad) {
        EXPECT_FALSE(parseCfHtml(b).has_value()) << b.constData();
        EXPECT_TRUE(cfHtmlMarkup(b).isEmpty());
    }
}

TEST(CfHtml, FragmentOutsideTheHtmlRangeIsDropped)
{
    QByteArray cf = buildCfHtml("<b>x</b>");
    // Both fragment offsets now point far past the end of the data.
    cf.replace("StartFragment:0000000", "StartFragment:0000001");
    cf.replace("EndFragment:0000000", "EndFragment:0000009");
    const auto o = parseCfHtml(cf);
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(cfHtmlMarkup(cf), QByteArray("<b>x</b>"));
    EXPECT_EQ(o->startFragment, -1);
    EXPECT_EQ(o->endFragment, -1);
}

TEST(CfHtml, PayloadsOfOtherEncodingsBecomeUtf8)
{
    const QString markup = QStringLiteral("<p>\u00E9t\u00E9 \u4E16</p>");
    QByteArray utf16le("\xFF\xFE", 2);
    utf16le.append(reinterpret_cast<const char *>(markup.utf16()), markup.size() * 2);
    EXPECT_EQ(htmlPayloadToUtf8(utf16le), markup.toUtf8());
    EXPECT_EQ(htmlPayloadToUtf8("\xEF\xBB\xBF<p>x</p>"), QByteArray("<p>x</p>"));
    EXPECT_EQ(htmlPayloadToUtf8(QByteArray("<p>x</p>\0", 9)), QByteArray("<p>x</p>"));
    EXPECT_EQ(htmlPayloadToUtf8("<p>x</p>"), QByteArray("<p>x</p>"));
}

} // namespace
