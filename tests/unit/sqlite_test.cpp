#include "uSqlite.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class Sqlite : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        db.open(dir.filePath(QStringLiteral("t.db")));
        // The encoding the clip store gives its files.
        db.exec(QStringLiteral("PRAGMA encoding='UTF-16le'"));
        db.exec(QStringLiteral("CREATE TABLE t (a INTEGER, b TEXT, c BLOB, \"Mixed Case\" TEXT)"));
    }
    QTemporaryDir dir;
    TSqliteConnection db;
};

TEST_F(Sqlite, NullEmptyTextAndEmptyBlobStayApart)
{
    TSqliteQuery ins(db, QStringLiteral("INSERT INTO t(a, b, c) VALUES(:a, :b, :c)"));
    ins.bindInt64(":a", 1).bindText(":b", QString()).bindBlobOrNull(":c", QByteArray()).exec();
    ins.bindInt64(":a", 2).bindNull(":b").bindBlobOrNull(":c", QByteArray("\0x", 2)).exec();

    TSqliteQuery q(db, QStringLiteral("SELECT a, b, c, typeof(b) AS tb, typeof(c) AS tc FROM t ORDER BY a"));
    q.open();
    EXPECT_EQ(q.field("B").type(), TSqliteType::Text); // columns by name, letter case ignored
    EXPECT_EQ(q.field("tb").asText(), QStringLiteral("text"));
    EXPECT_TRUE(q.field("c").isNull()); // an empty array is stored as NULL, never as an empty BLOB
    q.next();
    EXPECT_TRUE(q.field("b").isNull());
    EXPECT_EQ(q.field("b").asText(), QString());
    EXPECT_EQ(q.field("c").asBytes(), QByteArray("\0x", 2));
    q.next();
    EXPECT_TRUE(q.eof());
}

TEST_F(Sqlite, TextsRoundTripUnchanged)
{
    const QList<QString> samples = {
        QStringLiteral("plain"),
        QStringLiteral("Gr\u00FC\u00DFe \u4E16\u754C \U0001F600"),
        QString(QChar(0xD800)) + QStringLiteral("lone surrogate"),
        QStringLiteral("with") + QChar(0) + QStringLiteral("nul"),
    };
    TSqliteQuery ins(db, QStringLiteral("INSERT INTO t(a, b) VALUES(?, ?)"));
    for (int i = 0; i < samples.size(); ++i)
        ins.bindInt64(1, i).bindText(2, samples[i]).exec();
    TSqliteQuery q(db, QStringLiteral("SELECT b FROM t ORDER BY a"));
    q.open();
    for (const QString &s : samples) {
        ASSERT_FALSE(q.eof());
        EXPECT_EQ(q.field("b").asText(), s);
        q.next();
    }
}

TEST_F(Sqlite, ErrorsCarrySqlitesOwnMessage)
{
    auto messageOf = [](auto &&f) {
        try {
            f();
        } catch (const TSqliteError &e) {
            return e.message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(messageOf([&] { db.exec(QStringLiteral("SELEKT 1")); }), QStringLiteral("near \"SELEKT\": syntax error"));
    EXPECT_EQ(messageOf([&] { TSqliteQuery q(db, QStringLiteral("SELECT nope FROM t")); }),
              QStringLiteral("no such column: nope"));
    EXPECT_TRUE(messageOf([&] { TSqliteQuery(db, QStringLiteral("SELECT a FROM t")).open().field("zz"); })
                    .contains(QStringLiteral("zz")));
    db.exec(QStringLiteral("CREATE TABLE u (x INTEGER NOT NULL)"));
    EXPECT_EQ(messageOf([&] { TSqliteQuery(db, QStringLiteral("INSERT INTO u VALUES(NULL)")).exec(); }),
              QStringLiteral("NOT NULL constraint failed: u.x"));
    db.close();
    EXPECT_EQ(messageOf([&] { db.exec(QStringLiteral("SELECT 1")); }), QStringLiteral("The database is not open."));
}

} // namespace
