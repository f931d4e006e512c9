#include "editor/SyntaxCheck.h"

#include "desktop/StringRoutines.h"
#include "platform/ByteText.h"
#include "script/CommandWords.h"

#include <algorithm>

namespace {

constexpr std::string_view kDialEntry = "DIALENTRY=";

// The first word the line begins with: the runner's command words first, in its order, so a
// DIALENTRY= line is known as such before the DIAL that also begins it.
std::optional<std::string_view> FirstWord(std::string_view upperLine)
{
    for (const CommandWord& w : CommandWords())
        if (upperLine.starts_with(w.prefix)) return w.prefix;
    for (std::string_view w : FrameWords())
        if (upperLine.starts_with(w)) return w;
    return std::nullopt;
}

}  // namespace

int FindDialEntry(const std::vector<std::string>& dialEntries, std::string_view name)
{
    const auto it = std::find(dialEntries.begin(), dialEntries.end(), name);
    return it == dialEntries.end() ? -1 : int(it - dialEntries.begin());
}

std::optional<SyntaxError> SyntaxCheck(const std::vector<std::string>& lines,
                                       const std::vector<std::string>& dialEntries)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string s = bytetext::trim(lines[i]);
        if (s.empty() || s[0] == ';' || s[0] == ':') continue;
        const auto word = FirstWord(bytetext::toUpper(s));
        if (!word) return SyntaxError{i, {}};
        if (*word == kDialEntry &&
            FindDialEntry(dialEntries, StripQuotes(std::string_view(s).substr(kDialEntry.size()))) < 0)
            return SyntaxError{i, "Dial entry not found!"};
    }
    return std::nullopt;
}

std::string SyntaxCheckReport(const std::optional<SyntaxError>& error, std::string_view line)
{
    if (!error)
        return "No errors found in script!\n\nNote: Command parameters are not validated.\n"
               "Try executing the script for such validations!";
    const std::string head =
        error->message.empty() ? std::string("Errors occured in this line:") : "Error found: " + error->message;
    return head + "\n\n" + std::string(line) + "\n\nPlease correct and try again!";
}
