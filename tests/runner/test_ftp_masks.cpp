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
        {"/", {{"b.txt", "root b"}, {"big.bin", "root big"}}},
        {"/tree", {{"a b.txt", "tree a b"}, {"b.txt", "tree b"}, {"c.txt", "tree c"}}},
        {"/tree/sub dir", {{"x.txt", "x"}}},
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

}  // namespace

TEST(FtpMasks, NamesWithBlanksMatchOnlyWhatTheWholeMaskNames)
{
    TempDir work, scripts;
    SplittingServer server;
    const Lines script{
        "HOST=127.0.0.1", "PORT=" + std::to_string(server.port()), "USER=u", "PASSWORD=p", "TIMEOUT=10",
        "CONNECT",
        "GET \"tree/a b*\" got",
        "LET GotOk = success",
        "REMOTE-CD tree",
        "GETIFNEWER \"a b*\" newer",
        "LET NewerOk = success",
        "IF remote-exists(\"sub dir\")", "LET Exists = True", "ENDIF",
        "REMOTE-CD /",
        "REMOTE-DELETE \"tree/a b*\"",
        "LET DeleteOk = success",
        "DISCONNECT",
    };
    (void)work.write("got/.keep", "");
    (void)work.write("newer/.keep", "");
    auto e = enginerun::RunLines(scripts, "m.ftp", script, [&](TScriptVantrel& run) { run.StartDir = work.path(); });
    const std::string log = bytetext::joinLinesCrLf(e->Log());

    EXPECT_EQ(TempDir::read(work.path() + "/got/a b.txt"), "tree a b") << log;
    EXPECT_EQ(TempDir::read(work.path() + "/newer/a b.txt"), "tree a b") << log;
    for (const char* variable : {"GotOk", "NewerOk", "DeleteOk"}) EXPECT_EQ(e->GetVariable(variable), "True") << variable << log;
    EXPECT_EQ(e->GetVariable("Exists"), "True") << log;

    const Lines sent = server.lines();
    EXPECT_THAT(sent, Contains("DELE tree/a b.txt"));
    for (const char* outside : {"RETR tree/b.txt", "RETR tree/big.bin", "RETR b.txt", "RETR big.bin", "DELE tree/b.txt",
                                "DELE tree/big.bin", "DELE b.txt"})
        EXPECT_THAT(sent, Not(Contains(outside))) << log;
}
