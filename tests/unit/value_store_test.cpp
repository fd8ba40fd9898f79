#include "platform/qt/ini_value_store.h"
#include "platform/simulated/simulated_value_store.h"
#include "platform/system_language.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace {

const QString Key = QStringLiteral("\\Software\\Stashwell");
const QString Name = QStringLiteral("CurrentLanguage");

// --- Both backends answer alike ---

struct Backend {
    const char *name;
    std::function<std::unique_ptr<platform::ValueStore>(const QString &folder)> make;
};

void PrintTo(const Backend &b, std::ostream *os) { *os << b.name; }

class ValueStoreTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override { m_store = GetParam().make(m_dir.path()); }
    QTemporaryDir m_dir;
    std::unique_ptr<platform::ValueStore> m_store;
};

TEST_P(ValueStoreTest, WritesCreateTheKeyAndReadBack)
{
    EXPECT_FALSE(m_store->keyExists(Key));
    EXPECT_EQ(m_store->readString(Key, Name), std::nullopt);

    ASSERT_TRUE(m_store->writeString(Key, Name, QStringLiteral("de")));
    EXPECT_TRUE(m_store->keyExists(Key));
    EXPECT_TRUE(m_store->keyExists(QStringLiteral("\\Software")));
    EXPECT_FALSE(m_store->keyExists(QStringLiteral("\\Software\\Other")));
    // Keys and names are matched as the registry matches them.
    EXPECT_EQ(m_store->readString(QStringLiteral("software\\STASHWELL\\"), QStringLiteral("currentlanguage")),
              QStringLiteral("de"));
    EXPECT_EQ(m_store->readString(Key, QStringLiteral("Other")), std::nullopt);

    ASSERT_TRUE(m_store->writeString(Key, Name, QStringLiteral("jp")));
    EXPECT_EQ(m_store->readString(Key, Name), QStringLiteral("jp"));
}

INSTANTIATE_TEST_SUITE_P(
    Backends, ValueStoreTest,
    ::testing::Values(
        Backend{"simulated", [](const QString &) { return std::make_unique<platform::SimulatedValueStore>(); }},
        Backend{"ini", [](const QString &folder) {
                    return std::make_unique<platform::IniValueStore>(folder + QStringLiteral("/sub/values.ini"));
                }}),
    [](const auto &info) { return std::string(info.param.name); });

// --- Simulated backend ---

TEST(SimulatedValueStore, FailingWritesAndValuesOfOtherTypes)
{
    platform::SimulatedValueStore store;
    store.setWritesFail(true);
    EXPECT_FALSE(store.writeString(Key, Name, QStringLiteral("de")));
    EXPECT_FALSE(store.keyExists(Key));
    EXPECT_EQ(store.writeCount(), 0);

    store.setWritesFail(false);
    store.setIntegerValue(Key, Name, 7);
    EXPECT_TRUE(store.keyExists(Key));
    EXPECT_EQ(store.readString(Key, Name), std::nullopt);
    EXPECT_TRUE(store.writeString(Key, Name, QStringLiteral("fr")));
    EXPECT_EQ(store.readString(Key, Name), QStringLiteral("fr"));
    EXPECT_EQ(store.writeCount(), 1);
}

// --- INI backend ---

TEST(IniValueStore, DefaultFileIsInTheUsersConfigFolder)
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(config.isEmpty());
    ASSERT_TRUE(platform::IniValueStore::defaultPath().startsWith(config)) << "the test main points XDG_CONFIG_HOME away from home";
    const QString expected = config + QStringLiteral("/Stashwell/values.ini");
    EXPECT_EQ(QFileInfo(platform::IniValueStore::defaultPath()).absoluteFilePath(), QFileInfo(expected).absoluteFilePath());

    platform::IniValueStore store;
    ASSERT_TRUE(store.writeString(Key, Name, QStringLiteral("pl")));
    QFile file(expected);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Software\\Stashwell]\r\nCurrentLanguage=pl\r\n"));
    file.close();
    QFile::remove(expected);
}

TEST(IniValueStore, WriteThatCannotBeDoneAnswersFalse)
{
    QTemporaryDir dir;
    // The folder of the file would have to be where a file already is.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    platform::IniValueStore store(blocker + QStringLiteral("/values.ini"));
    EXPECT_FALSE(store.writeString(Key, Name, QStringLiteral("de")));
    EXPECT_FALSE(store.keyExists(Key));
}

// --- System language ---

struct LocaleCase {
    const char *locale;
    int id;
};

class LocaleTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleTest, MapsToThePrimaryLanguageId)
{
    EXPECT_EQ(platform::primaryLanguageIdFromLocale(QString::fromUtf8(GetParam().locale)), GetParam().id)
        << GetParam().locale;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocaleTest,
    ::testing::Values(LocaleCase{"de_DE.UTF-8", 0x07}, LocaleCase{"ja_JP", 0x11}, LocaleCase{"zh_CN", 0x04},
                      LocaleCase{"zh_TW.Big5", 0x04}, LocaleCase{"pt_BR", 0x16}, LocaleCase{"ar_EG.UTF-8", 0x01},
                      LocaleCase{"cs_CZ", 0x05}, LocaleCase{"el_GR", 0x08}, LocaleCase{"es_ES@euro", 0x0A},
                      LocaleCase{"fr", 0x0C}, LocaleCase{"hu_HU", 0x0E}, LocaleCase{"it_IT", 0x10},
                      LocaleCase{"ko_KR.EUC-KR", 0x12}, LocaleCase{"nl_NL", 0x13}, LocaleCase{"pl_PL", 0x15},
                      LocaleCase{"tr_TR", 0x1F}, LocaleCase{"en_US.UTF-8", 0x09}, LocaleCase{"DE_at", 0x07},
                      LocaleCase{"ru_RU.UTF-8", 0}, LocaleCase{"C", 0}, LocaleCase{"C.UTF-8", 0},
                      LocaleCase{"POSIX", 0}, LocaleCase{"", 0}));

class SystemLanguageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *v : Variables)
            m_saved.append(qgetenv(v));
    }
    void TearDown() override
    {
        for (int i = 0; i < 3; ++i) {
            if (m_saved[i].isNull())
                qunsetenv(Variables[i]);
            else
                qputenv(Variables[i], m_saved[i]);
        }
    }
    static constexpr const char *Variables[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    QList<QByteArray> m_saved;
};

TEST_F(SystemLanguageTest, FirstNonEmptyOfTheVariables)
{
    struct Case {
        const char *lcAll, *lcMessages, *lang;
        int id;
    };
    for (const Case &c : {Case{"ja_JP.UTF-8", "de_DE", "fr_FR", 0x11}, Case{"", "de_DE", "fr_FR", 0x07},
                          Case{"", "", "fr_FR.UTF-8", 0x0C}, Case{"", "", "", 0}, Case{"C", "de_DE", "", 0}}) {
        qputenv("LC_ALL", c.lcAll);
        qputenv("LC_MESSAGES", c.lcMessages);
        qputenv("LANG", c.lang);
        EXPECT_EQ(platform::systemPrimaryLanguageId(), c.id) << c.lcAll << "|" << c.lcMessages << "|" << c.lang;
    }
}

} // namespace
