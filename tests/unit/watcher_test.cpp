#include "platform/simulated/simulated_clipboard.h"
#include "test_support.h"
#include "uClipWatcher.h"

#include <gtest/gtest.h>

#include <QtEndian>

using namespace platform;
using testsupport::utf16z;

namespace {

class Watcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        watcher = new TClipWatcher(&owner, cb);
        watcher->FOnNewClip = [this](const TCapturedClip &c) { events.append(c); };
    }

    // Another program copies; the update is delivered before this returns.
    void copy(const QList<SimulatedClipboard::Offered> &formats)
    {
        ASSERT_TRUE(cb.offerAsOtherProgram(formats));
        testsupport::drainEvents();
    }
    void copyText(const QString &text) { copy({{CF_UNICODETEXT, utf16z(text)}}); }
    QStringList eventTexts() const
    {
        QStringList out;
        for (const auto &e : events)
            out.append(e.Text);
        return out;
    }

    SimulatedClipboard cb;
    QObject owner;
    TClipWatcher *watcher = nullptr; // owned by owner
    QList<TCapturedClip> events;
};

TEST_F(Watcher, OnlyTrueRepeatsAreDropped)
{
    struct Case {
        const char *name;
        QStringList copies;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"a repeat", {"same", "same"}, {"same"}},
        {"A-B-A", {"A", "Bb", "A"}, {"A", "Bb", "A"}},
        {"equal lengths, different texts", {"cat", "dog", "dog"}, {"cat", "dog"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        cb.emptyAsOtherProgram();
        testsupport::drainEvents();
        for (const QString &t : c.copies)
            copyText(t);
        EXPECT_EQ(eventTexts(), c.expected);
    }
}

TEST_F(Watcher, SignatureKeepsItsPiecesInOrderBeforeTheDigest)
{
    TCapturedClip clip;
    clip.HasText = true;
    clip.Text = QStringLiteral("hello");
    clip.HasHtml = true;
    clip.HtmlBytes = QByteArray(1200, 'h');
    const QString sig = TClipWatcher::ClipSignature(clip);
    EXPECT_TRUE(sig.startsWith(QStringLiteral("|TXT:5|HTML:1200#"))) << sig.toStdString();

    TCapturedClip files;
    files.HasFiles = files.HasText = files.HasImage = true;
    files.FilesText = QStringLiteral("/a\r\n");
    files.Text = QStringLiteral("/a");
    files.PngBytes = "png";
    files.ImageRawBytes = "raw!";
    files.ImageRawFormat = QStringLiteral("CF_DIB");
    EXPECT_TRUE(TClipWatcher::ClipSignature(files).startsWith(QStringLiteral("FILES:4|TXT:2|IMG:3:4:CF_DIB#")));

    // Moving bytes between parts changes the digest.
    TCapturedClip moved = clip;
    moved.Text = QStringLiteral("hellh");
    EXPECT_NE(TClipWatcher::ClipSignature(moved), sig);
    EXPECT_TRUE(TClipWatcher::ClipSignature(TCapturedClip()).isEmpty());
}

TEST_F(Watcher, IgnoreNextSwallowsWhateverComes)
{
    copyText(QStringLiteral("before"));
    const QString sigBefore = watcher->LastSignature();

    // The program's own write: swallowed, signature untouched.
    watcher->IgnoreNextUpdate();
    copyText(QStringLiteral("own write"));
    EXPECT_EQ(watcher->LastSignature(), sigBefore);
    // The next update is compared with the signature from before the write.
    copyText(QStringLiteral("before"));
    EXPECT_EQ(eventTexts(), QStringList{QStringLiteral("before")});

    // Set while nothing writes: the next real change of another program is lost.
    watcher->IgnoreNextUpdate();
    copyText(QStringLiteral("someone else"));
    copyText(QStringLiteral("after"));
    EXPECT_EQ(eventTexts(), (QStringList{QStringLiteral("before"), QStringLiteral("after")}));
}

TEST_F(Watcher, RestartKeepsTheLastSignature)
{
    copyText(QStringLiteral("A"));
    watcher->StopWatching();
    EXPECT_FALSE(watcher->IsWatching());
    EXPECT_EQ(cb.listenerCount(), 0);
    copyText(QStringLiteral("missed"));
    watcher->StartWatching();
    watcher->StartWatching();
    EXPECT_EQ(cb.listenerCount(), 1);
    copyText(QStringLiteral("A"));
    EXPECT_EQ(eventTexts(), QStringList{QStringLiteral("A")});
    copyText(QStringLiteral("B"));
    EXPECT_EQ(eventTexts(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST_F(Watcher, EmptiedClipboardThenTheSameContentIsNewAgain)
{
    copyText(QStringLiteral("A"));
    cb.emptyAsOtherProgram();
    testsupport::drainEvents();
    EXPECT_TRUE(watcher->LastSignature().isEmpty());
    EXPECT_EQ(events.size(), 1);
    copyText(QStringLiteral("A"));
    EXPECT_EQ(eventTexts(), (QStringList{QStringLiteral("A"), QStringLiteral("A")}));
}

TEST_F(Watcher, ConcealedContentIsNeverRecorded)
{
    auto dword = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    struct Case {
        const char *name;
        const char *format;
        QByteArray data;
        bool concealed;
    };
    const QList<Case> cases = {
        {"password manager hint", PasswordManagerHintFormatName, "secret", true},
        {"exclusion mark", ExcludeFromMonitoringFormatName, QByteArray(1, '\0'), true},
        {"history forbidden", CanIncludeInHistoryFormatName, dword(0), true},
        {"viewer ignore", ViewerIgnoreFormatName, "x", true},
        {"history allowed", CanIncludeInHistoryFormatName, dword(1), false},
        {"hint of another value", PasswordManagerHintFormatName, "public", false},
    };
    int expectedEvents = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        copyText(QStringLiteral("visible %1").arg(expectedEvents));
        ++expectedEvents;
        const QString sigBefore = watcher->LastSignature();
        const FormatId mark = cb.registerFormat(QString::fromLatin1(c.format));
        copy({{CF_UNICODETEXT, utf16z(QStringLiteral("hunter2"))}, {mark, c.data}});
        if (c.concealed) {
            EXPECT_EQ(watcher->LastSignature(), sigBefore);
        } else {
            ++expectedEvents;
            EXPECT_EQ(events.last().Text, QStringLiteral("hunter2"));
        }
        EXPECT_EQ(events.size(), expectedEvents);
    }
}

TEST_F(Watcher, EventsCarryTheWholeSnapshot)
{
    const FormatId html = cb.registerFormat(QStringLiteral("HTML Format"));
    copy({{CF_UNICODETEXT, utf16z(QStringLiteral("hi"))}, {html, "Version:0.9\r\n<b>hi</b>"}});
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].Kind, ckHtml);
    EXPECT_EQ(events[0].HtmlBytes, QByteArray("Version:0.9\r\n<b>hi</b>"));
    // Destroying the owner removes the listener.
    delete watcher;
    EXPECT_EQ(cb.listenerCount(), 0);
}

} // namespace
