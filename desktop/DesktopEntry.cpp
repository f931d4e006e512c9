#include "desktop/DesktopEntry.h"

#include "platform/AppPaths.h"
#include "platform/LocalFiles.h"

#include <fstream>
#include <sstream>

namespace xdg {

namespace {

// Blanks around "=" and at the ends of a line do not belong to the key or the value.
std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool isReserved(char c)
{
    return std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos;
}

bool isFieldCode(std::string_view word)
{
    return word.size() == 2 && word[0] == '%' && std::string_view("fFuUdDnNickvm").find(word[1]) != std::string_view::npos;
}

}  // namespace

std::string escapeValue(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == ' ' && (i == 0 || i + 1 == text.size())) out += "\\s";  // else trimmed on reading
        else out += c;
    }
    return out;
}

std::string unescapeValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default: out += '\\'; out += value[i]; break;
        }
    }
    return out;
}

std::vector<std::string> listItems(std::string_view value)
{
    std::vector<std::string> items;
    std::string item;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
            item += ';';
            ++i;
        } else if (value[i] == '\\' && i + 1 < value.size()) {
            item += value.substr(i, 2);  // unescaped below, with the other escapes
            ++i;
        } else if (value[i] == ';') {
            items.push_back(unescapeValue(item));
            item.clear();
        } else {
            item += value[i];
        }
    }
    if (!item.empty()) items.push_back(unescapeValue(item));
    return items;
}

std::string listValue(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items) {
        for (char c : escapeValue(item)) {
            if (c == ';') out += '\\';
            out += c;
        }
        out += ';';
    }
    return out;
}

std::string execCommand(const std::vector<std::string>& args, std::string_view fieldCode)
{
    std::string out;
    for (const std::string& a : args) {
        if (!out.empty()) out += ' ';
        bool quote = a.empty();
        for (char c : a) quote = quote || isReserved(c);
        if (quote) out += '"';
        for (char c : a) {
            if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
            if (c == '%') out += '%';
            out += c;
        }
        if (quote) out += '"';
    }
    if (!fieldCode.empty()) {
        if (!out.empty()) out += ' ';
        out += fieldCode;
    }
    return out;
}

std::optional<ExecParts> execArguments(std::string_view command)
{
    ExecParts parts;
    std::size_t i = 0;
    const std::size_t n = command.size();
    for (;;) {
        while (i < n && (command[i] == ' ' || command[i] == '\t' || command[i] == '\n')) ++i;
        if (i >= n) return parts;
        std::string word;
        const std::size_t begin = i;
        while (i < n && command[i] != ' ' && command[i] != '\t' && command[i] != '\n') {
            const char c = command[i];
            if (c == '"') {
                for (++i; i < n && command[i] != '"'; ++i) {
                    if (command[i] == '\\' && i + 1 < n && std::string_view("\"`$\\").find(command[i + 1]) != std::string_view::npos) ++i;
                    else if (command[i] == '%' && i + 1 < n && command[i + 1] == '%') ++i;
                    word += command[i];
                }
                if (i >= n) return std::nullopt;
                ++i;
            } else if (c == '\'') {
                const std::size_t end = command.find('\'', i + 1);
                if (end == std::string_view::npos) return std::nullopt;
                word += command.substr(i + 1, end - i - 1);
                i = end + 1;
            } else if (c == '\\' && i + 1 < n) {
                word += command[i + 1];
                i += 2;
            } else if (c == '%' && i + 1 < n && command[i + 1] == '%') {
                word += '%';
                i += 2;
            } else {
                word += c;
                ++i;
            }
        }
        // Only "%f" as written is a field code: "%%f" and "\"%f\"" are the text %f.
        if (isFieldCode(command.substr(begin, i - begin))) parts.fields.push_back(std::move(word));
        else parts.args.push_back(std::move(word));
    }
}

bool KeyFile::load()
{
    lines_.clear();
    std::ifstream in(path_, std::ios::binary);
    if (!in) return !apppaths::fileExists(path_) && !apppaths::directoryExists(path_);
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    parse(ss.str());
    return true;
}

bool KeyFile::save(unsigned mode) const { return localfiles::writeFileAtomically(path_, text(), mode); }

void KeyFile::parse(std::string_view text)
{
    lines_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(start, end - start);
        start = end + 1;
        Line line;
        line.raw = std::string(raw);
        const std::string_view t = trimBlanks(raw);
        const std::size_t eq = t.find('=');
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            line.kind = Line::Group;
            line.name = std::string(t.substr(1, t.size() - 2));
        } else if (!t.empty() && t.front() != '#' && eq != std::string_view::npos && eq > 0) {
            line.kind = Line::Key;
            line.name = std::string(trimBlanks(t.substr(0, eq)));
            line.value = std::string(trimBlanks(t.substr(eq + 1)));
        }
        lines_.push_back(std::move(line));
    }
}

std::string KeyFile::text() const
{
    std::string out;
    for (const Line& l : lines_) {
        if (l.kind == Line::Group) out += "[" + l.name + "]";
        else if (l.kind == Line::Key) out += l.name + "=" + l.value;
        else out += l.raw;
        out += '\n';
    }
    return out;
}

long KeyFile::findGroup(std::string_view group) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Group && lines_[i].name == group) return static_cast<long>(i);
    return -1;
}

long KeyFile::findKey(std::string_view group, std::string_view key) const
{
    const long g = findGroup(group);
    if (g < 0) return -1;
    for (std::size_t i = static_cast<std::size_t>(g) + 1; i < lines_.size() && lines_[i].kind != Line::Group; ++i)
        if (lines_[i].kind == Line::Key && lines_[i].name == key) return static_cast<long>(i);
    return -1;
}

bool KeyFile::hasGroup(std::string_view group) const { return findGroup(group) >= 0; }

std::optional<std::string> KeyFile::value(std::string_view group, std::string_view key) const
{
    const long i = findKey(group, key);
    if (i < 0) return std::nullopt;
    return lines_[static_cast<std::size_t>(i)].value;
}

std::optional<std::string> KeyFile::readString(std::string_view group, std::string_view key) const
{
    const auto v = value(group, key);
    if (!v) return std::nullopt;
    return unescapeValue(*v);
}

void KeyFile::setValue(std::string_view group, std::string_view key, std::string_view value)
{
    const long k = findKey(group, key);
    if (k >= 0) {
        lines_[static_cast<std::size_t>(k)].value = std::string(value);
        return;
    }
    Line line;
    line.kind = Line::Key;
    line.name = std::string(key);
    line.value = std::string(value);
    long g = findGroup(group);
    if (g < 0) {
        Line header;
        header.kind = Line::Group;
        header.name = std::string(group);
        lines_.push_back(std::move(header));
        lines_.push_back(std::move(line));
        return;
    }
    // After the group's last key, so its trailing blank lines stay between the groups.
    std::size_t at = static_cast<std::size_t>(g) + 1;
    for (std::size_t i = at; i < lines_.size() && lines_[i].kind != Line::Group; ++i)
        if (lines_[i].kind == Line::Key) at = i + 1;
    lines_.insert(lines_.begin() + static_cast<long>(at), std::move(line));
}

}  // namespace xdg
