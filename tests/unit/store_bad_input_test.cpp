#include "store_fixture.h"
#include "uUtils.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

namespace {

template <typename F>
QString errorOf(F &&f)
{
    try {
        f();
    } catch (const platform::Error &e) {
        return e.message();
    }
    return QStringLiteral("no error");
}

TEST(StorePaths, CategoryFilesLieInTheDataDirectory)
{
    TdmData dm;
    const QString dataDir = QDir(qEnvironmentVariable("XDG_DATA_HOME")).filePath(QStringLiteral("Stashwell"));
    EXPECT_EQ(AppDataDir(), dataDir);
    EXPECT_TRUE(QFileInfo(dataDir).isDir());
    EXPECT_EQ(dm.DefaultDBPath(), dataDir + QStringLiteral("/Default Category.db"));
    EXPECT_EQ(dm.CategoriesDir(), dataDir);
    EXPECT_EQ(dm.CategoryDBPath(QStringLiteral("  Work ")), dataDir + QStringLiteral("/Work.db"));
    EXPECT_EQ(dm.CategoryDBPath(QString()), dm.DefaultDBPath());
    EXPECT_EQ(dm.CategoryDBPath(QStringLiteral("   ")), dm.DefaultDBPath());
    for (const char *bad : {"../escape", "a/b", "..\\up", "/etc/passwd"})
        EXPECT_TRUE(errorOf([&] { dm.CategoryDBPath(QString::fromLatin1(bad)); }).contains(QStringLiteral("cannot contain")))
            << bad;
}

TEST(StorePaths, ADataDirectoryThatCannotBeCreatedIsNamed)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("a file"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker));
    TdmData dm;
    const QString error = errorOf([&] { dm.ChangeDatabase(QStringLiteral("Work")); });
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_TRUE(error.contains(blocker + QStringLiteral("/Stashwell"))) << error.toStdString();
    EXPECT_FALSE(dm.FDConnection.isOpen());
}

TEST(StoreBadInput, AFileThatIsNotADatabaseIsLeftAsItWas)
{
    TdmData dm;
    const QString path = dm.CategoryDBPath(QStringLiteral("X"));
    const QList<QByteArray> contents = {QByteArray("this is a shopping list, not a database\n").repeated(200),
                                        QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\xAB')};
    for (const QByteArray &bytes : contents) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const QString error = errorOf([&] { dm.ChangeDatabase(QStringLiteral("X")); });
        EXPECT_TRUE(error.contains(QStringLiteral("not a database")) || error.contains(QStringLiteral("malformed")))
            << error.toStdString();
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), bytes);
        f.close();
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
        EXPECT_FALSE(dm.FDConnection.isOpen());
    }
}

TEST_F(StoreTest, ALockHeldByAnotherProgramIsWaitedForThenReported)
{
    dm.AddText(QStringLiteral("kept"), QString(), false);
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {path});
    ASSERT_TRUE(sqlite.waitForStarted(5000));
    sqlite.write("BEGIN EXCLUSIVE;\nSELECT 'locked';\n");
    ASSERT_TRUE(sqlite.waitForReadyRead(5000));
    ASSERT_TRUE(sqlite.readAll().contains("locked"));

    QElapsedTimer waited;
    waited.start();
    const QString error = errorOf([&] { dm.AddText(QStringLiteral("blocked"), QString(), false); });
    EXPECT_EQ(error, QStringLiteral("database is locked"));
    EXPECT_GE(waited.elapsed(), TdmData::BusyTimeoutMs - 100); // it did wait for the lock

    sqlite.write("ROLLBACK;\n.quit\n");
    sqlite.closeWriteChannel();
    ASSERT_TRUE(sqlite.waitForFinished(5000));
    dm.AddText(QStringLiteral("after"), QString(), false);
    EXPECT_EQ(shown(), (QStringList{"after", "kept"}));
}

} // namespace
