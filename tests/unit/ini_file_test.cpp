#include "platform/error.h"
#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <random>

using platform::IniFile;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString path(const QString &name = QStringLiteral("settings.ini")) const { return m_dir.filePath(name); }

    QString fileWith(const QByteArray &bytes) const
    {
        const QString p = path();
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return p;
    }

    static QByteArray contents(const QString &p)
    {
        QFile f(p);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

    QTemporaryDir m_dir;
};

// --- Reading ---

enum class As { String, Integer, Bool };

struct ReadCase {
    const char *name;
    QByteArray file;
    const char *section;
    const char *key;
    As as;
    QString defaultValue; // for integers and Booleans, its number
    QString expected;
};

void PrintTo(const ReadCase &c, std::ostream *os) { *os << c.name; }

class IniReadTest : public IniFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(IniReadTest, ReadsAsTheWindowsServicesDo)
{
    const ReadCase &c = GetParam();
    const IniFile ini(fileWith(c.file));
    const QString section = QString::fromUtf8(c.section);
    const QString key = QString::fromUtf8(c.key);
    QString got;
    switch (c.as) {
    case As::String:
        got = ini.readString(section, key, c.defaultValue);
        break;
    case As::Integer:
        got = QString::number(ini.readInteger(section, key, c.defaultValue.toInt()));
        break;
    case As::Bool:
        got = ini.readBool(section, key, c.defaultValue.toInt() != 0) ? QStringLiteral("1") : QStringLiteral("0");
        break;
    }
    EXPECT_EQ(got, c.expected);
}

const QByteArray Form("[Form]\r\nLeft=10\r\n[Settings]\r\nClipboardMonitoring=1\r\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadTest,
    ::testing::Values(
        ReadCase{"section and key in other letter case", Form, "SETTINGS", "clipboardmonitoring", As::Integer, "0", "1"},
        ReadCase{"key of another section not found", Form, "Settings", "Left", As::Integer, "-7", "-7"},
        ReadCase{"missing section", Form, "ui", "Left", As::String, "dflt", "dflt"},
        ReadCase{"blanks around names and value", "[ a ]\n  Key  =  two words  \n", "A", "key", As::String, "", "two words"},
        ReadCase{"quoted value", "[a]\nk=\"quoted\"\n", "a", "k", As::String, "", "quoted"},
        ReadCase{"empty value is not the default", "[a]\nk=\n", "a", "k", As::String, "dflt", ""},
        ReadCase{"first of two equal keys", "[a]\nk=first\nK=second\n", "a", "k", As::String, "", "first"},
        ReadCase{"first of two equal sections", "[a]\nk=1\n[A]\nk=2\n", "a", "k", As::Integer, "0", "1"},
        ReadCase{"comment is no key", "[a]\n;k=1\n", "a", ";k", As::Integer, "5", "5"},
        ReadCase{"non-ASCII names", "[Größe]\nÄrger=3\n", "grÖße", "ärger", As::Integer, "0", "3"},
        ReadCase{"decimal with blanks", "[a]\nk= 42 \n", "a", "k", As::Integer, "0", "42"},
        ReadCase{"negative decimal", "[a]\nk=-1500\n", "a", "k", As::Integer, "0", "-1500"},
        ReadCase{"hexadecimal", "[a]\nk=0x605A\n", "a", "k", As::Integer, "0", "24666"},
        ReadCase{"hexadecimal, capital X", "[a]\nk=0X1f\n", "a", "k", As::Integer, "0", "31"},
        ReadCase{"hexadecimal as 32-bit pattern", "[a]\nk=0xFFFFFFFF\n", "a", "k", As::Integer, "0", "-1"},
        ReadCase{"hexadecimal without digits", "[a]\nk=0x\n", "a", "k", As::Integer, "9", "9"},
        ReadCase{"hexadecimal with a bad digit", "[a]\nk=0x12G\n", "a", "k", As::Integer, "9", "9"},
        ReadCase{"hexadecimal too long", "[a]\nk=0x100000000\n", "a", "k", As::Integer, "9", "9"},
        ReadCase{"decimal out of range", "[a]\nk=2147483648\n", "a", "k", As::Integer, "9", "9"},
        ReadCase{"number followed by text", "[a]\nk=12abc\n", "a", "k", As::Integer, "9", "9"},
        ReadCase{"not a number", "[a]\nk=abc\n", "a", "k", As::Integer, "9", "9"},
        ReadCase{"empty integer", "[a]\nk=\n", "a", "k", As::Integer, "9", "9"},
        ReadCase{"bool 2 is true", "[a]\nk=2\n", "a", "k", As::Bool, "0", "1"},
        ReadCase{"bool 0 is false", "[a]\nk=0\n", "a", "k", As::Bool, "1", "0"},
        ReadCase{"bool yes gives default true", "[a]\nk=yes\n", "a", "k", As::Bool, "1", "1"},
        ReadCase{"bool yes gives default false", "[a]\nk=yes\n", "a", "k", As::Bool, "0", "0"},
        ReadCase{"bool true gives the default", "[a]\nk=true\n", "a", "k", As::Bool, "0", "0"},
        ReadCase{"byte-order mark", "\xEF\xBB\xBF[ui]\r\nA=5\r\n", "ui", "a", As::Integer, "0", "5"},
        ReadCase{"mixed line ends", "[a]\r\nx=1\ny=2\r\nz=3", "a", "y", As::Integer, "0", "2"},
        ReadCase{"last line without line end", "[a]\r\nx=1\r\nz=3", "a", "z", As::Integer, "0", "3"},
        ReadCase{"key before any section", "k=1\n[a]\n", "a", "k", As::Integer, "4", "4"}));

TEST_F(IniFileTest, MissingFileReadsAsDefaults)
{
    const IniFile ini(path(QStringLiteral("absent.ini")));
    EXPECT_EQ(ini.readString(QStringLiteral("form"), QStringLiteral("left"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("form"), QStringLiteral("left"), 77), 77);
    EXPECT_TRUE(ini.readBool(QStringLiteral("settings"), QStringLiteral("x"), true));
    EXPECT_FALSE(ini.sectionExists(QStringLiteral("form")));
    EXPECT_FALSE(ini.keyExists(QStringLiteral("form"), QStringLiteral("left")));
    EXPECT_TRUE(ini.sections().isEmpty());
}

TEST_F(IniFileTest, SectionsAndKeysExistWithoutRegardToCase)
{
    const IniFile ini(fileWith("[Form]\r\nLeft=10\r\n[ Settings ]\r\n"));
    EXPECT_TRUE(ini.sectionExists(QStringLiteral("form")));
    EXPECT_TRUE(ini.sectionExists(QStringLiteral("SETTINGS")));
    EXPECT_FALSE(ini.sectionExists(QStringLiteral("ui")));
    EXPECT_TRUE(ini.keyExists(QStringLiteral("FORM"), QStringLiteral("left")));
    EXPECT_FALSE(ini.keyExists(QStringLiteral("settings"), QStringLiteral("left")));
    EXPECT_EQ(ini.sections(), (QStringList{QStringLiteral("Form"), QStringLiteral("Settings")}));
}

// --- Writing and saving ---

struct WriteCase {
    const char *name;
    std::optional<QByteArray> file; // nullopt: no file yet
    std::function<void(IniFile &)> write;
    QByteArray expected;
};

void PrintTo(const WriteCase &c, std::ostream *os) { *os << c.name; }

class IniWriteTest : public IniFileTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(IniWriteTest, KeepsEverythingElseAsItWas)
{
    const WriteCase &c = GetParam();
    const QString p = c.file ? fileWith(*c.file) : path();
    IniFile ini(p);
    c.write(ini);
    ini.save();
    EXPECT_EQ(contents(p), c.expected);
}

// Bytes of a literal, embedded NULs included.
template <std::size_t N>
QByteArray bytesOf(const char (&literal)[N])
{
    return QByteArray(literal, qsizetype(N - 1));
}

void set(IniFile &ini, const char *section, const char *key, const char *value)
{
    ini.writeString(QString::fromUtf8(section), QString::fromUtf8(key), QString::fromUtf8(value));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteTest,
    ::testing::Values(
        WriteCase{"new file uses CR LF", std::nullopt,
                  [](IniFile &i) { i.writeBool(QStringLiteral("settings"), QStringLiteral("ClipboardMonitoring"), true); },
                  "[settings]\r\nClipboardMonitoring=1\r\n"},
        WriteCase{"changed key replaced in place, spelling of the file kept", QByteArray("[form]\r\nleft=10\r\ntop=20\r\n"),
                  [](IniFile &i) { i.writeInteger(QStringLiteral("FORM"), QStringLiteral("LEFT"), -1500); },
                  "[form]\r\nleft=-1500\r\ntop=20\r\n"},
        WriteCase{"new key after the last key of its section", QByteArray("[a]\r\nx=1\r\n\r\n; about b\r\n[b]\r\ny=2\r\n"),
                  [](IniFile &i) { i.writeBool(QStringLiteral("A"), QStringLiteral("z"), false); },
                  "[a]\r\nx=1\r\nz=0\r\n\r\n; about b\r\n[b]\r\ny=2\r\n"},
        WriteCase{"new key in an empty last section without line end", QByteArray("[a]\nx=1\n[b]"),
                  [](IniFile &i) { set(i, "b", "k", "v"); },
                  "[a]\nx=1\n[b]\nk=v\n"},
        WriteCase{"new section at the end, with the file's LF", QByteArray("[a]\nx=1\n"),
                  [](IniFile &i) { set(i, "settings", "k", "v"); },
                  "[a]\nx=1\n\n[settings]\nk=v\n"},
        WriteCase{"new key after a last line without line end", QByteArray("[a]\nx=1"),
                  [](IniFile &i) { set(i, "a", "y", "2"); },
                  "[a]\nx=1\ny=2\n"},
        WriteCase{"byte-order mark kept", QByteArray("\xEF\xBB\xBF[a]\r\nx=1\r\n"),
                  [](IniFile &i) { set(i, "a", "x", "2"); },
                  "\xEF\xBB\xBF[a]\r\nx=2\r\n"},
        WriteCase{"mixed line ends kept, new lines take the first one", QByteArray("[a]\nx=1\r\ny=2\r\n"),
                  [](IniFile &i) { set(i, "a", "y", "3"); set(i, "a", "z", "4"); },
                  "[a]\nx=1\r\ny=3\r\nz=4\n"},
        WriteCase{"other sections, comments, odd lines and bytes kept byte for byte",
                  bytesOf("; written by hand\r\n[other]\r\n  Key = Value  \r\ngarbage line\r\n\xFF\xFE\x00\x01 bad utf-8\r\n\r\n[form]\r\nleft=1\r\n# end\r\n"),
                  [](IniFile &i) { i.writeInteger(QStringLiteral("form"), QStringLiteral("left"), 2); },
                  bytesOf("; written by hand\r\n[other]\r\n  Key = Value  \r\ngarbage line\r\n\xFF\xFE\x00\x01 bad utf-8\r\n\r\n[form]\r\nleft=2\r\n# end\r\n")},
        WriteCase{"line breaks in a value become blanks", QByteArray("[a]\r\n"),
                  [](IniFile &i) { set(i, "a", "k", "one\r\ntwo\nthree"); },
                  "[a]\r\nk=one two three\r\n"},
        WriteCase{"the first of two equal sections is written", QByteArray("[a]\nk=1\n[A]\nk=2\n"),
                  [](IniFile &i) { set(i, "a", "k", "9"); },
                  "[a]\nk=9\n[A]\nk=2\n"},
        WriteCase{"UTF-8 text", std::nullopt,
                  [](IniFile &i) { set(i, "ui", "Name", "Größe • 日本語"); },
                  "[ui]\r\nName=Gr\xC3\xB6\xC3\x9F" "e \xE2\x80\xA2 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n"}));

TEST_F(IniFileTest, WrittenValuesReadBackBeforeAndAfterSaving)
{
    IniFile ini(path());
    ini.writeInteger(QStringLiteral("form"), QStringLiteral("width"), 443);
    ini.writeString(QStringLiteral("form"), QStringLiteral("name"), QStringLiteral("  padded  "));
    EXPECT_EQ(ini.readInteger(QStringLiteral("FORM"), QStringLiteral("Width"), 0), 443);
    ini.save();
    const IniFile again(path());
    EXPECT_EQ(again.readInteger(QStringLiteral("form"), QStringLiteral("width"), 0), 443);
    EXPECT_EQ(again.readString(QStringLiteral("form"), QStringLiteral("name"), QString()), QStringLiteral("padded"));
}

TEST_F(IniFileTest, RandomBytesNeverCrashAndKeepTheirLines)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        // Biased towards the bytes that mean something to the parser.
        const char parserBytes[] = {'[', ']', '=', '\r', '\n', ';', ' ', '"'};
        QByteArray bytes;
        const int size = int(random() % 3000);
        for (int i = 0; i < size; ++i) {
            const unsigned r = random();
            bytes.append(r % 3 == 0 ? parserBytes[(r / 3) % sizeof parserBytes] : char(r >> 8));
        }
        const QString p = fileWith(bytes);
        IniFile ini(p);
        // Whatever it holds, reading answers something.
        (void)ini.readString(QStringLiteral("a"), QStringLiteral("b"), QString());
        (void)ini.readInteger(QStringLiteral("x"), QStringLiteral("y"), 0);
        (void)ini.sections();
        ini.writeInteger(QStringLiteral("stashwell test section"), QStringLiteral("written"), int(seed));
        ini.save();

        const QByteArray saved = contents(p);
        ASSERT_TRUE(saved.startsWith(bytes)) << "seed " << seed;
        // Only the new section was added after the old bytes.
        QByteArray added = saved.mid(bytes.size());
        added.replace("\r", "").replace("\n", "");
        EXPECT_EQ(added, "[stashwell test section]written=" + QByteArray::number(seed)) << "seed " << seed;
        EXPECT_EQ(IniFile(p).readInteger(QStringLiteral("Stashwell Test Section"), QStringLiteral("written"), -1), int(seed))
            << "seed " << seed;
    }
}

TEST_F(IniFileTest, SaveRaisesAnErrorNamingThePath)
{
    const QString inMissingFolder = m_dir.filePath(QStringLiteral("no/such/folder/settings.ini"));
    IniFile missing(inMissingFolder);
    missing.writeBool(QStringLiteral("ui"), QStringLiteral("flag"), true);
    try {
        missing.save();
        FAIL() << "no error";
    } catch (const platform::Error &e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(inMissingFolder))) << e.message().toStdString();
    }

    // A file that could not be read is not overwritten.
    const QString folder = m_dir.filePath(QStringLiteral("a folder.ini"));
    ASSERT_TRUE(QDir().mkpath(folder));
    IniFile unreadable(folder);
    unreadable.writeBool(QStringLiteral("ui"), QStringLiteral("flag"), true);
    try {
        unreadable.save();
        FAIL() << "no error";
    } catch (const platform::Error &e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(folder))) << e.message().toStdString();
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

} // namespace
