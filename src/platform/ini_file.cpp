#include "ini_file.h"

#include "error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>

namespace platform {

namespace {

const QByteArray Bom("\xEF\xBB\xBF", 3);

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A written name or value must stay on its line.
QString oneLine(const QString &text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String(" "));
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return result;
}

bool allDigits(QStringView text, int base)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool digit = u >= u'0' && u <= u'9';
        const bool hexLetter = (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!(digit || (base == 16 && hexLetter)))
            return false;
    }
    return true;
}

bool parseInteger(const QString &raw, int &result)
{
    const QString text = raw.trimmed();
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        const QStringView digits = QStringView(text).mid(2);
        if (digits.size() > 8 || !allDigits(digits, 16))
            return false;
        bool ok = false;
        const uint value = digits.toUInt(&ok, 16);
        if (!ok)
            return false;
        result = int(qint32(value));
        return true;
    }
    QStringView digits(text);
    if (!digits.isEmpty() && (digits[0] == u'-' || digits[0] == u'+'))
        digits = digits.mid(1);
    // More digits than any int has, leading zeros aside, cannot be in range.
    if (!allDigits(digits, 10) || digits.size() > 20)
        return false;
    bool ok = false;
    const qlonglong value = QStringView(text).toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return false;
    result = int(value);
    return true;
}

} // namespace

IniFile::IniFile(const QString &path) : m_path(path)
{
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return;
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        m_readFailed = true;
        return;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_readFailed = true;
        return;
    }
    if (bytes.startsWith(Bom)) {
        m_hadBom = true;
        bytes.remove(0, Bom.size());
    }

    bool eolKnown = false;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        Line line;
        if (lf < 0) {
            line.text = bytes.mid(start);
            start = bytes.size();
        } else {
            const bool crlf = lf > start && bytes[lf - 1] == '\r';
            line.text = bytes.mid(start, (crlf ? lf - 1 : lf) - start);
            line.eol = crlf ? QByteArray("\r\n") : QByteArray("\n");
            if (!eolKnown) {
                m_eol = line.eol;
                eolKnown = true;
            }
            start = lf + 1;
        }
        parse(line);
        m_lines.append(line);
    }
}

void IniFile::parse(Line &line)
{
    const QString text = QString::fromUtf8(line.text);
    const QString trimmed = text.trimmed();
    line.kind = Kind::Other;
    line.name.clear();
    line.value.clear();
    if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return;
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        line.kind = Kind::Section;
        line.name = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
        return;
    }
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return;
    const QString name = text.left(eq).trimmed();
    if (name.isEmpty())
        return;
    QString value = text.mid(eq + 1).trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    line.kind = Kind::Key;
    line.name = name;
    line.value = value;
}

int IniFile::findSection(const QString &section) const
{
    const QString wanted = section.trimmed();
    for (int i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && sameName(m_lines[i].name, wanted))
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Kind::Section)
        ++i;
    return i;
}

int IniFile::findKey(const QString &section, const QString &key) const
{
    const int header = findSection(section);
    if (header < 0)
        return -1;
    const QString wanted = key.trimmed();
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Key && sameName(m_lines[i].name, wanted))
            return i;
    }
    return -1;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const int i = findKey(section, key);
    return i < 0 ? defaultValue : m_lines[i].value;
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const int i = findKey(section, key);
    int value = 0;
    if (i < 0 || !parseInteger(m_lines[i].value, value))
        return defaultValue;
    return value;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::insertLine(int at, const QByteArray &text)
{
    if (at > 0 && m_lines[at - 1].eol.isEmpty())
        m_lines[at - 1].eol = m_eol;
    Line line;
    line.text = text;
    line.eol = m_eol;
    parse(line);
    m_lines.insert(at, line);
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const QString keyName = oneLine(key).trimmed();
    const QByteArray newValue = oneLine(value).toUtf8();
    const int existing = findKey(section, keyName);
    if (existing >= 0) {
        Line &line = m_lines[existing];
        line.text = line.name.toUtf8() + '=' + newValue;
        parse(line);
        return;
    }
    const QByteArray keyLine = keyName.toUtf8() + '=' + newValue;
    const int header = findSection(section);
    if (header >= 0) {
        int last = header;
        const int end = sectionEnd(header);
        for (int i = header + 1; i < end; ++i) {
            if (m_lines[i].kind == Kind::Key)
                last = i;
        }
        insertLine(last + 1, keyLine);
        return;
    }
    // A blank line keeps the new section apart from what came before.
    if (!m_lines.isEmpty() && !QString::fromUtf8(m_lines.back().text).trimmed().isEmpty())
        insertLine(int(m_lines.size()), QByteArray());
    insertLine(int(m_lines.size()), '[' + oneLine(section).trimmed().toUtf8() + ']');
    insertLine(int(m_lines.size()), keyLine);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::sectionExists(const QString &section) const
{
    return findSection(section) >= 0;
}

bool IniFile::keyExists(const QString &section, const QString &key) const
{
    return findKey(section, key) >= 0;
}

QStringList IniFile::sections() const
{
    QStringList names;
    for (const Line &line : m_lines) {
        if (line.kind == Kind::Section)
            names.append(line.name);
    }
    return names;
}

void IniFile::save() const
{
    const QString shown = QDir::toNativeSeparators(m_path);
    // Writing over a file that could not be read would lose all of it.
    if (m_readFailed)
        throw Error(QStringLiteral("Cannot write the file \"%1\": it could not be read before.").arg(shown));

    QByteArray bytes;
    if (m_hadBom)
        bytes += Bom;
    for (const Line &line : m_lines) {
        bytes += line.text;
        bytes += line.eol;
    }

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Cannot write the file \"%1\": %2").arg(shown, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw Error(QStringLiteral("Cannot write the file \"%1\": %2").arg(shown, reason));
    }
    if (!file.commit())
        throw Error(QStringLiteral("Cannot write the file \"%1\": %2").arg(shown, file.errorString()));
}

} // namespace platform
