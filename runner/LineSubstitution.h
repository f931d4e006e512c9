#pragma once
// The rewriting every script line goes through before it is dispatched: parameter repetition,
// NewLine, variables, in-line functions and date/time macros.

#include "platform/Errors.h"
#include "runner/VariableStore.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A text that should be a date or a number is not one (the framework's conversion error).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

struct SubstitutionContext {
    const VariableStore* variables = nullptr;
    // True, with the value, when the name is a numeric variable.
    std::function<bool(std::string_view name, double& value)> numericValue;
    // Receives the engine remarks of the steps (the date functions' " (...)" line, guards).
    std::function<void(const std::string&)> log;
    // Asked now and then during a long line; true stops the steps, leaving the rest of the line
    // as it stands (the caller then performs nothing).
    std::function<bool()> cancelled;
};

// Most replacements of markers that came in with values one line may take before substitution
// stops (a value that refers to itself). The line's own markers are not counted.
constexpr int kMaxReplacementsPerLine = 1000;
// Longest a replacement may make a line: a long value that refers to itself (a listed name, a
// server's reply) would otherwise build a line of gigabytes before the count stops it.
constexpr std::size_t kMaxSubstitutedLineLength = std::size_t{1} << 20;

// Steps 1-2: the trimmed line, once; or for an "ALLPARAMS " line its rest once per script
// parameter with %%ALLPAR%% and %%NAMEPAR%% filled in (none without parameters).
std::vector<std::string> ExpandAllParams(std::string_view line, const std::vector<std::string>& parameters);
// Steps 3-5: NewLine, then (unless a comment or label) the substitutions in their order; an empty
// result reads ";". Values the store holds as verbatim are put in as they stand: no later step
// finds markers, function names or closing brackets inside them. The dates' remark of a line
// whose command hides its echo shows that echo instead of the line.
// `holdsVerbatim`, when given, tells whether any verbatim text is in the result.
std::string RewriteLine(std::string_view line, const SubstitutionContext& ctx, bool* holdsVerbatim = nullptr);

// The value of Param<i>: the parameter itself (file names need no long-name lookup here).
std::string ParameterValue(const std::string& parameter);
// The variable holding the file-name part of parameter k, for "%%NAMEPAR%%": a value, never
// script text. Its name holds a control byte, so no script variable can be it.
std::string NameParameterVariable(std::size_t k);
