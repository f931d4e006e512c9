#pragma once
// Associates a file extension with a program, so that opening such a file in a file manager
// starts the program on it: the class keys in the key store, and for the desktop a
// shared-mime-info package for the extension, a desktop entry for the command and the default
// in mimeapps.list, all under the XDG folders, then the desktop's caches are rebuilt.

#include <string>
#include <string_view>
#include <vector>

// Dots are dropped from the extension; an empty extension or command registers nothing. An
// empty type name becomes the extension followed by "_auto_file". The command is a program path
// (quoted here) or an already quoted command line; the file's path follows it as one argument.
// ERegistryException when something cannot be written or a cache tool fails.
void RegisterFileType(std::string_view extension, std::string_view typeName, std::string_view description,
                      std::string_view command, std::string_view icon);

// Copies the icons `names` of a hicolor theme folder (`<size>/<context>/<name>.png|svg`) into the
// user's hicolor theme, $XDG_DATA_HOME/icons/hicolor, replacing older copies; other icons there
// stay. A missing folder installs nothing. ERegistryException when one cannot be written.
void InstallThemeIcons(const std::string& themeFolder, const std::vector<std::string>& names);

namespace filetype {
// The MIME type and the desktop entry's file name a type name is registered under.
std::string MimeTypeFor(std::string_view typeName);
std::string DesktopEntryFor(std::string_view typeName);
// The theme icon of a MIME type ("application/x-a" -> "application-x-a").
std::string IconFor(std::string_view mimeType);
}  // namespace filetype
