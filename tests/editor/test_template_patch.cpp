#include "editor/TemplatePatch.h"
#include "editor/templates/TemplateSlots.h"
#include "platform/Errors.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t Start = 10;

std::string Pad(std::size_t n, char c = '.')
{
    return std::string(n, c);
}

struct PatchCase {
    const char* name;
    std::string file;
    std::string text;
    std::size_t capacity;
    PatchResult result;
    std::string after;  // the file afterwards
};

}  // namespace

TEST(PatchTemplateMarker, WritesTextAndNulWithinTheFirstSlotOnly)
{
    const std::string slot = std::string("ZXPath") + Pad(6, '\x01');
    const PatchCase cases[] = {
        {"a short text ends at its NUL", Pad(12) + slot, "a", 12, PatchResult::Patched,
         Pad(12) + "a" + '\0' + "Path" + Pad(6, '\x01')},
        {"text and NUL fill the slot", Pad(12) + slot, Pad(11, 'x'), 12, PatchResult::Patched,
         Pad(12) + Pad(11, 'x') + '\0'},
        {"only the first of two", Pad(12) + slot + slot, "ab", 12, PatchResult::Patched,
         Pad(12) + "ab" + '\0' + "ath" + Pad(6, '\x01') + slot},
        {"text longer than the slot is refused", Pad(12) + slot + Pad(20), Pad(12, 'x'), 12,
         PatchResult::DoesNotFit, Pad(12) + slot + Pad(20)},
        {"text past the end of the file is refused", Pad(12) + "ZXPath", "abcdef", 12, PatchResult::DoesNotFit,
         Pad(12) + "ZXPath"},
        {"a text with a NUL is refused", Pad(12) + slot, std::string("a\0b", 3), 12, PatchResult::DoesNotFit,
         Pad(12) + slot},
        {"marker at the start offset is not compared", Pad(10) + slot, "a", 12, PatchResult::MarkerMissing,
         Pad(10) + slot},
        {"marker one past the start is found", Pad(11) + slot, "a", 12, PatchResult::Patched,
         Pad(11) + "a" + '\0' + "Path" + Pad(6, '\x01')},
        {"a breaking byte is not tried again", Pad(11) + "ZZXPath", "a", 12, PatchResult::MarkerMissing,
         Pad(11) + "ZZXPath"},
        {"marker cut by the end of the file", Pad(12) + "ZXPat", "a", 12, PatchResult::MarkerMissing,
         Pad(12) + "ZXPat"},
        {"marker before the start only", "ZXPath" + Pad(20), "a", 12, PatchResult::MarkerMissing,
         "ZXPath" + Pad(20)},
        {"file shorter than the start", "ZXP", "a", 12, PatchResult::MarkerMissing, "ZXP"},
    };
    for (const PatchCase& c : cases) {
        TempDir dir;
        const std::string file = dir.write("t.bin", c.file);
        EXPECT_EQ(PatchTemplateMarker(file, Start, "ZXPath", c.text, c.capacity), c.result) << c.name;
        EXPECT_EQ(TempDir::read(file), c.after) << c.name;
    }
}

TEST(PatchTemplateMarker, TicksEveryThousandBytesAndRaisesOnAMissingFile)
{
    TempDir dir;
    const std::string file = dir.write("t.bin", Pad(5500) + "ZXPath" + Pad(10));
    int ticks = 0;
    EXPECT_EQ(PatchTemplateMarker(file, 0, "ZXPath", "a", 16, [&] { ++ticks; }), PatchResult::Patched);
    EXPECT_EQ(ticks, 5);
    EXPECT_THROW((void)PatchTemplateMarker(dir.file("none.bin"), 0, "ZXPath", "a", 16), Exception);
}

namespace {

// A stand-alone program's line area as the template holds it.
std::string LineSlots(std::size_t slots)
{
    std::string area = Pad(templateslots::ProgramStart + 1, '\0');
    for (std::size_t i = 0; i < slots; ++i)
        area += "ZST" + Pad(templateslots::LineCapacity - 3, '\x01');
    return area;
}

// The lines as the program reads them back: each slot's text up to its NUL, until an unfilled one.
std::vector<std::string> SlotLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    for (std::size_t at = templateslots::ProgramStart + 1; at + templateslots::LineCapacity <= bytes.size();
         at += templateslots::LineCapacity) {
        const std::size_t nul = bytes.find('\0', at);
        if (nul == std::string::npos || nul >= at + templateslots::LineCapacity) break;
        lines.push_back(bytes.substr(at, nul - at));
    }
    return lines;
}

}  // namespace

TEST(EmbedScriptLines, EveryLineTakesItsOwnSlot)
{
    TempDir dir;
    const std::string file = dir.write("p.bin", LineSlots(6));
    const std::vector<std::string> lines = {"HOST=\"x\"", "", "say ZST twice: ZST", "Z", "  dial  ", "#include \"a\""};
    const EmbedResult r = EmbedScriptLines(file, lines);
    EXPECT_EQ(r.result, PatchResult::Patched);
    EXPECT_TRUE(r.hasDial);
    EXPECT_TRUE(r.hasInclude);
    EXPECT_EQ(SlotLines(TempDir::read(file)), lines);
}

TEST(EmbedScriptLines, RefusesLinesWithoutASlotOrTooLongForOne)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        PatchResult result;
        std::size_t failedLine;
    };
    const Case cases[] = {
        {"more lines than slots", {"a", "b", "c"}, PatchResult::MarkerMissing, 2},
        {"a line longer than its slot", {"a", Pad(templateslots::LineCapacity, 'x')}, PatchResult::DoesNotFit, 1},
        {"DIALENTRY and a bare #INCLUDE are neither", {"DIALENTRY=\"x\"", "#INCLUDE"}, PatchResult::Patched, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string file = dir.write("p.bin", LineSlots(2));
        const EmbedResult r = EmbedScriptLines(file, c.lines);
        EXPECT_EQ(r.result, c.result) << c.name;
        EXPECT_EQ(r.failedLine, c.failedLine) << c.name;
        EXPECT_FALSE(r.hasDial) << c.name;
        EXPECT_FALSE(r.hasInclude) << c.name;
    }
}
