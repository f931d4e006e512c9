#include "runner/LineSubstitution.h"

#include "desktop/StringRoutines.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/NumberText.h"
#include "runner/Arguments.h"
#include "runner/DateRoutines.h"

#include <cstdint>

using bytetext::findNoCase;

namespace {

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

// Replaces every [%%name%%] or %%name%% (by `open`/`close`), leftmost first, searching again from
// the start after each replacement.
bool substituteMarkers(std::string& line, const char* open, const char* close,
                       const SubstitutionContext& ctx, int& budget)
{
    const std::size_t openLen = std::char_traits<char>::length(open);
    const std::size_t closeLen = std::char_traits<char>::length(close);
    for (;;) {
        const auto a = line.find(open);
        if (a == std::string::npos) return true;
        const auto b = line.find(close, a + openLen);
        if (b == std::string::npos) return true;
        if (budget-- <= 0) return false;
        const std::string name = bytetext::trim(std::string_view(line).substr(a + openLen, b - a - openLen));
        std::string value;
        double number = 0;
        if (ctx.numericValue && ctx.numericValue(name, number)) value = numbertext::floatToStr(number);
        else if (ctx.variables) value = ctx.variables->GetVariable(name);
        const std::size_t grown = line.size() - (b + closeLen - a) + value.size();
        if (grown > kMaxSubstitutedLineLength && grown > line.size()) return false;
        line.replace(a, b + closeLen - a, value);
    }
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

// Repeatedly replaces "<marker><format>]" by the formatted time, resuming after each result.
std::string expandMacro(std::string line, const char* marker, bool minutes, const char* fallback)
{
    std::size_t from = 0;
    for (;;) {
        const auto a = findNoCase(line, marker, from);
        if (a == std::string::npos) return line;
        const std::size_t start = a + std::char_traits<char>::length(marker);
        const auto close = line.find(']', start);
        if (close == std::string::npos) return line;
        std::string picture = bytetext::trim(std::string_view(line).substr(start, close - start));
        if (minutes)
            for (char& c : picture)
                if (c == 'm' || c == 'M') c = 'n';
        const std::string value = formatNow(picture, fallback);
        line.replace(a, close + 1 - a, value);
        from = a + value.size();
    }
}

// Replaces every "<name>(args)" by fn(args); a name without ")" ends the step. The search resumes
// after each result, so a result that spells the name again cannot loop.
template <class Fn>
std::string expandFunction(std::string line, const char* name, Fn fn)
{
    const std::size_t nameLen = std::char_traits<char>::length(name);
    std::size_t from = 0;
    for (;;) {
        const auto a = findNoCase(line, name, from);
        if (a == std::string::npos) return line;
        const auto close = line.find(')', a + nameLen);
        if (close == std::string::npos) return line;
        const std::string value = fn(line.substr(a + nameLen, close - a - nameLen));
        line.replace(a, close + 1 - a, value);
        from = a + value.size();
    }
}

}  // namespace

std::string ParameterValue(const std::string& parameter) { return parameter; }

std::vector<std::string> ExpandAllParams(std::string_view line, const std::vector<std::string>& parameters)
{
    const std::string t = bytetext::trim(line);
    if (!bytetext::startsWithNoCase(t, "ALLPARAMS ")) return {t};
    const std::string rest = bytetext::trim(std::string_view(t).substr(10));
    std::vector<std::string> out;
    for (std::size_t k = 1; k < parameters.size(); ++k) {
        std::string l = ReplaceAll(rest, "%%ALLPAR%%", "%%Param" + std::to_string(k) + "%%");
        l = ReplaceAll(l, "%%NAMEPAR%%", apppaths::extractFileName(ParameterValue(parameters[k])));
        out.push_back(std::move(l));
    }
    return out;
}

std::string RewriteLine(std::string_view line, const SubstitutionContext& ctx)
{
    std::string l = bytetext::trim(ReplaceAll(line, "%%NewLine%%", "\r"));
    if (!l.empty() && l[0] != ';' && l[0] != ':') {
        l = SubstituteVariables(l, ctx);
        l = ExpandCaseFunctions(l);
        l = ExpandDateFunctions(l, ctx);
        l = ExpandDateTimeMacros(l);
        l = ExpandSubstrFunction(l);
        l = ExpandPositionFunction(l);
        l = ExpandLengthFunction(l);
    }
    return l.empty() ? ";" : l;
}

std::string SubstituteVariables(std::string_view line, const SubstitutionContext& ctx)
{
    std::string l(line);
    int budget = kMaxReplacementsPerLine;
    if (!substituteMarkers(l, "[%%", "%%]", ctx, budget) || !substituteMarkers(l, "%%", "%%", ctx, budget)) {
        // The count ran out (budget below 0), or the line reached its longest.
        const std::string where = budget < 0 ? "after " + std::to_string(kMaxReplacementsPerLine) + " replacements"
                                             : "at " + std::to_string(kMaxSubstitutedLineLength) + " bytes";
        if (ctx.log) ctx.log("   ---> Variable substitution stopped " + where + " (a variable refers to itself)");
    }
    return l;
}

std::string ExpandCaseFunctions(std::string_view line)
{
    std::string l(line);
    for (int pass = 0; pass < 2; ++pass) {
        const char* name = pass == 0 ? "LOWER(" : "UPPER(";
        std::size_t from = 0;
        for (;;) {
            const auto a = findNoCase(l, name, from);
            if (a == std::string::npos) break;
            std::size_t i = a + 6;
            for (; i < l.size() && l[i] != ')'; ++i) l[i] = pass == 0 ? bytetext::lower(l[i]) : bytetext::upper(l[i]);
            from = i;
        }
    }
    return l;
}

std::string ExpandDateFunctions(std::string_view line, const SubstitutionContext& ctx)
{
    const std::string before(line);
    std::string l(line);
    bool replaced = false;
    static const char* const kNames[] = {"DATETOJULIAN(", "JULIANTODATE(", "MONTH(", "DAY(", "YEAR("};
    for (int f = 0; f < 5; ++f) {
        const std::string name = kNames[f];
        std::size_t from = 0;
        for (;;) {
            const auto a = findNoCase(l, name, from);
            if (a == std::string::npos) break;
            const auto close = l.find(')', a + name.size());
            if (close == std::string::npos) return l;  // ends the step, without the log line
            const std::string arg = StripArgQuotes(l.substr(a + name.size(), close - a - name.size()));
            std::string value;
            int y = 0, m = 0, d = 0;
            if (f == 1) {
                JulianDayToDate(toInteger(arg), y, m, d);
                CivilTime t;
                t.year = y;
                t.month = m;
                t.day = d;
                value = datetime::shortDate(t);
            } else {
                toDate(arg, y, m, d);
                const int n = f == 0 ? JulianDayOf(y, m, d) : f == 2 ? m : f == 3 ? d : y;
                value = std::to_string(n);
            }
            l.replace(a, close + 1 - a, value);
            from = a + value.size();
            replaced = true;
        }
    }
    if (replaced && ctx.log) ctx.log(" (" + before + ")");
    return l;
}

std::string ExpandDateTimeMacros(std::string_view line)
{
    std::string l = expandMacro(std::string(line), "[DATE:", false, "yyyymmdd");
    return expandMacro(std::move(l), "[TIME:", true, "hhnn");
}

std::string ExpandSubstrFunction(std::string_view line)
{
    return expandFunction(std::string(line), "SUBSTR(", [](const std::string& args) {
        const std::string text = StripArgQuotes(GetDelimitedField(1, args, ','));
        std::int64_t start = toInteger(bytetext::trim(GetDelimitedField(2, args, ',')));
        const std::int64_t count = toInteger(bytetext::trim(GetDelimitedField(3, args, ',')));
        // The framework's Copy: a start below 1 counts from 1, a negative count takes nothing.
        if (start < 1) start = 1;
        if (count <= 0 || start > static_cast<std::int64_t>(text.size())) return std::string();
        return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
    });
}

std::string ExpandPositionFunction(std::string_view line)
{
    return expandFunction(std::string(line), "POSITION(", [](const std::string& args) {
        const std::string sub = StripArgQuotes(GetDelimitedField(1, args, ','));
        const std::string text = StripArgQuotes(GetDelimitedField(2, args, ','));
        const auto p = sub.empty() ? std::string::npos : text.find(sub);
        return std::to_string(p == std::string::npos ? 0 : p + 1);
    });
}

std::string ExpandLengthFunction(std::string_view line)
{
    return expandFunction(std::string(line), "LENGTH(", [](const std::string& args) {
        return std::to_string(StripArgQuotes(args).size());
    });
}
