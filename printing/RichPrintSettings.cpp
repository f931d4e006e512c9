#include "printing/RichPrintSettings.h"

#include "platform/ByteText.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"

#include <charconv>
#include <cmath>

namespace richsettings {

namespace {
std::optional<double> ReadFloat(const IniFile& store, const std::string& key, std::string_view name)
{
    if (!store.hasValue(key, name)) return std::nullopt;
    const std::string text = bytetext::trim(store.readString(key, name));
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}
}  // namespace

std::string SettingsKey() { return "HKEY_CURRENT_USER\\RichPrint.Settings\\Marges"; }

std::optional<TRichPrintSettings> ReadSettings()
{
    IniFile store(keystore::storePath());
    const std::string key = SettingsKey();
    if (!store.load() || !store.sectionExists(key)) return std::nullopt;
    TRichPrintSettings s;
    s.unit = store.readInteger(key, "CodeMeasurement", 0) == 1 ? TMeasureUnit::muMillimeters : TMeasureUnit::muInches;
    s.orientation = store.readInteger(key, "CodeDirection", 0) == 1 ? TPrinterOrientation::poPortrait
                                                                     : TPrinterOrientation::poLandscape;
    s.plainText = store.readInteger(key, "CodePlainText", 0) == 1;
    s.marginLeft = ReadFloat(store, key, "MarginLeft");
    s.marginTop = ReadFloat(store, key, "MarginTop");
    s.marginBottom = ReadFloat(store, key, "MarginBottom");
    s.marginRight = ReadFloat(store, key, "MarginRight");
    return s;
}

}  // namespace richsettings
