#pragma once
// The runner's command entries: each command word (CommandWords.h) with how its argument is
// found and how its line is echoed in the log.

#include "script/CommandWords.h"

#include <string_view>

struct CommandEntry {
    std::string_view prefix;
    Cmd cmd;
    // Where the argument begins: right after the prefix, or one character later.
    int argumentOffset;
    // The command's echo in the log when it must not show its argument; empty: the line itself.
    std::string_view hiddenEcho;
    // "IF " and "GOTO " are not echoed at all.
    bool echoed = true;
};

// The matching entry, or nullptr (no command: the line does nothing).
const CommandEntry* FindCommand(std::string_view line);

// The argument text of a line for its entry.
std::string_view CommandArgument(std::string_view line, const CommandEntry& entry);
