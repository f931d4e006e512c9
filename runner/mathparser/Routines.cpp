#include "runner/mathparser/Routines.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

namespace mathparser {
namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
// Doubles at or beyond 2^63 have no 64-bit integer; the processor's reduction range ends there too.
constexpr double kTwoPow63 = 9223372036854775808.0;

[[noreturn]] void fault(ArithmeticFault f) { throw EParserArithmeticError(f); }

// Each routine works at extended precision and stores a Double; the range check comes before
// the narrowing so no infinity or NaN is ever stored.
void put(TParserOperation& op, long double v)
{
    if (std::isnan(v)) fault(ArithmeticFault::InvalidOperation);
    if (!(std::fabs(v) <= static_cast<long double>(DBL_MAX))) fault(ArithmeticFault::Overflow);
    *op.Result = static_cast<double>(v);
}

std::int64_t truncChecked(double x)
{
    if (std::isnan(x) || std::fabs(x) >= kTwoPow63) fault(ArithmeticFault::InvalidOperation);
    return static_cast<std::int64_t>(x);
}

long double first(const TParserOperation& op) { return *op.First; }
long double second(const TParserOperation& op) { return *op.Second; }

void noOp(TParserOperation&) {}
void negate(TParserOperation& op) { *op.Result = -*op.First; }
void add(TParserOperation& op) { put(op, first(op) + second(op)); }
void subtract(TParserOperation& op) { put(op, first(op) - second(op)); }
void multiply(TParserOperation& op) { put(op, first(op) * second(op)); }

void divide(TParserOperation& op)
{
    if (*op.Second == 0)
        fault(*op.First == 0 ? ArithmeticFault::InvalidOperation : ArithmeticFault::FloatDivideByZero);
    put(op, first(op) / second(op));
}

// Both checks come first: the processor traps on either, which would end the program.
void intMod(TParserOperation& op)
{
    const std::int64_t a = truncChecked(*op.First), b = truncChecked(*op.Second);
    if (b == 0) fault(ArithmeticFault::IntegerDivideByZero);
    *op.Result = (b == -1) ? 0.0 : static_cast<double>(a % b);
}

void intDiv(TParserOperation& op)
{
    const std::int64_t a = truncChecked(*op.First), b = truncChecked(*op.Second);
    if (b == 0) fault(ArithmeticFault::IntegerDivideByZero);
    if (a == std::numeric_limits<std::int64_t>::min() && b == -1) fault(ArithmeticFault::IntegerOverflow);
    *op.Result = static_cast<double>(a / b);
}

void intPower(TParserOperation& op)
{
    const std::int64_t n = truncChecked(*op.Second);
    std::uint64_t m = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    long double base = first(op), r = 1.0L;
    // At most 64 rounds; an overflow of the extended range only saturates (inf, or 0 below).
    while (m != 0) {
        if (m & 1) r *= base;
        m >>= 1;
        if (m != 0) base *= base;
    }
    if (n < 0) {
        if (r == 0) fault(ArithmeticFault::FloatDivideByZero);
        r = 1.0L / r;
    }
    put(op, r);
}

void power(TParserOperation& op)
{
    const long double x = first(op), y = second(op);
    if (x == 0 && y < 0) fault(ArithmeticFault::FloatDivideByZero);
    if (x < 0 && std::trunc(y) != y) fault(ArithmeticFault::InvalidOperation);
    put(op, std::pow(x, y));
}

void square(TParserOperation& op) { put(op, first(op) * first(op)); }
void cube(TParserOperation& op) { put(op, first(op) * first(op) * first(op)); }
void fourth(TParserOperation& op)
{
    const long double s = first(op) * first(op);
    put(op, s * s);
}

void fnTan(TParserOperation& op) { put(op, std::tan(first(op))); }
void fnSin(TParserOperation& op)
{
    put(op, std::fabs(*op.First) >= kTwoPow63 ? 0.0L : std::sin(first(op)));
}
void fnCos(TParserOperation& op)
{
    put(op, std::fabs(*op.First) >= kTwoPow63 ? 0.0L : std::cos(first(op)));
}
void fnSinh(TParserOperation& op)
{
    const long double x = first(op);
    put(op, (std::exp(x) - std::exp(-x)) / 2);
}
void fnCosh(TParserOperation& op)
{
    const long double x = first(op);
    put(op, (std::exp(x) + std::exp(-x)) / 2);
}
void fnArctan(TParserOperation& op) { put(op, std::atan(first(op))); }
void fnExp(TParserOperation& op) { put(op, std::exp(first(op))); }
void fnLn(TParserOperation& op)
{
    if (*op.First < 0) fault(ArithmeticFault::InvalidOperation);
    if (*op.First == 0) fault(ArithmeticFault::FloatDivideByZero);
    put(op, std::log(first(op)));
}
void fnSqrt(TParserOperation& op)
{
    if (*op.First < 0) fault(ArithmeticFault::InvalidOperation);
    put(op, std::sqrt(first(op)));
}
void fnAbs(TParserOperation& op) { *op.Result = std::fabs(*op.First); }
void fnHeav(TParserOperation& op) { *op.Result = *op.First >= 0 ? 1.0 : 0.0; }
void fnSign(TParserOperation& op)
{
    const double x = *op.First;
    *op.Result = x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
}
void fnZero(TParserOperation& op) { *op.Result = *op.First == 0 ? 0.0 : 1.0; }

// Round half to even; a value past the 64-bit range has no rounded integer.
double roundHalfEven(double w)
{
    if (std::fabs(w) >= kTwoPow63) fault(ArithmeticFault::InvalidOperation);
    const double lower = std::floor(w), diff = w - lower;
    if (diff > 0.5) return lower + 1;
    if (diff < 0.5) return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

void fnPh(TParserOperation& op)
{
    put(op, first(op) * kPi / 2);  // w, rounded to a Double
    const double w = *op.Result;
    put(op, (w - roundHalfEven(w)) * 2 * kPi);
}

void fnRnd(TParserOperation& op)
{
    static std::mt19937_64 generator{std::random_device{}()};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    put(op, std::trunc(first(op)) * unit(generator));
}

void fnMax(TParserOperation& op) { *op.Result = *op.First >= *op.Second ? *op.First : *op.Second; }
void fnMin(TParserOperation& op) { *op.Result = *op.First < *op.Second ? *op.First : *op.Second; }

constexpr NamedRoutine kFunctions[] = {
    {"TAN", fnTan},   {"SIN", fnSin},   {"COS", fnCos},       {"SINH", fnSinh}, {"COSH", fnCosh},
    {"ARCTAN", fnArctan}, {"EXP", fnExp}, {"LN", fnLn},      {"SQRT", fnSqrt}, {"ABS", fnAbs},
    {"HEAV", fnHeav}, {"SIGN", fnSign}, {"ZERO", fnZero},    {"PH", fnPh},     {"RND", fnRnd},
};
constexpr NamedRoutine kTwoParamFunctions[] = {{"MAX", fnMax}, {"MIN", fnMin}};

}  // namespace

TParserRoutine RoutineForCode(std::uint8_t code)
{
    switch (code) {
    case opNegate: return negate;
    case opAdd: return add;
    case opSubtract: return subtract;
    case opMultiply: return multiply;
    case opDivide: return divide;
    case opMod: return intMod;
    case opDiv: return intDiv;
    case opIntPower: return intPower;
    case opPower: return power;
    case opSquare: return square;
    case opCube: return cube;
    case opFourth: return fourth;
    default: return noOp;
    }
}

std::span<const NamedRoutine> StandardFunctions() { return kFunctions; }
std::span<const NamedRoutine> StandardTwoParamFunctions() { return kTwoParamFunctions; }

void CheckFinite(double value)
{
    if (std::isnan(value)) fault(ArithmeticFault::InvalidOperation);
    if (std::isinf(value)) fault(ArithmeticFault::Overflow);
}

}  // namespace mathparser
