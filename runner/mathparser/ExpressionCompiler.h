#pragma once
// Compiling an expression text into the operation list (the parser's grammar and layout).

#include "runner/mathparser/MathParser.h"

#include <functional>
#include <memory>
#include <string_view>

namespace mathparser {

struct CompileNames {
    // Storage of a registered variable (upper-case name), else nullptr.
    std::function<double*(std::string_view)> Variable;
    // Routine of a one- or two-argument function, else nullptr.
    std::function<TParserRoutine(std::string_view)> Function;
    std::function<TParserRoutine(std::string_view)> TwoParamFunction;
    char DecimalSeparator = '.';
};

// The whole text as assigned (any case, blanks at the ends allowed). Raises the
// EMathParserError subclasses; never returns an empty program.
std::unique_ptr<TParserProgram> CompileExpression(std::string_view expression, const CompileNames& names);

// A number operand: "PI", "-PI", or sign, digits, separator and fraction, "E" and exponent.
// No hex, INF or NAN; a value beyond the Double range is no number, one below it reads as 0.
bool ParseNumber(std::string_view text, char decimalSeparator, double& value);

}  // namespace mathparser
