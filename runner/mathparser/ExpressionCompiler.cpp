#include "runner/mathparser/ExpressionCompiler.h"

#include "platform/ByteText.h"
#include "runner/mathparser/Routines.h"

#include <charconv>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace mathparser {
namespace {

constexpr int kMaxLevel = 20;  // levels 0..20
constexpr std::size_t kMaxSlots = 50;

// Guards against hostile texts, which the grammar alone does not bound: a length, a depth of
// recursion (stack), a count of scan steps (time) and of remembered judgements (memory). Texts
// that fit the level and slot limits stay far below each; past one, the text is too complex.
constexpr std::size_t kMaxLength = 32768;
constexpr int kMaxDepth = 1000;
constexpr std::uint64_t kMaxSteps = 5'000'000;
constexpr std::size_t kMaxMemo = 200'000;

// Binary operators in the order the grammar tries them.
enum Op { kPlus, kMinus, kTimes, kDivWord, kModWord, kSlash, kPower, kOpCount };
constexpr char kOpChar[kOpCount] = {'+', '-', '*', 0, 0, '/', '^'};
constexpr const char* kOpWord[kOpCount] = {nullptr, nullptr, nullptr, "DIV", "MOD", nullptr, nullptr};
constexpr std::uint8_t kOpCodes[kOpCount] = {opAdd, opSubtract, opMultiply, opDiv, opMod, opDivide, opPower};

constexpr unsigned bit(int op) { return 1u << op; }
constexpr unsigned kNegation = 1u << 7;
constexpr unsigned kCall = 1u << 8;
constexpr unsigned kMulLike = bit(kDivWord) | bit(kModWord) | bit(kSlash) | bit(kPower);

// What an operand may be besides a variable, a number or a bracketed text; this table is what
// makes "-" and "/" group to the left and "+" and "*" to the right.
constexpr unsigned kLeftShapes[kOpCount] = {
    kNegation | bit(kMinus) | bit(kTimes) | kMulLike | kCall,  // +
    kNegation | bit(kMinus) | bit(kTimes) | kMulLike | kCall,  // -
    kNegation | kMulLike | kCall,                              // *
    kNegation | kMulLike | kCall,                              // DIV
    kNegation | kMulLike | kCall,                              // MOD
    kNegation | kMulLike | kCall,                              // /
    kCall,                                                     // ^
};
constexpr unsigned kRightShapes[kOpCount] = {
    bit(kPlus) | bit(kMinus) | bit(kTimes) | kMulLike | kCall,  // +
    bit(kTimes) | kMulLike | kCall,                             // -
    bit(kTimes) | kMulLike | kCall,                             // *
    bit(kPower) | kCall,                                        // DIV
    bit(kPower) | kCall,                                        // MOD
    bit(kPower) | kCall,                                        // /
    kCall,                                                      // ^
};

bool isIdentChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }
bool isIdentStart(char c) { return (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Compiler {
public:
    Compiler(std::string_view text, const CompileNames& names);
    std::unique_ptr<TParserProgram> Build();

private:
    using Pos = std::uint32_t;
    static constexpr std::int32_t kUnknown = -2;

    // What is known of one sub-text: split position per operator, the comma of a two-argument
    // call (-1: none), and three yes/no judgements (-1 unknown). Without it the judgement of a
    // left-deep chain re-examines every prefix and doubles in cost per operator.
    struct Info {
        std::int32_t Split[kOpCount] = {kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown};
        std::int32_t Comma = kUnknown;
        std::int8_t Valid = -1, Negation = -1, Call = -1;
    };

    class DepthGuard {
    public:
        explicit DepthGuard(int& depth) : depth_(depth)
        {
            if (++depth_ > kMaxDepth) {
                --depth_;
                throw EExpressionTooComplex();
            }
        }
        ~DepthGuard() { --depth_; }

    private:
        int& depth_;
    };

    static std::uint64_t key(Pos i, Pos j) { return (std::uint64_t{i} << 32) | j; }
    Info& info(Pos i, Pos j);
    void step()
    {
        if (++steps_ > kMaxSteps) throw EExpressionTooComplex();
    }
    bool balanced(Pos i, Pos j) const { return opens_[j] - opens_[i] == closes_[j] - closes_[i]; }
    Pos opLength(int op) const { return kOpWord[op] ? 3 : 1; }

    double* variable(Pos i, Pos j) const;
    bool number(Pos i, Pos j, double* value = nullptr) const;
    bool valid(Pos i, Pos j);
    bool core(Pos i, Pos j);
    bool bracketed(Pos i, Pos j);
    bool negation(Pos i, Pos j);
    std::int32_t split(Pos i, Pos j, int op);
    bool operand(Pos i, Pos j, int op, bool left);
    bool couldBeOperand(Pos i, Pos j, int op, bool left) const;
    Pos callOpen(Pos i, Pos j) const;
    bool call(Pos i, Pos j);
    std::int32_t callTwoParam(Pos i, Pos j);
    void strip(Pos& i, Pos& j);

    double* cell(double v) { return &program_->Cells.emplace_back(v); }
    void place(Pos i, Pos j, int level, TParserOperation& parent, bool first);
    [[noreturn]] void syntaxError(Pos i, Pos j) const;

    std::string_view s_;
    const CompileNames& names_;
    Pos n_;
    std::vector<Pos> opens_, closes_;  // prefix counts of "(" and ")"
    std::vector<Pos> next_[kOpCount];  // next occurrence at or after a position; n_ when none
    std::vector<Pos> nextOpen_, nextComma_;
    std::vector<Pos> identEnd_;        // end of the run of identifier characters from a position
    // For an end j: the start of the longest text before j that could read as a variable or as a
    // number after its sign, and per operator one past the last "(" or allowed right-side
    // operator before j (0: none). Together they tell which right sides cannot qualify.
    std::vector<Pos> plainStart_;
    std::vector<Pos> lastShape_[kOpCount];
    std::unordered_map<std::uint64_t, Info> memo_;
    int depth_ = 0;
    std::uint64_t steps_ = 0;

    std::unique_ptr<TParserProgram> program_ = std::make_unique<TParserProgram>();
    std::deque<TParserOperation> pool_;
    std::vector<TParserOperation*> slots_[kMaxLevel + 1];
};

Compiler::Compiler(std::string_view text, const CompileNames& names)
    : s_(text), names_(names), n_(static_cast<Pos>(text.size()))
{
    opens_.assign(n_ + 1, 0);
    closes_.assign(n_ + 1, 0);
    for (Pos i = 0; i < n_; ++i) {
        opens_[i + 1] = opens_[i] + (s_[i] == '(');
        closes_[i + 1] = closes_[i] + (s_[i] == ')');
    }
    auto nextOf = [&](auto matches) {
        std::vector<Pos> next(n_ + 1, n_);
        for (Pos i = n_; i-- > 0;) next[i] = matches(i) ? i : next[i + 1];
        return next;
    };
    for (int op = 0; op < kOpCount; ++op) {
        next_[op] = nextOf([&](Pos i) {
            return kOpWord[op] ? s_.substr(i, 3) == kOpWord[op] : s_[i] == kOpChar[op];
        });
    }
    nextOpen_ = nextOf([&](Pos i) { return s_[i] == '('; });
    nextComma_ = nextOf([&](Pos i) { return s_[i] == ','; });
    identEnd_.assign(n_ + 1, n_);
    for (Pos i = n_; i-- > 0;) identEnd_[i] = isIdentChar(s_[i]) ? identEnd_[i + 1] : i;

    plainStart_.assign(n_ + 1, 0);
    for (Pos x = 0; x < n_; ++x) {
        const char c = s_[x];
        const bool plain = isIdentChar(c) || c == names_.DecimalSeparator
                           || ((c == '+' || c == '-') && x > 0 && s_[x - 1] == 'E');
        plainStart_[x + 1] = plain ? plainStart_[x] : x + 1;
    }
    for (int op = 0; op < kOpCount; ++op) {
        std::vector<Pos>& last = lastShape_[op];
        last.assign(n_ + 1, 0);
        for (Pos x = 0; x < n_; ++x) {
            bool shape = s_[x] == '(';
            for (int o = 0; o < kOpCount && !shape; ++o)
                shape = (kRightShapes[op] & bit(o)) && next_[o][x] == x;
            last[x + 1] = shape ? x + 1 : last[x];
        }
    }
}

Compiler::Info& Compiler::info(Pos i, Pos j)
{
    auto [it, inserted] = memo_.try_emplace(key(i, j));
    if (inserted && memo_.size() > kMaxMemo) throw EExpressionTooComplex();
    return it->second;
}

double* Compiler::variable(Pos i, Pos j) const
{
    if (i >= j || !isIdentStart(s_[i]) || identEnd_[i] < j) return nullptr;
    return names_.Variable(s_.substr(i, j - i));
}

bool Compiler::number(Pos i, Pos j, double* value) const
{
    double v = 0;
    if (i >= j || !ParseNumber(s_.substr(i, j - i), names_.DecimalSeparator, v)) return false;
    if (value) *value = v;
    return true;
}

// Valid operand text. A run of enclosing brackets is judged from the inside out without
// recursion, so redundant brackets cost no stack.
bool Compiler::valid(Pos i, Pos j)
{
    if (i >= j) return false;
    if (variable(i, j) || number(i, j)) return true;
    DepthGuard guard(depth_);
    Pos k = 0;  // level k is the text [i + k, j - k)
    bool v = false;
    for (;; ++k) {
        const Pos a = i + k, b = j - k;
        if (a >= b) break;
        const Info& known = info(a, b);
        if (known.Valid >= 0) {
            v = known.Valid;
            break;
        }
        if (b - a >= 2 && s_[a] == '(' && s_[b - 1] == ')') continue;
        v = core(a, b);
        info(a, b).Valid = v;
        break;
    }
    while (k-- > 0) {  // each outer level is bracketed around the next
        const Pos a = i + k, b = j - k;
        if (!v) v = core(a, b);
        info(a, b).Valid = v;
    }
    return v;
}

bool Compiler::core(Pos i, Pos j)
{
    if (variable(i, j) || number(i, j) || negation(i, j)) return true;
    for (int op = 0; op < kOpCount; ++op)
        if (split(i, j, op) >= 0) return true;
    return callTwoParam(i, j) >= 0 || call(i, j);
}

bool Compiler::bracketed(Pos i, Pos j)
{
    return j - i >= 2 && s_[i] == '(' && s_[j - 1] == ')' && valid(i + 1, j - 1);
}

bool Compiler::negation(Pos i, Pos j)
{
    if (j - i < 2 || s_[i] != '-') return false;
    if (const Info& known = info(i, j); known.Negation >= 0) return known.Negation;
    DepthGuard guard(depth_);
    const Pos r = i + 1;
    const bool v = bracketed(r, j) || variable(r, j) || split(r, j, kPower) >= 0 || call(r, j)
                   || callTwoParam(r, j) >= 0;
    info(i, j).Negation = v;
    return v;
}

// Scans the operator's occurrences from the left; the first where both sides qualify splits.
// The order of the work differs from a plain scan, never the result: sides that cannot qualify
// are passed over without judging the left one, and before a left side is judged the shorter
// left sides of the same scan are judged shortest first. A left-deep chain then finds each
// prefix already known instead of recursing once per operator, or rescanning every prefix.
std::int32_t Compiler::split(Pos i, Pos j, int op)
{
    const Pos len = opLength(op);
    Pos p = next_[op][i];
    if (p >= j || j - p < len) return -1;
    if (len == 1 && p == i) return -1;  // an operator in front ends the scan
    if (const Info& known = info(i, j); known.Split[op] != kUnknown) return known.Split[op];
    DepthGuard guard(depth_);
    std::int32_t found = -1;
    Pos warmed = p;  // occurrences before this one have had their left side judged
    for (; p < j && j - p >= len; p = next_[op][p + 1]) {
        step();
        if (len == 1 && (p == i || p == j - 1)) break;
        if (p == i) continue;  // a word at the front is skipped
        if (p + len >= lastShape_[op][j] && p + len + 1 < plainStart_[j]) {
            // Up to where a plain variable or number could begin, no right side can qualify.
            p = next_[op][plainStart_[j] - 1 - len];
            if (p >= j || j - p < len) break;
            step();
            if (len == 1 && p == j - 1) break;
        }
        const Pos r = p + len;
        if (!balanced(i, p) || !balanced(r, j) || !couldBeOperand(r, j, op, false)) continue;
        if (!memo_.contains(key(i, p))) {
            for (Pos q = warmed; q < p; q = next_[op][q + 1]) {
                step();
                if (q != i && balanced(i, q)) operand(i, q, op, true);
            }
        }
        warmed = next_[op][p + 1];
        if (operand(i, p, op, true) && operand(r, j, op, false)) {
            found = static_cast<std::int32_t>(p);
            break;
        }
    }
    info(i, j).Split[op] = found;
    return found;
}

// A quick necessary condition of operand(): no judgement of sub-texts, no recursion.
bool Compiler::couldBeOperand(Pos i, Pos j, int op, bool left) const
{
    if (i >= j) return false;
    if (variable(i, j) || number(i, j)) return true;
    if (j - i >= 2 && s_[i] == '(' && s_[j - 1] == ')') return true;
    const unsigned shapes = left ? kLeftShapes[op] : kRightShapes[op];
    if ((shapes & kNegation) && j - i >= 2 && s_[i] == '-') return true;
    for (int o = 0; o < kOpCount; ++o)
        if ((shapes & bit(o)) && next_[o][i + 1] < j) return true;
    return (shapes & kCall) && callOpen(i, j) != j;
}

bool Compiler::operand(Pos i, Pos j, int op, bool left)
{
    if (i >= j) return false;
    if (variable(i, j) || number(i, j) || bracketed(i, j)) return true;
    const unsigned shapes = left ? kLeftShapes[op] : kRightShapes[op];
    if ((shapes & kNegation) && negation(i, j)) return true;
    for (int o = 0; o < kOpCount; ++o)
        if ((shapes & bit(o)) && split(i, j, o) >= 0) return true;
    return (shapes & kCall) && (call(i, j) || callTwoParam(i, j) >= 0);
}

// The first "(" when it stands after at least one character, else j.
Compiler::Pos Compiler::callOpen(Pos i, Pos j) const
{
    const Pos q = nextOpen_[i];
    return (q > i && q < j) ? q : j;
}

bool Compiler::call(Pos i, Pos j)
{
    const Pos q = callOpen(i, j);
    if (q == j || !names_.Function(s_.substr(i, q - i))) return false;
    if (const Info& known = info(i, j); known.Call >= 0) return known.Call;
    DepthGuard guard(depth_);
    const bool v = bracketed(q, j);
    info(i, j).Call = v;
    return v;
}

// The comma that splits the arguments, or -1.
std::int32_t Compiler::callTwoParam(Pos i, Pos j)
{
    const Pos q = callOpen(i, j);
    if (q == j || s_[j - 1] != ')' || !names_.TwoParamFunction(s_.substr(i, q - i))) return -1;
    if (const Info& known = info(i, j); known.Comma != kUnknown) return known.Comma;
    DepthGuard guard(depth_);
    const Pos lo = q + 1, hi = j - 1;
    std::int32_t found = -1;
    for (Pos c = nextComma_[lo]; c < hi; c = nextComma_[c + 1]) {
        step();
        if (c == lo || c == hi - 1) break;
        if (valid(lo, c) && valid(c + 1, hi)) {
            found = static_cast<std::int32_t>(c);
            break;
        }
    }
    info(i, j).Comma = found;
    return found;
}

// Every enclosing bracket pair goes, not just one: "((A+B))*C" and "SIN((A))" compile.
void Compiler::strip(Pos& i, Pos& j)
{
    while (bracketed(i, j)) {
        ++i;
        --j;
    }
}

void Compiler::syntaxError(Pos i, Pos j) const
{
    // The sides of the last split tried on this text (no operator qualified anywhere).
    std::string_view left, right;
    for (int op = 0; op < kOpCount; ++op) {
        const Pos len = opLength(op);
        for (Pos p = next_[op][i]; p < j && j - p >= len; p = next_[op][p + 1]) {
            if (len == 1 && (p == i || p == j - 1)) break;
            if (p == i) continue;
            left = s_.substr(i, p - i);
            right = s_.substr(p + len, j - p - len);
        }
    }
    std::string message = "Error parsing expression:\r";
    if (left.empty() && right.empty())
        message += s_.substr(i, j - i);
    else
        message.append(left).append("\r").append(right);
    throw ESyntaxError(message);
}

// Lays out the node [i, j) at `level`: a leaf binds its storage into the parent's operand; an
// operator gets a result cell there and its own operation one level down.
void Compiler::place(Pos i, Pos j, int level, TParserOperation& parent, bool first)
{
    double*& target = first ? parent.First : parent.Second;
    if (target) throw EParserInternalError();
    if (double* v = variable(i, j)) {
        target = v;
        return;
    }
    if (double v; number(i, j, &v)) {
        target = cell(v);
        return;
    }

    std::uint8_t code = 0;
    TParserRoutine routine = nullptr;
    Pos li = i, lj = j, ri = 0, rj = 0;
    bool two = false;
    double exponent = 0;
    bool constExponent = false;
    if (negation(i, j)) {
        code = opNegate;
        li = i + 1;
    } else {
        for (int op = 0; op < kOpCount && !code; ++op) {
            const std::int32_t p = split(i, j, op);
            if (p < 0) continue;
            code = kOpCodes[op];
            lj = static_cast<Pos>(p);
            ri = static_cast<Pos>(p) + opLength(op);
            rj = j;
            two = true;
        }
        if (code == opPower) {
            strip(ri, rj);
            if (number(ri, rj, &exponent)) {
                constExponent = true;
                if (std::trunc(exponent) != exponent) code = opPower;
                else if (exponent == 2) code = opSquare;
                else if (exponent == 3) code = opCube;
                else if (exponent == 4) code = opFourth;
                else code = opIntPower;
                two = false;
            }
        }
        if (!code) {
            const Pos q = callOpen(i, j);
            if (call(i, j)) {
                code = opFunction;
                routine = names_.Function(s_.substr(i, q - i));
                li = q + 1;
                lj = j - 1;
            } else if (const std::int32_t c = callTwoParam(i, j); c >= 0) {
                code = opFunctionTwoParam;
                routine = names_.TwoParamFunction(s_.substr(i, q - i));
                li = q + 1;
                lj = static_cast<Pos>(c);
                ri = static_cast<Pos>(c) + 1;
                rj = j - 1;
                two = true;
            } else {
                syntaxError(i, j);
            }
        }
    }

    target = cell(0);
    const int childLevel = level + 1;
    if (childLevel > kMaxLevel) throw ETooManyNestings();
    if (slots_[childLevel].size() >= kMaxSlots) throw EExpressionTooComplex();
    TParserOperation& op = pool_.emplace_back();
    op.Code = code;
    op.Result = target;
    op.Routine = routine ? routine : RoutineForCode(code);
    slots_[childLevel].push_back(&op);

    strip(li, lj);
    place(li, lj, childLevel, op, true);
    if (constExponent && (code == opPower || code == opIntPower)) op.Second = cell(exponent);
    if (two) {
        strip(ri, rj);
        place(ri, rj, childLevel, op, false);
    }
}

std::unique_ptr<TParserProgram> Compiler::Build()
{
    Pos i = 0, j = n_;
    strip(i, j);
    TParserOperation root;  // the placeholder whose first operand is the root's value
    place(i, j, 0, root, true);
    for (int level = kMaxLevel; level >= 1; --level)
        for (const TParserOperation* op : slots_[level]) program_->Operations.push_back(*op);
    if (program_->Operations.empty()) {
        root.Result = root.First;
        root.Routine = RoutineForCode(opVariable);
        program_->Operations.push_back(root);
    }
    return std::move(program_);
}

}  // namespace

bool ParseNumber(std::string_view t, char separator, double& value)
{
    constexpr double kPi = 3.14159265358979323846;
    if (t == "PI" || t == "-PI") {
        value = t[0] == '-' ? -kPi : kPi;
        return true;
    }
    const std::size_t n = t.size();
    std::size_t k = 0;
    const bool negative = k < n && t[k] == '-';
    if (k < n && (t[k] == '-' || t[k] == '+')) ++k;
    const std::size_t intStart = k;
    while (k < n && isDigit(t[k])) ++k;
    const std::string_view intDigits = t.substr(intStart, k - intStart);
    std::string_view fracDigits;
    if (k < n && t[k] == separator) {
        const std::size_t fracStart = ++k;
        while (k < n && isDigit(t[k])) ++k;
        fracDigits = t.substr(fracStart, k - fracStart);
    }
    if (intDigits.empty() && fracDigits.empty()) return false;
    std::int64_t exponent = 0;
    std::string_view expText;
    if (k < n && t[k] == 'E') {
        const std::size_t expStart = ++k;
        if (k < n && (t[k] == '-' || t[k] == '+')) ++k;
        const std::size_t digitsStart = k;
        while (k < n && isDigit(t[k])) {
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (t[k] - '0');
            ++k;
        }
        if (k == digitsStart) return false;
        if (t[expStart] == '-') exponent = -exponent;
        expText = t.substr(expStart, k - expStart);
    }
    if (k != n) return false;

    // Normal form for from_chars: "-", digits, ".", digits, "e", exponent ("+" is not taken).
    std::string text;
    if (negative) text += '-';
    text.append(intDigits.empty() ? std::string_view("0") : intDigits);
    if (!fracDigits.empty()) text.append(".").append(fracDigits);
    if (!expText.empty()) text.append("e").append(expText[0] == '+' ? expText.substr(1) : expText);
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Too large is no number; too small is 0. The leading digit's power of ten decides.
        const std::string digits = std::string(intDigits) + std::string(fracDigits);
        const std::size_t z = digits.find_first_not_of('0');
        if (z == std::string::npos) return false;
        const std::int64_t magnitude = static_cast<std::int64_t>(intDigits.size()) - 1
                                       - static_cast<std::int64_t>(z) + exponent;
        if (magnitude >= 0) return false;
        v = negative ? -0.0 : 0.0;
    } else if (ec != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    value = v;
    return true;
}

std::unique_ptr<TParserProgram> CompileExpression(std::string_view expression, const CompileNames& names)
{
    std::string text = bytetext::toUpper(expression);
    const std::size_t b = text.find_first_not_of(' ');
    text = b == std::string::npos ? std::string() : text.substr(b, text.find_last_not_of(' ') - b + 1);
    if (text.find(' ') != std::string::npos) throw EExpressionHasBlanks();
    std::size_t opens = 0, closes = 0;
    for (char c : text) {
        opens += c == '(';
        closes += c == ')';
    }
    if (opens != closes) throw EMissMatchingBracket();
    if (text.size() > kMaxLength) throw EExpressionTooComplex();
    return Compiler(text, names).Build();
}

}  // namespace mathparser
