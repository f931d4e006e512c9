// The commands that work on the local machine: copy, rename, delete, make and change folders,
// wait for a file or some seconds, and start programs with or without waiting.

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/LocalFiles.h"
#include "platform/Process.h"
#include "platform/Wait.h"
#include "runner/LocalFileOps.h"
#include "runner/ScriptVantrel.h"
#include "script/Arguments.h"

#include <QTimer>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How often a wait for a file looks again; the event loop sleeps in between.
constexpr int kFilePollMs = 100;

}  // namespace

std::string TScriptVantrel::ResolveLocalPath(const std::string& name) const
{
    const std::string t = bytetext::trim(name);
    // An empty name (an empty variable) names nothing, not StartDir itself.
    if (t.empty() || t.find('/') != std::string::npos) return t;
    return apppaths::includeTrailingSlash(StartDir) + t;
}

std::int64_t TScriptVantrel::LocalFileSize(const std::string& name)
{
    if (!apppaths::fileExists(name)) return -1;
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Exception("Cannot open file \"" + name + "\". " + std::strerror(errno));
    struct stat st {};
    const int rc = ::fstat(fd, &st);
    ::close(fd);
    if (rc != 0) throw Exception("Cannot read the size of \"" + name + "\"");
    return static_cast<std::int64_t>(st.st_size);
}

void TScriptVantrel::WaitForFile(const std::string& name)
{
    // Nothing signals a new file: a timer wakes the wait to look again.
    QTimer tick;
    tick.start(kFilePollMs);
    (void)waiting::waitUntil([&] { return !localfiles::findMatches(name).empty(); }, -1,
                             [this] { return CancelFlag; });
}

void TScriptVantrel::WaitSeconds(std::int64_t seconds)
{
    if (seconds <= 0) return;
    std::int64_t ms = seconds > INT64_MAX / 1000 ? INT64_MAX : seconds * 1000;
    while (ms > 0) {
        const int chunk = ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
        WaitPause(chunk);
        if (CancelFlag || waiting::quitRequested()) return;
        ms -= chunk;
    }
}

bool TScriptVantrel::LocalCopy(const std::string& from, const std::string& to)
{
    const localops::Outcome r = localops::CopyFiles(from, to, DialogsFlag);
    if (!r.ok) LogLine("   ---> Unable to do a Local Copy \"" + from + "\" to \"" + to + "\"... " + r.reason);
    return r.ok;
}

bool TScriptVantrel::LocalRename(const std::string& from, const std::string& to)
{
    const localops::Outcome r = localops::RenameMasked(from, to);
    if (!r.ok) LogLine("   ---> Unable to do a Local Rename \"" + from + "\" to \"" + to + "\"... " + r.reason);
    return r.ok;
}

void TScriptVantrel::Process1Finished(TProcess&, int)
{
    ProcessFinished = true;
}

std::string TScriptVantrel::ResolveProgram(const std::string& commandLine) const
{
    std::vector<std::string> args = process::SplitCommandLine(commandLine);
    // A bare program name is taken from StartDir when it is there, else found in PATH.
    if (args.empty() || args[0].find('/') != std::string::npos) return commandLine;
    const std::string local = ResolveLocalPath(args[0]);
    if (!apppaths::fileExists(local)) return commandLine;
    args[0] = local;
    return process::JoinCommandLine(args);
}

void TScriptVantrel::ExecLocal(const std::string& first, bool andWait)
{
    const std::string command = ResolveProgram(first);
    Process1.Command = command;
    Process1.Wait = andWait;
    ProcessFinished = false;
    const std::shared_ptr<const TProcessRun> run = Process1.Execute();
    // The start itself is quick (the worker learns at once whether the program could run).
    if (waiting::waitUntil([&] { return run->startKnown(); }, -1, [this] { return CancelFlag; }) !=
        waiting::WaitResult::Condition)
        return;
    ProcessStartFailed = run->startFailed();
    SuccessFlag = !ProcessStartFailed;
    if (ProcessStartFailed) {
        LogLine("   ---> Local could not Execute: " + command);
        return;
    }
    LogLine("   ---> Local Executed: " + command);
    // Only this start's own end counts; an earlier program ending meanwhile does not.
    if (andWait) (void)waiting::waitUntil([&] { return run->ended(); }, -1, [this] { return CancelFlag; });
}

bool TScriptVantrel::PerformLocal(const CommandEntry& entry, std::string_view arg)
{
    const auto [first, second] = SplitArguments(arg);
    switch (entry.cmd) {
    case Cmd::LocalCopy:
        LogLine("   ---> Local Copy: \"" + first + "\" to \"" + second + "\"");
        (void)LocalCopy(ResolveLocalPath(first), ResolveLocalPath(second));
        return true;
    case Cmd::LocalMd: {
        const std::string dir = ResolveLocalPath(first);
        if (::mkdir(dir.c_str(), 0777) == 0)
            LogLine("   ---> Local Make Directory: \"" + dir + "\"");
        else
            LogLine("   ---> Error: Local Make Directory: Cannot create \"" + dir + "\". " + std::strerror(errno));
        return true;
    }
    case Cmd::LocalCd: {
        const bool ok = !first.empty() && ::chdir(first.c_str()) == 0;
        StartDir = apppaths::currentDirectory();
        SetVariable("CurrentLocalDir", StartDir);
        SuccessFlag = ok;
        return true;
    }
    case Cmd::LocalDelete:
        LogLine("   ---> " + datetime::dateTimeText(datetime::now()) + ": Deleting " + first);
        for (const std::string& path : localops::MatchingFiles(ResolveLocalPath(first)))
            LogLine((localops::DeleteLocalFile(path) ? "   ---> Local deleted: " : "   ---> Local unable to delete: ") + path);
        return true;
    case Cmd::LocalRename: {
        const std::string from = ResolveLocalPath(first);
        const std::string to = ResolveLocalPath(second);
        if (from.find('*') != std::string::npos) {
            SuccessFlag = LocalRename(from, to);
            return true;
        }
        SuccessFlag = localops::MoveEntry(from, to).ok;
        LogLine((SuccessFlag ? "   ---> Local renamed: " : "   ---> Local unable to rename: ") + from + " to " + to);
        return true;
    }
    case Cmd::LocalExec:
    case Cmd::LocalExecAndWait: ExecLocal(first, entry.cmd == Cmd::LocalExecAndWait); return true;
    case Cmd::WaitForFile: {
        const std::string name = ResolveLocalPath(first);
        LogLine("   ---> Waiting for the file \"" + name + "\"...");
        WaitForFile(name);
        return true;
    }
    case Cmd::WaitSeconds: {
        LogLine("   ---> Waiting " + first + " seconds...");
        std::int64_t seconds = 0;
        if (bytetext::parseInt64(first, seconds)) WaitSeconds(seconds);
        return true;
    }
    default: return false;
    }
}
