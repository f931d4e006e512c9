// Desktop entries and mimeapps.list files as other programs write them: the key-file reader,
// the value escapes, list values and the Exec quoting.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "desktop/DesktopEntry.h"

namespace {

void checkValue(std::string_view stored)
{
    const std::string text = xdg::unescapeValue(stored);
    const std::string escaped = xdg::escapeValue(text);
    FUZZ_CHECK(xdg::unescapeValue(escaped) == text, "escape " + fuzz::shown(text));
    // Written as a line and read back, the value is whole: no line end, no blank lost at its ends.
    xdg::KeyFile file;
    file.writeString("G", "K", text);
    xdg::KeyFile read;
    read.parse(file.text());
    FUZZ_CHECK(read.readString("G", "K") == text, "key line " + fuzz::shown(file.text()));

    const std::vector<std::string> items = xdg::listItems(stored);
    FUZZ_CHECK(xdg::listItems(xdg::listValue(items)) == items, "list " + fuzz::shown(stored));

    if (const auto parts = xdg::execArguments(text)) {
        const std::string again = xdg::execCommand(parts->args, "%F");
        const auto reread = xdg::execArguments(again);
        FUZZ_CHECK(reread && reread->args == parts->args, "exec " + fuzz::shown(again));
        FUZZ_CHECK(reread && reread->fields == std::vector<std::string>{"%F"}, "fields of " + fuzz::shown(again));
    }
}

}  // namespace

void fuzz::DesktopEntry(std::string_view data)
{
    xdg::KeyFile file;
    file.parse(data);
    const std::string text = file.text();
    xdg::KeyFile again;
    again.parse(text);
    FUZZ_CHECK(again.text() == text, "text of a reread file " + fuzz::shown(text));

    std::string_view rest = data;
    while (!rest.empty()) {
        const std::string_view line = fuzz::head(rest, &rest);
        const std::size_t eq = line.find('=');
        checkValue(eq == std::string_view::npos ? line : line.substr(eq + 1));
    }
}
