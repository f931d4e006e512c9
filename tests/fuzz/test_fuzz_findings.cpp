// What the fuzz targets found, each pinned by the smallest case that shows it.

#include "TempDir.h"
#include "runner/LineSubstitution.h"
#include "script/ScriptFile.h"
#include "script/ScriptLoader.h"

#include <gtest/gtest.h>

namespace {

int markers(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), kPasswordMarker)); }

}  // namespace

// A password holding the marker byte (Latin-1 "ÿ") used to end its own field early: it loaded
// back cut short, with scrambled bytes and a stray marker after it.
TEST(PasswordFieldFinding, MarkerAndEscapeBytesInAPasswordSurviveSaveAndLoad)
{
    const std::string passwords[] = {"\xFF", "t\xFF", "a\xFF" "b\xFF" "c", "\xFE", "\xFE\xFD", "\xFE\xFF\xFE", "x\xFE"};
    for (const std::string& pw : passwords) {
        SCOPED_TRACE(testing::PrintToString(pw));
        TempDir dir;
        const std::string path = dir.file("p.ftp");
        SaveScriptLines(path, {"Password=" + pw, "DialLoginPassword=\"" + pw + "\""});
        std::vector<std::string> stored = LoadScriptLines(path);
        ASSERT_EQ(stored.size(), 2u);
        EXPECT_EQ(markers(stored[0]), 2);
        EXPECT_EQ(markers(stored[1]), 2);

        std::vector<std::string> loaded = stored;
        UnscramblePasswordLines(loaded);
        EXPECT_EQ(loaded, (std::vector<std::string>{"Password=\"" + pw + "\"", "DialLoginPassword=\"" + pw + "\""}));
        SaveScriptLines(path, loaded);
        EXPECT_EQ(LoadScriptLines(path), stored);  // saving what was loaded gives the same file
    }
    // A lone escape byte, as a hand-edited file may hold, reads as itself.
    EXPECT_EQ(UnscramblePassword("\xFE"), "\xFE");
    EXPECT_EQ(UnscramblePassword("\xFE" "a"), std::string("\xFE") + UnscramblePassword("a"));
}

// A long value that refers to itself (a listed name, a server's reply) grew the line by its own
// length on each of the thousand replacements: 100 kB became 100 MB and seconds of work, 1 MB a
// gigabyte. Substitution now stops at the longest line it allows, with one remark.
TEST(SubstitutionFinding, ALongSelfReferenceStopsAtTheLongestLine)
{
    VariableStore vars;
    vars.SetVariable("loop", std::string(100000, 'x') + "%%loop%%");
    vars.SetVariable("half", std::string(kMaxSubstitutedLineLength / 2 - 10, 'h'));
    vars.SetVariable("empty", "");
    std::vector<std::string> log;
    SubstitutionContext ctx;
    ctx.variables = &vars;
    ctx.log = [&](const std::string& l) { log.push_back(l); };

    const std::string looped = RewriteLine("X %%loop%%", ctx);
    EXPECT_LE(looped.size(), kMaxSubstitutedLineLength);
    EXPECT_EQ(looped.compare(0, 7, "X xxxxx"), 0);
    EXPECT_EQ(log, std::vector<std::string>{"   ---> Variable substitution stopped at 1048576 bytes (a variable refers "
                                            "to itself)"});

    // Long values that fit are substituted whole; a replacement that shortens a line past the
    // limit still happens.
    log.clear();
    EXPECT_EQ(RewriteLine("%%half%%%%half%%", ctx).size(), kMaxSubstitutedLineLength - 20);
    const std::string longLine(kMaxSubstitutedLineLength + 5, 'y');
    EXPECT_EQ(RewriteLine(longLine + "%%empty%%", ctx), longLine);
    EXPECT_TRUE(log.empty());
}
