#include "platform/ByteText.h"
#include "script/ScriptFile.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

using Lines = std::vector<std::string>;
const std::string M(1, kPasswordMarker);

TEST(PasswordField, SaveAndLoadPasses)
{
    const struct {
        std::string line, stored, loaded;
    } cases[] = {
        {"password = \"abc\"", "Password=\"" + M + ScramblePassword("abc") + M + "\"", "Password=\"abc\""},
        {"Password=", "Password=\"" + M + M + "\"", "Password=\"\""},
        {"PASSWORD", "PASSWORD", "PASSWORD"},
        {"DialLoginPassword=se cret", "DialLoginPassword=\"" + M + ScramblePassword("se cret") + M + "\"",
         "DialLoginPassword=\"se cret\""},
        {"ProxyPassword=plain", "ProxyPassword=plain", "ProxyPassword=plain"},
        {"HOST=x", "HOST=x", "HOST=x"},
    };
    for (const auto& c : cases) {
        Lines l{c.line};
        ScramblePasswordLines(l);
        EXPECT_EQ(l[0], c.stored) << c.line;
        UnscramblePasswordLines(l);
        EXPECT_EQ(l[0], c.loaded) << c.line;
    }
    EXPECT_EQ(ScramblePassword("abc").size(), 3u);
    EXPECT_NE(ScramblePassword("abc"), "abc");
}

TEST(PasswordField, OnlyTheFirstMarkerPairCountsAndALoneMarkerStays)
{
    Lines l{"Password=\"" + M + ScramblePassword("xy") + M + "b" + M + "zz" + M + "\"", "Password=lone" + M + "marker"};
    UnscramblePasswordLines(l);
    EXPECT_EQ(l[0], "Password=\"xyb" + M + "zz" + M + "\"");
    EXPECT_EQ(l[1], "Password=lone" + M + "marker");
}

TEST(PasswordField, TheLoadPassTouchesOnlyPasswordLines)
{
    const std::string field = M + ScramblePassword("pw") + M;
    const struct {
        std::string line, loaded;
    } cases[] = {
        {"MESSAGE \"" + M + "yes" + M + "\"", "MESSAGE \"" + M + "yes" + M + "\""},
        {"LET x = \"" + M + "abc" + M + "\"", "LET x = \"" + M + "abc" + M + "\""},
        {"LOCAL-COPY \"a" + M + "bc" + M + "\" \"x\"", "LOCAL-COPY \"a" + M + "bc" + M + "\" \"x\""},
        {"ProxyPassword=\"" + field + "\"", "ProxyPassword=\"" + field + "\""},
        {"PASSWORD " + field, "PASSWORD " + field},  // no "=": never stored by the save pass either
        {"  password = \"" + field + "\"", "  password = \"pw\""},
        {"DialLoginPassword=\"" + field + "\"", "DialLoginPassword=\"pw\""},
    };
    for (const auto& c : cases) {
        Lines l{c.line};
        UnscramblePasswordLines(l);
        EXPECT_EQ(l[0], c.loaded) << c.line;
    }
}

TEST(PasswordField, EveryByteRoundTripsAndNoneBecomesAMarkerOrControl)
{
    for (int c = 1; c < 256; ++c) {
        const std::string s(1, static_cast<char>(c));
        const std::string scrambled = ScramblePassword(s);
        EXPECT_EQ(UnscramblePassword(scrambled), s) << c;
        if (c >= 0x20 && c < 0x7F) {
            const unsigned char out = static_cast<unsigned char>(scrambled[0]);
            EXPECT_TRUE(out >= 0x20 && out < 0x7F) << c;
        }
    }
    // One-to-one over printable characters.
    std::string all;
    for (int c = 0x20; c < 0x7F; ++c) all += static_cast<char>(c);
    std::string image = ScramblePassword(all);
    std::sort(image.begin(), image.end());
    EXPECT_EQ(image, all);
}

TEST(ScriptFileSave, CrLfLinesScrambledCopyAndAtomicReplace)
{
    TempDir dir;
    const std::string path = dir.file("job.ftp");
    const Lines editor{"HOST=x", "Password=\"pw\"", std::string("8bit \xE4\x80\xFE", 8)};
    SaveScriptLines(path, editor);
    const std::string bytes = TempDir::read(path);
    EXPECT_EQ(bytes, "HOST=x\r\nPassword=\"" + M + ScramblePassword("pw") + M + "\"\r\n" + editor[2] + "\r\n");
    SaveScriptLines(path, editor);
    EXPECT_EQ(TempDir::read(path), bytes);  // saving twice gives the same file

    Lines loaded = bytetext::splitLines(bytes);
    UnscramblePasswordLines(loaded);
    EXPECT_EQ(loaded, editor);

    // No fixed temporary name: whatever stands at the old one, the save goes on beside it.
    ::mkdir((path + ".saving").c_str(), 0700);
    SaveScriptLines(path, Lines{"new"});
    EXPECT_EQ(TempDir::read(path), "new\r\n");
    ::rmdir((path + ".saving").c_str());
    EXPECT_THROW(SaveScriptLines(dir.file("missing/folder/x.ftp"), editor), std::exception);
}
