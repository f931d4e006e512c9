#pragma once
// Ready-made script text: the command templates and server-type names of the text's context
// menu, the server-type menu that a "SERVERTYPE=" line opens and the line it writes, and the
// default script of a new file. Plain code.

#include <span>
#include <string>
#include <string_view>

// The command templates, in menu order; blanks inside and at the end belong to them.
std::span<const std::string_view> CommandTemplates();
// The server-type list of the context menu, as it is inserted.
std::span<const std::string_view> ServerTypeChoices();

struct ServerMenuItem {
    std::string_view caption;  // empty for a separator
    int tag;                   // index into ftplisting::ServerTypeNames()
};
std::span<const ServerMenuItem> ServerMenuItems();

// Does the caret line, before the typed character goes in, open the server-type menu: it reads
// "SERVERTYPE=" in any case once every blank is removed.
bool OpensServerMenu(std::string_view caretLine);
// The line after a server type was chosen: its text up to and including the first "=", then the
// type's name in double quotes; the quoted name alone when the line has no "=". An unknown tag
// leaves the line as it is.
std::string ServerTypeLine(std::string_view line, int tag);

// The lines of a new script made with "Default".
std::span<const std::string_view> DefaultScriptLines();
