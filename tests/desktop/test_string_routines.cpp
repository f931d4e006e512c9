#include "desktop/BackgroundImage.h"
#include "desktop/StringRoutines.h"
#include "platform/Errors.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(StringRoutines, ReplaceAll)
{
    const struct {
        const char *text, *search, *replacement, *result;
    } cases[] = {
        {"AAAA", "AA", "A", "A"},               // shorter replacement: searched again from the start
        {"a%%x%%b", "%%X%%", "y", "ayb"},       // any case matches, the rest keeps its case
        {"abc", "zz", "q", "abc"},
        {"abc", "", "q", "abc"},                // empty search text: unchanged
        {"name", "name", "%%name%%", "%%name%%"},  // replacement holding the search text ends
        {"aXa", "a", "aa", "aaXaa"},
        {"%%NAMEPAR%% %%namepar%%", "%%NAMEPAR%%", "f%%NAMEPAR%%.txt", "f%%NAMEPAR%%.txt f%%NAMEPAR%%.txt"},
        {"", "a", "b", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceAll(c.text, c.search, c.replacement), c.result) << c.text;
}

TEST(StringRoutines, StripQuotesAndRemoveBlanks)
{
    const struct {
        const char *text, *result;
    } strip[] = {
        {"  \"word\"  ", "word"}, {"\"", ""}, {"word\"", "word"}, {"\"a\"b\"", "a\"b"}, {"\"\"x\"\"", "\"x\""}, {"", ""},
    };
    for (const auto& c : strip) EXPECT_EQ(StripQuotes(c.text), c.result) << c.text;
    EXPECT_EQ(RemoveBlanks(""), "");
    EXPECT_EQ(RemoveBlanks(" a b\tc "), "ab\tc");
}

TEST(StringRoutines, ShellFoldersFollowXdgAndTheKeyStore)
{
    TempDir dir;
    ::setenv("HOME", dir.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    EXPECT_EQ(GetShellFolder("SendTo"), dir.file("data") + "/applications");
    EXPECT_EQ(GetShellFolder("startup"), dir.file("config") + "/autostart");
    EXPECT_EQ(GetShellFolder("Desktop"), dir.path() + "/Desktop");
    EXPECT_EQ(GetShellFolder("Cookies"), "");
    dir.write("config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(GetShellFolder("Desktop"), dir.path() + "/Schreibtisch");
    dir.write("config/vantrel/registry.ini",
              "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
              "SendTo=/custom/sendto\r\n");
    EXPECT_EQ(GetShellFolder("SendTo"), "/custom/sendto");
}

TEST(BackgroundImage, CancelKeepsThePictureAndABadFileRaises)
{
    TempDir dir;
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    const std::string png = dir.file("red.png");
    ASSERT_TRUE(red.save(QString::fromStdString(png)));

    std::string asked;
    SetPictureFileChooser([&](const std::string& title, std::string& path) {
        asked = title;
        path = png;
        return true;
    });
    EXPECT_TRUE(SelectBackgroundImage());
    EXPECT_EQ(asked, "Select a background image...");
    EXPECT_EQ(BackgroundImage().pixelColor(0, 0), QColor(Qt::red));

    SetPictureFileChooser([](const std::string&, std::string&) { return false; });
    EXPECT_FALSE(SelectBackgroundImage());
    EXPECT_EQ(BackgroundImage().pixelColor(0, 0), QColor(Qt::red));

    const std::string junk = dir.write("junk.png", "not a picture");
    SetPictureFileChooser([&](const std::string&, std::string& path) {
        path = junk;
        return true;
    });
    EXPECT_THROW(SelectBackgroundImage(), Exception);
    EXPECT_EQ(BackgroundImage().pixelColor(0, 0), QColor(Qt::red));
    SetPictureFileChooser({});
}
