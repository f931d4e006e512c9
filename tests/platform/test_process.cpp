#include "platform/Process.h"
#include "tests/support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(Process, SplitCommandLineByWindowsQuoting)
{
    const struct {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"", {}},
        {"  prog  a\tb ", {"prog", "a", "b"}},
        {R"(prog "a b" c)", {"prog", "a b", "c"}},
        {R"(prog a"b c"d)", {"prog", "ab cd"}},
        {R"(prog \"x\")", {"prog", "\"x\""}},
        {R"(prog a\\\"b)", {"prog", "a\\\"b"}},
        {R"(prog "a\\" b)", {"prog", "a\\", "b"}},
        {R"(prog C:\dir\file)", {"prog", "C:\\dir\\file"}},
        {R"(prog "say ""hi""")", {"prog", "say \"hi\""}},
        {R"(prog "")", {"prog", ""}},
        {R"(prog "unclosed arg)", {"prog", "unclosed arg"}},
    };
    for (const auto& c : cases) EXPECT_EQ(process::SplitCommandLine(c.line), c.args) << c.line;
}

TEST(Process, JoinedCommandLinesSplitBackToTheSameArguments)
{
    const std::vector<std::vector<std::string>> cases = {
        {"prog"}, {"/a b/prog", "x"}, {"q\"uote"}, {""}, {"trail\\"}, {"a b\\"}, {"back\\\\\"q"}, {"c:\\path\\x"}, {"tab\there"},
    };
    for (const auto& args : cases)
        EXPECT_EQ(process::SplitCommandLine(process::JoinCommandLine(args)), args) << process::JoinCommandLine(args);
    EXPECT_EQ(process::JoinCommandLine({"plain", "c:\\dir"}), "plain c:\\dir");
}

TEST(Process, StartsWithArgumentsEnvironmentAndFolderAndReportsTheExitCode)
{
    TempDir dir;
    process::StartRequest request;
    // Arguments reach the program unchanged: no shell sees them.
    request.argv = {"sh", "-c", "printf '%s|%s|%s' \"$1\" \"$SECRET\" \"$(pwd)\" > out; exit 3", "sh",
                    "a \"b\" $HOME;"};
    request.env = {{"SECRET", "p$w'd\""}};
    request.workDir = dir.path();
    const process::Started child = process::Start(request);
    ASSERT_TRUE(child.ok()) << child.error;
    EXPECT_EQ(process::WaitBlocking(child.pid), 3);
    EXPECT_EQ(readAll(dir.path() + "/out"), "a \"b\" $HOME;|p$w'd\"|" + dir.path());
}

TEST(Process, AProgramThatCannotStartIsAnError)
{
    for (const char* name : {"no-such-program-here", "/no/such/program", ""}) {
        process::StartRequest request;
        request.argv = {name};
        const process::Started child = process::Start(request);
        EXPECT_FALSE(child.ok()) << name;
        EXPECT_NE(child.error, 0) << name;
    }
}

TEST(Process, TerminateEndsTheWholeGroup)
{
    TempDir dir;
    process::StartRequest request;
    request.argv = {"/bin/sh", "-c", "sleep 30; touch late"};
    request.workDir = dir.path();
    request.ownProcessGroup = true;
    const process::Started child = process::Start(request);
    ASSERT_TRUE(child.ok());
    int code = 0;
    EXPECT_FALSE(process::TryWait(child.pid, code));
    process::Terminate(child.pid, true, 500);
    EXPECT_FALSE(process::TryWait(child.pid, code) && code == 0);
}
