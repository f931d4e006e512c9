#include "runner/LineSubstitution.h"

#include "desktop/StringRoutines.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/NumberText.h"
#include "runner/CommandTable.h"
#include "runner/DateRoutines.h"
#include "script/Arguments.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

// Every step is one left-to-right pass that builds a new line: replacing in place and searching
// again from the start made a line of a few megabytes cost minutes.
//
// A line carries the spans that came verbatim from a server (a folder, a listed name). No step
// reads a marker, a function name or a closing bracket inside them, so a reply such as
// 257 "/%%OtherPassword%%" can never pull another variable into the line.

namespace {

struct Span {
    std::size_t begin, end;
};

struct Marked {
    std::string text;
    std::vector<Span> verbatim;  // sorted, disjoint
};

// The first span that ends after `at`.
std::vector<Span>::const_iterator spanAfter(const std::vector<Span>& spans, std::size_t at)
{
    return std::upper_bound(spans.begin(), spans.end(), at, [](std::size_t p, const Span& s) { return p < s.end; });
}

bool overlapsVerbatim(const std::vector<Span>& spans, std::size_t from, std::size_t to)
{
    const auto it = spanAfter(spans, from);
    return it != spans.end() && it->begin < to;
}

// `needle` at or after `from` with none of its bytes in a verbatim span.
std::size_t findOutside(const Marked& m, std::string_view needle, std::size_t from, bool noCase)
{
    for (;;) {
        const std::size_t p = noCase ? bytetext::findNoCase(m.text, needle, from) : m.text.find(needle, from);
        if (p == std::string::npos) return p;
        const auto it = spanAfter(m.verbatim, p);
        if (it == m.verbatim.end() || it->begin >= p + needle.size()) return p;
        from = it->end;
    }
}

// Builds the next line of a step from pieces of the current one and new text. In place, it
// writes into the current line's own buffer: only for steps whose every new text is shorter than
// the piece it replaces, so writing never overtakes reading.
class Builder {
public:
    explicit Builder(Marked& in, bool inPlace = false) : in_(in), inPlace_(inPlace)
    {
        if (!inPlace_) out_.text.reserve(in.text.size());
    }

    // Copies [from, to) of the input with its verbatim spans.
    void copy(std::size_t from, std::size_t to)
    {
        if (to <= from) return;
        const std::size_t base = size();
        if (inPlace_) {
            if (base != from) std::memmove(in_.text.data() + base, in_.text.data() + from, to - from);
            written_ += to - from;
        } else {
            out_.text.append(in_.text, from, to - from);
        }
        for (auto it = spanAfter(in_.verbatim, from); it != in_.verbatim.end() && it->begin < to; ++it)
            add({base + std::max(it->begin, from) - from, base + std::min(it->end, to) - from});
    }
    // `replaced`: the end of the input piece the text stands for.
    void append(std::string_view text, bool verbatim, std::size_t replaced)
    {
        const std::size_t base = size();
        if (inPlace_) {
            if (base + text.size() > replaced) throw std::logic_error("a result outgrew its call");
            std::memcpy(in_.text.data() + base, text.data(), text.size());
            written_ += text.size();
        } else {
            out_.text.append(text);
        }
        if (verbatim && !text.empty()) add({base, size()});
    }
    std::size_t size() const { return inPlace_ ? written_ : out_.text.size(); }
    void finish(std::size_t from)
    {
        copy(from, in_.text.size());
        if (inPlace_) {
            in_.text.resize(written_);
            in_.verbatim = std::move(out_.verbatim);
        } else {
            in_ = std::move(out_);
        }
    }

private:
    void add(Span s)
    {
        if (!out_.verbatim.empty() && out_.verbatim.back().end == s.begin) out_.verbatim.back().end = s.end;
        else out_.verbatim.push_back(s);
    }
    Marked& in_;
    const bool inPlace_;
    Marked out_;
    std::size_t written_ = 0;
};

// Asks, now and then, whether the run was cancelled; once it was, every step leaves the rest of
// its line as it stands.
class Poll {
public:
    explicit Poll(const SubstitutionContext& ctx) : cancelled_(ctx.cancelled) {}
    bool stop()
    {
        if (stopped_ || !cancelled_) return stopped_;
        // The callback is cheap, but not free: a line of short calls asks every 256 of them.
        if ((++calls_ & 0xFF) == 0) stopped_ = cancelled_();
        return stopped_;
    }
    bool stopped() const { return stopped_; }

private:
    const std::function<bool()>& cancelled_;
    unsigned calls_ = 0;
    bool stopped_ = false;
};

int toInteger(const std::string& text)
{
    int v = 0;
    if (!bytetext::parseInt(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

void toDate(const std::string& text, int& y, int& m, int& d)
{
    if (!datetime::parseShortDate(text, y, m, d)) throw EConvertError("'" + text + "' is not a valid date");
}

// The text still to be scanned by the variable step: a value just put in (searched again for
// markers, as the line was searched again from its start) in front of the rest of the line. The
// rest is never copied, so a long line costs one pass however many values go in.
class Pending {
public:
    explicit Pending(const Marked& in) : in_(in) {}
    std::size_t size() const { return head_.size() + in_.text.size() - pos_; }
    // How much of the front is text that came in with values.
    std::size_t valueBytes() const { return head_.size(); }
    char at(std::size_t k) const { return k < head_.size() ? head_[k] : in_.text[pos_ + k - head_.size()]; }
    bool verbatimAt(std::size_t k) const
    {
        if (k < head_.size()) return false;
        const std::size_t p = pos_ + k - head_.size();
        const auto it = spanAfter(in_.verbatim, p);
        return it != in_.verbatim.end() && it->begin <= p;
    }

    // `needle` at or after offset k, with no byte of it verbatim.
    std::size_t find(std::string_view needle, std::size_t k) const
    {
        const std::size_t h = head_.size(), n = needle.size();
        if (k < h) {
            const std::size_t p = head_.find(needle, k);
            if (p != std::string::npos) return p;
            // An occurrence that starts in the value and ends in the rest of the line.
            for (std::size_t s = std::max(k, h >= n ? h - n + 1 : 0); s < h; ++s)
                if (matchesAt(needle, s)) return s;
            k = h;
        }
        const std::size_t p = findOutside(in_, needle, pos_ + k - h, false);
        return p == std::string::npos ? p : p - pos_ + h;
    }
    std::string substr(std::size_t from, std::size_t to) const
    {
        std::string r;
        r.reserve(to - from);
        const std::size_t h = head_.size();
        if (from < h) r.append(head_, from, std::min(to, h) - from);
        if (to > h) r.append(in_.text, pos_ + std::max(from, h) - h, to - std::max(from, h));
        return r;
    }
    // Moves [0, k) into the new line.
    void commit(Builder& out, std::size_t k)
    {
        const std::size_t h = head_.size();
        out.append(std::string_view(head_).substr(0, std::min(k, h)), false, 0);
        if (k > h) out.copy(pos_, pos_ + k - h);
        drop(k);
    }
    void drop(std::size_t k)
    {
        const std::size_t h = head_.size();
        if (k >= h) {
            pos_ += k - h;
            head_.clear();
        } else {
            head_.erase(0, k);
        }
    }
    void prepend(const std::string& value) { head_.insert(0, value); }

private:
    bool matchesAt(std::string_view needle, std::size_t s) const
    {
        if (s + needle.size() > size()) return false;
        for (std::size_t i = 0; i < needle.size(); ++i)
            if (at(s + i) != needle[i] || verbatimAt(s + i)) return false;
        return true;
    }
    const Marked& in_;
    std::string head_;
    std::size_t pos_ = 0;
};

enum class Stop { None, Budget, Length };

// Replaces every "<open>name<close>" leftmost first; a value the script set is searched again
// for markers (together with what follows it), a value from a server is not. `budget` bounds the
// replacements of markers found inside values.
Stop substituteMarkers(Marked& line, std::string_view open, std::string_view close, const SubstitutionContext& ctx,
                       int& budget, Poll& poll)
{
    Builder out(line);
    Pending rest(line);
    Stop stop = Stop::None;
    while (!poll.stop()) {
        const std::size_t a = rest.find(open, 0);
        if (a == std::string::npos) break;
        const std::size_t b = rest.find(close, a + open.size());
        if (b == std::string::npos) break;
        // Only markers that came in with a value count: the line's own are finite, a value that
        // refers to itself is not.
        if (a < rest.valueBytes() && budget-- <= 0) {
            stop = Stop::Budget;
            break;
        }
        const std::string name = bytetext::trim(rest.substr(a + open.size(), b));
        std::string value;
        bool verbatim = false;
        double number = 0;
        if (ctx.numericValue && ctx.numericValue(name, number)) {
            value = numbertext::floatToStr(number);
        } else if (ctx.variables) {
            value = ctx.variables->GetVariable(name);
            verbatim = ctx.variables->IsVerbatim(name);
        }
        const std::size_t length = out.size() + rest.size();
        const std::size_t grown = length - (b + close.size() - a) + value.size();
        if (grown > kMaxSubstitutedLineLength && grown > length) {
            stop = Stop::Length;
            break;
        }
        rest.commit(out, a);
        rest.drop(b + close.size() - a);
        if (verbatim) out.append(value, true, 0);
        else rest.prepend(value);
    }
    rest.commit(out, rest.size());
    out.finish(line.text.size());
    return stop;
}

Marked substituteVariables(Marked line, const SubstitutionContext& ctx, Poll& poll)
{
    int budget = kMaxReplacementsPerLine;
    Stop stop = substituteMarkers(line, "[%%", "%%]", ctx, budget, poll);
    if (stop == Stop::None) stop = substituteMarkers(line, "%%", "%%", ctx, budget, poll);
    if (stop != Stop::None && ctx.log) {
        const std::string where = stop == Stop::Budget
                                      ? "after " + std::to_string(kMaxReplacementsPerLine) + " replacements"
                                      : "at " + std::to_string(kMaxSubstitutedLineLength) + " bytes";
        ctx.log("   ---> Variable substitution stopped " + where + " (a variable refers to itself)");
    }
    return line;
}

void expandCase(Marked& line, Poll& poll)
{
    for (int pass = 0; pass < 2; ++pass) {
        const char* name = pass == 0 ? "LOWER(" : "UPPER(";
        std::size_t from = 0;
        while (!poll.stop()) {
            const auto a = findOutside(line, name, from, true);
            if (a == std::string::npos) break;
            const std::size_t close = findOutside(line, ")", a + 6, false);
            const std::size_t end = close == std::string::npos ? line.text.size() : close;
            for (std::size_t i = a + 6; i < end; ++i)
                line.text[i] = pass == 0 ? bytetext::lower(line.text[i]) : bytetext::upper(line.text[i]);
            from = end;
        }
    }
}

// Replaces every "<name>args<closer>" by fn(args), resuming after each result. A name without
// its closer ends the search; `unclosed` tells the caller. A result made from verbatim text is
// verbatim itself. `shorter`: every result is shorter than its call (numbers, dates, parts of
// the argument), so the line is rewritten in place. A line without the name stays untouched.
template <class Fn>
void expandCalls(Marked& line, std::string_view name, std::string_view closer, Poll& poll, bool* unclosed,
                 bool shorter, Fn fn)
{
    std::size_t a = findOutside(line, name, 0, true);
    if (a == std::string::npos) return;
    Builder out(line, shorter);
    std::size_t from = 0;
    for (; a != std::string::npos && !poll.stop(); a = findOutside(line, name, from, true)) {
        const std::size_t start = a + name.size();
        const auto close = findOutside(line, closer, start, false);
        if (close == std::string::npos) {
            if (unclosed) *unclosed = true;
            break;
        }
        const std::string value = fn(std::string_view(line.text).substr(start, close - start));
        out.copy(from, a);
        from = close + closer.size();
        out.append(value, overlapsVerbatim(line.verbatim, a, from), from);
    }
    out.finish(from);
}

// The date functions; `remark` receives " (" and the line as it came, when at least one was
// replaced.
void expandDates(Marked& line, Poll& poll, std::string* remark)
{
    static const char* const kNames[] = {"DATETOJULIAN(", "JULIANTODATE(", "MONTH(", "DAY(", "YEAR("};
    std::string before;
    bool replaced = false;
    for (int f = 0; f < 5; ++f) {
        bool unclosed = false;
        expandCalls(line, kNames[f], ")", poll, &unclosed, true, [&](std::string_view text) {
            const std::string arg = StripArgQuotes(text);
            if (!replaced && remark) {
                // Kept before the first result overwrites the line; with room for the remark's frame.
                before.reserve(line.text.size() + 3);
                before = " (";
                before += line.text;
            }
            replaced = true;
            int y = 0, m = 0, d = 0;
            if (f == 1) {
                JulianDayToDate(toInteger(arg), y, m, d);
                CivilTime t;
                t.year = y;
                t.month = m;
                t.day = d;
                return datetime::shortDate(t);
            }
            toDate(arg, y, m, d);
            return std::to_string(f == 0 ? JulianDayOf(y, m, d) : f == 2 ? m : f == 3 ? d : y);
        });
        if (unclosed) return;  // ends the step, without the remark
    }
    if (replaced && remark) *remark = std::move(before);
}

std::string formatNow(const std::string& picture, const char* fallback)
{
    const CivilTime t = datetime::now();
    std::string out;
    if (!datetime::formatDateTime(picture, t, out)) datetime::formatDateTime(fallback, t, out);
    for (char& c : out)
        if (c == '.' || c == '/' || c == '\\' || c == ':') c = '_';
    return out;
}

void expandMacros(Marked& line, Poll& poll)
{
    const auto macro = [&](const char* marker, bool minutes, const char* fallback) {
        expandCalls(line, marker, "]", poll, nullptr, false, [&](std::string_view text) {
            std::string picture = bytetext::trim(text);
            if (minutes)
                for (char& c : picture)
                    if (c == 'm' || c == 'M') c = 'n';
            return formatNow(picture, fallback);
        });
    };
    macro("[DATE:", false, "yyyymmdd");
    macro("[TIME:", true, "hhnn");
}

std::string substr(std::string_view args)
{
    const std::string text = StripArgQuotes(GetDelimitedField(1, args, ','));
    std::int64_t start = toInteger(bytetext::trim(GetDelimitedField(2, args, ',')));
    const std::int64_t count = toInteger(bytetext::trim(GetDelimitedField(3, args, ',')));
    // The framework's Copy: a start below 1 counts from 1, a negative count takes nothing.
    if (start < 1) start = 1;
    if (count <= 0 || start > static_cast<std::int64_t>(text.size())) return std::string();
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

std::string position(std::string_view args)
{
    const std::string sub = StripArgQuotes(GetDelimitedField(1, args, ','));
    const std::string text = StripArgQuotes(GetDelimitedField(2, args, ','));
    const auto p = sub.empty() ? std::string::npos : text.find(sub);
    return std::to_string(p == std::string::npos ? 0 : p + 1);
}

std::string length(std::string_view args) { return std::to_string(StripArgQuotes(args).size()); }

// The text functions, in their order.
void expandTextFunctions(Marked& line, Poll& poll)
{
    expandCalls(line, "SUBSTR(", ")", poll, nullptr, true, substr);
    expandCalls(line, "POSITION(", ")", poll, nullptr, true, position);
    expandCalls(line, "LENGTH(", ")", poll, nullptr, true, length);
}

// "%%NewLine%%" in any case becomes CR. One pass is enough: a CR cannot be part of a new match.
std::string replaceNewLine(std::string_view line)
{
    static constexpr std::string_view kMarker = "%%NewLine%%";
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t p = bytetext::findNoCase(line, kMarker, from);
        if (p == std::string::npos) break;
        out.append(line.substr(from, p - from));
        out += '\r';
        from = p + kMarker.size();
    }
    if (from == 0) return std::string(line);
    out.append(line.substr(from));
    return out;
}

std::string_view trimmedView(std::string_view s)
{
    while (!s.empty() && bytetext::isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && bytetext::isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The echo a line's command shows instead of the line, without its leading blank; empty when
// the line is echoed as it stands.
std::string_view hiddenEchoOf(std::string_view line)
{
    const CommandEntry* e = FindCommand(trimmedView(line));
    if (!e || e->hiddenEcho.empty()) return {};
    return e->hiddenEcho.substr(1);
}

}  // namespace

std::string ParameterValue(const std::string& parameter) { return parameter; }

std::string NameParameterVariable(std::size_t k) { return "NAMEPAR\x01" + std::to_string(k); }

std::vector<std::string> ExpandAllParams(std::string_view line, const std::vector<std::string>& parameters)
{
    const std::string t = bytetext::trim(line);
    if (!bytetext::startsWithNoCase(t, "ALLPARAMS ")) return {t};
    const std::string rest = bytetext::trim(std::string_view(t).substr(10));
    std::vector<std::string> out;
    for (std::size_t k = 1; k < parameters.size(); ++k) {
        std::string l = ReplaceAll(rest, "%%ALLPAR%%", "%%Param" + std::to_string(k) + "%%");
        l = ReplaceAll(l, "%%NAMEPAR%%", "%%" + NameParameterVariable(k) + "%%");
        out.push_back(std::move(l));
    }
    return out;
}

std::string RewriteLine(std::string_view line, const SubstitutionContext& ctx, bool* holdsVerbatim)
{
    if (holdsVerbatim) *holdsVerbatim = false;
    // Trimmed before and after: NewLine may leave a blank end.
    const std::string_view t = trimmedView(line);
    std::string l = replaceNewLine(t);
    if (l.size() != t.size()) l = std::string(trimmedView(l));
    if (l.empty()) return ";";
    if (l[0] == ';' || l[0] == ':') return l;
    Poll poll(ctx);
    Marked m = substituteVariables(Marked{std::move(l), {}}, ctx, poll);
    expandCase(m, poll);
    std::string remark;
    expandDates(m, poll, &remark);
    expandMacros(m, poll);
    expandTextFunctions(m, poll);
    if (holdsVerbatim) *holdsVerbatim = !m.verbatim.empty();
    // A line cut short by Cancel is not performed; its remark would only mislead.
    if (!remark.empty() && ctx.log && !poll.stopped()) {
        // A line that hides its echo (a password) hides the dates' remark too: it would show
        // the line whole.
        std::string_view hidden = hiddenEchoOf(m.text);
        if (hidden.empty()) hidden = hiddenEchoOf(std::string_view(remark).substr(2));
        if (!hidden.empty()) remark = " (" + std::string(hidden);
        remark += ')';
        ctx.log(remark);
    }
    return m.text.empty() ? ";" : std::move(m.text);
}
