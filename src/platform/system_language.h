#pragma once

// The language of the user's interface, as the Windows primary language id
// (the low 8 bits of a LANGID) that the program's language table is keyed by.

#include <QString>

namespace platform {

// The primary language id of a POSIX locale name such as "de_DE.UTF-8",
// "ja_JP", "pt_BR" or "zh_CN.GB18030": 0x01 Arabic, 0x04 Chinese, 0x05 Czech,
// 0x07 German, 0x08 Greek, 0x09 English, 0x0A Spanish, 0x0C French,
// 0x0E Hungarian, 0x10 Italian, 0x11 Japanese, 0x12 Korean, 0x13 Dutch,
// 0x15 Polish, 0x16 Portuguese, 0x1F Turkish; 0 for any other language and
// for "C", "POSIX" and an empty name.
int primaryLanguageIdFromLocale(const QString &localeName);

// The primary language id of the first non-empty of LC_ALL, LC_MESSAGES and
// LANG; 0 when all are empty.
int systemPrimaryLanguageId();

} // namespace platform
