#include "platform/dropfiles.h"

#include <gtest/gtest.h>

#include <QtEndian>

using namespace platform;

namespace {

QByteArray header(quint32 listOffset, bool wide)
{
    QByteArray h(20, '\0');
    qToLittleEndian<quint32>(listOffset, h.data());
    qToLittleEndian<quint32>(wide ? 1 : 0, h.data() + 16);
    return h;
}

QByteArray wideUnits(const QString &s)
{
    return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
}

TEST(DropFiles, BlocksRoundTripWithTheirSize)
{
    const QList<QStringList> cases = {
        {QStringLiteral("/home/u/report.txt")},
        {QStringLiteral("/tmp/a b.txt"), QStringLiteral("/tmp/\u00FCber/\u65E5\u672C.png"),
         QStringLiteral("C:\\Users\\x\\\U0001F600.doc")},
    };
    for (const QStringList &paths : cases) {
        const QByteArray block = buildDropFiles(paths);
        qsizetype units = 0;
        for (const QString &p : paths)
            units += p.size() + 1;
        EXPECT_EQ(block.size(), 2 * units + 22);
        EXPECT_EQ(qFromLittleEndian<quint32>(block.constData()), 20u);
        EXPECT_NE(qFromLittleEndian<quint32>(block.constData() + 16), 0u);
        EXPECT_TRUE(block.endsWith(QByteArray(4, '\0')));
        EXPECT_EQ(parseDropFiles(block), paths);
    }
    EXPECT_TRUE(buildDropFiles({}).isEmpty());
}

TEST(DropFiles, EightBitBlocksAndLongPaths)
{
    QByteArray ansi = header(20, false) + QByteArray("/a.txt\0/b.txt\0\0", 15);
    EXPECT_EQ(parseDropFiles(ansi), (QStringList{QStringLiteral("/a.txt"), QStringLiteral("/b.txt")}));

    const QString longPath = QStringLiteral("/") + QString(2000, QLatin1Char('x'));
    const QStringList parsed = parseDropFiles(buildDropFiles({longPath}));
    ASSERT_EQ(parsed.size(), 1);
    EXPECT_EQ(parsed.first(), longPath.left(MaxDropPathLength));
}

TEST(DropFiles, MalformedBlocksGiveOnlyWhatIsInside)
{
    struct Case {
        const char *name;
        QByteArray block;
        QStringList expected;
    };
    const QByteArray ok = wideUnits(QStringLiteral("/ok")) + QByteArray(2, '\0');
    const QList<Case> cases = {
        {"empty", QByteArray(), {}},
        {"short header", QByteArray(12, '\0'), {}},
        {"offset past end", header(4000, true) + ok, {}},
        {"offset inside header", header(8, true) + ok, {}},
        {"offset 0xFFFFFFFF", header(0xFFFFFFFFu, true) + ok, {}},
        {"no paths", header(20, true) + QByteArray(2, '\0'), {}},
        {"unterminated path", header(20, true) + wideUnits(QStringLiteral("/cut")), {}},
        {"terminated then unterminated", header(20, true) + ok + wideUnits(QStringLiteral("/cut")),
         {QStringLiteral("/ok")}},
        {"odd byte count", header(20, true) + ok + QByteArray("\x41", 1), {QStringLiteral("/ok")}},
        {"no final empty entry", header(20, true) + ok, {QStringLiteral("/ok")}},
        {"unterminated 8-bit", header(20, false) + QByteArray("/abc"), {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseDropFiles(c.block), c.expected) << c.name;
}

} // namespace
