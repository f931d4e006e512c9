#include "runner/VariableStore.h"

#include "platform/ByteText.h"

std::string VariableStore::GetVariable(std::string_view name) const
{
    const std::string n = bytetext::trim(name);
    for (const auto& [k, v] : entries_)
        if (bytetext::equalsNoCase(k, n)) return bytetext::trim(v);
    return {};
}

void VariableStore::SetVariable(std::string_view name, std::string_view value)
{
    std::string n = bytetext::trim(name);
    if (bytetext::startsWithNoCase(n, "LET ")) n = bytetext::trim(std::string_view(n).substr(4));
    for (auto& [k, v] : entries_) {
        if (bytetext::equalsNoCase(k, n)) {
            v = std::string(value);
            return;
        }
    }
    entries_.emplace_back(std::move(n), std::string(value));
}

bool VariableStore::Has(std::string_view name) const
{
    const std::string n = bytetext::trim(name);
    for (const auto& e : entries_)
        if (bytetext::equalsNoCase(e.first, n)) return true;
    return false;
}

std::vector<std::string> VariableStore::Lines() const
{
    std::vector<std::string> r;
    r.reserve(entries_.size());
    for (const auto& [k, v] : entries_) r.push_back(k + kSeparator + v);
    return r;
}
