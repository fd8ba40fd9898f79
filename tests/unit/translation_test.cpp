#include "translation.h"

#include "platform/simulated/simulated_value_store.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <optional>
#include <random>
#include <vector>

namespace {

const QString Key = QStringLiteral("\\Software\\Stashwell");
const QString Name = QStringLiteral("CurrentLanguage");

// A file of three languages: names, codes, then three texts. The French
// translation of "Remove Category" is empty.
const QStringList ThreeLanguages = {
    QStringLiteral("3"),
    QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Français"),
    QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("fr"),
    QStringLiteral("Add Category"), QStringLiteral("Kategorie hinzufügen"), QStringLiteral("Ajouter une catégorie"),
    QStringLiteral("Pin/Unpin "), QStringLiteral("Anheften "), QStringLiteral("Épingler "),
    QStringLiteral("Remove Category"), QStringLiteral("Kategorie entfernen"), QString(),
};

QByteArray joined(const QStringList &lines, const char *eol = "\r\n")
{
    return lines.join(QString::fromLatin1(eol)).toUtf8() + eol;
}

class TranslationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Leftovers of another test must not survive a load.
        CurrentLanguageCode = QStringLiteral("xx");
        CurrentLanguageIndex = 5;
        LanguageTexts = {{QStringLiteral("stale")}};
    }
    void TearDown() override
    {
        CurrentLanguageCode.clear();
        CurrentLanguageIndex = 0;
        LanguageTexts.clear();
    }

    QString file(const QByteArray &bytes)
    {
        const QString p = m_dir.filePath(QStringLiteral("transl.dt"));
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return p;
    }

    void load(const std::optional<QString> &stored, const QByteArray &bytes, int systemId = 0x09)
    {
        if (stored)
            m_store.writeString(Key, Name, *stored);
        LoadTranslation(m_store, systemId, file(bytes));
    }

    QTemporaryDir m_dir;
    platform::SimulatedValueStore m_store;
};

struct Lookup {
    const char *text;
    const char *shown;
};

struct LoadCase {
    const char *name;
    std::optional<QString> stored; // the value in the store; nullopt: none
    QByteArray file;
    int systemId;
    QString code;
    int index;
    int languages;
    int textsPerLanguage;
    std::vector<Lookup> lookups;
};

void PrintTo(const LoadCase &c, std::ostream *os) { *os << c.name; }

class LoadTest : public TranslationTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadTest, ChoosesTheLanguageAndTranslates)
{
    const LoadCase &c = GetParam();
    load(c.stored, c.file, c.systemId);
    EXPECT_EQ(CurrentLanguageCode, c.code);
    EXPECT_EQ(CurrentLanguageIndex, c.index);
    ASSERT_EQ(LanguageTexts.size(), c.languages);
    for (const QStringList &texts : LanguageTexts)
        EXPECT_EQ(texts.size(), c.textsPerLanguage);
    for (const Lookup &l : c.lookups)
        EXPECT_EQ(TranslateText(QString::fromUtf8(l.text)), QString::fromUtf8(l.shown)) << l.text;
}

const QByteArray Three = joined(ThreeLanguages);

QByteArray mixedLineEnds()
{
    QByteArray bytes;
    const char *eols[] = {"\r\n", "\n", "\r"};
    for (int i = 0; i < ThreeLanguages.size(); ++i)
        bytes += ThreeLanguages[i].toUtf8() + eols[i % 3];
    return bytes;
}

// Three languages: names, codes and an incomplete group (8 lines after the
// first), or names and only two codes (5 lines).
const QByteArray ThreeIncomplete = joined({"3", "English", "Deutsch", "Français", "en", "de", "fr",
                                           "Add Category", "Kategorie hinzufügen"});
const QByteArray ThreeWithoutCodes = joined({"3", "English", "Deutsch", "Français", "en", "de"});
const QByteArray TwoLanguages = joined({"2", "English", "Deutsch", "en", "de", "Add Category", "Kategorie hinzufügen"});

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadTest,
    ::testing::Values(
        LoadCase{"stored de", QStringLiteral("de"), Three, 0x09, "de", 1, 3, 5,
                 {{"Add Category", "Kategorie hinzufügen"}, {"Remove Category", "Kategorie entfernen"}}},
        LoadCase{"stored fr, empty translation stays English", QStringLiteral("fr"), Three, 0x09, "fr", 2, 3, 5,
                 {{"Add Category", "Ajouter une catégorie"}, {"Remove Category", "Remove Category"}}},
        LoadCase{"code matched without case, keys exactly", QStringLiteral("DE"), Three, 0x09, "DE", 1, 3, 5,
                 {{"Add Category", "Kategorie hinzufügen"}, {"add category", "add category"},
                  {"Add Category ", "Add Category "}, {"Add  Category", "Add  Category"}}},
        LoadCase{"trailing blank of a key", QStringLiteral("de"), Three, 0x09, "de", 1, 3, 5,
                 {{"Pin/Unpin ", "Anheften "}, {"Pin/Unpin", "Pin/Unpin"}}},
        LoadCase{"stored en", QStringLiteral("en"), Three, 0x07, "en", 0, 3, 5,
                 {{"Add Category", "Add Category"}}},
        LoadCase{"stored code not in the file", QStringLiteral("es"), Three, 0x07, "es", 0, 3, 5,
                 {{"Add Category", "Add Category"}}},
        LoadCase{"system language when nothing is stored", std::nullopt, Three, 0x07, "de", 1, 3, 5,
                 {{"Add Category", "Kategorie hinzufügen"}}},
        LoadCase{"Japanese system gives jp", std::nullopt,
                 joined({"2", "English", "日本語", "en", "jp", "Add Category", "カテゴリを追加"}), 0x11, "jp", 1, 2, 3,
                 {{"Add Category", "カテゴリを追加"}}},
        LoadCase{"Japanese system and a file that says ja", std::nullopt,
                 joined({"2", "English", "日本語", "en", "ja", "Add Category", "カテゴリを追加"}), 0x11, "jp", 0, 2, 3,
                 {{"Add Category", "Add Category"}}},
        LoadCase{"code lines are taken whole", QStringLiteral("de"),
                 joined({"2", "English", "Deutsch", "en", "de ", "Add Category", "Kategorie hinzufügen"}), 0x09, "de", 0, 2, 3,
                 {{"Add Category", "Add Category"}}},
        LoadCase{"N=3 and 8 lines: names and codes only", QStringLiteral("de"), ThreeIncomplete, 0x09, "de", 1, 3, 2,
                 {{"Add Category", "Add Category"}}},
        LoadCase{"N=3 and 5 lines: codes missing", QStringLiteral("de"), ThreeWithoutCodes, 0x09, "de", 0, 3, 1,
                 {{"Deutsch", "Deutsch"}}},
        LoadCase{"byte-order mark", QStringLiteral("de"), "\xEF\xBB\xBF" + Three, 0x09, "de", 1, 3, 5,
                 {{"Add Category", "Kategorie hinzufügen"}}},
        LoadCase{"mixed line ends", QStringLiteral("de"), mixedLineEnds(), 0x09, "de", 1, 3, 5,
                 {{"Add Category", "Kategorie hinzufügen"}, {"Pin/Unpin ", "Anheften "}}},
        LoadCase{"LF only, no final line break", QStringLiteral("de"), QByteArray(TwoLanguages).replace("\r\n", "\n").chopped(1), 0x09, "de", 1, 2, 3,
                 {{"Add Category", "Kategorie hinzufügen"}}},
        LoadCase{"a final line break adds no line", QStringLiteral("de"),
                 joined({"2", "English", "Deutsch", "en", "de", "Add Category"}), 0x09, "de", 1, 2, 2,
                 {{"Add Category", "Add Category"}}},
        LoadCase{"first line not a number", QStringLiteral("de"), "three\r\n" + Three.mid(3), 0x09, "de", 0, 0, 0,
                 {{"Add Category", "Add Category"}}},
        LoadCase{"zero languages", QStringLiteral("de"), "0\r\n" + Three.mid(3), 0x09, "de", 0, 0, 0,
                 {{"Add Category", "Add Category"}}},
        LoadCase{"empty file", QStringLiteral("de"), QByteArray(), 0x09, "de", 0, 0, 0, {}},
        LoadCase{"absurd number of languages", QStringLiteral("de"), "2000000000\r\n" + Three.mid(3), 0x09, "de", 0, 1, 0,
                 {{"Add Category", "Add Category"}}}));

TEST_F(TranslationTest, NoFileMeansEnglishAndAnEmptyTable)
{
    m_store.writeString(Key, Name, QStringLiteral("de"));
    LoadTranslation(m_store, 0x07, m_dir.filePath(QStringLiteral("missing/transl.dt")));
    EXPECT_EQ(CurrentLanguageCode, QStringLiteral("de"));
    EXPECT_EQ(CurrentLanguageIndex, 0);
    EXPECT_TRUE(LanguageTexts.isEmpty());
    EXPECT_EQ(TranslateText(QStringLiteral("Add Category")), QStringLiteral("Add Category"));
}

TEST_F(TranslationTest, StoreValueThatIsNoStringLeavesTheSystemLanguage)
{
    m_store.setIntegerValue(Key, Name, 7);
    LoadTranslation(m_store, 0x0C, file(Three));
    EXPECT_EQ(CurrentLanguageCode, QStringLiteral("fr"));
    EXPECT_EQ(CurrentLanguageIndex, 2);
}

TEST_F(TranslationTest, RandomBytesLeaveAUsableTable)
{
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        QByteArray bytes = seed % 2 ? QByteArray("3\n") : QByteArray();
        const int size = int(random() % 4000);
        for (int i = 0; i < size; ++i) {
            const unsigned r = random();
            bytes.append(r % 4 == 0 ? "\r\n"[r / 4 % 2] : char(r >> 8));
        }
        load(QStringLiteral("de"), bytes);
        ASSERT_GE(CurrentLanguageIndex, 0) << "seed " << seed;
        ASSERT_TRUE(CurrentLanguageIndex == 0 || CurrentLanguageIndex < LanguageTexts.size()) << "seed " << seed;
        for (const QStringList &texts : LanguageTexts)
            ASSERT_EQ(texts.size(), LanguageTexts[0].size()) << "seed " << seed;
        (void)TranslateText(QStringLiteral("Add Category"));
    }
}

TEST_F(TranslationTest, LookupAnswersTheTextWhenTheIndexIsOutOfRange)
{
    LanguageTexts = {{QStringLiteral("English"), QStringLiteral("en"), QStringLiteral("Move Up"), QStringLiteral("Move Up")},
                     {QStringLiteral("Deutsch"), QStringLiteral("de"), QStringLiteral("Nach oben"), QStringLiteral("Später")}};
    struct Case {
        int index;
        const char *shown;
    };
    for (const Case &c : {Case{1, "Nach oben"}, Case{0, "Move Up"}, Case{-1, "Move Up"}, Case{2, "Move Up"},
                          Case{100, "Move Up"}}) {
        CurrentLanguageIndex = c.index;
        EXPECT_EQ(TranslateText(QStringLiteral("Move Up")), QString::fromUtf8(c.shown)) << c.index;
    }
    // A language with fewer texts than the keys is not read beyond its end.
    LanguageTexts[1] = {QStringLiteral("Deutsch")};
    CurrentLanguageIndex = 1;
    EXPECT_EQ(TranslateText(QStringLiteral("Move Up")), QStringLiteral("Move Up"));
    EXPECT_EQ(TranslateText(QStringLiteral("English")), QStringLiteral("Deutsch"));
}

TEST(SystemLanguageCode, FileCodesOfThePrimaryLanguages)
{
    struct Case {
        int id;
        const char *code;
    };
    for (const Case &c : {Case{0x01, "ar"}, Case{0x04, "cn"}, Case{0x05, "cs"}, Case{0x07, "de"}, Case{0x08, "el"},
                          Case{0x0A, "es"}, Case{0x0C, "fr"}, Case{0x0E, "hu"}, Case{0x10, "it"}, Case{0x11, "jp"},
                          Case{0x12, "kr"}, Case{0x13, "nl"}, Case{0x15, "pl"}, Case{0x16, "pt"}, Case{0x1F, "tr"},
                          Case{0x09, "en"}, Case{0x19, "en"}, Case{0, "en"}, Case{0x0407, "de"}, Case{0x0411, "jp"}})
        EXPECT_EQ(SystemLanguageCode(c.id), QString::fromLatin1(c.code)) << c.id;
}

TEST_F(TranslationTest, SavingStoresTheCodeAndAFailingStoreIsIgnored)
{
    CurrentLanguageCode = QStringLiteral("pt");
    SaveCurrentLanguage(m_store);
    EXPECT_EQ(m_store.readString(Key, Name), QStringLiteral("pt"));

    m_store.setWritesFail(true);
    CurrentLanguageCode = QStringLiteral("tr");
    SaveCurrentLanguage(m_store);
    EXPECT_EQ(m_store.readString(Key, Name), QStringLiteral("pt"));
    EXPECT_EQ(LanguageStoreKey(), Key);
}

TEST(TranslationFileName, BesideTheExecutable)
{
    EXPECT_EQ(TranslationFileName(QStringLiteral("/opt/stashwell/bin")), QStringLiteral("/opt/stashwell/bin/transl.dt"));
    EXPECT_EQ(TranslationFileName(QStringLiteral("/opt/stashwell/bin/")), QStringLiteral("/opt/stashwell/bin/transl.dt"));
}

// --- The real file ---

const QStringList Codes = {"en", "ar", "cn", "cs", "de", "el", "es", "fr",
                           "hu", "it", "jp", "kr", "nl", "pl", "pt", "tr"};

class RealFileTest : public TranslationTest {
protected:
    void SetUp() override
    {
        TranslationTest::SetUp();
        LoadTranslation(m_store, 0x07, QStringLiteral(TRANSL_DT));
    }
};

TEST_F(RealFileTest, HoldsEveryLanguageCompletely)
{
    ASSERT_EQ(LanguageTexts.size(), Codes.size());
    EXPECT_EQ(CurrentLanguageIndex, int(Codes.indexOf(QStringLiteral("de"))));
    EXPECT_EQ(LanguageTexts[0][0], QStringLiteral("English"));
    const qsizetype texts = LanguageTexts[0].size();
    ASSERT_GT(texts, 2);
    static const QRegularExpression placeholder(QStringLiteral("%[ds]"));
    auto placeholders = [](const QString &text) {
        QStringList found;
        for (auto it = placeholder.globalMatch(text); it.hasNext();)
            found.append(it.next().captured());
        return found;
    };
    for (qsizetype l = 0; l < LanguageTexts.size(); ++l) {
        const QStringList &language = LanguageTexts[l];
        ASSERT_EQ(language.size(), texts) << "language " << l;
        EXPECT_EQ(language[1], Codes[l]);
        for (qsizetype k = 0; k < texts; ++k) {
            const QString &key = LanguageTexts[0][k];
            const QString &text = language[k];
            EXPECT_FALSE(text.isEmpty()) << "language " << l << ", text " << k;
            if (k < 2 || text.isEmpty())
                continue;
            // Formats are filled in the order of the English text, and blanks
            // at either end join the text to what the program puts beside it.
            EXPECT_EQ(placeholders(text), placeholders(key)) << key.toStdString() << " in " << Codes[l].toStdString();
            EXPECT_EQ(text.startsWith(u' '), key.startsWith(u' ')) << key.toStdString() << " in " << Codes[l].toStdString();
            EXPECT_EQ(text.endsWith(u' '), key.endsWith(u' ')) << key.toStdString() << " in " << Codes[l].toStdString();
        }
    }
    const QStringList keys = LanguageTexts[0];
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size()) << "a key appears twice";
}

TEST_F(RealFileTest, EveryCodeSelectsItsLanguage)
{
    for (qsizetype l = 0; l < Codes.size(); ++l) {
        m_store.writeString(Key, Name, Codes[l].toUpper());
        LoadTranslation(m_store, 0x09, QStringLiteral(TRANSL_DT));
        EXPECT_EQ(CurrentLanguageIndex, int(l)) << Codes[l].toStdString();
    }
    EXPECT_EQ(TranslateText(QStringLiteral("Add Category")), QStringLiteral("Kategori ekle"));
}

// --- Every shown literal of the program is a key of the file ---

// The literals of TranslateText(QStringLiteral("...")) calls in a source text,
// with the C++ escapes of quotes and backslashes undone.
QStringList TranslatedLiterals(const QString &source)
{
    static const QRegularExpression call(
        QStringLiteral(R"re(TranslateText\s*\(\s*QStringLiteral\s*\(\s*"((?:[^"\\]|\\.)*)"\s*\))re"));
    QStringList literals;
    for (auto it = call.globalMatch(source); it.hasNext();) {
        const QString escaped = it.next().captured(1);
        QString text;
        for (qsizetype i = 0; i < escaped.size(); ++i) {
            if (escaped[i] == u'\\' && i + 1 < escaped.size())
                ++i;
            text.append(escaped[i]);
        }
        literals.append(text);
    }
    return literals;
}

TEST(TranslatedLiterals, FindsTheCallsAndUndoesEscapes)
{
    const QString source = QStringLiteral(R"src(
        btn->setToolTip(TranslateText(QStringLiteral("Pin/Unpin ")));
        ask(TranslateText( QStringLiteral( "Delete category \"%s\" and its data?" ) ).arg(name));
        const QString path = TranslateText(QStringLiteral("a\\b"));
        label->setText(tr("not ours")); QStringLiteral("not looked up");
    )src");
    EXPECT_EQ(TranslatedLiterals(source),
              (QStringList{QStringLiteral("Pin/Unpin "), QStringLiteral("Delete category \"%s\" and its data?"),
                           QStringLiteral("a\\b")}));
}

TEST_F(RealFileTest, EveryTranslatedLiteralOfTheSourcesIsAKey)
{
    const QStringList keys = LanguageTexts.value(0);
    ASSERT_FALSE(keys.isEmpty());
    int files = 0;
    QDirIterator it(QStringLiteral(SOURCE_DIR), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        ++files;
        for (const QString &literal : TranslatedLiterals(QString::fromUtf8(f.readAll())))
            EXPECT_TRUE(keys.contains(literal)) << '"' << literal.toStdString() << "\" of " << path.toStdString()
                                                << " is not in transl.dt";
    }
    EXPECT_GT(files, 0) << "no sources under " SOURCE_DIR;
}

} // namespace
