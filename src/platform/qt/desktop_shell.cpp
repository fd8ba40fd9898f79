#include "desktop_shell.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace platform {

QString DesktopShell::folderOfWindow(WindowHandle)
{
    return {};
}

int DesktopShell::copyFiles(const QString &sources, const QString &destination, bool &aborted)
{
    namespace fs = std::filesystem;
    aborted = false;
    const QString folder = destination.section(QChar(0), 0, 0);
    const fs::path target(QFile::encodeName(folder).toStdString());
    std::error_code ec;
    if (!fs::is_directory(target, ec))
        return 1;
    int failures = 0;
    for (const QString &source : sources.split(QChar(0), Qt::SkipEmptyParts)) {
        const fs::path from(QFile::encodeName(source).toStdString());
        const fs::path to = target / from.filename();
        if (fs::exists(fs::symlink_status(to, ec))) {
            ++failures;
            continue;
        }
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        if (ec)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace platform
