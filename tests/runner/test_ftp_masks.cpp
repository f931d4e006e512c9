// Masks and names with blanks against a server that splits a LIST argument at its blanks and
// lists each word as "ls -l" would (one server does): only names that match the whole mask are
// fetched, deleted or found, and nothing outside it is touched.

#include "FakeFtpServer.h"
#include "platform/ByteText.h"
#include "runner/ScriptVantrel.h"
#include "tests/runner/EngineRun.h"
#include "tests/support/TempDir.h"

#include <fnmatch.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

using Lines = std::vector<std::string>;
using ::testing::Contains;
using ::testing::Not;

namespace {

class SplittingServer {
public:
    SplittingServer()
        : fake_([](ftpfake::Session& s) { s.send("220 Ready\r\n"); },
                [this](ftpfake::Session& s, const std::string& line) { handle(s, line); })
    {
    }
    int port() const { return fake_.port(); }
    Lines lines() { return fake_.lines(); }

private:
    // Folder -> its files (name -> bytes) and sub-folders.
    std::map<std::string, std::map<std::string, std::string>> files_{
        {"/", {{"b.txt", "root b"}, {"big.bin", "root big"}, {"top.txt", "top"}}},
        {"/tree", {{"a b.txt", "tree a b"}, {"b.txt", "tree b"}, {"c.txt", "tree c"}}},
        {"/tree/sub dir", {{"x.txt", "x"}, {"x.txt.1", "x1"}, {"x y.txt", "x y"}, {"y.dat", "y"}}},
    };
    std::map<std::string, std::set<std::string>> folders_{{"/", {"tree"}}, {"/tree", {"sub dir"}}, {"/tree/sub dir", {}}};

    std::string absolute(const std::string& path) const
    {
        if (path.starts_with('/')) return path;
        return cwd_ == "/" ? "/" + path : cwd_ + "/" + path;
    }
    static std::string fileLine(const std::string& name, std::size_t size)
    {
        return "-rw-r--r-- 1 ftp ftp " + std::to_string(size) + " Jan 01 12:00 " + name + "\r\n";
    }
    static std::string dirLine(const std::string& name) { return "drwxr-xr-x 2 ftp ftp 4096 Jan 01 12:00 " + name + "\r\n"; }

    std::string contents(const std::string& folder) const
    {
        std::string out;
        for (const auto& [name, bytes] : files_.at(folder)) out += fileLine(name, bytes.size());
        for (const auto& name : folders_.at(folder)) out += dirLine(name);
        return out;
    }

    std::string list(const std::string& arg) const
    {
        if (arg.empty()) return contents(cwd_);
        std::string out;
        std::vector<std::string> words;
        for (std::size_t from = 0; from < arg.size();) {
            const std::size_t blank = std::min(arg.find(' ', from), arg.size());
            if (blank > from) words.push_back(arg.substr(from, blank - from));
            from = blank + 1;
        }
        for (const std::string& word : words) {
            if (files_.count(absolute(word))) {
                out += contents(absolute(word));
                continue;
            }
            const std::size_t cut = word.rfind('/');
            const std::string prefix = cut == std::string::npos ? std::string() : word.substr(0, cut + 1);
            const std::string folder = absolute(cut == std::string::npos ? "." : word.substr(0, cut));
            const std::string key = folder.ends_with("/.") ? folder.substr(0, folder.size() - (folder == "/." ? 1 : 2)) : folder;
            if (!files_.count(key)) continue;
            const std::string pattern = cut == std::string::npos ? word : word.substr(cut + 1);
            for (const auto& [name, bytes] : files_.at(key))
                if (::fnmatch(pattern.c_str(), name.c_str(), 0) == 0) out += fileLine(prefix + name, bytes.size());
        }
        return out;
    }

    void handle(ftpfake::Session& s, const std::string& line)
    {
        const std::string verb = line.substr(0, line.find(' '));
        const std::string arg = line.find(' ') == std::string::npos ? std::string() : line.substr(line.find(' ') + 1);
        const std::string path = absolute(arg);
        const std::size_t cut = path.rfind('/');
        const std::string folder = cut == 0 ? "/" : path.substr(0, cut), name = path.substr(cut + 1);
        const bool isFile = files_.count(folder) && files_.at(folder).count(name);
        if (verb == "PWD") {
            s.send("257 \"" + cwd_ + "\"\r\n");
        } else if (verb == "CWD") {
            if (files_.count(path)) {
                cwd_ = path;
                s.send("250 OK\r\n");
            } else {
                s.send("550 No such directory\r\n");
            }
        } else if (verb == "LIST" && arg == "*.log") {
            s.send("500 LIST refused\r\n");
        } else if (verb == "LIST") {
            s.send("150 Listing\r\n");
            s.sendData(list(arg));
            s.send("226 Done\r\n");
        } else if (verb == "RETR" && isFile) {
            s.send("150 Opening\r\n");
            s.sendData(files_.at(folder).at(name));
            s.send("226 Done\r\n");
        } else if (verb == "DELE" && isFile) {
            files_[folder].erase(name);
            s.send("250 Deleted\r\n");
        } else if (verb == "RETR" || verb == "DELE" || verb == "SIZE" || verb == "MDTM") {
            s.send("550 " + arg + ": No such file\r\n");
        } else {
            ftpfake::standardReply(s, line);
        }
    }

    std::string cwd_ = "/";
    ftpfake::FakeFtpServer fake_;
};

Lines login(const SplittingServer& server)
{
    return {"HOST=127.0.0.1", "PORT=" + std::to_string(server.port()), "USER=u", "PASSWORD=p", "TIMEOUT=10", "CONNECT"};
}

}  // namespace

TEST(FtpMasks, NamesWithBlanksMatchOnlyWhatTheWholeMaskNames)
{
    TempDir work, scripts;
    SplittingServer server;
    Lines script = login(server);
    script.insert(script.end(), {
        "GET \"tree/a b*\" got",
        "LET GotOk = success",
        "REMOTE-CD tree",
        "GETIFNEWER \"a b*\" newer",
        "LET NewerOk = success",
        "IF remote-exists(\"sub dir\")", "LET Exists = True", "ENDIF",
        "REMOTE-CD /",
        "REMOTE-DELETE \"tree/a b*\"",
        "LET DeleteOk = success",
        // Folders with a blank: entered, listed without the blank, and left again.
        "GET \"tree/sub dir/*.txt\" sub",
        "LET SubOk = success",
        "GET \"tree/sub dir/x *\" blank",
        "IF remote-exists(\"tree/sub dir/x.txt\")", "LET SubExists = True", "ENDIF",
        "GENERATEREMOTENAME Next \"tree/sub dir/x.txt\"",
        "REMOTE-DELETE \"tree/sub dir/*.dat\"",
        "LET SubDeleteOk = success",
        "GET \"tree/no dir/*.txt\" none",
        "GET top.txt top.txt",
        "DISCONNECT",
    });
    (void)work.write("got/.keep", "");
    (void)work.write("newer/.keep", "");
    for (const char* folder : {"sub", "blank", "none"}) (void)work.write(std::string(folder) + "/.keep", "");
    auto e = enginerun::RunLines(scripts, "m.ftp", script, [&](TScriptVantrel& run) { run.StartDir = work.path(); });
    const std::string log = bytetext::joinLinesCrLf(e->Log());

    EXPECT_EQ(TempDir::read(work.path() + "/got/a b.txt"), "tree a b") << log;
    EXPECT_EQ(TempDir::read(work.path() + "/newer/a b.txt"), "tree a b") << log;
    for (const char* variable : {"GotOk", "NewerOk", "DeleteOk"}) EXPECT_EQ(e->GetVariable(variable), "True") << variable << log;
    EXPECT_EQ(e->GetVariable("Exists"), "True") << log;
    EXPECT_EQ(TempDir::read(work.path() + "/sub/x.txt"), "x") << log;
    EXPECT_EQ(TempDir::read(work.path() + "/sub/x y.txt"), "x y") << log;
    EXPECT_FALSE(std::filesystem::exists(work.path() + "/sub/x.txt.1"));
    EXPECT_EQ(TempDir::read(work.path() + "/blank/x y.txt"), "x y") << log;
    EXPECT_FALSE(std::filesystem::exists(work.path() + "/blank/x.txt"));
    for (const char* variable : {"SubOk", "SubExists", "SubDeleteOk"}) EXPECT_EQ(e->GetVariable(variable), "True") << variable << log;
    EXPECT_EQ(e->GetVariable("Next"), "tree/sub dir/x.txt.2") << log;
    EXPECT_FALSE(std::filesystem::exists(work.path() + "/none/x.txt"));
    // Back in the folder it started in.
    EXPECT_EQ(TempDir::read(work.path() + "/top.txt"), "top") << log;

    const Lines sent = server.lines();
    EXPECT_THAT(sent, Contains("DELE tree/a b.txt"));
    EXPECT_THAT(sent, Contains("DELE tree/sub dir/y.dat"));
    EXPECT_THAT(sent, Not(Contains("DELE tree/sub dir/x.txt")));
    for (const std::string& line : sent)
        if (line.starts_with("LIST")) EXPECT_EQ(line.find("sub dir"), std::string::npos) << line;
    for (const char* outside : {"RETR tree/b.txt", "RETR tree/big.bin", "RETR b.txt", "RETR big.bin", "DELE tree/b.txt",
                                "DELE tree/big.bin", "DELE b.txt"})
        EXPECT_THAT(sent, Not(Contains(outside))) << log;
}

TEST(FtpMasks, AFolderEnteredForItsListingIsLeftAlsoWhenTheListingFails)
{
    TempDir work, scripts;
    SplittingServer server;
    Lines script = login(server);
    script.insert(script.end(), {"REMOTE-CD tree", "GET \"sub dir/*.log\" got", "DISCONNECT"});
    auto e = enginerun::RunLines(scripts, "m.ftp", script, [&](TScriptVantrel& run) { run.StartDir = work.path(); });
    const std::string log = bytetext::joinLinesCrLf(e->Log());
    EXPECT_NE(e->ExitCode(), 0) << log;
    const Lines sent = server.lines();
    const auto refused = std::find(sent.begin(), sent.end(), "LIST *.log");
    ASSERT_NE(refused, sent.end()) << log;
    EXPECT_THAT(Lines(refused, sent.end()), Contains("CWD /tree")) << log;
}
