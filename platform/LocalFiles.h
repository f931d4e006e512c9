#pragma once
// Local file names with masks as the original platform matched them: "*" any run, "?" one
// character, ASCII case-insensitive, and "*.*" matching every name, with or without a dot.

#include "platform/FdHandle.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace localfiles {

bool hasMask(std::string_view name);
bool matchesMask(std::string_view mask, std::string_view name);
// Names (without folder) of the entries of the path's folder that match its last part; "." and
// ".." never match. A path without a mask gives its own name when the entry exists.
std::vector<std::string> findMatches(const std::string& pathWithMask);
// The size in bytes of a file, -1 when there is none (64-bit).
std::int64_t fileSize(const std::string& path);
// Writes `bytes` as the whole file: a temporary file beside it, flushed to disk, then renamed over
// it, so readers see the old file or the new one, never a part. The temporary file has a unique
// name and is created exclusively. A symbolic link at the path is written through, to the file it
// names, unless `throughLink` is false (folders others may write to): then the link itself is
// replaced. The folder must exist. False (with errno set) when it cannot be written; no temporary
// file is left then.
[[nodiscard]] bool writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode,
                                       bool throughLink = true);

// The file a symbolic link names, resolved to its end (or one step when that file does not exist).
std::string linkTarget(const std::string& link);

// Opens a file for a transfer with open(2)'s `flags` (O_CLOEXEC added) without ever blocking:
// a FIFO, device or socket at the path is refused (`notRegular` set), since opening one can
// wait for good where no time-out or Cancel reaches. Invalid on failure, errno set.
FdHandle openRegularFile(const std::string& path, int flags, bool& notRegular);

}  // namespace localfiles
