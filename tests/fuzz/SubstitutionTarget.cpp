// Line substitution: variables, numeric variables, parameters and the in-line functions.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "desktop/StringRoutines.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "runner/LineSubstitution.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace {

struct Input {
    std::string line;
    VariableStore variables;
    std::map<std::string, double> numbers;  // upper-case names
    std::vector<std::string> verbatimNames;
    std::vector<std::string> parameters{"/scripts/fuzz.ftp"};
};

Input inputFrom(std::string_view data)
{
    Input in;
    std::string_view rest;
    in.line = std::string(fuzz::head(data, &rest));
    while (!rest.empty()) {
        const std::string_view l = fuzz::head(rest, &rest);
        if (l.starts_with('@')) {
            // A few are enough to repeat a line; each costs a run of every step.
            if (in.parameters.size() <= 4) in.parameters.emplace_back(l.substr(1));
            continue;
        }
        const auto eq = l.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view name = l.substr(0, eq), value = l.substr(eq + 1);
        if (name.starts_with('#')) {
            const std::string number(value);
            char* end = nullptr;
            const double v = std::strtod(number.c_str(), &end);
            if (end != number.c_str() && std::isfinite(v))
                in.numbers[bytetext::toUpper(bytetext::trim(name.substr(1)))] = v;
        } else if (name.starts_with('!')) {
            // A value as a server gives it (a folder, a listed name).
            in.variables.SetVerbatimVariable(name.substr(1), value);
            in.verbatimNames.emplace_back(bytetext::trim(name.substr(1)));
        } else {
            in.variables.SetVariable(name, value);
        }
    }
    return in;
}

// Runs one step; the steps that read numbers or dates may raise EConvertError, no other may raise.
std::string step(const char* name, bool mayRaise, const std::function<std::string()>& fn, bool& raised)
{
    try {
        return fn();
    } catch (const EConvertError&) {
        FUZZ_CHECK(mayRaise, std::string(name) + " raised a conversion error");
        raised = true;
    } catch (const std::exception& e) {
        FUZZ_CHECK(false, std::string(name) + " raised " + e.what());
    }
    return {};
}

void checkLine(const std::string& l, const SubstitutionContext& ctx)
{
    bool raised = false;
    const std::string whole = step("RewriteLine", true, [&] { return RewriteLine(l, ctx); }, raised);
    if (raised) return;
    FUZZ_CHECK(!whole.empty(), "an empty rewritten line");
    const std::string t = bytetext::trim(ReplaceAll(l, "%%NewLine%%", "\r"));
    if (t.empty()) FUZZ_CHECK(whole == ";", "a blank line reads " + fuzz::shown(whole));
    else if (t[0] == ';' || t[0] == ':') FUZZ_CHECK(whole == t, "a comment or label was rewritten");
    else if (t.find_first_of("%([") == std::string::npos) FUZZ_CHECK(whole == t, "a plain line was rewritten");
}

}  // namespace

void fuzz::Substitution(std::string_view data)
{
    static const bool clockSet = [] {
        CivilTime t;
        t.year = 2026;
        t.month = 3;
        t.day = 7;
        t.hour = 14;
        t.minute = 5;
        t.second = 9;
        datetime::setClockForTesting([t] { return t; });
        return true;
    }();
    (void)clockSet;

    const Input in = inputFrom(data);
    SubstitutionContext ctx;
    ctx.variables = &in.variables;
    ctx.numericValue = [&](std::string_view name, double& value) {
        const auto it = in.numbers.find(bytetext::toUpper(bytetext::trim(name)));
        if (it == in.numbers.end()) return false;
        value = it->second;
        return true;
    };
    std::size_t remarks = 0;
    ctx.log = [&](const std::string&) { ++remarks; };

    std::vector<std::string> lines;
    try {
        lines = ExpandAllParams(in.line, in.parameters);
    } catch (const std::exception& e) {
        FUZZ_CHECK(false, std::string("ExpandAllParams raised ") + e.what());
    }
    const std::string t = bytetext::trim(in.line);
    if (bytetext::startsWithNoCase(t, "ALLPARAMS ")) FUZZ_CHECK(lines.size() == in.parameters.size() - 1, "repetitions");
    else FUZZ_CHECK(lines == std::vector<std::string>{t}, "a line without ALLPARAMS changed");
    for (const std::string& l : lines) checkLine(l, ctx);

    // A server's value comes through every step as it stands.
    for (const std::string& name : in.verbatimNames) {
        const bool plainName = name.find('%') == std::string::npos && !bytetext::equalsNoCase(name, "NewLine");
        if (!plainName || !in.variables.IsVerbatim(name) || in.numbers.count(bytetext::toUpper(name))) continue;
        const std::string value = in.variables.GetVariable(name);
        bool raised = false;
        const std::string r = step("RewriteLine", false, [&] { return RewriteLine("X %%" + name + "%%", ctx); }, raised);
        FUZZ_CHECK(r == "X " + value, "the server's value " + fuzz::shown(value) + " came through as " + fuzz::shown(r));
    }
}
