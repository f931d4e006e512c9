// The local file commands, the waits and the program runs, through whole runs of the engine, and
// the process component and file operations beneath them.

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/Process.h"
#include "platform/Wait.h"
#include "runner/LocalFileOps.h"
#include "runner/Process.h"
#include "runner/ScriptVantrel.h"
#include "tests/runner/EngineRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/LogLines.h"

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::string executable(const TempDir& dir, const std::string& name, const std::string& body)
{
    const std::string path = dir.write(name, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

class LocalCommands : public ::testing::Test {
protected:
    // One run of the script; `before` may arm timers that fire while the run pumps.
    std::unique_ptr<TScriptVantrel> run(const Lines& lines, const std::function<void(TScriptVantrel&)>& before = {})
    {
        return enginerun::RunLines(scripts, "l.ftp", lines, [&](TScriptVantrel& e) {
            e.SleepWithoutPumping = [this](int ms) { slept.push_back(ms); };
            e.WaitPause = [this](int ms) { slept.push_back(ms); };
            e.StartDir = dir.path();
            if (before) before(e);
        });
    }
    // The log between the start and end frames, without blank lines.
    static Lines body(const TScriptVantrel& e)
    {
        Lines out;
        for (std::size_t i = 2; i + 3 < e.Log().size(); ++i)
            if (!e.Log()[i].empty()) out.push_back(e.Log()[i]);
        return out;
    }

    TempDir dir, scripts;
    std::vector<int> slept;
    enginerun::KeepCurrentFolder cwd_;
};

}  // namespace

TEST_F(LocalCommands, DeleteByMaskSkipsHiddenFoldersAndReadOnlyFiles)
{
    for (const char* name : {"a.tmp", "B.TMP", ".hidden.tmp", "keep.txt", "ro.tmp", "sub/inner.tmp"}) dir.write(name, "x");
    fs::create_directory(dir.file("folder.tmp"));
    ::chmod(dir.file("ro.tmp").c_str(), 0444);
    // A failed rename clears the flag first; the deletes must leave it so.
    auto e = run({"LOCAL-RENAME none.x none.y", "LOCAL-DELETE *.tmp", "LET empty=\"\"", "LOCAL-DELETE %%empty%%",
                  "LOCAL-DELETE \"\""});
    const Lines log = body(*e);
    EXPECT_TRUE(contains(log, "   ---> Local deleted: " + dir.file("a.tmp")));
    EXPECT_TRUE(contains(log, "   ---> Local deleted: " + dir.file("B.TMP")));
    EXPECT_TRUE(contains(log, "   ---> Local unable to delete: " + dir.file("ro.tmp")));
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.find("Local ") != std::string::npos && l.find("delete") != std::string::npos; }), 3);
    EXPECT_FALSE(fs::exists(dir.file("a.tmp")));
    for (const char* kept : {".hidden.tmp", "keep.txt", "ro.tmp", "folder.tmp", "sub/inner.tmp"})
        EXPECT_TRUE(fs::exists(dir.file(kept))) << kept;
    EXPECT_FALSE(e->SuccessFlag);
    EXPECT_EQ(e->ExitCode(), 2);
    // An explicit name is not a mask: a dot-file named as it is goes.
    e = run({"LOCAL-DELETE .hidden.tmp"});
    EXPECT_FALSE(fs::exists(dir.file(".hidden.tmp")));
}

TEST_F(LocalCommands, RenameNeverOverwritesAndMovesAcrossFileSystems)
{
    dir.write("a.txt", "A");
    dir.write("b.txt", "B");
    auto e = run({"LOCAL-RENAME a.txt b.txt"});
    EXPECT_TRUE(contains(body(*e), "   ---> Local unable to rename: " + dir.file("a.txt") + " to " + dir.file("b.txt")));
    EXPECT_FALSE(e->SuccessFlag);
    EXPECT_EQ(TempDir::read(dir.file("a.txt")), "A");
    EXPECT_EQ(TempDir::read(dir.file("b.txt")), "B");

    e = run({"LOCAL-RENAME a.txt c.txt"});
    EXPECT_TRUE(contains(body(*e), "   ---> Local renamed: " + dir.file("a.txt") + " to " + dir.file("c.txt")));
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_EQ(TempDir::read(dir.file("c.txt")), "A");
    EXPECT_FALSE(fs::exists(dir.file("a.txt")));

    // A folder on another file system, when the machine has one.
    std::string tmpl = "/dev/shm/vantrel-test-XXXXXX";
    struct stat here {}, there {};
    if (::mkdtemp(tmpl.data()) && ::stat(dir.path().c_str(), &here) == 0 && ::stat(tmpl.c_str(), &there) == 0 &&
        here.st_dev != there.st_dev) {
        e = run({"LOCAL-RENAME c.txt " + tmpl + "/moved.txt"});
        EXPECT_TRUE(e->SuccessFlag);
        EXPECT_EQ(TempDir::read(tmpl + "/moved.txt"), "A");
        EXPECT_FALSE(fs::exists(dir.file("c.txt")));
        fs::remove(tmpl + "/moved.txt");
        EXPECT_EQ(localops::MoveEntry(dir.file("b.txt"), tmpl + "/b.txt").ok, true);
        dir.write("b.txt", "again");
        EXPECT_FALSE(localops::MoveEntry(dir.file("b.txt"), tmpl + "/b.txt").ok);  // exists there
        EXPECT_EQ(TempDir::read(tmpl + "/b.txt"), "B");
        EXPECT_EQ(TempDir::read(dir.file("b.txt")), "again");
    }
    fs::remove_all(tmpl);
}

TEST_F(LocalCommands, MaskedRenameKeepsCollisionsAndClearsSuccess)
{
    dir.write("x.log", "x");
    dir.write("y.log", "y");
    dir.write("y.bak", "old");
    auto e = run({"NODIALOGS", "LOCAL-RENAME *.log *.bak"});
    EXPECT_FALSE(e->SuccessFlag);
    EXPECT_EQ(TempDir::read(dir.file("x.bak")), "x");
    EXPECT_EQ(TempDir::read(dir.file("y.bak")), "old");
    EXPECT_EQ(TempDir::read(dir.file("y.log")), "y");
    const Lines log = body(*e);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) { return l.rfind("   ---> Unable to do a Local Rename \"", 0) == 0; }));

    e = run({"LOCAL-RENAME y.* z.*"});
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_TRUE(fs::exists(dir.file("z.log")) && fs::exists(dir.file("z.bak")));
}

TEST(LocalFileOps, MaskedNames)
{
    const struct {
        const char* pattern;
        const char* name;
        const char* expected;
    } cases[] = {
        {"*.bak", "report.txt", "report.bak"}, {"*.*", "a.b.c", "a.b.c"},    {"*.bak", "README", "README.bak"},
        {"*.", "report.txt", "report"},        {"?x*.txt", "abcd.log", "axcd.txt"}, {"new.txt", "old.log", "new.txt"},
        {"*", "name.ext", "name.ext"},         {"pre*", "abc", "pre"},
    };
    for (const auto& c : cases) EXPECT_EQ(localops::MaskedName(c.pattern, c.name), c.expected) << c.pattern << " " << c.name;
}

TEST_F(LocalCommands, CopyIntoFoldersCollisionsAndFailures)
{
    dir.write("a.txt", "new");
    dir.write("b.txt", "bee");
    dir.write("out/a.txt", "old");
    auto e = run({"LOCAL-COPY a.txt out", "LOCAL-COPY *.txt made", "LOCAL-COPY a.txt single.txt"});
    EXPECT_EQ(TempDir::read(dir.file("out/a.txt")), "old");  // dialogs on: the copy takes a new name
    EXPECT_EQ(TempDir::read(dir.file("out/Copy of a.txt")), "new");
    EXPECT_EQ(TempDir::read(dir.file("made/a.txt")), "new");
    EXPECT_EQ(TempDir::read(dir.file("made/b.txt")), "bee");
    EXPECT_EQ(TempDir::read(dir.file("single.txt")), "new");
    EXPECT_EQ(body(*e)[1], "   ---> Local Copy: \"a.txt\" to \"out\"");

    e = run({"LOCAL-COPY a.txt out"});
    EXPECT_EQ(TempDir::read(dir.file("out/Copy (2) of a.txt")), "new");

    e = run({"NODIALOGS", "LOCAL-COPY a.txt out", "LOCAL-COPY a.txt a.txt", "LOCAL-RENAME none.x none.y",
             "LOCAL-COPY none.txt out"});
    EXPECT_EQ(TempDir::read(dir.file("out/a.txt")), "new");  // dialogs off: replaced
    EXPECT_EQ(TempDir::read(dir.file("a.txt")), "new");      // onto itself: refused, kept whole
    const Lines log = body(*e);
    const auto failures = std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("   ---> Unable to do a Local Copy \"", 0) == 0; });
    EXPECT_EQ(failures, 2);
    EXPECT_NE(log.back().find("none.txt"), std::string::npos);
    EXPECT_NE(log.back().find("No such file"), std::string::npos);
    EXPECT_FALSE(e->SuccessFlag);  // left as the rename set it
    EXPECT_EQ(e->ExitCode(), 2);
    for (const auto& entry : fs::directory_iterator(dir.file("out")))
        EXPECT_EQ(entry.path().filename().string().find(".copying"), std::string::npos);
}

TEST_F(LocalCommands, ChangeFolderThenRelativeNamesResolveThere)
{
    dir.write("work/x.bak", "x");
    dir.write("x.bak", "stays");
    auto e = run({"LOCAL-CD " + dir.file("work"), "LOCAL-MD made", "LOCAL-MD made", "LOCAL-DELETE *.bak",
                  "LOCAL-MD \"\""});
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_EQ(e->StartDir, dir.file("work"));
    EXPECT_EQ(e->GetVariable("CurrentLocalDir"), dir.file("work"));
    EXPECT_TRUE(fs::is_directory(dir.file("work/made")));
    EXPECT_FALSE(fs::exists(dir.file("work/x.bak")));
    EXPECT_TRUE(fs::exists(dir.file("x.bak")));
    const Lines log = body(*e);
    EXPECT_TRUE(contains(log, "   ---> Local Make Directory: \"" + dir.file("work/made") + "\""));
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("   ---> Error: Local Make Directory: ", 0) == 0; }), 2);

    // A failed change keeps the folder and still sets StartDir from it.
    e = run({"LOCAL-CD " + dir.file("work"), "LOCAL-CD no-such-folder"});
    EXPECT_FALSE(e->SuccessFlag);
    EXPECT_EQ(e->StartDir, dir.file("work"));
}

TEST_F(LocalCommands, HistoryOfARelativeScriptStaysBesideItAfterChangingFolder)
{
    scripts.write("rel.ftp", "LOCAL-CD " + dir.path() + "\r\n");
    ASSERT_EQ(::chdir(scripts.path().c_str()), 0);
    const auto e = enginerun::Run({"rel.ftp"});
    EXPECT_EQ(e->StartDir, dir.path());
    EXPECT_TRUE(fs::exists(scripts.file("rel.History.txt")));
    EXPECT_FALSE(fs::exists(dir.file("rel.History.txt")));
}

TEST_F(LocalCommands, ExecOfAMissingProgramFails)
{
    auto e = run({"LOCAL-EXEC " + dir.file("no-such-program"), "LOCAL-EXECANDWAIT \"no-such-program-anywhere arg\""});
    const Lines log = body(*e);
    EXPECT_EQ(log[1], "   ---> Local could not Execute: " + dir.file("no-such-program"));
    EXPECT_EQ(log[3], "   ---> Local could not Execute: no-such-program-anywhere arg");
    EXPECT_FALSE(e->SuccessFlag);
    EXPECT_TRUE(e->ProcessStartFailed);
    e = run({"LOCAL-EXEC true"});
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_EQ(body(*e)[1], "   ---> Local Executed: true");
}

TEST_F(LocalCommands, ExecAndWaitWaitsForItsOwnProgramOnly)
{
    const double cpu0 = cpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    // The first program ends long before the second: its end must not end the second's wait.
    auto e = run({"LOCAL-EXEC \"sh -c 'sleep 0.1'\"",
                  "LOCAL-EXECANDWAIT \"sh -c 'sleep 0.6; echo done > " + dir.file("b.out") + "'\""});
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    EXPECT_EQ(TempDir::read(dir.file("b.out")), "done\n");
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_TRUE(e->ProcessFinished);
    EXPECT_GE(wall, 0.55);
    EXPECT_LT(cpuSeconds() - cpu0, wall / 3);  // waiting sleeps, it does not spin
}

TEST_F(LocalCommands, ExecPassesArgumentsWithBlanksAndQuotes)
{
    fs::create_directory(dir.file("my dir"));
    executable(dir, "my dir/args.sh", "out=$1; shift; for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out\"");
    auto e = run({"LOCAL-EXECANDWAIT \"'" + dir.file("my dir/args.sh") + "' " + dir.file("args.out") +
                  " 'a b' \\'q\\' plain\""});
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_EQ(TempDir::read(dir.file("args.out")), "a b\n\"q\"\nplain\n");

    // A bare name is taken from StartDir when it is there.
    executable(dir, "tool.sh", "echo ran > \"$1\"");
    e = run({"LOCAL-EXECANDWAIT \"tool.sh " + dir.file("tool.out") + "\""});
    EXPECT_EQ(body(*e)[1], "   ---> Local Executed: " + dir.file("tool.sh") + " " + dir.file("tool.out"));
    EXPECT_EQ(TempDir::read(dir.file("tool.out")), "ran\n");
}

TEST_F(LocalCommands, CancelEndsTheWaitsOfAProgramAndAFile)
{
    for (const std::string& line : {std::string("LOCAL-EXECANDWAIT \"sleep 3\""), std::string("WAITFORFILE never.flg")}) {
        const auto t0 = std::chrono::steady_clock::now();
        auto e = run({line, "LOCAL-MD after"}, [](TScriptVantrel& engine) {
            QTimer::singleShot(200, &engine, [&engine] { engine.Button1Click(); });
        });
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2)) << line;
        EXPECT_FALSE(fs::exists(dir.file("after"))) << line;
        EXPECT_EQ(e->ExitCode(), 130) << line;
    }
}

TEST_F(LocalCommands, WaitForFileSeesALaterFileWithoutSpinning)
{
    const double cpu0 = cpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    // Another thread makes the file, so no event of ours tells the wait about it.
    std::thread writer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        dir.write("ready.flg", "");
    });
    auto e = run({"WAITFORFILE ready.flg", "WAITFORFILE *.FLG", "LOCAL-MD after"});
    writer.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    EXPECT_TRUE(fs::is_directory(dir.file("after")));
    EXPECT_EQ(body(*e)[1], "   ---> Waiting for the file \"" + dir.file("ready.flg") + "\"...");
    EXPECT_GE(wall, 0.35);
    EXPECT_LT(cpuSeconds() - cpu0, wall / 3);
}

TEST_F(LocalCommands, WaitSecondsSleepsOnlyForPositiveNumbers)
{
    const struct {
        const char* argument;
        std::int64_t ms;
    } cases[] = {
        {"2", 2000}, {"\"3\"", 3000}, {"0", 0}, {"-5", 0}, {"abc", 0}, {"2.5", 0}, {"3000000", 3000000000LL},
    };
    for (const auto& c : cases) {
        slept.clear();
        auto e = run({std::string("WAITSECONDS ") + c.argument});
        std::int64_t total = 0;
        for (int ms : slept) {
            EXPECT_GT(ms, 0);
            total += ms;
        }
        EXPECT_EQ(total, c.ms) << c.argument;
        EXPECT_EQ(body(*e)[1].rfind("   ---> Waiting ", 0), 0u);
    }
    auto e = run({"WAITSECONDS abc"});
    EXPECT_EQ(body(*e)[1], "   ---> Waiting abc seconds...");
}

TEST(TProcessTest, EachStartKeepsItsOwnSettingsAndCompletion)
{
    TProcess p;
    std::vector<int> finished;
    p.OnFinished = [&](TProcess& sender, int code) {
        EXPECT_EQ(&sender, &p);
        finished.push_back(code);
    };
    p.Command = "sh -c \"sleep 0.2; exit 3\"";
    p.Wait = true;
    const auto waited = p.Execute();
    // Rewritten at once, as the next command would: the running start must not see it.
    p.Command = "sh -c \"exit 4\"";
    p.Wait = false;
    const auto unwaited = p.Execute();
    ASSERT_EQ(waiting::waitUntil([&] { return waited->ended() && unwaited->ended(); }, 5000), waiting::WaitResult::Condition);
    EXPECT_EQ(waited->exitCode(), 3);
    EXPECT_EQ(unwaited->exitCode(), 4);
    ASSERT_EQ(waiting::waitUntil([&] { return !finished.empty(); }, 5000), waiting::WaitResult::Condition);
    waiting::pauseFor(50);
    EXPECT_EQ(finished, std::vector<int>{3});  // only the waited-for start reports

    p.Command = "";
    const auto none = p.Execute();
    ASSERT_EQ(waiting::waitUntil([&] { return none->startKnown(); }, 5000), waiting::WaitResult::Condition);
    EXPECT_TRUE(none->startFailed());

    TempDir dir;
    p.Command = "sh -c \"pwd > here.txt\"";
    p.Directory = " " + dir.path() + "/ ";
    p.Wait = true;
    const auto inFolder = p.Execute();
    ASSERT_EQ(waiting::waitUntil([&] { return inFolder->ended(); }, 5000), waiting::WaitResult::Condition);
    EXPECT_EQ(TempDir::read(dir.file("here.txt")), dir.path() + "\n");
}
