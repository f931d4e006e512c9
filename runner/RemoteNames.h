#pragma once
// Names that come from a server become local paths only through here: a listing may hold
// "../x", "/etc/x" or "a\b", and none of them may write outside the target folder.

#include <string>
#include <string_view>

namespace remotenames {

// The local file name for a name listed by a server: the part after the last "/" or "\".
// Empty when that part is "", "." or "..", or holds a CR, LF or NUL: the caller skips the
// entry with a log line.
std::string SafeLocalName(std::string_view listed);

}  // namespace remotenames
