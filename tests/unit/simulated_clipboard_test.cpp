#include "platform/dib.h"
#include "platform/simulated/simulated_clipboard.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QObject>

using namespace platform;
using testsupport::utf16z;

namespace {


TEST(SimulatedClipboard, AnotherProgramHoldingItOpenMakesOpensFail)
{
    SimulatedClipboard cb;
    QObject mine;
    cb.setHeldOpenByOtherProgram(true);
    EXPECT_FALSE(cb.open(&mine));
    EXPECT_FALSE(cb.open(nullptr));
    EXPECT_EQ(cb.openAttempts(), 2);
    cb.setHeldOpenByOtherProgram(false);

    cb.failNextOpens(2);
    EXPECT_FALSE(cb.open(&mine));
    EXPECT_FALSE(cb.open(&mine));
    EXPECT_TRUE(cb.open(&mine));
    // Open by one owner: another owner's open fails until it is closed.
    QObject other;
    EXPECT_FALSE(cb.open(&other));
    cb.close();
    EXPECT_TRUE(cb.open(&other));
    cb.close();
    EXPECT_EQ(cb.openAttempts(), 7);
}

TEST(SimulatedClipboard, SynthesisesTextAndBitmapFormats)
{
    SimulatedClipboard cb;
    ASSERT_TRUE(cb.offerText(QStringLiteral("caf\u00E9")));
    EXPECT_TRUE(cb.isFormatAvailable(CF_TEXT));
    ASSERT_TRUE(cb.open(nullptr));
    EXPECT_EQ(*cb.data(CF_TEXT), unicodeToAnsi(QStringLiteral("caf\u00E9")) + '\0');
    cb.close();

    ASSERT_TRUE(cb.offerAsOtherProgram({{CF_TEXT, QByteArray("plain\0", 6)}}));
    EXPECT_TRUE(cb.isFormatAvailable(CF_UNICODETEXT));
    ASSERT_TRUE(cb.open(nullptr));
    EXPECT_EQ(*cb.data(CF_UNICODETEXT), utf16z(QStringLiteral("plain")));
    cb.close();

    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(QColor(10, 20, 30));
    ASSERT_TRUE(cb.offerAsOtherProgram({{CF_DIB, imageToDib(img)}}));
    EXPECT_TRUE(cb.isFormatAvailable(CF_BITMAP));
    EXPECT_FALSE(cb.isFormatAvailable(CF_DIBV5));
    ASSERT_TRUE(cb.open(nullptr));
    EXPECT_EQ(cb.bitmap(), img);
    cb.close();

    // A bitmap put by a program is offered as a DIB as well.
    QObject mine;
    ASSERT_TRUE(cb.open(&mine));
    ASSERT_TRUE(cb.empty());
    ASSERT_TRUE(cb.setBitmap(img));
    EXPECT_EQ(dibToImage(*cb.data(CF_DIB)), img);
    cb.close();
}

TEST(SimulatedClipboard, AllocationsMayBeLargerThanTheirData)
{
    SimulatedClipboard cb;
    const FormatId html = cb.registerFormat(QStringLiteral("HTML Format"));
    EXPECT_EQ(cb.registerFormat(QStringLiteral("html format")), html);
    EXPECT_GE(html, FirstRegisteredFormat);
    ASSERT_TRUE(cb.offerAsOtherProgram({{html, "abc", 16}}));
    ASSERT_TRUE(cb.open(nullptr));
    const QByteArray read = *cb.data(html);
    cb.close();
    EXPECT_EQ(read.size(), 16);
    EXPECT_EQ(read.left(3), QByteArray("abc"));
    EXPECT_EQ(read.mid(3), QByteArray(13, '\0'));
}

TEST(SimulatedClipboard, EveryChangePostsOneUpdateToEveryListener)
{
    SimulatedClipboard cb;
    testsupport::UpdateCounter a, b;
    cb.addFormatListener(&a);
    cb.addFormatListener(&a); // registered once
    cb.addFormatListener(&b);
    EXPECT_EQ(cb.listenerCount(), 2);

    cb.offerText(QStringLiteral("one"));
    // Posted, not sent: nothing arrives before the event loop runs.
    EXPECT_EQ(a.updates, 0);
    testsupport::drainEvents();
    EXPECT_EQ(a.updates, 1);
    EXPECT_EQ(b.updates, 1);

    // Opening and closing without a change posts nothing.
    ASSERT_TRUE(cb.open(nullptr));
    cb.close();
    cb.removeFormatListener(&b);
    cb.emptyAsOtherProgram();
    testsupport::drainEvents();
    EXPECT_EQ(a.updates, 2);
    EXPECT_EQ(b.updates, 1);
}

TEST(SimulatedClipboard, WritesNeedAnOpenClipboardAndCanBeRefused)
{
    SimulatedClipboard cb;
    EXPECT_FALSE(cb.setData(CF_UNICODETEXT, utf16z(QStringLiteral("x"))));
    EXPECT_FALSE(cb.lastErrorText().isEmpty());
    QObject mine;
    cb.setRefusedFormats({CF_HDROP});
    ASSERT_TRUE(cb.open(&mine));
    ASSERT_TRUE(cb.empty());
    EXPECT_TRUE(cb.setData(CF_UNICODETEXT, utf16z(QStringLiteral("x"))));
    EXPECT_FALSE(cb.setData(CF_HDROP, QByteArray(22, '\0')));
    cb.close();
    EXPECT_EQ(cb.contentOwner(), &mine);
    EXPECT_EQ(cb.formatsInOrder(), QList<FormatId>{CF_UNICODETEXT});
}

} // namespace
