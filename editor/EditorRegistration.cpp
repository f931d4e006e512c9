#include "editor/EditorRegistration.h"

#include "desktop/FileTypeRegistration.h"
#include "platform/AppPaths.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr const char* RecordSection = "Registry";
constexpr const char* RecordKey = "Done FTP";

IniFile wizardIni() { return IniFile(apppaths::dataFolder() + "/Wizard.ini"); }

}  // namespace

void RegisterScriptFileType()
{
    const std::string folder = apppaths::programFolder();
    // Beside the programs in a build tree; an installed program folder (<prefix>/lib/vantrel)
    // finds them in <prefix>/share/icons.
    const std::string icons = folder + "/icons/hicolor";
    InstallThemeIcons(apppaths::directoryExists(icons) ? icons : folder + "/../../share/icons/hicolor",
                      {"vantrel", "trevask", filetype::IconFor(filetype::MimeTypeFor("FTP scripts"))});
    // The runner's theme icon: its file would be a program, not a picture.
    RegisterFileType(".ftp", "FTP scripts", "Quorvel's FTP Script-vantrel", folder + "/Trevask", "trevask");
}

void RegisterScriptFileTypeOnce()
{
    IniFile ini = wizardIni();
    const bool readable = ini.load();
    if (readable && ini.readBool(RecordSection, RecordKey, false)) return;
    // An unreadable record counts as not done (registering twice does no harm), and is not
    // written over: saving it would drop what it holds.
    RegisterScriptFileType();
    if (!readable) throw ERegistryException("Cannot read \"" + ini.path() + "\"");
    ini.writeBool(RecordSection, RecordKey, true);
    if (!ini.save())
        throw ERegistryException("Cannot write \"" + ini.path() + "\": " + std::strerror(errno));
}
