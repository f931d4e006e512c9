#include "net/ftp/listing/ListingParser.h"

#include "platform/ByteText.h"

namespace ftplisting {

namespace {

const std::string kNoAttributes = "----------";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool digitsOnly(std::string_view s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (!isDigit(c)) return false;
    return true;
}

bool holdsControlBreak(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

CivilTime dateOnly(const CivilTime& t)
{
    CivilTime d;
    d.year = t.year;
    d.month = t.month;
    d.day = t.day;
    return d;
}

void setDateTime(ParsedLine& r, const std::optional<CivilTime>& t, const CivilTime& now)
{
    r.time = t ? *t : now;
    r.date = datetime::dateTimeText(*r.time);
}

void setShortDate(ParsedLine& r, const CivilTime& t)
{
    r.time = dateOnly(t);
    r.date = datetime::shortDate(*r.time);
}

[[noreturn]] void invalidDate(std::string_view text)
{
    throw EListingDateError("'" + std::string(text) + "' is not a valid date");
}

ParsedLine parsePermission(std::string line, const CivilTime& now)
{
    ParsedLine r;
    r.accepted = true;
    if (line.size() <= 10) return r;
    // Attribute columns are ten wide; an ACL or extended-attribute marker stuck to them is cut off.
    if (line[10] != ' ') line[10] = ' ';
    r.attributes = Word(line, 0);
    switch (line[0]) {
    case '-': case 'f': r.directory = false; break;
    case 'd': case 'l': r.directory = true; break;
    default: return {};
    }
    if (bytetext::trim(Word(line, 4)).empty()) return {};

    // The date is the three words that end at the key word; the name follows it.
    int first = 4, sizeWord = 3, key = 6;  // no group column
    const std::string w4 = bytetext::trim(Word(line, 4));
    if (Word(line, 1).starts_with('[') || w4[0] == '-' || isDigit(w4[0])) {
        // With a group column; or "d [RWCEAFMS] owner size ...", whose bracket the cut at column
        // 11 has split into two words.
        first = 5;
        sizeWord = 4;
        key = 7;
    }
    const std::string dateText = WordAt(line, first) + " " + WordAt(line, first + 1) + " " + WordAt(line, first + 2);
    setDateTime(r, UnixDate(dateText, now), now);
    r.size = Word(line, sizeWord);

    // The name starts after the key word where it stands, not where its text first occurs (an
    // owner "2000" or a size 12000 holds a year "2000" too).
    const auto span = WordSpan(line, key);
    if (span && span->second > span->first) {
        std::size_t from = span->second;
        while (from < line.size() && bytetext::isBlank(line[from])) ++from;
        r.name = line.substr(from);
    }
    return r;
}

ParsedLine parseVersioned(std::string line, const CivilTime& now)
{
    for (char& c : line)
        if (c == '\t' || c == '\b') c = ' ';
    if (line.find(';') == std::string::npos) return {};
    ParsedLine r;
    r.name = bytetext::trim(Word(line, 0));
    if (r.name.empty()) return {};
    r.accepted = true;
    r.directory = r.name.find(".DIR") != std::string::npos;
    r.size = Word(line, 1);
    if (const auto slash = r.size.find('/'); slash != std::string::npos) r.size.resize(slash);

    // "15-JAN-1999", also with a one-digit day as the listing's blank-padded " 5-JAN-1999" gives.
    const std::string text = bytetext::trim(Word(line, 2));
    const auto dash1 = text.find('-');
    const auto dash2 = dash1 == std::string::npos ? dash1 : text.find('-', dash1 + 1);
    int day = 0, year = 0;
    if (dash2 != std::string::npos && digitsOnly(text.substr(0, dash1)) && digitsOnly(text.substr(dash2 + 1)) &&
        bytetext::parseInt(text.substr(0, dash1), day) && bytetext::parseInt(text.substr(dash2 + 1), year)) {
        CivilTime t;
        t.year = year;
        t.month = MonthIndex(bytetext::trim(std::string_view(text).substr(dash1 + 1, dash2 - dash1 - 1)));
        t.day = day;
        if (!datetime::isValidDate(t.year, t.month, t.day)) invalidDate(text);
        setShortDate(r, t);
    } else {
        setShortDate(r, now);
    }
    r.attributes = kNoAttributes;
    return r;
}

ParsedLine parseDataSet(std::string_view line, const CivilTime& now)
{
    if (bytetext::startsWithNoCase(line, "volume") || bytetext::startsWithNoCase(line, "migrated")) return {};
    ParsedLine r;
    r.accepted = true;
    r.name = Word(line, 9);
    r.size = Word(line, 1);
    // "2000/01/05"
    const std::string text = bytetext::trim(Word(line, 2));
    auto part = [&](std::size_t at, std::size_t n) {
        return at < text.size() ? std::string_view(text).substr(at, n) : std::string_view();
    };
    CivilTime t;
    if (digitsOnly(part(0, 4)) && digitsOnly(part(5, 2)) && digitsOnly(part(8, 2)) &&
        bytetext::parseInt(part(0, 4), t.year) && bytetext::parseInt(part(5, 2), t.month) &&
        bytetext::parseInt(part(8, 2), t.day)) {
        if (!datetime::isValidDate(t.year, t.month, t.day)) invalidDate(text);
        setShortDate(r, t);
    } else {
        setShortDate(r, now);
    }
    r.attributes = kNoAttributes;
    return r;
}

ParsedLine parseFixedColumn(std::string_view line)
{
    ParsedLine r;
    r.accepted = true;
    const std::string name = Word(line, 0), type = Word(line, 1);
    if (!name.empty() && !type.empty()) r.name = name + "." + type;
    r.size = Word(line, 3);
    r.date = Word(line, 6) + " " + Word(line, 7);
    return r;
}

ParsedLine parseTrackBased(std::string_view line)
{
    for (std::string_view skip : {"=", "totals:", " rf trks", "track limit"})
        if (line.find(skip) != std::string_view::npos) return {};
    ParsedLine r;
    r.accepted = true;
    const std::string name = Word(line, 1);
    if (!name.empty()) r.name = "." + name;
    r.size = Word(line, 2);
    r.date = Word(line, 7) + " " + Word(line, 6);
    return r;
}

ParsedLine parseDateFirst(std::string_view line, const CivilTime& now)
{
    ParsedLine r;
    setDateTime(r, DosDateTime(WordAt(line, 0) + " " + WordAt(line, 1), now), now);

    // The name starts after the first blank from column 39 on, where such listings align it.
    std::size_t at = 38;
    while (at < line.size() && line[at] != ' ') ++at;
    const std::size_t blank = at < line.size() ? at + 1 : LastBlank(line);  // from 1, 0 = none
    if (blank > 0) {
        r.name = std::string(line.substr(blank));
        const std::string head = bytetext::trim(line.substr(0, blank - 1));
        // "<DIR>" in the columns before the name, not in the name itself.
        r.directory = bytetext::findNoCase(head, "<dir>") != std::string::npos;
        std::int64_t size = 0;
        if (!bytetext::parseInt64(std::string_view(head).substr(LastBlank(head)), size)) size = 0;
        r.size = std::to_string(size);
    }
    // A folder line with an empty name column ends in its "<DIR>": that word is no file name.
    if (bytetext::trim(r.name).empty() || bytetext::equalsNoCase(bytetext::trim(r.name), "<dir>")) return {};
    r.accepted = true;
    return r;
}

ParsedLine parseRecordBased(std::string_view line, const CivilTime& now)
{
    for (std::string_view skip : {"-LOGICAL RECORD-", "LIMIT R/B", "PATH= "})
        if (line.find(skip) != std::string_view::npos) return {};
    // Columns past the end of a short line read as blanks.
    auto column = [&](std::size_t i) { return i < line.size() ? line[i] : ' '; };
    ParsedLine r;
    r.accepted = true;
    r.directory = column(15) != 'F';
    if (line.size() > 61) r.name = std::string(line.substr(61));
    if (!r.directory) {
        std::string l(line);
        if (column(0) == ' ' && column(1) == ' ' && column(2) == ' ') {
            if (l.size() < 3) l.resize(3, ' ');
            l[1] = 'x';
            l[2] = 'x';
        }
        r.size = Word(bytetext::trim(l), 3);
        setShortDate(r, now);
    }
    r.attributes = kNoAttributes;
    return r;
}

// "sub dir:" after a blank line (or first): a server that lists a matched folder's contents under
// its name, as "ls -l *" does. An entry line of the style that happens to end in ":" is no heading.
bool isSubfolderHeading(int style, std::string_view line, bool afterBlank, const CivilTime& now)
{
    if (!afterBlank) return false;
    std::string_view t = line;
    while (!t.empty() && bytetext::isBlank(t.back())) t.remove_suffix(1);
    if (t.size() < 2 || t.back() != ':') return false;
    switch (KindOfStyle(style)) {
    case StyleKind::DateFirst: return !isDigit(line[0]);
    case StyleKind::Permission: {
        // "drwxr-xr-x" (or "d [RWCEAFMS]"): a heading "docs and more:" starts with a type letter too.
        if (line.size() < 10) return true;
        for (std::size_t i = 1; i < 10; ++i)
            if (std::string_view("-rwxsStTlL []RWCEAFMS").find(line[i]) == std::string_view::npos) return true;
        return false;
    }
    default: break;
    }
    try {
        const ParsedLine p = ParseLine(style, line, now);
        return !p.accepted || bytetext::trim(p.name).empty();
    } catch (const EListingDateError&) {
        return false;
    }
}

}  // namespace

ParsedLine ParseLine(int style, std::string_view line, const CivilTime& now)
{
    switch (KindOfStyle(style)) {
    case StyleKind::Permission: return parsePermission(std::string(line), now);
    case StyleKind::Versioned: return parseVersioned(std::string(line), now);
    case StyleKind::DataSet: return parseDataSet(line, now);
    case StyleKind::FixedColumn: return parseFixedColumn(line);
    case StyleKind::TrackBased: return parseTrackBased(line);
    case StyleKind::DateFirst: return parseDateFirst(line, now);
    case StyleKind::RecordBased: return parseRecordBased(line, now);
    case StyleKind::Detect:
    case StyleKind::Nothing: break;
    }
    return {};
}

void EntryLists::Keep(const std::function<bool(const std::string& name)>& keep)
{
    std::size_t to = 0;
    for (std::size_t i = 0; i < size(); ++i) {
        if (!keep(names[i])) continue;
        if (to != i) {
            names[to] = std::move(names[i]);
            sizes[to] = std::move(sizes[i]);
            dates[to] = std::move(dates[i]);
            attributes[to] = std::move(attributes[i]);
            linkNames[to] = std::move(linkNames[i]);
            sizeValues[to] = sizeValues[i];
            times[to] = times[i];
        }
        ++to;
    }
    for (auto* list : {&names, &sizes, &dates, &attributes, &linkNames}) list->resize(to);
    sizeValues.resize(to);
    times.resize(to);
}

std::vector<std::string> ListingLines(std::string_view listing)
{
    std::size_t lf = 0, crlf = 0;
    for (std::size_t i = 0; i < listing.size(); ++i) {
        if (listing[i] != '\n') continue;
        ++lf;
        if (i > 0 && listing[i - 1] == '\r') ++crlf;
    }
    const std::string_view end = crlf * 2 > lf ? std::string_view("\r\n") : std::string_view("\n");
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < listing.size()) {
        const std::size_t at = listing.find(end, from);
        if (at == std::string_view::npos) {
            lines.emplace_back(listing.substr(from));
            break;
        }
        lines.emplace_back(listing.substr(from, at - from));
        from = at + end.size();
    }
    return lines;
}

int DetectStyle(std::string_view listing)
{
    for (const std::string& line : ListingLines(listing)) {
        if (bytetext::trim(line).empty()) continue;
        if (bytetext::startsWithNoCase(line, "volume")) return kStyleMvs;
        if (bytetext::startsWithNoCase(line, "total")) return kStyleUnix;
        if (isDigit(line[0])) return kStyleDos;
        return kStyleUnix;
    }
    return kStyleUnix;
}

Listing ParseListing(int style, std::string_view listing, const CivilTime& now,
                     const std::function<bool()>& cancelled, bool* complete)
{
    Listing out;
    if (complete) *complete = true;
    const bool permission = KindOfStyle(style) == StyleKind::Permission;
    std::size_t count = 0;
    bool afterBlank = true, inSubfolder = false;
    for (std::string line : ListingLines(listing)) {
        if (cancelled && (++count & 0xFFF) == 0 && cancelled()) {
            // Part of a listing must never read as the whole of it.
            if (complete) *complete = false;
            return {};
        }
        if (bytetext::trim(line).empty()) {
            afterBlank = true;
            continue;
        }
        // What follows a heading belongs to that sub-folder, not to the folder listed.
        if (isSubfolderHeading(style, line, afterBlank, now)) inSubfolder = true;
        afterBlank = false;
        if (inSubfolder) continue;
        // A missing link count would shift every later column by one.
        if (style == kStyleUnix && line.size() >= 15 && line.compare(10, 5, "     ") == 0) line[13] = '1';
        ParsedLine p = ParseLine(style, line, now);
        if (!p.accepted) continue;
        std::string name = std::move(p.name);
        if (permission && p.attributes.starts_with('l')) {
            const std::size_t arrow = name.find(" -> ");
            name = arrow == std::string::npos ? WithoutLinkTarget(name) : name.substr(0, arrow);
        }
        if (bytetext::trim(name).empty()) continue;
        if (holdsControlBreak(line)) {
            out.refusedLines.push_back(line);
            continue;
        }
        EntryLists& lists = p.directory ? out.directories : out.files;
        std::int64_t value = -1;
        if (!bytetext::parseInt64(p.size, value)) value = -1;
        lists.names.push_back(std::move(name));
        lists.sizes.push_back(std::move(p.size));
        lists.dates.push_back(std::move(p.date));
        lists.attributes.push_back(std::move(p.attributes));
        lists.linkNames.emplace_back();
        lists.sizeValues.push_back(value);
        lists.times.push_back(p.time);
    }
    return out;
}

}  // namespace ftplisting
