#include "platform/KeyStore.h"

#include "platform/AppPaths.h"
#include "platform/IniFile.h"

namespace keystore {

std::string storePath() { return apppaths::configFolder() + "/registry.ini"; }

std::optional<std::string> readValue(std::string_view key, std::string_view name)
{
    IniFile ini(storePath());
    if (!ini.load() || !ini.hasValue(key, name)) return std::nullopt;
    return ini.readString(key, name);
}

bool writeValue(std::string_view key, std::string_view name, std::string_view value)
{
    IniFile ini(storePath());
    if (!ini.load()) return false;
    ini.writeString(key, name, value);
    return ini.save();
}

}  // namespace keystore
