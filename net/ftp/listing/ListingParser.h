#pragma once
// Turns the text a server sends for LIST into entries, by listing style (ServerTypes.h).
// Names stay the bytes the server listed; making local paths of them is guarded elsewhere.

#include "net/ftp/listing/ListingWords.h"
#include "net/ftp/listing/ServerTypes.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ftplisting {

// One listing line. Every field starts empty; an accepted line without a name is no entry.
struct ParsedLine {
    bool accepted = false;
    std::string name;  // links keep " -> target" here; ParseListing splits it off
    bool directory = false;  // links count as directories
    std::string attributes;
    std::string owner;  // never filled
    std::string date;   // short date, or short date and long time, or the listed text as it stands
    std::string size;
    std::optional<CivilTime> time;  // the date as a value; empty for styles that keep the text
};

// May throw EListingDateError (versioned-name and data-set styles, see there).
ParsedLine ParseLine(int style, std::string_view line, const CivilTime& now);

// The style a listing's first non-blank line suggests: 8 ("volume" header), 16 (a leading digit)
// or 2 (anything else, "total" lines and empty listings included).
int DetectStyle(std::string_view listing);

// The listing's lines without their line ends: CR LF when most line feeds come with a CR (as
// ASCII-mode LIST data is sent), else LF. A final line without an end counts. A CR or LF that
// remains inside a line came from a name.
std::vector<std::string> ListingLines(std::string_view listing);

// Entry i of every list describes one entry.
struct EntryLists {
    std::vector<std::string> names, sizes, dates, attributes;
    std::vector<std::string> linkNames;  // always empty texts; a link shows as attributes "l..."
    std::vector<std::int64_t> sizeValues;  // the size text as a number, -1 when it is none
    std::vector<std::optional<CivilTime>> times;

    std::size_t size() const { return names.size(); }
    // Keeps the entries whose name `keep` accepts, every list alike, in their order.
    void Keep(const std::function<bool(const std::string& name)>& keep);
};

struct Listing {
    EntryLists directories;  // directories and symbolic links
    EntryLists files;
    // Lines holding CR, LF or NUL: such a name cannot be sent in a command, and a line broken
    // at a name's line feed would name some other file, so they give no entry.
    std::vector<std::string> refusedLines;
};

// The whole listing in one style: blank lines skipped, a sub-folder's heading ("sub dir:" first or
// after a blank line) and the entries under it left out, the missing link count of style 2 filled
// in, link targets cut off link names only. Style 1 (not yet detected) gives no entries; run
// DetectStyle first. Throws EListingDateError as ParseLine does. `cancelled`, when given, is
// asked every few thousand lines; true ends the parse with no entries at all and returns false
// through `complete`.
Listing ParseListing(int style, std::string_view listing, const CivilTime& now,
                     const std::function<bool()>& cancelled = {}, bool* complete = nullptr);

}  // namespace ftplisting
