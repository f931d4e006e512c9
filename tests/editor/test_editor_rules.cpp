#include "editor/EditorRules.h"
#include "editor/ScriptDocument.h"
#include "editor/ScriptText.h"
#include "script/ScriptFile.h"
#include "tests/support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

TEST(KeyMarksChanged, KeyTable)
{
    const struct {
        const char* name;
        int key;
        Qt::KeyboardModifiers mods;
        bool marks;
    } cases[] = {
        {"letter", Qt::Key_A, Qt::NoModifier, true},
        {"Shift+letter", Qt::Key_A, Qt::ShiftModifier, false},
        {"Ctrl+C", Qt::Key_C, Qt::ControlModifier, false},
        {"Alt+F", Qt::Key_F, Qt::AltModifier, false},
        {"Ctrl+Shift+letter", Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier, true},
        {"Ctrl+Alt+letter", Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, true},
        {"Shift alone", Qt::Key_Shift, Qt::ShiftModifier, false},
        {"Left", Qt::Key_Left, Qt::NoModifier, false},
        {"Shift+Down", Qt::Key_Down, Qt::ShiftModifier, false},
        {"Ctrl+Shift+End", Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, false},
        {"Page Up", Qt::Key_PageUp, Qt::NoModifier, false},
        {"Insert", Qt::Key_Insert, Qt::NoModifier, false},
        {"F1", Qt::Key_F1, Qt::NoModifier, false},
        {"F12", Qt::Key_F12, Qt::NoModifier, false},
        {"F13", Qt::Key_F13, Qt::NoModifier, true},
        {"Delete", Qt::Key_Delete, Qt::NoModifier, true},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, true},
        {"Return", Qt::Key_Return, Qt::NoModifier, true},
        {"keypad digit", Qt::Key_5, Qt::KeypadModifier, true},
        {"keypad arrow", Qt::Key_Left, Qt::KeypadModifier, false},
        {"Shift+keypad digit", Qt::Key_5, Qt::KeypadModifier | Qt::ShiftModifier, false},
    };
    for (const auto& c : cases) EXPECT_EQ(KeyMarksChanged(c.key, c.mods), c.marks) << c.name;
}

TEST(UnderscoreBlanksInName, OnlyTheNamePart)
{
    const struct {
        const char* path;
        const char* saved;
    } cases[] = {
        {"/home/a b/Scripts/my new script.ftp", "/home/a b/Scripts/my_new_script.ftp"},
        {"/tmp/plain.ftp", "/tmp/plain.ftp"},
        {"name with blank.ftp", "name_with_blank.ftp"},
        {"/dir with blank/", "/dir with blank/"},
    };
    for (const auto& c : cases) EXPECT_EQ(UnderscoreBlanksInName(c.path), c.saved) << c.path;
}

TEST(ScriptText, OpenedAndSavedUnchangedKeepsItsBytes)
{
    const std::string marker(1, kPasswordMarker);
    const struct {
        const char* name;
        std::string bytes;
        bool utf8;
    } cases[] = {
        {"latin-1 with password", "HOST=\"caf\xE9\"\r\nPassword=\"" + marker + ScramblePassword("se\xFCret") + marker +
                                      "\"\r\n; \xA9 2026\r\n",
         false},
        {"utf-8 with password",
         "; gr\xC3\xBC\xC3\x9F" "e\r\nPassword=\"" + marker + ScramblePassword("abc") + marker + "\"\r\n\r\n", true},
        {"empty lines", "\r\n\r\nCONNECT\r\n", true},
        {"empty file", "", true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.write("s.ftp", c.bytes);
        ScriptDocument doc;
        const QString text = doc.Load(path);
        EXPECT_EQ(doc.Utf8(), c.utf8) << c.name;
        EXPECT_FALSE(text.contains(QChar(0xFF))) << c.name;  // the editor shows plain passwords
        ASSERT_TRUE(doc.Save(text, {}, {}).saved()) << c.name;
        std::ifstream in(path, std::ios::binary);
        std::stringstream back;
        back << in.rdbuf();
        EXPECT_EQ(back.str(), c.bytes) << c.name;
    }
}

TEST(ScriptText, LinesOfTheShownText)
{
    using L = std::vector<std::string>;
    EXPECT_EQ(ScriptLinesOf("a\nb", true), (L{"a", "b"}));
    EXPECT_EQ(ScriptLinesOf("a\nb\n", true), (L{"a", "b", ""}));
    EXPECT_EQ(ScriptLinesOf("", true), L{});
    EXPECT_EQ(ScriptLinesOf(QString::fromUtf8("\xC3\xA9"), false), L{"\xE9"});
    EXPECT_EQ(ScriptLinesOf(QString::fromUtf8("\xC3\xA9"), true), L{"\xC3\xA9"});
}
