#pragma once

// The interface translation: the language table read from "transl.dt", the
// chosen language, and the lookup through which every text the user sees
// passes when it is shown.
//
// "transl.dt" is UTF-8 text (a byte-order mark is skipped; lines end with
// CR LF, LF or CR, and a final line break adds no line; lines are taken whole,
// blanks included). Line 0 holds the number of languages N; then come groups
// of N lines, one group per text, so that text K of language L is line
// K * N + L + 1. Text 0 of a language is its display name, text 1 its code,
// and from text 2 on come the interface texts. Language 0 holds the English
// texts exactly as the program shows them: they are the keys of the lookup.
//
// A literal shown to the user is passed as TranslateText(QStringLiteral(...))
// with the literal written inside, so that a test can check that every such
// literal is a key of the file.

#include "platform/value_store.h"

#include <QList>
#include <QString>
#include <QStringList>

// Code of the chosen language ("de"): the system's at start-up unless the
// value store holds a choice; replaced when the user picks a language.
extern QString CurrentLanguageCode;
// Position of the chosen language in the file, from 0; 0 or less means that
// nothing is translated.
extern int CurrentLanguageIndex;
// LanguageTexts[L][K] is text K of language L. All languages have the same
// number of texts; after a load that failed part-way there may be fewer
// languages than the file announced, or languages without texts, so a reader
// checks the sizes before it takes a text.
extern QList<QStringList> LanguageTexts;

// Where the chosen language is kept in the value store.
QString LanguageStoreKey();           // "\Software\Stashwell"
inline constexpr const char *LanguageValueName = "CurrentLanguage";

// Decides the language and loads the table, once at start-up, before any
// window exists. The code is SystemLanguageCode(SystemPrimaryLanguageId)
// unless Store holds a string value "CurrentLanguage" under LanguageStoreKey()
// (the key is not created here). Then the file is read and the index set to
// the first language whose code equals the chosen one without regard to
// letter case. Nothing escapes: a missing, unreadable or malformed file leaves
// index 0 (English) and the table as far as it was filled.
void LoadTranslation(platform::ValueStore &Store, int SystemPrimaryLanguageId,
                     const QString &TranslationFilePath);

// The file's code of a primary language id (its low 8 bits are used): "ar",
// "cn", "cs", "de", "el", "es", "fr", "hu", "it", "jp", "kr", "nl", "pl", "pt",
// "tr"; "en" for any other. These are the file's codes, not ISO codes.
QString SystemLanguageCode(int PrimaryLanguageId);

// Text in the chosen language: the translation of the first key of language
// 0 equal to Text (letter case and blanks included); Text itself when nothing
// is translated, there is no such key, or its translation is empty.
QString TranslateText(const QString &Text);

// Stores CurrentLanguageCode as "CurrentLanguage" under LanguageStoreKey(),
// creating the key when missing; a store that refuses is ignored.
void SaveCurrentLanguage(platform::ValueStore &Store);

// The path of "transl.dt" in the executable's directory exeDir.
QString TranslationFileName(const QString &exeDir);
