#pragma once
// The registry stand-in: one ini file shared by both programs,
// $XDG_CONFIG_HOME/vantrel/registry.ini, keys as sections ("HKEY_CURRENT_USER\Software\..."),
// values as text.

#include <optional>
#include <string>
#include <string_view>

namespace keystore {

std::string storePath();

// The value of `name` under `key`; nothing when the key or the value is missing.
std::optional<std::string> readValue(std::string_view key, std::string_view name);
// Writes one value atomically; false when the store cannot be written.
[[nodiscard]] bool writeValue(std::string_view key, std::string_view name, std::string_view value);

}  // namespace keystore
