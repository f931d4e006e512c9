// A script file through the load pass, the save pass and the "#INCLUDE" expansion.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "desktop/StringRoutines.h"
#include "platform/ByteText.h"
#include "script/ScriptFile.h"
#include "script/ScriptLoader.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

bool hasMarker(std::string_view s) { return s.find(kPasswordMarker) != std::string_view::npos; }

// The files "#INCLUDE" lines of the corpus name: plain, nested, quoted, in "Scripts", and one
// that includes itself. They live beside the executable, in the build tree: libFuzzer ends its
// process without running destructors, so a temporary folder would be left behind on every run.
class IncludeFolder {
public:
    IncludeFolder()
        : path_((std::filesystem::read_symlink("/proc/self/exe").parent_path() / "script-load-includes").string())
    {
        write("one.ftp", "LINE ONE\r\nPassword=\"\xFFjz\xFF\"\r\n");
        write("nest.ftp", "#INCLUDE one.ftp\r\nAFTER ONE\r\n#include \"two words.ftp\"\n");
        write("two words.ftp", "QUOTED\r");
        write("self.ftp", "BEFORE\r\n#INCLUDE self.ftp\r\n");
        write("Scripts/inner.ftp", "INNER\r\n#INCLUDE one.ftp\r\n");
    }
    const std::string& path() const { return path_; }

private:
    // Written whole under another name first, so a run that starts meanwhile never reads half a file.
    void write(const std::string& name, const std::string& bytes) const
    {
        const std::filesystem::path p = std::filesystem::path(path_) / name;
        std::filesystem::create_directories(p.parent_path());
        const std::filesystem::path part = p.string() + "." + std::to_string(::getpid());
        std::ofstream(part, std::ios::binary) << bytes;
        std::filesystem::rename(part, p);
    }
    std::string path_;
};

// The load pass: lines other than password lines, and lines without two markers, stay; in the
// others only the field between the first two markers changes, and it loses its markers.
void checkLoadPass(const Lines& lines)
{
    Lines loaded = lines;
    UnscramblePasswordLines(loaded);
    FUZZ_CHECK(loaded.size() == lines.size(), "the load pass changed the line count");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const auto p1 = l.find(kPasswordMarker);
        const auto p2 = p1 == std::string::npos ? p1 : l.find(kPasswordMarker, p1 + 1);
        const std::string s = bytetext::trim(l);
        const bool passwordLine = s.find('=') != std::string::npos && (bytetext::startsWithNoCase(s, "PASSWORD") ||
                                                                       bytetext::startsWithNoCase(s, "DIALLOGINPASSWORD"));
        if (p2 == std::string::npos || !passwordLine) {
            FUZZ_CHECK(loaded[i] == l, "the load pass changed " + fuzz::shown(l));
            continue;
        }
        const std::string_view tail = std::string_view(l).substr(p2 + 1);
        FUZZ_CHECK(loaded[i].size() <= l.size() - 2 && loaded[i].starts_with(std::string_view(l).substr(0, p1)) &&
                       loaded[i].ends_with(tail),
                   "the load pass changed more than the field of " + fuzz::shown(l));
    }
}

// The save pass and the load pass agree: every password survives a save and a load whatever its
// bytes, saving what was loaded gives the same bytes again, and load after save leaves the other
// lines as they are when they hold no markers.
void checkSaveAndLoad(const Lines& lines)
{
    Lines saved = lines;
    ScramblePasswordLines(saved);
    FUZZ_CHECK(saved.size() == lines.size(), "the save pass changed the line count");
    Lines loaded = saved;
    UnscramblePasswordLines(loaded);
    Lines savedAgain = loaded;
    ScramblePasswordLines(savedAgain);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (saved[i] == l) {
            if (!hasMarker(l)) FUZZ_CHECK(loaded[i] == l, "a plain line changed on load: " + fuzz::shown(l));
            continue;
        }
        const std::string s = bytetext::trim(l);
        const std::string key = bytetext::startsWithNoCase(s, "PASSWORD") ? "Password" : "DialLoginPassword";
        const std::string value = StripQuotes(s.substr(s.find('=') + 1));
        FUZZ_CHECK(loaded[i] == key + "=\"" + value + "\"", "password line " + fuzz::shown(l) + " loads as " +
                                                                 fuzz::shown(loaded[i]));
        FUZZ_CHECK(savedAgain[i] == saved[i], "saving after loading changed " + fuzz::shown(saved[i]));
    }
    // On disk each line ends with CR LF; reading the file splits it into the same lines.
    FUZZ_CHECK(bytetext::splitLines(bytetext::joinLinesCrLf(saved)) == saved, "the file reads back other lines");
}

void checkIncludes(const Lines& lines, const std::string& folder)
{
    Lines expanded = lines;
    try {
        ExpandIncludes(expanded, folder);
    } catch (const EScriptLoadError&) {
        return;
    } catch (const std::exception& e) {
        FUZZ_CHECK(false, std::string("ExpandIncludes raised ") + e.what());
    }
    FUZZ_CHECK(expanded.size() <= kMaxScriptLines, "too many lines");
    // Every include line is replaced; every other line of the script keeps its place in order.
    std::size_t at = 0;
    for (const std::string& l : lines) {
        const std::string t = bytetext::trim(l);
        if (bytetext::startsWithNoCase(t, "#INCLUDE") && t.find(' ') != std::string::npos) continue;
        while (at < expanded.size() && expanded[at] != l) ++at;
        FUZZ_CHECK(at < expanded.size(), "a script line went missing: " + fuzz::shown(l));
        ++at;
    }
    for (const std::string& l : expanded) {
        const std::string t = bytetext::trim(l);
        FUZZ_CHECK(!bytetext::startsWithNoCase(t, "#INCLUDE") || t.find(' ') == std::string::npos,
                   "an include line survived: " + fuzz::shown(l));
    }
}

}  // namespace

void fuzz::ScriptLoad(std::string_view data)
{
    static const IncludeFolder folder;
    const Lines lines = bytetext::splitLines(data);

    const std::string text(data);
    FUZZ_CHECK(UnscramblePassword(ScramblePassword(text)) == text, "scrambling does not round-trip");
    if (text.find_first_of("\xFE\xFF") == std::string::npos)
        FUZZ_CHECK(ScramblePassword(text).size() == text.size(), "scrambling changed the length");
    FUZZ_CHECK(!hasMarker(ScramblePassword(text)), "a marker inside a scrambled text");

    checkLoadPass(lines);
    checkSaveAndLoad(lines);
    // Include names stay inside the fixture folder: no absolute paths, no way out of it.
    if (data.find('/') == std::string_view::npos) checkIncludes(lines, folder.path());
}
