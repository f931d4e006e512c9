// The program the editor copies and patches: a Send-To launcher, or (built with
// TEMPLATE_STANDALONE) a stand-alone program that carries its script's lines. The slots the
// editor fills are spelled in assembler below, so the compiler can neither fold nor move them.

#include "editor/templates/TemplateSlots.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/LocalFiles.h"
#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#define TEMPLATE_TEXT(x) #x
#define TEMPLATE_NUMBER(x) TEMPLATE_TEXT(x)
#define TEMPLATE_SLOT(marker, capacity) \
    ".ascii \"" marker "\"\n.fill (" TEMPLATE_NUMBER(capacity) ") - (. - 1b), 1, 1\n"

#ifdef TEMPLATE_STANDALONE
#define TEMPLATE_START TEMPLATE_PROGRAM_START
#define TEMPLATE_LINES \
    ".rept " TEMPLATE_NUMBER(TEMPLATE_LINE_SLOTS) "\n1:\n" TEMPLATE_SLOT(TEMPLATE_LINE_MARKER, TEMPLATE_LINE_CAPACITY) ".endr\n"
#else
#define TEMPLATE_START TEMPLATE_LAUNCHER_START
#define TEMPLATE_LINES ""
#endif

// The pad of zeros, the script path, the runner path, then (stand-alone) the lines.
asm(".pushsection .rodata.template_slots, \"a\"\n"
    ".globl template_slots\n"
    ".hidden template_slots\n"
    ".type template_slots, @object\n"
    "template_slots:\n"
    ".zero " TEMPLATE_NUMBER(TEMPLATE_START) "\n"
    "1:\n" TEMPLATE_SLOT(TEMPLATE_SCRIPT_MARKER, TEMPLATE_PATH_CAPACITY)
    "1:\n" TEMPLATE_SLOT(TEMPLATE_RUNNER_MARKER, TEMPLATE_PATH_CAPACITY)
    TEMPLATE_LINES
    ".size template_slots, . - template_slots\n"
    ".popsection\n");

extern "C" const char template_slots[];

namespace {

using namespace templateslots;

constexpr std::size_t ScriptSlot = TEMPLATE_START;
constexpr std::size_t RunnerSlot = ScriptSlot + PathCapacity;

// The text of a filled slot; false for a slot still as built.
bool SlotText(std::size_t offset, std::size_t capacity, std::string& text)
{
    const char* slot = template_slots + offset;
    const void* end = std::memchr(slot, '\0', capacity);
    if (!end) return false;
    text.assign(slot, static_cast<const char*>(end));
    return true;
}

std::string Unquoted(const std::string& text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
    return text;
}

std::string SelfName(const char* argv0)
{
    return apppaths::extractFileName(argv0 ? argv0 : "template");
}

#ifdef TEMPLATE_STANDALONE

constexpr std::size_t LinesSlot = RunnerSlot + PathCapacity;

volatile std::sig_atomic_t runnerPid = 0;

// Cancel reaches the runner, which logs its end and writes its history; this program stays to
// clean up after it.
extern "C" void ForwardSignal(int signal)
{
    if (runnerPid > 0) ::kill(runnerPid, signal);
}

std::string SelfPath()
{
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    return n > 0 && static_cast<std::size_t>(n) < buffer.size() ? std::string(buffer.data(), n) : std::string();
}

int Run(const std::string& self, const std::string& script, const std::string& runner)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < LineSlots && SlotText(LinesSlot + i * LineCapacity, LineCapacity, line); ++i)
        lines.push_back(line);
    const std::string text = bytetext::joinLinesCrLf(lines);

    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + self + "-XXXXXX";
    // mkdtemp makes the folder 0700: the script holds the site's login.
    if (!::mkdtemp(folder.data())) {
        std::fprintf(stderr, "%s: cannot create a temporary folder: %s\n", self.c_str(), std::strerror(errno));
        return 1;
    }
    std::string name = apppaths::extractFileName(script);
    if (name.empty()) name = "script.ftp";
    const std::string tempScript = folder + "/" + name;
    int status = 1;
    if (!localfiles::writeFileAtomically(tempScript, text, 0600)) {
        std::fprintf(stderr, "%s: cannot write \"%s\": %s\n", self.c_str(), tempScript.c_str(), std::strerror(errno));
    } else {
        std::signal(SIGINT, ForwardSignal);
        std::signal(SIGTERM, ForwardSignal);
        std::signal(SIGHUP, ForwardSignal);
        const process::Started started = process::Start({{runner, tempScript}, {}, {}, false});
        if (!started.ok()) {
            std::fprintf(stderr, "%s: cannot start \"%s\": %s\n", self.c_str(), runner.c_str(),
                         std::strerror(started.error));
        } else {
            runnerPid = started.pid;
            status = process::WaitBlocking(started.pid);
            runnerPid = 0;
            const std::string history = apppaths::historyPathFor(tempScript);
            const std::string beside = apppaths::historyPathFor(SelfPath());
            std::ifstream in(history, std::ios::binary);
            const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in.is_open() || in.bad() || !localfiles::writeFileAtomically(beside, log, 0644)) {
                std::fprintf(stderr, "%s: the history of the run cannot be copied to \"%s\"\n", self.c_str(),
                             beside.c_str());
                if (status == 0) status = 1;
            }
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}

#endif

}  // namespace

int main(int argc, char* argv[])
{
    const std::string self = SelfName(argc > 0 ? argv[0] : nullptr);
    std::string script, runner;
    if (!SlotText(ScriptSlot, PathCapacity, script) || !SlotText(RunnerSlot, PathCapacity, runner)) {
        std::fprintf(stderr, "%s: this is an unpatched template; the script editor makes programs from it.\n",
                     self.c_str());
        return 2;
    }
    script = Unquoted(script);
    runner = Unquoted(runner);
#ifdef TEMPLATE_STANDALONE
    return Run(self, script, runner);
#else
    // The files sent to the launcher become the script's parameters.
    std::vector<char*> args{runner.data(), script.data()};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execv(runner.c_str(), args.data());
    std::fprintf(stderr, "%s: cannot start \"%s\": %s\n", self.c_str(), runner.c_str(), std::strerror(errno));
    return 127;
#endif
}
