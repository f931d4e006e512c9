#pragma once
// Patching copies of the launcher and stand-alone templates: a marker is searched from a start
// offset and its slot overwritten with text and a NUL, never past the slot's capacity.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class PatchResult { Patched, MarkerMissing, DoesNotFit };

// The offset of the first marker at or after `from`, -1 when none. A byte that breaks a partial
// match is not tried again as the marker's first byte. `tick` is called at every multiple of 1000.
std::int64_t FindTemplateMarker(std::string_view bytes, std::int64_t from, std::string_view marker,
                                const std::function<void()>& tick = {});

// Writes `text` and a NUL over the first `marker` after `start` (the byte at `start` itself is
// not compared). DoesNotFit when text and NUL exceed `capacity` or the file's end, or the text
// holds a NUL; the file is unchanged then. Raises Exception when the file cannot be read or written.
[[nodiscard]] PatchResult PatchTemplateMarker(const std::string& file, std::int64_t start, std::string_view marker,
                                              std::string_view text, std::size_t capacity,
                                              const std::function<void()>& tick = {});

struct EmbedResult {
    bool hasDial = false;
    bool hasInclude = false;
    PatchResult result = PatchResult::Patched;
    std::size_t failedLine = 0;  // 0-based: the line without a slot, or that does not fit its slot
};
// Writes each line into the next line slot of a stand-alone program; every line must find a slot
// that holds it. Raises Exception when the file cannot be read or written.
EmbedResult EmbedScriptLines(const std::string& file, const std::vector<std::string>& lines,
                             const std::function<void()>& tick = {});
