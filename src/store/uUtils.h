#pragma once

// Where the program keeps its files.

#include <QString>

// The application title: it names the data directory and the key of the
// interface language.
inline constexpr const char *ApplicationTitle = "Stashwell";

// Creates Path with all missing parents when it does not exist; returns Path
// unchanged. Raises an error naming the path when it cannot be created.
QString EnsureDirectory(const QString &Path);

// The per-user data directory ($XDG_DATA_HOME/Stashwell, by default
// ~/.local/share/Stashwell), created when missing.
QString AppDataDir();

// Joins a directory and a name with the path separator, unless the name is
// already a rooted path.
QString JoinPath(const QString &Dir, const QString &Name);
