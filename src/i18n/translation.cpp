#include "translation.h"

#include "platform/error.h"

#include <QFile>
#include <QFileInfo>

QString CurrentLanguageCode;
int CurrentLanguageIndex = 0;
QList<QStringList> LanguageTexts;

namespace {

// The title of the program, the last part of the key of the chosen language.
constexpr const char *ApplicationTitle = "Stashwell";

// Lines end with CR LF, LF or CR; a final line break adds no line.
QStringList SplitFileLines(const QString &Text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = Text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = Text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(Text.mid(start, i - start));
            i += (c == u'\r' && i + 1 < size && Text[i + 1] == u'\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < size)
        lines.append(Text.mid(start));
    return lines;
}

QStringList ReadTranslationLines(const QString &Path)
{
    const QFileInfo info(Path);
    if (!info.exists() || info.isDir())
        throw platform::Error(QStringLiteral("Cannot find translation file:") + info.absoluteFilePath());
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        throw platform::Error(QStringLiteral("Cannot read translation file:") + info.absoluteFilePath());
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    return SplitFileLines(QString::fromUtf8(bytes));
}

} // namespace

QString LanguageStoreKey()
{
    return QStringLiteral("\\Software\\") + QLatin1String(ApplicationTitle);
}

QString SystemLanguageCode(int PrimaryLanguageId)
{
    switch (PrimaryLanguageId & 0xFF) {
    case 0x01: return QStringLiteral("ar");
    case 0x04: return QStringLiteral("cn");
    case 0x05: return QStringLiteral("cs");
    case 0x07: return QStringLiteral("de");
    case 0x08: return QStringLiteral("el");
    case 0x0A: return QStringLiteral("es");
    case 0x0C: return QStringLiteral("fr");
    case 0x0E: return QStringLiteral("hu");
    case 0x10: return QStringLiteral("it");
    case 0x11: return QStringLiteral("jp");
    case 0x12: return QStringLiteral("kr");
    case 0x13: return QStringLiteral("nl");
    case 0x15: return QStringLiteral("pl");
    case 0x16: return QStringLiteral("pt");
    case 0x1F: return QStringLiteral("tr");
    default: return QStringLiteral("en");
    }
}

void LoadTranslation(platform::ValueStore &Store, int SystemPrimaryLanguageId,
                     const QString &TranslationFilePath)
{
    CurrentLanguageCode = SystemLanguageCode(SystemPrimaryLanguageId);
    CurrentLanguageIndex = 0;
    LanguageTexts.clear();

    // A store that cannot be read, or a value of another type, leaves the
    // system's language: start-up must not fail on it.
    try {
        const QString key = LanguageStoreKey();
        if (Store.keyExists(key)) {
            if (const auto stored = Store.readString(key, QLatin1String(LanguageValueName)))
                CurrentLanguageCode = *stored;
        }
    } catch (...) {
    }

    try {
        const QStringList lines = ReadTranslationLines(TranslationFilePath);
        if (lines.isEmpty())
            throw platform::Error(QStringLiteral("The translation file is empty."));
        bool ok = false;
        const int languageCount = lines[0].trimmed().toInt(&ok, 10);
        if (!ok || languageCount <= 0)
            throw platform::Error(QStringLiteral("The translation file does not begin with a number of languages."));

        const qint64 n = languageCount;
        const qint64 lineCount = lines.size();
        const qint64 textsPerLanguage = (lineCount - 1) / n;
        QStringList codes;
        // Each language is added as it is filled, so that a file that ends
        // too early (or announces absurdly many languages) leaves only what
        // was read: the loop stops at the first code that is not there.
        for (qint64 language = 0; language < n; ++language) {
            QStringList texts;
            texts.reserve(textsPerLanguage);
            for (qint64 text = 0; text < textsPerLanguage; ++text)
                texts.append(lines[text * n + language + 1]);
            LanguageTexts.append(texts);
            const qint64 codeLine = n + language + 1;
            if (codeLine >= lineCount)
                throw platform::Error(QStringLiteral("The translation file is too short for its language codes."));
            codes.append(lines[codeLine]);
        }

        for (qsizetype i = 0; i < codes.size(); ++i) {
            if (codes[i].compare(CurrentLanguageCode, Qt::CaseInsensitive) == 0) {
                CurrentLanguageIndex = int(i);
                break;
            }
        }
    } catch (...) {
        // The interface stays in English and nothing is shown.
        CurrentLanguageIndex = 0;
    }
}

QString TranslateText(const QString &Text)
{
    if (CurrentLanguageIndex <= 0 || CurrentLanguageIndex >= LanguageTexts.size())
        return Text;
    const QStringList &keys = LanguageTexts[0];
    const QStringList &texts = LanguageTexts[CurrentLanguageIndex];
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (keys[k] == Text) {
            if (k < texts.size() && !texts[k].isEmpty())
                return texts[k];
            return Text;
        }
    }
    return Text;
}

void SaveCurrentLanguage(platform::ValueStore &Store)
{
    try {
        Store.writeString(LanguageStoreKey(), QLatin1String(LanguageValueName), CurrentLanguageCode);
    } catch (...) {
    }
}

QString TranslationFileName(const QString &exeDir)
{
    QString dir = exeDir;
    while (dir.size() > 1 && dir.endsWith(u'/'))
        dir.chop(1);
    if (dir == QLatin1String("/"))
        return QStringLiteral("/transl.dt");
    return dir + QStringLiteral("/transl.dt");
}
