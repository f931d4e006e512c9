#include "runner/VariableStore.h"

#include "platform/ByteText.h"

namespace {
std::string key(std::string_view name) { return bytetext::toUpper(bytetext::trim(name)); }
}  // namespace

const VariableStore::Entry* VariableStore::Find(std::string_view name) const
{
    const auto it = index_.find(key(name));
    return it == index_.end() ? nullptr : &entries_[it->second];
}

std::string VariableStore::GetVariable(std::string_view name) const
{
    const Entry* e = Find(name);
    return e ? bytetext::trim(e->value) : std::string();
}

void VariableStore::Set(std::string_view name, std::string_view value, bool verbatim)
{
    std::string n = bytetext::trim(name);
    if (bytetext::startsWithNoCase(n, "LET ")) n = bytetext::trim(std::string_view(n).substr(4));
    const auto [it, added] = index_.try_emplace(bytetext::toUpper(n), entries_.size());
    if (added) {
        entries_.push_back({std::move(n), std::string(value), verbatim});
        return;
    }
    Entry& e = entries_[it->second];
    e.value = std::string(value);
    e.verbatim = verbatim;
}

void VariableStore::SetVariable(std::string_view name, std::string_view value) { Set(name, value, false); }

void VariableStore::SetVerbatimVariable(std::string_view name, std::string_view value) { Set(name, value, true); }

bool VariableStore::IsVerbatim(std::string_view name) const
{
    const Entry* e = Find(name);
    return e && e->verbatim;
}

bool VariableStore::Has(std::string_view name) const { return Find(name) != nullptr; }

void VariableStore::Clear()
{
    entries_.clear();
    index_.clear();
}

std::vector<std::string> VariableStore::Lines() const
{
    std::vector<std::string> r;
    r.reserve(entries_.size());
    for (const auto& e : entries_) r.push_back(e.name + kSeparator + e.value);
    return r;
}
