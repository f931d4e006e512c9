#pragma once
// Every message box and input box goes through this seam: a window, the terminal or a test
// answers. Texts are bytes; the UI edge converts them.

#include <memory>
#include <string>

enum class MessageKind { Information, Warning, Error, Confirmation };

class Prompt {
public:
    virtual ~Prompt() = default;
    // A message box with an OK button.
    virtual void message(const std::string& text, const std::string& caption, MessageKind kind) = 0;
    // An input box; false when cancelled. `value` holds the default and receives the entry.
    virtual bool input(const std::string& caption, const std::string& label, std::string& value) = 0;
    // A message box with Yes and No; true for Yes. Without an answer (no override) it counts as No,
    // the choice that changes nothing.
    virtual bool question(const std::string& text, const std::string& caption, MessageKind kind);
    // The short warning sound some failures give before their box; silent without a display.
    virtual void beep() {}
};

// Without a display: messages go to standard error and count as answered; input is cancelled
// and a question is answered No.
class TerminalPrompt : public Prompt {
public:
    void message(const std::string& text, const std::string& caption, MessageKind kind) override;
    bool input(const std::string& caption, const std::string& label, std::string& value) override;
};

namespace prompt {
// The process-wide prompt; a TerminalPrompt until one is installed.
Prompt& current();
// Installs a prompt (a window's, a test's); returns the one it replaces.
std::shared_ptr<Prompt> install(std::shared_ptr<Prompt> p);
}  // namespace prompt
