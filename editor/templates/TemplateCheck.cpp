// Build check of a template: each marker occurs only in its slot, every slot lies past the
// editor's search start, is still unfilled, and the editor's search meets the slots in order.
// Usage: TemplateCheck <file> launcher|program. A template that fails is removed.

#include "editor/TemplatePatch.h"
#include "editor/templates/TemplateSlots.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::int64_t> Occurrences(std::string_view bytes, std::string_view marker)
{
    std::vector<std::int64_t> at;
    for (std::size_t p = bytes.find(marker); p != std::string_view::npos; p = bytes.find(marker, p + 1))
        at.push_back(static_cast<std::int64_t>(p));
    return at;
}

}  // namespace

int main(int argc, char* argv[])
{
    using namespace templateslots;
    if (argc != 3) {
        std::fprintf(stderr, "usage: TemplateCheck <file> launcher|program\n");
        return 2;
    }
    const bool program = std::strcmp(argv[2], "program") == 0;
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::int64_t start = program ? ProgramStart : LauncherStart;
    struct Slot {
        const char* marker;
        std::size_t count;
        std::size_t capacity;
    };
    const Slot slots[] = {
        {TEMPLATE_SCRIPT_MARKER, 1, PathCapacity},
        {TEMPLATE_RUNNER_MARKER, 1, PathCapacity},
        {TEMPLATE_LINE_MARKER, program ? LineSlots : 0, LineCapacity},
    };
    int faults = 0;
    std::int64_t from = start + 1;
    for (const Slot& slot : slots) {
        const auto at = Occurrences(bytes, slot.marker);
        if (at.size() != slot.count) {
            std::fprintf(stderr, "%s: \"%s\" occurs %zu times, not %zu\n", argv[1], slot.marker, at.size(), slot.count);
            ++faults;
            continue;
        }
        for (const std::int64_t a : at) {
            const bool fits = static_cast<std::size_t>(a) + slot.capacity <= bytes.size();
            if (a <= start || !fits || std::memchr(bytes.data() + a, '\0', fits ? slot.capacity : 0)) {
                std::fprintf(stderr, "%s: the \"%s\" slot at %lld is not a whole, unfilled slot past %lld\n",
                             argv[1], slot.marker, static_cast<long long>(a), static_cast<long long>(start));
                ++faults;
            }
            if (FindTemplateMarker(bytes, from, slot.marker) != a) {
                std::fprintf(stderr, "%s: the editor's search misses \"%s\" at %lld\n", argv[1], slot.marker,
                             static_cast<long long>(a));
                ++faults;
            }
            from = a + 1;
        }
    }
    if (faults == 0) return 0;
    // So that no later build step or install ships it.
    std::remove(argv[1]);
    return 1;
}
