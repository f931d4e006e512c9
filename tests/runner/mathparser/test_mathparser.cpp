#include "runner/mathparser/MathParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace {

const double kPi = std::acos(-1.0);
const std::string kSyntax = "Error parsing expression:\r";
const char* const kZeroDivide = "Floating point division by zero";
const char* const kIntZeroDivide = "Division by zero";
const char* const kInvalid = "Invalid floating point operation";
const char* const kOverflow = "Floating point overflow";
const char* const kNestings = "Expression contains too many nestings";
const char* const kComplex = "Expression is too complex";

using Vars = std::vector<std::pair<std::string, double>>;
using Expected = std::variant<double, std::string>;

struct Case {
    std::string expression;
    Vars vars;
    Expected expected;  // the value, or the message of the error (from compiling or evaluating)
};

// Compiles and evaluates; a compile failure must leave no expression behind.
Expected run(const std::string& expression, const Vars& vars)
{
    TParser parser;
    for (const auto& [name, value] : vars) parser.SetVariable(name, value);
    try {
        parser.SetExpression(expression);
    } catch (const EMathParserError& e) {
        EXPECT_TRUE(parser.ParseFailed());
        EXPECT_EQ(parser.GetValue(), 0.0);
        return std::string(e.what());
    }
    try {
        const double v = parser.GetValue();
        EXPECT_TRUE(std::isfinite(v));
        return v;
    } catch (const EParserArithmeticError& e) {
        return std::string(e.what());
    }
}

void check(const Case& c)
{
    SCOPED_TRACE("expression: " + c.expression.substr(0, 80));
    const Expected got = run(c.expression, c.vars);
    if (const double* want = std::get_if<double>(&c.expected)) {
        ASSERT_TRUE(std::holds_alternative<double>(got)) << "error: " << std::get<std::string>(got);
        EXPECT_NEAR(std::get<double>(got), *want, 1e-12 * std::max(1.0, std::fabs(*want)));
    } else {
        ASSERT_TRUE(std::holds_alternative<std::string>(got)) << "value: " << std::get<double>(got);
        EXPECT_EQ(std::get<std::string>(got), std::get<std::string>(c.expected));
    }
}

std::string repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

// "1+1+...+1" with `terms` terms: right-deep for "+", left-deep for "-"; terms - 1 operators nested.
std::string chain(int terms, char op)
{
    std::string r = "1";
    for (int i = 1; i < terms; ++i) r.append(1, op).append("1");
    return r;
}

// A balanced sum of 64 leaves (levels 0 to 5 hold the "+"); `calls` of the leaves are ABS(1),
// whose own operands all land on level 7.
std::string balancedSum(int calls)
{
    int leaf = 0;
    auto build = [&](auto& self, int depth) -> std::string {
        if (depth == 0) return leaf++ < calls ? "ABS(1)" : "1";
        return "(" + self(self, depth - 1) + ")+(" + self(self, depth - 1) + ")";
    };
    return build(build, 6);
}

TEST(MathParser, ExpressionTable)
{
    const double w = kPi / 2;
    const Case cases[] = {
        // Operator order and grouping.
        {"1+2*3", {}, 7.0},
        {"2*3+1", {}, 7.0},
        {"10-4-3", {}, 3.0},
        {"10-4+3", {}, 9.0},
        {"12/4/3", {}, 1.0},
        {"12/4*3", {}, 9.0},
        {"2*12/4", {}, 6.0},
        {"A*BDIVC", {{"A", 2}, {"B", 7}, {"C", 2}}, 6.0},
        {"ADIVB*C", {{"A", 7}, {"B", 2}, {"C", 3}}, 9.0},
        {" a+b ", {{"A", 1}, {"B", 2}}, 3.0},
        {"A-B--2", {{"A", 5}, {"B", 1}}, 6.0},
        {"A/B/-2", {{"A", 6}, {"B", 3}}, -1.0},
        {"A-B-1E-3", {{"A", 5}, {"B", 1}}, 3.999},
        // Unary minus: part of a number, a negation, or rejected.
        {"-A^2", {{"A", 3}}, -9.0},
        {"-A*B", {{"A", 2}, {"B", 3}}, -6.0},
        {"-A+B", {{"A", 2}, {"B", 3}}, 1.0},
        {"(-A)-B", {{"A", 2}, {"B", 3}}, -5.0},
        {"A*-2", {{"A", 3}}, -6.0},
        {"-A-B", {}, kSyntax + "-A-B"},
        {"A*-B", {}, kSyntax + "A\r-B"},
        // Powers: square, cube, fourth, integer and general.
        {"3^2", {}, 9.0},
        {"2^3", {}, 8.0},
        {"2^4", {}, 16.0},
        {"2^10", {}, 1024.0},
        {"2^0", {}, 1.0},
        {"A^-1", {{"A", 4}}, 0.25},
        {"4^0.5", {}, 2.0},
        {"(-2)^3", {}, -8.0},
        {"A^B", {{"A", -2}, {"B", 3}}, -8.0},
        {"(A^2)^2", {{"A", 3}}, 81.0},
        {"A^2^2", {}, kSyntax + "A^2\r2"},
        {"10^-400", {}, 0.0},
        // Integer division and remainder.
        {"7DIV2", {}, 3.0},
        {"-7DIV2", {}, -3.0},
        {"7.9MOD2", {}, 1.0},
        {"-7MOD2", {}, -1.0},
        {"9E18DIV-1", {}, -9e18},
        // Brackets: redundant pairs around the whole and around operands.
        {"(((A)))", {{"A", 5}}, 5.0},
        {"((A+B))*C", {{"A", 1}, {"B", 2}, {"C", 4}}, 12.0},
        {"SIN((A))", {{"A", 0}}, 0.0},
        {"MAX((A),B)", {{"A", 1}, {"B", 2}}, 2.0},
        {repeat("(", 10000) + "A" + repeat(")", 10000), {{"A", 7}}, 7.0},
        {"(A", {}, "Missing brackets in expression"},
        {")A(", {}, kSyntax + ")A("},
        // Functions.
        {"SIN(0)", {}, 0.0},
        {"COS(0)", {}, 1.0},
        {"TAN(0)", {}, 0.0},
        {"SINH(1)", {}, std::sinh(1.0)},
        {"COSH(1)", {}, std::cosh(1.0)},
        {"ARCTAN(1)", {}, kPi / 4},
        {"EXP(1)", {}, std::exp(1.0)},
        {"LN(EXP(2))", {}, 2.0},
        {"SQRT(16)", {}, 4.0},
        {"ABS(-3)", {}, 3.0},
        {"HEAV(0)", {}, 1.0},
        {"HEAV(-1)", {}, 0.0},
        {"SIGN(-5)", {}, -1.0},
        {"SIGN(0)", {}, 0.0},
        {"ZERO(0)", {}, 0.0},
        {"ZERO(3)", {}, 1.0},
        {"PH(1)", {}, (w - 2) * 2 * kPi},
        {"SIN(1E19)", {}, 0.0},
        {"COS(-1E19)", {}, 0.0},
        {"EXP(-1000)", {}, 0.0},
        {"RND(0)", {}, 0.0},
        {"MAX(A,B+1)", {{"A", 1}, {"B", 1}}, 2.0},
        {"MIN(3,2)", {}, 2.0},
        {"MAX(MIN(A,B),C)", {{"A", 1}, {"B", 2}, {"C", 0}}, 1.0},
        {"-SIN(A)*2", {{"A", kPi / 2}}, -2.0},
        {"MAX(,A)", {}, kSyntax + "MAX(,A)"},
        {"FOO(1)", {}, kSyntax + "FOO(1)"},
        // Numbers and named variables.
        {"2*PI", {}, 2 * kPi},
        {"-PI", {}, -kPi},
        {"pi", {}, kPi},
        {"1.5", {}, 1.5},
        {".5", {}, 0.5},
        {"5.", {}, 5.0},
        {"1E3", {}, 1000.0},
        {"1E+3", {}, 1000.0},
        {"A-1E-3", {{"A", 1}}, 0.999},
        {"1E-400", {}, 0.0},
        {"Count*2", {{"count", 5}}, 10.0},
        {"1,5", {}, kSyntax + "1,5"},
        {"INF", {}, kSyntax + "INF"},
        {"NAN", {}, kSyntax + "NAN"},
        {"0X10", {}, kSyntax + "0X10"},
        {"1E400", {}, kSyntax + "1E400"},
        {"A + B", {}, "Expression has blanks"},
        {"   ", {}, kSyntax},
        // Arithmetic faults: raised, never an infinity or NaN.
        {"1/0", {}, kZeroDivide},
        {"0/0", {}, kInvalid},
        {"A/B", {{"A", 1}, {"B", 0}}, kZeroDivide},
        {"1DIV0", {}, kIntZeroDivide},
        {"1MOD0", {}, kIntZeroDivide},
        {"1DIV0.5", {}, kIntZeroDivide},
        {"1E19DIV1", {}, kInvalid},
        {"-9223372036854775808DIV-1", {}, kInvalid},
        {"5MOD-1E300", {}, kInvalid},
        {"1E308*10", {}, kOverflow},
        {"A+B", {{"A", 1.7e308}, {"B", 1.7e308}}, kOverflow},
        {"A-B", {{"A", 1e308}, {"B", -1e308}}, kOverflow},
        {"A^2", {{"A", 1e200}}, kOverflow},
        {"A^3", {{"A", 1e200}}, kOverflow},
        {"A^4", {{"A", 1e100}}, kOverflow},
        {"10^400", {}, kOverflow},
        {"2^1E19", {}, kInvalid},
        {"0^-1", {}, kZeroDivide},
        {"0^-0.5", {}, kZeroDivide},
        {"(-8)^0.5", {}, kInvalid},
        {"EXP(1000)", {}, kOverflow},
        {"SINH(20000)", {}, kOverflow},
        {"COSH(-20000)", {}, kOverflow},
        {"LN(0)", {}, kZeroDivide},
        {"LN(-1)", {}, kInvalid},
        {"SQRT(-1)", {}, kInvalid},
        {"PH(1E300)", {}, kInvalid},
        // Limits: 20 operators deep and 50 operations on one level pass, one more fails.
        {chain(21, '+'), {}, 21.0},
        {chain(22, '+'), {}, kNestings},
        {chain(21, '-'), {}, -19.0},
        {chain(22, '-'), {}, kNestings},
        {chain(25, '-'), {}, kNestings},
        {balancedSum(50), {}, 64.0},
        {balancedSum(51), {}, kComplex},
        // Hostile sizes end in a clean error: the left-deep chain is judged by the depth rule,
        // the others stop at the guards instead of overflowing the stack.
        {chain(5000, '-'), {}, kNestings},
        {chain(5000, '/'), {}, kNestings},
        {chain(5000, '+'), {}, kComplex},
        {repeat("(1+", 2000) + "1" + repeat(")", 2000), {}, kComplex},
        {repeat("(", 100000), {}, "Missing brackets in expression"},
        {repeat("(", 20000) + "1" + repeat(")", 20000), {}, kComplex},
    };
    for (const Case& c : cases) check(c);
}

// The grammar read literally, without memory or shortcuts (exponential, so for short texts only):
// operators + - * / ^, negation, brackets, the variables A and B, digit numbers.
class LiteralGrammar {
public:
    // The value, or nullopt for a syntax error; arithmetic faults are no concern of these texts.
    std::optional<double> Evaluate(const std::string& text) const
    {
        std::string t = strip(text);
        if (!valid(t) && !isVar(t) && !isNum(t)) return std::nullopt;
        return eval(t);
    }

private:
    static constexpr char kOps[] = {'+', '-', '*', '/', '^'};
    static std::string strip(std::string t)
    {
        while (t.size() >= 2 && t.front() == '(' && t.back() == ')' && valid(t.substr(1, t.size() - 2)))
            t = t.substr(1, t.size() - 2);
        return t;
    }
    static bool isVar(const std::string& t) { return t == "A" || t == "B"; }
    static bool isNum(const std::string& t)
    {
        std::size_t k = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
        if (k == t.size()) return false;
        for (; k < t.size(); ++k)
            if (t[k] < '0' || t[k] > '9') return false;
        return true;
    }
    static bool balanced(const std::string& t)
    {
        return std::count(t.begin(), t.end(), '(') == std::count(t.begin(), t.end(), ')');
    }
    static bool bracketed(const std::string& t)
    {
        return t.size() >= 2 && t.front() == '(' && t.back() == ')' && valid(t.substr(1, t.size() - 2));
    }
    static bool negation(const std::string& t)
    {
        if (t.size() < 2 || t[0] != '-') return false;
        const std::string r = t.substr(1);
        return bracketed(r) || isVar(r) || split(r, '^') >= 0;
    }
    static bool shape(const std::string& t, const std::string& allowed)
    {
        if (isVar(t) || isNum(t) || bracketed(t)) return true;
        if (allowed.find('n') != std::string::npos && negation(t)) return true;
        for (char op : allowed)
            if (op != 'n' && split(t, op) >= 0) return true;
        return false;
    }
    static int split(const std::string& t, char op)
    {
        static const std::map<char, std::pair<std::string, std::string>> shapes = {
            {'+', {"n-*/^", "+-*/^"}}, {'-', {"n-*/^", "*/^"}}, {'*', {"n/^", "*/^"}},
            {'/', {"n/^", "^"}},       {'^', {"", ""}},
        };
        for (std::size_t p = 0; p < t.size(); ++p) {
            if (t[p] != op) continue;
            if (p == 0 || p == t.size() - 1) return -1;
            const std::string l = t.substr(0, p), r = t.substr(p + 1);
            if (balanced(l) && balanced(r) && shape(l, shapes.at(op).first) && shape(r, shapes.at(op).second))
                return static_cast<int>(p);
        }
        return -1;
    }
    static bool valid(const std::string& t)
    {
        if (t.empty()) return false;
        if (isNum(t) || isVar(t) || negation(t)) return true;
        for (char op : kOps)
            if (split(t, op) >= 0) return true;
        return bracketed(t);
    }
    double eval(const std::string& t) const
    {
        if (t == "A") return kA;
        if (t == "B") return kB;
        if (isNum(t)) return std::stod(t);
        if (negation(t)) return -eval(strip(t.substr(1)));
        for (char op : kOps) {
            const int p = split(t, op);
            if (p < 0) continue;
            const double l = eval(strip(t.substr(0, p))), r = eval(strip(t.substr(p + 1)));
            switch (op) {
            case '+': return l + r;
            case '-': return l - r;
            case '*': return l * r;
            case '/': return l / r;
            default: return std::pow(l, r);
            }
        }
        ADD_FAILURE() << "no decomposition of a valid text " << t;
        return 0;
    }

public:
    static constexpr double kA = 1.5, kB = -2.25;
};

// The compiler judges sub-texts in its own order and skips sides that cannot qualify; the
// chosen decomposition must still be the literal grammar's.
TEST(MathParser, AgreesWithTheLiteralGrammar)
{
    const char* const pieces[] = {"A", "B", "2", "3", "+", "-", "*", "/", "^", "(", ")"};
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> piece(0, 10), length(1, 11);
    const LiteralGrammar grammar;
    int compiled = 0;
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (int k = length(random); k > 0; --k) text += pieces[piece(random)];
        if (std::count(text.begin(), text.end(), '(') != std::count(text.begin(), text.end(), ')')) continue;
        SCOPED_TRACE(text);
        const std::optional<double> want = grammar.Evaluate(text);
        TParser p;
        p.A = LiteralGrammar::kA;
        p.B = LiteralGrammar::kB;
        try {
            p.SetExpression(text);
        } catch (const ESyntaxError&) {
            EXPECT_FALSE(want.has_value()) << "rejected, literal value " << *want;
            continue;
        }
        ASSERT_TRUE(want.has_value()) << "accepted a text the grammar rejects";
        ++compiled;
        double got = 0;
        try {
            got = p.GetValue();
        } catch (const EParserArithmeticError&) {
            EXPECT_FALSE(std::isfinite(*want)) << "fault where the literal value is " << *want;
            continue;
        }
        EXPECT_NEAR(got, *want, 1e-9 * std::max(1.0, std::fabs(*want)));
    }
    EXPECT_GT(compiled, 1000);  // the sample must exercise accepted texts, not only errors
}

TEST(MathParser, ValueReadsCurrentVariablesWithoutRecompiling)
{
    TParser p;
    p.SetVariable("Count", 3);
    p.SetExpression("A*2+COUNT");
    p.A = 5;
    EXPECT_EQ(p.GetValue(), 13.0);
    p.SetVariable("a", 1);
    p.SetVariable("COUNT", 10);
    EXPECT_EQ(p.GetValue(), 12.0);
    p.SetExpression("(((A)))");
    p.A = -4;
    EXPECT_EQ(p.GetValue(), -4.0);
}

TEST(MathParser, FailedParseLeavesNoExpression)
{
    TParser p;
    p.SetExpression("1+1");
    EXPECT_EQ(p.GetValue(), 2.0);
    EXPECT_THROW(p.SetExpression("1+"), ESyntaxError);
    EXPECT_TRUE(p.ParseFailed());
    EXPECT_EQ(p.GetValue(), 0.0);
    p.SetExpression("2*3");
    EXPECT_FALSE(p.ParseFailed());
    EXPECT_EQ(p.GetValue(), 6.0);
    p.SetExpression("");
    EXPECT_EQ(p.GetValue(), 0.0);
}

TEST(MathParser, OnParserErrorTakesTheFailureInsteadOfRaising)
{
    TParser p;
    std::vector<std::string> seen;
    TCustomParser* sender = nullptr;
    p.OnParserError = [&](TCustomParser& s, const Exception& e) {
        sender = &s;
        seen.push_back(e.what());
    };
    EXPECT_NO_THROW(p.SetExpression("A*-B"));
    EXPECT_NO_THROW(p.SetExpression("(A"));
    EXPECT_EQ(sender, &p);
    EXPECT_EQ(seen, (std::vector<std::string>{kSyntax + "A\r-B", "Missing brackets in expression"}));
    EXPECT_EQ(p.GetValue(), 0.0);
    // Evaluation faults are no parse failures: they reach the reader of the value.
    p.SetExpression("1/A");
    EXPECT_THROW(p.GetValue(), EParserArithmeticError);
    EXPECT_EQ(seen.size(), 2u);
}

TEST(MathParser, Variables)
{
    TParser p;
    p.SetVariable("count", 2);
    EXPECT_TRUE(p.HasVariable("COUNT"));
    EXPECT_EQ(p.GetVariable("Count"), 2.0);
    EXPECT_EQ(p.GetVariable("UNKNOWN"), 0.0);
    p.SetVariable("x", 9);  // a fixed variable: stored in its field
    EXPECT_EQ(p.X, 9.0);

    try {
        p.SetVariable("1X", 0);
        FAIL() << "1X accepted";
    } catch (const EBadName& e) {
        EXPECT_STREQ(e.what(), "1X");
    }
    EXPECT_FALSE(p.HasVariable("1X"));
    EXPECT_THROW(p.SetVariable("A-B", 0), EBadName);

    // No infinity or NaN enters a variable, and a refused value registers nothing.
    EXPECT_THROW(p.SetVariable("BIG", INFINITY), EParserArithmeticError);
    EXPECT_THROW(p.SetVariable("COUNT", NAN), EParserArithmeticError);
    EXPECT_FALSE(p.HasVariable("BIG"));
    EXPECT_EQ(p.GetVariable("COUNT"), 2.0);

    // A field assigned directly is checked when read through an expression.
    p.A = INFINITY;
    p.SetExpression("A");
    EXPECT_THROW(p.GetValue(), EParserArithmeticError);
    p.SetExpression("A+1");
    EXPECT_THROW(p.GetValue(), EParserArithmeticError);
}

TEST(MathParser, RemoveBlanksMakesAnExpressionAcceptable)
{
    TParser p;
    EXPECT_THROW(p.SetExpression("A + B"), EExpressionHasBlanks);
    EXPECT_EQ(TCustomParser::RemoveBlanks(" A + B\t"), "A+B\t");
    p.A = 1;
    p.B = 2;
    p.SetExpression(TCustomParser::RemoveBlanks("A + B"));
    EXPECT_EQ(p.GetValue(), 3.0);
}

TEST(MathParser, RndStaysInItsRange)
{
    TParser p;
    p.SetExpression("RND(10)");
    for (int i = 0; i < 200; ++i) {
        const double v = p.GetValue();
        EXPECT_GE(v, 0.0);
        EXPECT_LT(v, 10.0);
    }
}

}  // namespace
