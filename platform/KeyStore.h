#pragma once
// The registry stand-in: one ini file shared by both programs,
// $XDG_CONFIG_HOME/vantrel/registry.ini, keys as sections ("HKEY_CURRENT_USER\Software\..."),
// values as text. A key's default (unnamed) value has the empty name.

#include "platform/Errors.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keystore {

std::string storePath();

// The value of `name` under `key`; nothing when the key or the value is missing.
std::optional<std::string> readValue(std::string_view key, std::string_view name);
// Writes one value atomically; false when the store cannot be written.
[[nodiscard]] bool writeValue(std::string_view key, std::string_view name, std::string_view value);

struct Value {
    std::string key;
    std::string name;
    std::string value;
};
// Removes one value; true when it is gone (or was not there), false when the store cannot be written.
[[nodiscard]] bool deleteValue(std::string_view key, std::string_view name);
// Makes the key (with no values) unless it exists; false when the store cannot be written.
[[nodiscard]] bool createKey(std::string_view key);
// Writes all values in one atomic save: all of them land or none.
[[nodiscard]] bool writeValues(const std::vector<Value>& values);

}  // namespace keystore

// A failure to write the key store, as callers that raise report it.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};
