#pragma once
// The script wizard's text side: the table of command items (caption, input fields, guard, line
// builder) that feeds both the wizard's command pages and the lines Submit adds, and the whole
// script Finish writes. Plain code over byte strings.

#include <array>
#include <string>
#include <vector>

namespace wizard {

enum class FieldKind { Edit, File, Directory, Seconds, ServerType };

struct CommandField {
    const char* name;        // the control's name on its page
    const char* caption;     // label above it; empty when the page shows none
    FieldKind kind;
    const char* defaultText; // the text it is created with
};

// When Submit adds the item's lines.
enum class Guard {
    None,     // always
    First,    // the first field is not empty
    Both,     // both fields are not empty
    Seconds,  // the first field's value, truncated to an integer, is not 0
};

struct CommandItem {
    const char* caption;  // the command box's text
    std::vector<CommandField> fields;
    Guard guard;
    bool clearOnChoose;   // choosing the item clears its fields first
    std::string (*line)(const std::vector<std::string>& fields);
};

constexpr int CommandCount = 36;
// The 36 items in the order of the command box.
const std::array<CommandItem, CommandCount>& CommandItems();

// The items' server-type names and the server-type box's starting text.
const std::vector<std::string>& ServerTypeNames();
extern const char* const AutoDetect;

// Text of a field with one leading and one trailing quote removed, trimmed.
std::string Unquoted(const std::string& text);
// The file-name part: unquoted, then what follows the last "/".
std::string NamePart(const std::string& text);
// The whole seconds of a spin value's text ("2.9" -> 2); 0 for text that is no number.
long long WholeSeconds(const std::string& text);

// The two lines Submit adds for item `index` ("; " + caption, the command line), or none when
// its guard field is empty. `fields` holds the texts of the item's fields in table order.
std::vector<std::string> SubmitLines(int index, const std::vector<std::string>& fields);

// What the Finish button writes.
struct ScriptSettings {
    std::vector<std::string> description;  // free text, one entry a line
    bool noDialUp = false;
    std::string dialEntry, dialUser, dialPassword;
    std::string host, port = "21", user = "anonymous", password, timeout = "60";
    bool useProxy = false;
    std::string proxy, proxyPort = "21";
    std::vector<std::string> commands;     // the lines Submit composed
};

std::vector<std::string> FinishLines(const ScriptSettings& settings);

}  // namespace wizard
