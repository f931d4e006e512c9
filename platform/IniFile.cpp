#include "platform/IniFile.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/LocalFiles.h"

#include <fstream>
#include <sstream>

using bytetext::equalsNoCase;
using bytetext::trim;

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

bool IniFile::load()
{
    lines_.clear();
    std::ifstream in(path_, std::ios::binary);
    if (!in) return !apppaths::fileExists(path_);
    std::ostringstream ss;
    ss << in.rdbuf();
    parse(ss.str());
    return true;
}

void IniFile::parse(std::string_view text)
{
    lines_.clear();
    for (auto& raw : bytetext::splitLines(text)) {
        Line l;
        l.raw = raw;
        const std::string t = trim(raw);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            l.kind = Line::Section;
            l.section = trim(std::string_view(t).substr(1, t.size() - 2));
        } else if (!t.empty() && t[0] != ';' && t.find('=') != std::string::npos) {
            const auto eq = t.find('=');
            l.kind = Line::Key;
            l.key = trim(std::string_view(t).substr(0, eq));
            l.value = trim(std::string_view(t).substr(eq + 1));
        }
        lines_.push_back(std::move(l));
    }
}

std::string IniFile::text() const
{
    std::string out;
    for (const auto& l : lines_) {
        if (l.kind == Line::Section) out += "[" + l.section + "]";
        else if (l.kind == Line::Key) out += l.key + "=" + l.value;
        else out += l.raw;
        out += "\r\n";
    }
    return out;
}

bool IniFile::save() const
{
    const std::string folder = apppaths::extractFilePath(path_);
    if (!folder.empty() && !apppaths::makeDirectories(apppaths::excludeTrailingSlash(folder))) return false;
    return localfiles::writeFileAtomically(path_, text(), 0600);
}

long IniFile::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Section && equalsNoCase(lines_[i].section, trim(section)))
            return static_cast<long>(i);
    return -1;
}

long IniFile::findKey(std::string_view section, std::string_view key) const
{
    const long s = findSection(section);
    if (s < 0) return -1;
    const std::string k = trim(key);
    for (std::size_t i = static_cast<std::size_t>(s) + 1; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Section) break;
        if (lines_[i].kind == Line::Key && equalsNoCase(lines_[i].key, k)) return static_cast<long>(i);
    }
    return -1;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const
{
    const long i = findKey(section, key);
    return i < 0 ? std::string(def) : lines_[static_cast<std::size_t>(i)].value;
}

int IniFile::readInteger(std::string_view section, std::string_view key, int def) const
{
    int v = 0;
    return bytetext::parseInt(readString(section, key), v) ? v : def;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::hasValue(std::string_view section, std::string_view key) const
{
    return findKey(section, key) >= 0;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    const long i = findKey(section, key);
    if (i >= 0) {
        lines_[static_cast<std::size_t>(i)].value = trim(value);
        return;
    }
    Line l;
    l.kind = Line::Key;
    l.key = trim(key);
    l.value = trim(value);
    long s = findSection(section);
    if (s < 0) {
        Line h;
        h.kind = Line::Section;
        h.section = trim(section);
        lines_.push_back(h);
        lines_.push_back(l);
        return;
    }
    // After the section's last key, before trailing blank lines.
    std::size_t pos = static_cast<std::size_t>(s) + 1;
    std::size_t insertAt = pos;
    for (; pos < lines_.size() && lines_[pos].kind != Line::Section; ++pos)
        if (lines_[pos].kind == Line::Key || !trim(lines_[pos].raw).empty()) insertAt = pos + 1;
    lines_.insert(lines_.begin() + static_cast<long>(insertAt), l);
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniFile::deleteKey(std::string_view section, std::string_view key)
{
    const long i = findKey(section, key);
    if (i >= 0) lines_.erase(lines_.begin() + i);
}

void IniFile::addSection(std::string_view section)
{
    if (findSection(section) >= 0) return;
    Line h;
    h.kind = Line::Section;
    h.section = trim(section);
    lines_.push_back(h);
}

void IniFile::eraseSection(std::string_view section)
{
    const long s = findSection(section);
    if (s < 0) return;
    std::size_t e = static_cast<std::size_t>(s) + 1;
    while (e < lines_.size() && lines_[e].kind != Line::Section) ++e;
    lines_.erase(lines_.begin() + s, lines_.begin() + static_cast<long>(e));
}

std::vector<std::string> IniFile::sections() const
{
    std::vector<std::string> r;
    for (const auto& l : lines_)
        if (l.kind == Line::Section) r.push_back(l.section);
    return r;
}

std::vector<std::string> IniFile::keys(std::string_view section) const
{
    std::vector<std::string> r;
    const long s = findSection(section);
    if (s < 0) return r;
    for (std::size_t i = static_cast<std::size_t>(s) + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i)
        if (lines_[i].kind == Line::Key) r.push_back(lines_[i].key);
    return r;
}

bool IniFile::sectionExists(std::string_view section) const { return findSection(section) >= 0; }
