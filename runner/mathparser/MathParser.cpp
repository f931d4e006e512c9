#include "runner/mathparser/MathParser.h"

#include "platform/ByteText.h"
#include "runner/mathparser/ExpressionCompiler.h"
#include "runner/mathparser/Routines.h"

#include <clocale>
#include <stdexcept>

namespace {

const char* faultText(ArithmeticFault fault)
{
    switch (fault) {
    case ArithmeticFault::FloatDivideByZero: return "Floating point division by zero";
    case ArithmeticFault::IntegerDivideByZero: return "Division by zero";
    case ArithmeticFault::InvalidOperation: return "Invalid floating point operation";
    case ArithmeticFault::Overflow: return "Floating point overflow";
    case ArithmeticFault::IntegerOverflow: return "Integer overflow";
    }
    return "Arithmetic error";
}

bool isIdentifier(std::string_view name)
{
    if (name.empty()) return false;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!letter(name[0])) return false;
    for (char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

}  // namespace

EParserArithmeticError::EParserArithmeticError(ArithmeticFault fault)
    : Exception(faultText(fault)), fault_(fault)
{
}

TCustomParser::TCustomParser() = default;

TCustomParser::~TCustomParser()
{
    program_.reset();
    ClearVariables();
}

void TCustomParser::SetExpression(const std::string& text)
{
    program_.reset();
    expression_ = text;
    if (text.empty()) return;
    mathparser::CompileNames names;
    names.Variable = [this](std::string_view name) -> double* {
        const auto it = variables_.find(name);
        return it == variables_.end() ? nullptr : it->second.Cell;
    };
    names.Function = [this](std::string_view name) -> TParserRoutine {
        const auto it = functions_.find(name);
        return it == functions_.end() ? nullptr : it->second;
    };
    names.TwoParamFunction = [this](std::string_view name) -> TParserRoutine {
        const auto it = twoParamFunctions_.find(name);
        return it == twoParamFunctions_.end() ? nullptr : it->second;
    };
    if (!PascalNumberformat) {
        const char* point = std::localeconv()->decimal_point;
        if (point && point[0] && !point[1]) names.DecimalSeparator = point[0];
    }
    try {
        program_ = mathparser::CompileExpression(text, names);
        parseFailed_ = false;
    } catch (const EMathParserError& e) {
        parseFailed_ = true;
        if (!OnParserError) throw;
        OnParserError(*this, e);
    }
}

double TCustomParser::GetValue() const
{
    if (!program_) return 0;
    for (TParserOperation& op : program_->Operations) op.Routine(op);
    const double result = *program_->Operations.back().Result;
    mathparser::CheckFinite(result);  // a fixed variable assigned directly may hold anything
    return result;
}

double* TCustomParser::FixedField(std::string_view upperName)
{
    if (upperName.size() != 1) return nullptr;
    switch (upperName[0]) {
    case 'A': return &A;
    case 'B': return &B;
    case 'C': return &C;
    case 'D': return &D;
    case 'E': return &E;
    case 'X': return &X;
    case 'Y': return &Y;
    case 'T': return &T;
    default: return nullptr;
    }
}

void TCustomParser::SetVariable(std::string_view name, double value)
{
    mathparser::CheckFinite(value);
    const std::string upperName = bytetext::toUpper(name);
    auto it = variables_.find(upperName);
    if (it == variables_.end()) {
        Variable entry;
        if (double* field = FixedField(upperName)) {
            entry.Cell = field;
        } else if (isIdentifier(upperName)) {
            entry.Owned = std::make_unique<double>(0.0);
            entry.Cell = entry.Owned.get();
        } else {
            throw EBadName(upperName);
        }
        it = variables_.emplace(upperName, std::move(entry)).first;
    }
    *it->second.Cell = value;
}

double TCustomParser::GetVariable(std::string_view name) const
{
    const auto it = variables_.find(bytetext::toUpper(name));
    return it == variables_.end() ? 0.0 : *it->second.Cell;
}

bool TCustomParser::HasVariable(std::string_view name) const
{
    return variables_.find(bytetext::toUpper(name)) != variables_.end();
}

std::string TCustomParser::RemoveBlanks(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != ' ') result += c;
    return result;
}

void TCustomParser::ClearVariables()
{
    // The compiled list points into the storage freed here, so it goes first.
    program_.reset();
    variables_.clear();
    expression_.clear();
}

void TCustomParser::AddFunction(std::string_view name, TParserRoutine routine)
{
    if (!functions_.emplace(bytetext::toUpper(name), routine).second)
        throw std::logic_error("duplicate parser function " + std::string(name));
}

void TCustomParser::AddFunctionTwoParam(std::string_view name, TParserRoutine routine)
{
    if (!twoParamFunctions_.emplace(bytetext::toUpper(name), routine).second)
        throw std::logic_error("duplicate parser function " + std::string(name));
}

TParser::TParser()
{
    for (const char* name : {"A", "B", "C", "D", "E", "X", "Y", "T"}) SetVariable(name, 0.0);
    for (const auto& f : mathparser::StandardFunctions()) AddFunction(f.Name, f.Routine);
    for (const auto& f : mathparser::StandardTwoParamFunctions()) AddFunctionTwoParam(f.Name, f.Routine);
}
