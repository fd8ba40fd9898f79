#pragma once

// The file manager on a Linux desktop. No file-manager window there tells
// which folder it shows, so folderOfWindow is always empty and a file list
// is pasted with Ctrl+V, which the file managers accept.

#include "../shell.h"

namespace platform {

class DesktopShell : public Shell {
public:
    QString folderOfWindow(WindowHandle window) override;
    // Copies with std::filesystem; folders recursively. An existing name in
    // the destination is never overwritten: that file is left out and the
    // answer is non-zero.
    int copyFiles(const QString &sources, const QString &destination, bool &aborted) override;
};

} // namespace platform
