// Flow control and values: IF ... ENDIF, GOTO, LET, NUMVARIABLE and the existence statements.

#include "platform/ByteText.h"
#include "platform/LocalFiles.h"
#include "runner/ScriptVantrel.h"
#include "script/Arguments.h"

using bytetext::startsWithNoCase;
using bytetext::trim;

namespace {

// The name of a "local-exists(" style operand: up to ")" or the end, quotes stripped.
std::string operandName(const std::string& text, std::size_t prefixLength)
{
    const auto close = text.find(')', prefixLength);
    const std::size_t end = close == std::string::npos ? text.size() : close;
    return StripArgQuotes(text.substr(prefixLength, end - prefixLength));
}

template <class T>
bool compareBy(const std::string& op, const T& a, const T& b)
{
    if (op == "!=") return a != b;
    if (op == "<=") return a <= b;
    if (op == ">=") return a >= b;
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    return a == b;
}

}  // namespace

bool TScriptVantrel::LocalExists(const std::string& name)
{
    const bool found = !localfiles::findMatches(name).empty();
    LogLine(found ? "   ---> Local file \"" + name + "\" exists!" : "   ---> No Local file \"" + name + "\"!");
    return found;
}

TScriptVantrel::Value TScriptVantrel::EvaluateValue(const std::string& text)
{
    std::string t = trim(text);
    bool negate = false;
    if (startsWithNoCase(t, "not ")) {
        negate = true;
        t = trim(std::string_view(t).substr(4));
    }
    Value v;
    auto boolean = [&](bool b) {
        v.type = ValueType::Boolean;
        v.text = (b != negate) ? "True" : "False";
    };
    if (startsWithNoCase(t, "success")) {
        boolean(SuccessFlag);
    } else if (startsWithNoCase(t, "connected")) {
        boolean(FTP.GetConnected());
    } else if (startsWithNoCase(t, "local-exists(")) {
        boolean(LocalExists(ResolveLocalPath(operandName(t, 13))));
    } else if (startsWithNoCase(t, "remote-exists(")) {
        boolean(RemoteExists(operandName(t, 14)));
    } else if (startsWithNoCase(t, "local-filesize(")) {
        v.type = ValueType::Number;
        v.text = std::to_string(LocalFileSize(ResolveLocalPath(operandName(t, 15))));
    } else if (startsWithNoCase(t, "remote-filesize(")) {
        v.type = ValueType::Number;
        v.text = std::to_string(RemoteFileSize(operandName(t, 16)));
    } else {
        v.text = StripArgQuotes(t);
        std::int64_t n = 0;
        v.type = bytetext::parseInt64(v.text, n) ? ValueType::Number : ValueType::String;
    }
    return v;
}

bool TScriptVantrel::EvaluateCondition(const std::string& text)
{
    std::string t = trim(text);
    if (bytetext::endsWithNoCase(t, " then")) t = trim(std::string_view(t).substr(0, t.size() - 4));
    std::string op;
    std::size_t at = std::string::npos;
    for (const char* candidate : {"!=", "<=", ">=", "=", "<", ">"}) {
        at = t.find(candidate);
        if (at != std::string::npos) {
            op = candidate;
            break;
        }
    }
    const Value left = EvaluateValue(op.empty() ? t : t.substr(0, at));
    if (op.empty()) return left.type == ValueType::Boolean && left.text == "True";
    const Value right = EvaluateValue(t.substr(at + op.size()));
    if (left.type != right.type) throw Exception("Error in \"IF\" expression evaluation: Value types mismatch...");
    switch (left.type) {
    case ValueType::Boolean: return left.text == "True" && right.text == left.text;
    case ValueType::Number: {
        std::int64_t a = 0, b = 0;
        bytetext::parseInt64(left.text, a);
        bytetext::parseInt64(right.text, b);
        return compareBy(op, a, b);
    }
    case ValueType::String: return compareBy(op, left.text, right.text);
    }
    return false;
}

std::size_t TScriptVantrel::FindLabel(const std::string& label, const std::vector<std::string>& lines) const
{
    const std::string wanted = bytetext::toUpper(label);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (bytetext::startsWithNoCase(trim(lines[i]), wanted)) return i;
    return std::string::npos;
}

std::size_t TScriptVantrel::SkipToEndIf(std::size_t index, const std::vector<std::string>& lines) const
{
    int depth = 0;
    for (std::size_t i = index; i < lines.size(); ++i) {
        const std::string t = trim(lines[i]);
        if (startsWithNoCase(t, "IF ")) {
            ++depth;
        } else if (startsWithNoCase(t, "ENDIF")) {
            if (depth == 0) return i + 1;
            --depth;
        }
    }
    return std::string::npos;
}

bool TScriptVantrel::PerformFlow(const CommandEntry& entry, std::string_view arg, std::size_t& next,
                                 const std::vector<std::string>& lines)
{
    switch (entry.cmd) {
    case Cmd::If:
        if (!EvaluateCondition(std::string(arg))) next = SkipToEndIf(next, lines);
        return true;
    case Cmd::Goto: {
        std::string label = trim(SplitArguments(arg).first);
        if (label.empty() || label[0] != ':') label = ":" + label;
        const std::size_t at = FindLabel(label, lines);
        next = at == std::string::npos ? std::string::npos : at + 1;
        return true;
    }
    case Cmd::Let: {
        const std::string line(arg);
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            LogLine("   ---> LET without \"=\" does nothing");
            return true;
        }
        const std::string name = bytetext::toUpper(trim(std::string_view(line).substr(0, eq)));
        const std::string value = StripArgQuotes(std::string_view(line).substr(eq + 1));
        if (IsNumericVariable(name)) {
            Numbers.SetExpression(TCustomParser::RemoveBlanks(value));
            Numbers.SetVariable(name, Numbers.GetValue());
        } else {
            // A value made from a server's text stays the server's: never searched for markers.
            const std::string text = EvaluateValue(value).text;
            lineHoldsVerbatim_ ? SetVerbatimVariable(name, text) : SetVariable(name, text);
        }
        return true;
    }
    case Cmd::NumVariable: {
        const std::string name = bytetext::toUpper(trim(arg));
        Numbers.SetVariable(name, 0);
        NumericNameList.push_back(name);
        numericNames_.insert(name);
        return true;
    }
    case Cmd::LocalExists:
    case Cmd::RemoteExists: {
        const auto close = arg.find(')');
        if (close == std::string_view::npos) {
            next = std::string::npos;
            return true;
        }
        const std::string name = SplitArguments(arg.substr(0, close)).first;
        const bool found = entry.cmd == Cmd::LocalExists ? LocalExists(ResolveLocalPath(name)) : RemoteExists(name);
        if (!found) next = std::string::npos;
        return true;
    }
    default: return false;
    }
}
