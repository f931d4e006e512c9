#pragma once
// The print settings in the key store: "RichPrint.Settings", key "Marges", prepared outside the
// programs and only read here.

#include "printing/PrintSink.h"
#include "printing/RichPrintLayout.h"

#include <optional>
#include <string>

struct TRichPrintSettings {
    TMeasureUnit unit = TMeasureUnit::muInches;
    TPrinterOrientation orientation = TPrinterOrientation::poLandscape;
    bool plainText = false;
    // Each margin as stored; nothing when missing or no number (the current margin stays).
    std::optional<double> marginLeft, marginTop, marginBottom, marginRight;
};

namespace richsettings {
// The key store section of the settings.
std::string SettingsKey();
// The settings, or nothing when the key is missing. A missing or odd integer reads as 0, so it
// gives inches, landscape and no plain text.
std::optional<TRichPrintSettings> ReadSettings();
}  // namespace richsettings
