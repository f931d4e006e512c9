#include "platform/Prompt.h"

#include <cstdio>

void TerminalPrompt::message(const std::string& text, const std::string& caption, MessageKind)
{
    std::string line = caption.empty() ? text : caption + ": " + text;
    line += '\n';
    // The log before it on standard output comes first, where both go to one file.
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

bool Prompt::question(const std::string& text, const std::string& caption, MessageKind kind)
{
    message(text, caption, kind);
    return false;
}

bool TerminalPrompt::input(const std::string&, const std::string&, std::string&) { return false; }

namespace prompt {

namespace {
std::shared_ptr<Prompt>& slot()
{
    static std::shared_ptr<Prompt> p = std::make_shared<TerminalPrompt>();
    return p;
}
}  // namespace

Prompt& current() { return *slot(); }

std::shared_ptr<Prompt> install(std::shared_ptr<Prompt> p)
{
    auto old = slot();
    slot() = p ? std::move(p) : std::make_shared<TerminalPrompt>();
    return old;
}

}  // namespace prompt
