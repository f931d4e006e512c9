// The listing parser in every style, and DetectStyle, on any LIST data.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "net/ftp/listing/ListingParser.h"
#include "../net/ftp/listing/ListingTestSupport.h"
#include "platform/ByteText.h"

#include <iterator>

using namespace ftplisting;

namespace {

// Moments where the year a listing leaves out is hard to infer: year ends, leap days, a century
// that is no leap year, the first and last years a date can have.
const CivilTime kMoments[] = {
    at(2026, 12, 10, 9, 6, 30), at(2024, 2, 29, 23, 59, 59), at(2025, 1, 1, 0, 0, 0),
    at(2025, 12, 31, 23, 59, 59), at(2100, 3, 1, 0, 0, 0),   at(2000, 2, 28, 12, 0, 0),
    at(1, 1, 1, 0, 0, 0),         at(9999, 12, 31, 23, 59, 59),
};

bool holdsBreak(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

void checkLists(const EntryLists& l, int style, std::string_view listing, bool directories)
{
    const std::size_t n = l.names.size();
    FUZZ_CHECK(l.sizes.size() == n && l.dates.size() == n && l.attributes.size() == n && l.linkNames.size() == n &&
                   l.sizeValues.size() == n && l.times.size() == n,
               "the entry lists differ in length");
    const StyleKind kind = KindOfStyle(style);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& name = l.names[i];
        FUZZ_CHECK(!bytetext::trim(name).empty(), "an entry without a name");
        FUZZ_CHECK(!holdsBreak(name), "name " + fuzz::shown(name));
        if (kind != StyleKind::FixedColumn && kind != StyleKind::TrackBased)
            FUZZ_CHECK(listing.find(name) != std::string_view::npos, "name not listed: " + fuzz::shown(name));
        FUZZ_CHECK(l.linkNames[i].empty(), "link name " + fuzz::shown(l.linkNames[i]));

        std::int64_t v = -1;
        const bool numeric = bytetext::parseInt64(l.sizes[i], v);
        FUZZ_CHECK(l.sizeValues[i] == (numeric ? v : -1), "size " + fuzz::shown(l.sizes[i]));

        if (const auto& t = l.times[i]) {
            FUZZ_CHECK(fuzz::validTime(*t), "time of " + fuzz::shown(name) + ": " + datetime::dateTimeText(*t));
            const bool dateOnly = kind == StyleKind::Versioned || kind == StyleKind::DataSet ||
                                  kind == StyleKind::RecordBased;
            const std::string text = dateOnly ? datetime::shortDate(*t) : datetime::dateTimeText(*t);
            FUZZ_CHECK(l.dates[i] == text, "date " + fuzz::shown(l.dates[i]) + " for " + text);
        } else {
            FUZZ_CHECK(kind == StyleKind::FixedColumn || kind == StyleKind::TrackBased ||
                           (kind == StyleKind::RecordBased && directories),
                       "no time in style " + std::to_string(style));
        }
        if (kind == StyleKind::Permission) {
            const std::string& a = l.attributes[i];
            FUZZ_CHECK(!a.empty() && a.find(' ') == std::string::npos, "attributes " + fuzz::shown(a));
            const bool dir = a[0] == 'd' || a[0] == 'l';
            FUZZ_CHECK(dir == directories && (dir || a[0] == '-' || a[0] == 'f'), "attributes " + fuzz::shown(a));
        }
    }
}

Listing parsed(int style, std::string_view listing, const CivilTime& now, bool& dateError)
{
    dateError = false;
    try {
        return ParseListing(style, listing, now);
    } catch (const EListingDateError&) {
        const StyleKind kind = KindOfStyle(style);
        FUZZ_CHECK(kind == StyleKind::Versioned || kind == StyleKind::DataSet,
                   "a date error in style " + std::to_string(style));
        dateError = true;
        return {};
    }
}

bool sameLists(const EntryLists& a, const EntryLists& b)
{
    return a.names == b.names && a.sizes == b.sizes && a.dates == b.dates && a.attributes == b.attributes &&
           a.sizeValues == b.sizeValues && a.times == b.times;
}

}  // namespace

void fuzz::Listing(std::string_view data)
{
    if (data.size() < 2) return;
    const CivilTime& now = kMoments[static_cast<unsigned char>(data[1]) % std::size(kMoments)];
    const std::string_view listing = data.substr(2);

    const int detected = DetectStyle(listing);
    FUZZ_CHECK(detected == kStyleUnix || detected == kStyleMvs || detected == kStyleDos,
               "detected " + std::to_string(detected));
    const int mode = static_cast<unsigned char>(data[0]);
    const int style = mode < 18 ? mode : detected;

    bool dateError = false;
    const ftplisting::Listing out = parsed(style, listing, now, dateError);
    checkLists(out.directories, style, listing, true);
    checkLists(out.files, style, listing, false);
    for (const std::string& line : out.refusedLines) FUZZ_CHECK(holdsBreak(line), "refused " + fuzz::shown(line));
    const std::size_t lines = ListingLines(listing).size();
    FUZZ_CHECK(out.directories.size() + out.files.size() + out.refusedLines.size() <= lines, "more entries than lines");
    const StyleKind kind = KindOfStyle(style);
    if (kind == StyleKind::Nothing || kind == StyleKind::Detect)
        FUZZ_CHECK(out.directories.size() + out.files.size() + out.refusedLines.size() == 0, "entries in a style without any");

    // The same listing sent with CR LF line ends (as ASCII-mode data comes) reads the same.
    if (listing.find('\r') == std::string_view::npos) {
        std::string crlf;
        for (char c : listing) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        bool crlfDateError = false;
        const ftplisting::Listing again = parsed(style, crlf, now, crlfDateError);
        FUZZ_CHECK(crlfDateError == dateError && sameLists(out.directories, again.directories) &&
                       sameLists(out.files, again.files) && out.refusedLines == again.refusedLines,
                   "CR LF line ends change the entries");
    }
}
