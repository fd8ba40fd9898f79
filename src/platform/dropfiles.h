#pragma once

// The CF_HDROP block: a 20-byte DROPFILES header (offset of the list, drop
// point, non-client flag, wide-character flag) followed by the paths, each
// ending in a NUL, and one more NUL after the last.

#include <QByteArray>
#include <QStringList>

namespace platform {

// Longest path a reader takes from the block, in UTF-16 units; longer paths
// are cut, as a reader with a buffer of MaxDropPathLength + 1 units does.
inline constexpr int MaxDropPathLength = 1040;

// The block for these paths in UTF-16 (wide flag set). The block is
// 2 × (sum of (path length + 1)) + 22 bytes long. Empty for no paths.
QByteArray buildDropFiles(const QStringList &paths);

// The paths of a block, in order, each cut to MaxDropPathLength units. Wide
// and 8-bit blocks are read; a block whose list offset lies outside it gives
// no paths, and a path that is not terminated inside the block is dropped.
QStringList parseDropFiles(const QByteArray &block);

} // namespace platform
