#pragma once
// Files that readers must never see half-written, in folders other users may write to: the new
// bytes go to a file of a unique name created exclusively (no link followed, nothing of someone
// else's truncated), which is then renamed over the target.

#include <string>
#include <string_view>

namespace atomicfile {

// True when `path` now holds `bytes` (mode 0600). On failure nothing is left behind and an
// existing file is unchanged.
[[nodiscard]] bool replace(const std::string& path, std::string_view bytes);

}  // namespace atomicfile
