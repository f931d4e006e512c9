#include "script/ScriptLoader.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "script/Arguments.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

std::vector<std::string> LoadScriptLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in || apppaths::directoryExists(path)) {
        const int err = errno;
        throw EScriptLoadError("Cannot open file \"" + path + "\". " +
                               (err ? std::strerror(err) : "Not a regular file"));
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) throw EScriptLoadError("Cannot read file \"" + path + "\"");
    std::string text = ss.str();
    // Editors that save UTF-8 with a byte-order mark would otherwise hide the first command.
    if (text.starts_with(kUtf8Bom)) text.erase(0, kUtf8Bom.size());
    return bytetext::splitLines(text);
}

void ExpandIncludes(std::vector<std::string>& lines, const std::string& programFolder, const std::string& scriptPath)
{
    std::vector<int> depth(lines.size(), 0);
    // The folder of the file each line came from, for includes that sit beside their script.
    std::vector<std::string> origin(lines.size(), apppaths::extractFilePath(scriptPath));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string t = bytetext::trim(lines[i]);
        if (!bytetext::startsWithNoCase(t, "#INCLUDE")) continue;
        const auto blank = t.find(' ');
        if (blank == std::string::npos) continue;
        const std::string name = StripArgQuotes(t.substr(blank + 1));
        std::string found;
        if (apppaths::fileExists(name)) {
            found = name;
        } else if (name.find('/') == std::string::npos) {
            for (const std::string& candidate : {programFolder + "/" + name, programFolder + "/Scripts/" + name}) {
                if (apppaths::fileExists(candidate)) {
                    found = candidate;
                    break;
                }
            }
        }
        // A run from cron starts in another folder than the script's.
        if (found.empty() && !name.empty() && name[0] != '/' && !origin[i].empty() &&
            apppaths::fileExists(origin[i] + name))
            found = origin[i] + name;
        if (found.empty()) {
            lines[i] = "Message \"File " + name + " not found!!\"";
            continue;
        }
        if (depth[i] >= kMaxIncludeDepth)
            throw EScriptLoadError("Include files nested more than " + std::to_string(kMaxIncludeDepth) +
                                   " deep at \"" + name + "\" (does a file include itself?)");
        std::vector<std::string> inserted = LoadScriptLines(found);
        if (lines.size() + inserted.size() > kMaxScriptLines)
            throw EScriptLoadError("Script has more than " + std::to_string(kMaxScriptLines) +
                                   " lines after including \"" + name + "\"");
        lines[i] = "; Included file " + apppaths::extractFileName(name) + "...";
        const int d = depth[i] + 1;
        lines.insert(lines.begin() + static_cast<long>(i) + 1, inserted.begin(), inserted.end());
        depth.insert(depth.begin() + static_cast<long>(i) + 1, inserted.size(), d);
        origin.insert(origin.begin() + static_cast<long>(i) + 1, inserted.size(), apppaths::extractFilePath(found));
    }
}
