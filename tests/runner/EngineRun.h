#pragma once
// Whole runs of the engine in a test: the start timer is fired by the test, the close delays
// are skipped, and the run is over when the call returns.

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "runner/ScriptVantrel.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace enginerun {

using Lines = std::vector<std::string>;
using SetUp = std::function<void(TScriptVantrel&)>;

// An engine for the script file and parameters given, whose start timer does not fire by itself
// and whose pauses cost no time.
inline std::unique_ptr<TScriptVantrel> Prepared(Lines parameters)
{
    auto e = std::make_unique<TScriptVantrel>(std::move(parameters));
    e->Starta.stop();
    e->SleepWithoutPumping = [](int) {};
    return e;
}

// Performs the script as the start timer would; the timers of the close delay are stopped.
inline void RunToEnd(TScriptVantrel& e)
{
    e.StartaTimer();
    e.Halta.stop();
    e.Holdup.stop();
}

// One run: `setUp` sees the prepared engine before the script starts (it may arm timers that
// fire while the run pumps). The engine stays, still connected when the script did not
// disconnect.
inline std::unique_ptr<TScriptVantrel> Run(Lines parameters, const SetUp& setUp = {})
{
    auto e = Prepared(std::move(parameters));
    if (setUp) setUp(*e);
    RunToEnd(*e);
    return e;
}

// The lines as a script file `name` in `dir` (CR LF line ends); returns its path.
inline std::string WriteScript(const TempDir& dir, const std::string& name, const Lines& lines)
{
    return dir.write(name, bytetext::joinLinesCrLf(lines));
}

// One script of `lines` in `dir`, run.
inline std::unique_ptr<TScriptVantrel> RunLines(const TempDir& dir, const std::string& name, const Lines& lines,
                                                const SetUp& setUp = {})
{
    return Run({WriteScript(dir, name, lines)}, setUp);
}

inline Lines Joined(Lines head, const Lines& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The current folder as the test found it, back when the test ends: runs change it (LOCAL-CD).
class KeepCurrentFolder {
public:
    KeepCurrentFolder() : folder_(apppaths::currentDirectory()) {}
    ~KeepCurrentFolder() { EXPECT_EQ(::chdir(folder_.c_str()), 0) << folder_; }
    KeepCurrentFolder(const KeepCurrentFolder&) = delete;
    KeepCurrentFolder& operator=(const KeepCurrentFolder&) = delete;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace enginerun
