// Loading a script file: where an included file is looked for.

#include "script/ScriptLoader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

TEST(ScriptLoader, IncludeLookupOrder)
{
    TempDir program;
    program.write("x.ftp", "MESSAGE program\r\n");
    program.write("Scripts/x.ftp", "MESSAGE scripts\r\n");
    program.write("Scripts/y.ftp", "MESSAGE scripts-y\r\n");
    Lines lines{"#INCLUDE x.ftp", "#INCLUDE y.ftp"};
    ExpandIncludes(lines, program.path());
    EXPECT_EQ(lines, (Lines{"; Included file x.ftp...", "MESSAGE program", "; Included file y.ftp...", "MESSAGE scripts-y"}));
    Lines withFolder{"#INCLUDE sub/y.ftp"};
    ExpandIncludes(withFolder, program.path());
    EXPECT_EQ(withFolder, Lines{"Message \"File sub/y.ftp not found!!\""});
}
