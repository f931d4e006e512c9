#pragma once
// The script engine's numeric expressions: a text is compiled once into a flat list of operations
// over bound Double cells, then evaluated on demand against the named variables.

#include "platform/Errors.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Failures of compiling an expression. They go to OnParserError when it is assigned.
class EMathParserError : public Exception {
public:
    using Exception::Exception;
};

class EExpressionHasBlanks : public EMathParserError {
public:
    EExpressionHasBlanks() : EMathParserError("Expression has blanks") {}
};

class EMissMatchingBracket : public EMathParserError {
public:
    EMissMatchingBracket() : EMathParserError("Missing brackets in expression") {}
};

class ESyntaxError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};

class ETooManyNestings : public EMathParserError {
public:
    ETooManyNestings() : EMathParserError("Expression contains too many nestings") {}
};

class EExpressionTooComplex : public EMathParserError {
public:
    EExpressionTooComplex() : EMathParserError("Expression is too complex") {}
};

class EParserInternalError : public EMathParserError {
public:
    EParserInternalError() : EMathParserError("TParser internal error") {}
};

// SetVariable with a name that is no identifier; the message is the name.
class EBadName : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};

// An arithmetic fault while evaluating (or a non-finite value given to a variable). Faults are
// checked before they happen, so no variable or result ever holds an infinity or a NaN. This is
// deliberately no EMathParserError: it leaves reading the value and never goes to OnParserError.
enum class ArithmeticFault {
    FloatDivideByZero,    // x / 0, LN(0), 0 raised to a negative power
    IntegerDivideByZero,  // DIV or MOD by a divisor that truncates to 0
    InvalidOperation,     // 0 / 0, LN or SQRT of a negative, truncating |x| >= 2^63, ...
    Overflow,             // a result beyond the Double range
    IntegerOverflow,      // the smallest 64-bit integer DIV -1
};

class EParserArithmeticError : public Exception {
public:
    explicit EParserArithmeticError(ArithmeticFault fault);
    ArithmeticFault Fault() const { return fault_; }

private:
    ArithmeticFault fault_;
};

struct TParserOperation;
// Computes the operation's result from its operands; raises EParserArithmeticError on a fault.
using TParserRoutine = void (*)(TParserOperation&);

// One compiled operation. Operands point at variable storage, constants or earlier results.
struct TParserOperation {
    double* First = nullptr;
    double* Second = nullptr;  // none for one-operand operations
    double* Result = nullptr;
    TParserRoutine Routine = nullptr;
    std::uint8_t Code = 0;
};

// A compiled expression: the operations in evaluation order and the cells they own.
struct TParserProgram {
    std::deque<double> Cells;  // constants and results; a deque keeps their addresses
    std::vector<TParserOperation> Operations;
};

class TCustomParser {
public:
    using TParserExceptionEvent = std::function<void(TCustomParser& sender, const Exception& e)>;

    TCustomParser();
    virtual ~TCustomParser();
    TCustomParser(const TCustomParser&) = delete;
    TCustomParser& operator=(const TCustomParser&) = delete;

    // Storage of the eight fixed variables; compiled expressions read them by address.
    double A = 0, B = 0, C = 0, D = 0, E = 0, X = 0, Y = 0, T = 0;

    // True: numbers use "." whatever the locale. False: the C library locale's decimal separator.
    bool PascalNumberformat = true;

    // Called with a compile failure instead of raising it.
    TParserExceptionEvent OnParserError;

    // Frees the compiled expression and compiles `text` (nothing for an empty text). A failure
    // leaves no expression (GetValue is 0) and raises, or goes to OnParserError when assigned.
    void SetExpression(const std::string& text);
    const std::string& GetExpression() const { return expression_; }
    bool ParseFailed() const { return parseFailed_; }

    // Runs the compiled operations with the variables' current values; 0 without an expression.
    // Raises EParserArithmeticError on an arithmetic fault.
    double GetValue() const;

    // Names are upper-cased. An unknown name is registered first (EBadName when it is no
    // identifier). A NaN or infinite value raises EParserArithmeticError and changes nothing.
    void SetVariable(std::string_view name, double value);
    // 0 for an unknown name.
    double GetVariable(std::string_view name) const;
    bool HasVariable(std::string_view name) const;

    // Every blank (code 32) removed.
    static std::string RemoveBlanks(std::string_view text);

protected:
    void ClearVariables();
    // Duplicates are errors (std::logic_error): the lists are the parser's own vocabulary.
    void AddFunction(std::string_view name, TParserRoutine routine);
    void AddFunctionTwoParam(std::string_view name, TParserRoutine routine);

private:
    struct Variable {
        double* Cell = nullptr;
        std::unique_ptr<double> Owned;  // empty for the fixed variables
    };
    double* FixedField(std::string_view upperName);

    std::string expression_;
    bool parseFailed_ = false;
    std::map<std::string, Variable, std::less<>> variables_;
    std::unique_ptr<TParserProgram> program_;
    std::map<std::string, TParserRoutine, std::less<>> functions_;
    std::map<std::string, TParserRoutine, std::less<>> twoParamFunctions_;
};

// The parser with the fixed variables A, B, C, D, E, X, Y, T and the standard functions.
class TParser : public TCustomParser {
public:
    TParser();
};
