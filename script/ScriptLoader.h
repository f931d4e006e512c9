#pragma once
// Loading a script: its lines, "#INCLUDE" expansion and the password fields' load pass.

#include "platform/Errors.h"

#include <string>
#include <string_view>
#include <vector>

class EScriptLoadError : public Exception {
public:
    using Exception::Exception;
};

// Include files nested deeper than this, or a script longer than kMaxScriptLines after expansion,
// end the run: a script that includes itself would otherwise expand for ever.
constexpr int kMaxIncludeDepth = 16;
constexpr std::size_t kMaxScriptLines = 1000000;

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The file's lines (CR LF, LF or CR ends a line), without a leading UTF-8 byte-order mark;
// raises EScriptLoadError when it cannot be read.
std::vector<std::string> LoadScriptLines(const std::string& path);

// Replaces each "#INCLUDE <file>" line by "; Included file <name>..." followed by the file's
// lines (themselves expanded), or by a "Message" line when the file is found nowhere. A name that
// is not found as given and holds no "/" is looked for in the program folder, then in its
// "Scripts" folder; a relative name not found there, beside the file that includes it
// (`scriptPath` for the lines given).
void ExpandIncludes(std::vector<std::string>& lines, const std::string& programFolder,
                    const std::string& scriptPath = {});
