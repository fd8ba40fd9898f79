#pragma once

// What the program asks of the desktop's file manager.

#include "desktop_input.h"

#include <QString>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;

    // The file-system folder a file-manager window shows, or empty when the
    // window shows none or the desktop cannot tell.
    virtual QString folderOfWindow(WindowHandle window) = 0;

    // Copies files and folders into a folder, as the file manager would.
    // sources: each path followed by one NUL, then one more NUL; destination:
    // the folder with a trailing separator, followed by two NULs.
    // 0 on success; aborted tells whether the user cancelled.
    virtual int copyFiles(const QString &sources, const QString &destination, bool &aborted) = 0;
};

} // namespace platform
