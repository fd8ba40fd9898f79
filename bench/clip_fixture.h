#pragma once

// Databases for the benchmarks: clips as a long use leaves them, written
// straight into the program's schema.

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

class TdmData;

// Characters of each generated text.
inline constexpr qsizetype FixtureTextChars = 200;

QByteArray randomBytes(qsizetype size, quint32 seed);

// Clipboard-like text: words, paths, numbers, some non-Latin letters,
// exactly FixtureTextChars characters.
QString variedText(QRandomGenerator &rng);

// Fills an open store with `rows` clips: 10% images (a PNG and a raw blob of
// imageBytes each), ~2% pinned, a few titles and hotkeys, created_at rising
// with irregular gaps, sort_index as the program gives it.
void fillClips(TdmData &dm, int rows, qsizetype imageBytes, quint32 seed);
