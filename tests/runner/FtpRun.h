#pragma once
// Whole runs of the engine for the FTP commands: the script in a temporary folder, the run's
// local folder its current one, and the lines that log in.

#include "FtpTestServers.h"
#include "platform/ByteText.h"
#include "runner/ScriptVantrel.h"
#include "tests/runner/EngineRun.h"
#include "tests/support/TempDir.h"

#include <QTimer>
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utime.h>
#include <vector>

// Bytes an ASCII-mode transfer would change: bare LF, bare CR, CR LF, NUL and 8-bit bytes.
inline std::string binaryBytes()
{
    std::string b;
    for (int i = 0; i < 3000; ++i) b += std::string("a\nb\rc\r\n\0\xff", 10) + static_cast<char>(i & 0xff);
    return b;
}

inline void setModified(const std::string& path, std::time_t when)
{
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

class FtpRun : public ::testing::Test {
protected:
    using Lines = std::vector<std::string>;

    // A run's relative paths are taken in its current folder, as when started from a shell.
    void SetUp() override { std::filesystem::current_path(local.path()); }
    // `before` may arm timers that fire while the run pumps.
    std::unique_ptr<TScriptVantrel> run(const Lines& lines, const std::function<void(TScriptVantrel&)>& before = {})
    {
        return runFile({enginerun::WriteScript(scripts, "f.ftp", lines)}, {}, 0, before);
    }
    // One run: the script path, then its parameters. `during` runs once the run has waited
    // `afterMs` (a Cancel press, say); `before` may arm timers that fire while the run pumps.
    std::unique_ptr<TScriptVantrel> runFile(const Lines& parameters,
                                            const std::function<void(TScriptVantrel&)>& during = {},
                                            int afterMs = 0,
                                            const std::function<void(TScriptVantrel&)>& before = {})
    {
        return enginerun::Run(parameters, [&](TScriptVantrel& e) {
            if (during) QTimer::singleShot(afterMs, &e, [run = &e, during] { during(*run); });
            e.StartDir = local.path();
            if (before) before(e);
        });
    }
    static Lines login(int port, const std::string& user = "tester", const std::string& password = "s3cret")
    {
        return {"HOST=127.0.0.1", "PORT=" + std::to_string(port), "USER=" + user, "PASSWORD=" + password,
                "TIMEOUT=10", "CONNECT"};
    }
    static Lines login(const ftptest::FtpTestServer& s) { return login(s.port(), s.user(), s.password()); }
    static Lines with(Lines head, const Lines& tail) { return enginerun::Joined(std::move(head), tail); }
    static void expectNoError(const TScriptVantrel& e)
    {
        EXPECT_EQ(e.ExitCode(), 0);
        const bool failed = std::any_of(e.Log().begin(), e.Log().end(), [](const std::string& l) { return l.rfind("Error: ", 0) == 0; });
        EXPECT_FALSE(failed) << bytetext::joinLinesCrLf(e.Log());
    }

    TempDir local, scripts;
    enginerun::KeepCurrentFolder cwd_;
};
