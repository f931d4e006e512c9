// The expression parser: compile any text, evaluate what compiles.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "platform/ByteText.h"
#include "runner/mathparser/MathParser.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace {

struct Outcome {
    bool compiled = false;
    std::optional<double> value;  // empty: an arithmetic fault
    ArithmeticFault fault{};
};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameOutcome(const Outcome& a, const Outcome& b)
{
    if (a.compiled != b.compiled || a.value.has_value() != b.value.has_value()) return false;
    if (a.value) return sameBits(*a.value, *b.value);
    return !a.compiled || a.fault == b.fault;
}

using Variables = std::vector<std::pair<std::string, double>>;

// "NAME=number" lines; names the parser refuses and non-finite numbers are passed over.
Variables variablesFrom(std::string_view rest)
{
    Variables vars;
    while (!rest.empty() && vars.size() < 16) {
        const std::string_view line = fuzz::head(rest, &rest);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string number(line.substr(eq + 1));
        char* end = nullptr;
        const double v = std::strtod(number.c_str(), &end);
        if (end == number.c_str() || !std::isfinite(v)) continue;
        vars.emplace_back(line.substr(0, eq), v);
    }
    return vars;
}

void setVariables(TParser& p, const Variables& vars)
{
    for (const auto& [name, value] : vars) {
        try {
            p.SetVariable(name, value);
        } catch (const EBadName&) {
        }
    }
    // A non-finite value is refused and changes nothing.
    p.X = 1.5;
    bool refused = false;
    try {
        p.SetVariable("X", std::nan(""));
    } catch (const EParserArithmeticError&) {
        refused = true;
    }
    FUZZ_CHECK(refused && p.X == 1.5, "a NaN reached a variable");
    for (const auto& [name, value] : vars) {
        if (bytetext::equalsNoCase(name, "X")) {
            try {
                p.SetVariable(name, value);
            } catch (const EBadName&) {
            }
        }
    }
}

Outcome evaluate(const TParser& p)
{
    Outcome o;
    o.compiled = true;
    try {
        const double v = p.GetValue();
        FUZZ_CHECK(std::isfinite(v), "the value is " + std::to_string(v));
        o.value = v;
    } catch (const EParserArithmeticError& e) {
        o.fault = e.Fault();
    }
    return o;
}

Outcome run(const std::string& expression, const Variables& vars)
{
    TParser p;
    setVariables(p, vars);
    std::vector<double> before;
    for (const auto& [name, value] : vars) before.push_back(p.GetVariable(name));
    Outcome o;
    try {
        p.SetExpression(expression);
    } catch (const EMathParserError&) {
        FUZZ_CHECK(p.ParseFailed(), "a failure that left ParseFailed unset");
        FUZZ_CHECK(p.GetValue() == 0, "a failed expression with a value");
        return o;
    } catch (const std::exception& e) {
        FUZZ_CHECK(false, std::string("SetExpression raised ") + e.what());
    }
    FUZZ_CHECK(p.GetExpression() == expression, "the expression text changed");
    if (expression.empty()) {
        FUZZ_CHECK(p.GetValue() == 0, "an empty expression with a value");
        return o;
    }
    FUZZ_CHECK(!p.ParseFailed(), "a compiled expression marked failed");
    o = evaluate(p);
    // Evaluating reads the variables and never writes them; a second run gives the same outcome.
    for (std::size_t i = 0; i < vars.size(); ++i)
        FUZZ_CHECK(sameBits(p.GetVariable(vars[i].first), before[i]), "evaluating changed " + vars[i].first);
    if (bytetext::findNoCase(expression, "RND") == std::string::npos)
        FUZZ_CHECK(sameOutcome(o, evaluate(p)), "two evaluations differ");
    return o;
}

}  // namespace

void fuzz::MathParser(std::string_view data)
{
    std::string_view rest;
    const std::string expression(fuzz::head(data, &rest));
    const Variables vars = variablesFrom(rest);
    const Outcome o = run(expression, vars);

    // With OnParserError the failure goes to the handler, and only there.
    {
        TParser p;
        setVariables(p, vars);
        int calls = 0;
        p.OnParserError = [&](TCustomParser& sender, const Exception&) {
            FUZZ_CHECK(&sender == &p, "the handler got another sender");
            ++calls;
        };
        try {
            p.SetExpression(expression);
        } catch (...) {
            FUZZ_CHECK(false, "SetExpression raised with OnParserError assigned");
        }
        FUZZ_CHECK(calls == (p.ParseFailed() ? 1 : 0), "the handler ran " + std::to_string(calls) + " times");
        FUZZ_CHECK(p.ParseFailed() == (!o.compiled && !expression.empty()), "the handler changed the outcome");
    }

    if (bytetext::findNoCase(expression, "RND") != std::string::npos) return;
    // Case does not matter, and one more pair of enclosing brackets changes nothing.
    FUZZ_CHECK(sameOutcome(o, run(bytetext::toLower(expression), vars)), "lower case reads differently");
    if (o.compiled && expression.size() < 2000) {
        const std::size_t from = expression.find_first_not_of(' ');
        const std::string inner = expression.substr(from, expression.find_last_not_of(' ') + 1 - from);
        FUZZ_CHECK(sameOutcome(o, run("(" + inner + ")", vars)), "enclosing brackets change the outcome");
    }
}
