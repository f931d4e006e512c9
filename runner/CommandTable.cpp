#include "runner/CommandTable.h"

#include "platform/ByteText.h"

#include <vector>

namespace {

// Commands whose argument or echo is not the plain rest of the line.
const CommandEntry kExceptions[] = {
    {{}, Cmd::Password, 0, " Password <hidden>"},
    {{}, Cmd::ProxyPassword, 0, " ProxyPassword <hidden>"},
    {{}, Cmd::DialLoginPassword, 0, " DialLoginPassword <hidden>"},
    {{}, Cmd::RemoteMd, 1, {}},
    {{}, Cmd::LocalCd, 1, {}},
    {{}, Cmd::LocalDelete, 1, {}},
    {{}, Cmd::LocalRename, 1, {}},
    {{}, Cmd::If, 0, {}, false},
    {{}, Cmd::Goto, 0, {}, false},
};

const std::vector<CommandEntry>& Commands()
{
    static const std::vector<CommandEntry> commands = [] {
        std::vector<CommandEntry> all;
        for (const CommandWord& word : CommandWords()) {
            CommandEntry entry{word.prefix, word.cmd, 0, {}};
            for (const CommandEntry& e : kExceptions)
                if (e.cmd == word.cmd) entry = {word.prefix, word.cmd, e.argumentOffset, e.hiddenEcho, e.echoed};
            all.push_back(entry);
        }
        return all;
    }();
    return commands;
}

}  // namespace

const CommandEntry* FindCommand(std::string_view line)
{
    for (const auto& e : Commands())
        if (bytetext::startsWithNoCase(line, e.prefix)) return &e;
    return nullptr;
}

std::string_view CommandArgument(std::string_view line, const CommandEntry& entry)
{
    const std::size_t at = entry.prefix.size() + static_cast<std::size_t>(entry.argumentOffset);
    return at >= line.size() ? std::string_view() : line.substr(at);
}
