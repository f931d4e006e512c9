// IF, GOTO, LET and NUMVARIABLE through whole runs of the engine.

#include "platform/ByteText.h"
#include "platform/Prompt.h"
#include "runner/ScriptVantrel.h"
#include "tests/runner/EngineRun.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using Lines = std::vector<std::string>;

namespace {

class Recorder : public Prompt {
public:
    Lines messages;
    void message(const std::string& text, const std::string&, MessageKind) override { messages.push_back(text); }
    bool input(const std::string&, const std::string&, std::string&) override { return false; }
};

struct Outcome {
    Lines messages;
    Lines log;
    int exitCode;
};

Outcome runScript(const TempDir& dir, const Lines& lines)
{
    auto rec = std::make_shared<Recorder>();
    auto old = prompt::install(rec);
    const auto e = enginerun::RunLines(dir, "c.ftp", lines, [&](TScriptVantrel& run) { run.StartDir = dir.path(); });
    prompt::install(old);
    return {rec->messages, e->Log(), e->ExitCode()};
}

}  // namespace

TEST(Conditions, IfConditionsTable)
{
    TempDir dir;
    dir.write("big.txt", std::string(1500, 'x'));
    const struct {
        std::string condition;
        bool holds;  // false: the block is skipped
    } cases[] = {
        {"success", true}, {"not success", false}, {"not connected", true}, {"connected", false},
        {"success = connected", false}, {"success != connected", false}, {"success = success", true},
        {"abc < abd", true}, {"abc = abc then", true}, {"12 > 9", true}, {"12 >= 13", false},
        {"'x' = \"x\"", false}, {"local-filesize(big.txt) > 1000 THEN", true},
        {"local-filesize(missing.txt) = -1", true}, {"local-exists(big.txt)", true},
        {"local-exists(*.none)", false}, {"not local-exists(missing.txt)", true},
        {"9223372036854775807 > 9223372036854775806", true},
    };
    for (const auto& c : cases) {
        const Outcome o = runScript(dir, {"IF " + c.condition, "MESSAGE in", "ENDIF", "MESSAGE after"});
        EXPECT_EQ(o.exitCode, 0) << c.condition;
        EXPECT_EQ(o.messages, (c.holds ? Lines{"in", "after"} : Lines{"after"})) << c.condition;
    }
}

TEST(Conditions, TypeMismatchEndsTheScript)
{
    TempDir dir;
    for (const char* condition : {"success = True", "abc = 12", "success = 1"}) {
        const Outcome o = runScript(dir, {std::string("IF ") + condition, "ENDIF", "MESSAGE after"});
        EXPECT_EQ(o.exitCode, 1) << condition;
        EXPECT_TRUE(o.messages.empty()) << condition;
        EXPECT_EQ(o.log[2], "Error: Error in \"IF\" expression evaluation: Value types mismatch...") << condition;
    }
}

TEST(Conditions, NestedBlocksMissingEndIfAndGoto)
{
    TempDir dir;
    EXPECT_EQ(runScript(dir, {"IF not success", "IF success", "MESSAGE a", "ENDIF", "MESSAGE b", "ENDIF", "MESSAGE c"}).messages,
              Lines{"c"});
    const Outcome missing = runScript(dir, {"IF not success", "MESSAGE a"});
    EXPECT_TRUE(missing.messages.empty());
    EXPECT_EQ(missing.exitCode, 0);
    EXPECT_EQ(runScript(dir, {"GOTO END", "MESSAGE skipped", ":ENDING", "MESSAGE ending", ":END", "MESSAGE end"}).messages,
              (Lines{"ending", "end"}));  // the label is a prefix match: :ENDING comes first
    EXPECT_EQ(runScript(dir, {"GOTO :done", "MESSAGE skipped", ":DONE", "MESSAGE done"}).messages, Lines{"done"});
    const Outcome nowhere = runScript(dir, {"GOTO NOWHERE", "MESSAGE after"});
    EXPECT_TRUE(nowhere.messages.empty());
    EXPECT_EQ(nowhere.exitCode, 0);
    // IF and GOTO are not echoed.
    for (const auto& l : nowhere.log) EXPECT_EQ(l.find("GOTO"), std::string::npos);
}

TEST(Conditions, LetAndNumericVariables)
{
    TempDir dir;
    dir.write("f.txt", "12345");
    const Outcome o = runScript(dir, {
        "LET X = 'abc'", "MESSAGE <%%X%%>",
        "LET Y = local-filesize(f.txt)", "MESSAGE %%y%%",
        "LET B = not success", "MESSAGE %%B%%",
        "NUMVARIABLE N", "LET N = 2 * (3 + 4) / 4", "MESSAGE %%N%%",
        "LET N = N + 1", "MESSAGE %%N%%",
        "LET N = 2 +* 3", "MESSAGE %%N%%",
        "LET nothing here", "MESSAGE end",
    });
    EXPECT_EQ(o.messages, (Lines{"<abc>", "5", "False", "3.5", "4.5", "0", "end"}));
    bool parseErrorLogged = false, letLogged = false;
    for (const auto& l : o.log) {
        parseErrorLogged |= l.rfind("   ---> Math parsing error: \"", 0) == 0;
        letLogged |= l == "   ---> LET without \"=\" does nothing";
    }
    EXPECT_TRUE(parseErrorLogged);
    EXPECT_TRUE(letLogged);
    const Outcome fault = runScript(dir, {"NUMVARIABLE Z", "LET Z = 1 / 0", "MESSAGE after"});
    EXPECT_EQ(fault.exitCode, 1);
    EXPECT_TRUE(fault.messages.empty());
}

TEST(Conditions, ExistenceStatementsAndSparseFileSize)
{
    TempDir dir;
    dir.write("here.txt", "x");
    EXPECT_EQ(runScript(dir, {"LOCAL-EXISTS(here.txt)", "MESSAGE went on"}).messages, Lines{"went on"});
    const Outcome gone = runScript(dir, {"LOCAL-EXISTS(gone.txt)", "MESSAGE went on"});
    EXPECT_TRUE(gone.messages.empty());
    EXPECT_EQ(gone.exitCode, 0);
    EXPECT_TRUE(runScript(dir, {"LOCAL-EXISTS(here.txt", "MESSAGE x"}).messages.empty());
    EXPECT_EQ(runScript(dir, {"REMOTE-EXISTS(a.txt)", "MESSAGE x"}).exitCode, 1);

    const std::string sparse = dir.file("sparse.bin");
    const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 3LL * 1024 * 1024 * 1024), 0);
    ::close(fd);
    EXPECT_EQ(runScript(dir, {"LET S = local-filesize(sparse.bin)", "MESSAGE %%S%%"}).messages, Lines{"3221225472"});
}
