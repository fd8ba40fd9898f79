#pragma once

// An INI file read and written as the Windows INI services do it.
//
// Section and key names are matched without regard to letter case, and blanks
// around names and values are not part of them. A value enclosed in a pair of
// matching double or single quotation marks is read without them. Lines that
// start with ";" or "#" are comments; lines before the first section and lines
// without "=" belong to no key. When a name appears twice, the first one counts.
//
// The file is read once, at construction, and kept line by line as the bytes
// it was made of. Writes change the lines in memory; save() puts the file back
// with every line it did not change exactly as it was (bytes, comments, order,
// line ends, a byte-order mark), so that a file written by someone else, or
// damaged, loses nothing but what was written over. Text is UTF-8; CR LF and LF
// line ends are both read; new lines take the line end the file used first, or
// CR LF in a file that had none.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

class IniFile {
public:
    // Reads the file at path. A missing file reads as empty; so does one that
    // cannot be read, but save() then refuses to overwrite it.
    explicit IniFile(const QString &path);

    const QString &path() const { return m_path; }

    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    // Decimal with an optional sign, or hexadecimal after "0x"/"0X" (up to
    // 0xFFFFFFFF, taken as the 32-bit pattern); blanks around it are allowed.
    // Anything else, or a number out of range, gives the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // An integer as readInteger reads it, non-zero meaning true; a value that
    // is not an integer ("yes", "true") gives the default.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    // Sets key=value: in place when the key exists (keeping the key's spelling
    // in the file), otherwise after the last key of the section, or in a new
    // section at the end of the file. Line breaks in names and values are
    // written as blanks, so that a value cannot add lines of its own.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);

    bool sectionExists(const QString &section) const;
    bool keyExists(const QString &section, const QString &key) const;
    // Every section name in file order, duplicates included.
    QStringList sections() const;

    // Replaces the file atomically with the current lines. Raises
    // platform::Error naming the path when the file cannot be written (or was
    // there but could not be read).
    void save() const;

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QByteArray text; // without its line end
        QByteArray eol;  // "\r\n", "\n", or empty for a last line without one
        Kind kind = Kind::Other;
        QString name;    // section or key name, trimmed
        QString value;   // key value, trimmed and unquoted
    };

    static void parse(Line &line);
    int findSection(const QString &section) const;
    // Index of the line that ends the section starting at header (exclusive).
    int sectionEnd(int header) const;
    int findKey(const QString &section, const QString &key) const;
    void insertLine(int at, const QByteArray &text);

    QString m_path;
    QList<Line> m_lines;
    QByteArray m_eol = "\r\n";
    bool m_hadBom = false;
    bool m_readFailed = false;
};

} // namespace platform
