#pragma once
// The file operations behind the local script commands: copy and masked rename with the
// shell's semantics, a move that never replaces, and the files a delete mask selects.

#include <string>
#include <string_view>
#include <vector>

namespace localops {

struct Outcome {
    bool ok = true;
    std::string reason;  // why it failed; empty when ok
};

// Files (no folders) that a name selects: under a mask, dot-files (hidden here) are skipped;
// a name without a mask selects itself. Full paths.
std::vector<std::string> MatchingFiles(const std::string& pathWithMask);

// Deletes one file; a read-only file is refused, so a script cannot remove what was protected.
[[nodiscard]] bool DeleteLocalFile(const std::string& path);

// Copies `from` (a file or a mask) to `to`: into `to` when it is a folder, ends in "/" or the
// source is a mask (missing folders are made); else to that file name. A collision either
// replaces the target or, with `renameOnCollision`, gives the copy the name "Copy of <name>"
// ("Copy (2) of <name>", ...). Each file is written under a temporary name first, so a target
// is never left half-written.
[[nodiscard]] Outcome CopyFiles(const std::string& from, const std::string& to, bool renameOnCollision);

// Renames every file matching the mask `from` after the pattern `to` ("*.txt" to "*.bak"); a
// file whose new name exists stays as it is, and the whole rename fails.
[[nodiscard]] Outcome RenameMasked(const std::string& from, const std::string& to);

// Moves one file or folder; fails when `to` exists. A file moves across file systems by a copy
// and a delete.
[[nodiscard]] Outcome MoveEntry(const std::string& from, const std::string& to);

// The new name of `name` under a rename pattern: per part (before and after the last "."),
// "?" keeps the character at its place, "*" keeps the rest of the part, others replace.
std::string MaskedName(std::string_view pattern, std::string_view name);

}  // namespace localops
