#include "uUtils.h"

#include "platform/error.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString EnsureDirectory(const QString &Path)
{
    const QFileInfo info(Path);
    if (info.isDir())
        return Path;
    if (!QDir().mkpath(Path) || !QFileInfo(Path).isDir())
        throw platform::Error(QStringLiteral("Cannot create the directory %1").arg(QDir::toNativeSeparators(Path)));
    return Path;
}

QString AppDataDir()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return EnsureDirectory(JoinPath(base, QString::fromLatin1(ApplicationTitle)));
}

QString JoinPath(const QString &Dir, const QString &Name)
{
    if (QDir::isAbsolutePath(Name) || Dir.isEmpty())
        return Name;
    if (Dir.endsWith(QLatin1Char('/')))
        return Dir + Name;
    return Dir + QLatin1Char('/') + Name;
}
