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
    return writeValues({{std::string(key), std::string(name), std::string(value)}});
}

bool writeValues(const std::vector<Value>& values)
{
    IniFile ini(storePath());
    if (!ini.load()) return false;
    for (const Value& v : values) ini.writeString(v.key, v.name, v.value);
    return ini.save();
}

bool createKey(std::string_view key)
{
    IniFile ini(storePath());
    if (!ini.load()) return false;
    if (ini.sectionExists(key)) return true;
    ini.addSection(key);
    return ini.save();
}

bool deleteValue(std::string_view key, std::string_view name)
{
    IniFile ini(storePath());
    if (!ini.load()) return false;
    if (!ini.hasValue(key, name)) return true;
    ini.deleteKey(key, name);
    return ini.save();
}

}  // namespace keystore
