#include "desktop/SendToMenus.h"

#include "desktop/DesktopEntry.h"
#include "desktop/StringRoutines.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/LocalFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace sendto {

namespace {

constexpr const char* Thunar = "Thunar";
constexpr const char* Nautilus = "Nautilus";
constexpr const char* Nemo = "Nemo";
constexpr const char* Kde = "KDE";
constexpr const char* Prefix = "vantrel-";

// A word for /bin/sh: single quotes keep every byte but the quote itself.
std::string shellQuoted(const std::string& text)
{
    return "'" + ReplaceAll(text, "'", "'\\''") + "'";
}

// Nemo reads "%" in its texts as the start of a token ("%f" is the file's name); "%%" is one.
std::string nemoText(const std::string& text)
{
    return ReplaceAll(text, "%", "%%");
}

// How each item names the launcher: the part by which a file is known to start it.
std::string launcherCommand(std::string_view fileManager, const std::string& launcher)
{
    if (fileManager == Nautilus) return "launcher=" + shellQuoted(launcher);
    // Nemo splits its Exec as a shell would (single quotes are safe there); the others follow
    // the Desktop Entry rules.
    if (fileManager == Nemo) return xdg::escapeValue(nemoText(shellQuoted(launcher)) + " %F");
    return xdg::escapeValue(xdg::execCommand({launcher}, "%F"));
}

std::string nautilusScript(const std::string& launcher)
{
    // Nautilus hands the selection as one path per line; a selection it has no paths for (a
    // remote folder) comes as the arguments.
    return "#!/bin/sh\n"
           "# Sends the selected files to a Vantrel script.\n" +
           launcherCommand(Nautilus, launcher) +
           "\n"
           "if [ -n \"$NAUTILUS_SCRIPT_SELECTED_FILE_PATHS\" ]; then\n"
           "  IFS='\n"
           "'\n"
           "  set -f\n"
           "  set -- $NAUTILUS_SCRIPT_SELECTED_FILE_PATHS\n"
           "fi\n"
           "exec \"$launcher\" \"$@\"\n";
}

std::string keyFileText(std::string_view fileManager, const std::string& name, const std::string& comment,
                        const std::string& icon, const std::string& exec)
{
    xdg::KeyFile file;
    const std::string label = bytetext::asUtf8(name);
    if (fileManager == Nemo) {
        const char* g = "Nemo Action";
        file.writeString(g, "Name", nemoText(label));
        if (!comment.empty()) file.writeString(g, "Comment", nemoText(bytetext::asUtf8(comment)));
        file.setValue(g, "Exec", exec);
        file.writeString(g, "Icon-Name", icon);
        file.writeString(g, "Selection", "notnone");
        file.setValue(g, "Extensions", xdg::listValue({"any"}));
        file.writeString(g, "Quote", "double");
        return file.text();
    }
    const char* g = "Desktop Entry";
    if (fileManager == Kde) {
        file.writeString(g, "Type", "Service");
        file.setValue(g, "MimeType", xdg::listValue({"all/allfiles"}));
        file.setValue(g, "Actions", xdg::listValue({"sendTo"}));
        file.writeString(g, "X-KDE-Submenu", "Send To");
        const char* a = "Desktop Action sendTo";
        file.writeString(a, "Name", label);
        file.writeString(a, "Icon", icon);
        file.setValue(a, "Exec", exec);
        return file.text();
    }
    file.writeString(g, "Type", "Application");
    file.writeString(g, "Version", "1.0");
    file.writeString(g, "Name", label);
    if (!comment.empty()) file.writeString(g, "Comment", bytetext::asUtf8(comment));
    file.setValue(g, "Exec", exec);
    file.writeString(g, "Icon", icon);
    file.writeString(g, "Terminal", "false");
    return file.text();
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string systemError(const std::string& path)
{
    return "\"" + path + "\": " + std::strerror(errno);
}

}  // namespace

std::vector<MenuItem> MenuItemsFor(const std::string& name)
{
    const std::string data = apppaths::xdgDataHome();
    return {
        {Thunar, data + "/Thunar/sendto/" + Prefix + name + ".desktop"},
        // Nautilus shows a script by its file name.
        {Nautilus, data + "/nautilus/scripts/" + name},
        {Nemo, data + "/nemo/actions/" + Prefix + name + ".nemo_action"},
        {Kde, data + "/kio/servicemenus/" + Prefix + name + ".desktop"},
    };
}

std::string MenuItemText(const char* fileManager, const std::string& name, const std::string& launcher,
                         const std::string& comment, const std::string& icon)
{
    if (std::string_view(fileManager) == Nautilus) return nautilusScript(launcher);
    return keyFileText(fileManager, name, comment, icon, launcherCommand(fileManager, launcher));
}

bool WriteMenuItems(const std::string& name, const std::string& launcher, const std::string& comment,
                    const std::string& icon, std::string& problem)
{
    const std::vector<MenuItem> items = MenuItemsFor(name);
    for (const MenuItem& item : items)
        if (exists(item.path)) {
            problem = "\"" + item.path + "\" exists already.";
            return false;
        }
    std::vector<std::string> written;
    for (const MenuItem& item : items) {
        const std::string folder = apppaths::excludeTrailingSlash(apppaths::extractFilePath(item.path));
        // Scripts and service menus run only when executable; the menus accept that too.
        const bool made = apppaths::makeDirectories(folder) &&
                          localfiles::writeFileAtomically(
                              item.path, MenuItemText(item.fileManager, name, launcher, comment, icon), 0755, false);
        if (!made) {
            problem = "Cannot write " + systemError(item.path);
            for (const std::string& path : written) ::unlink(path.c_str());
            return false;
        }
        written.push_back(item.path);
    }
    return true;
}

bool RemoveMenuItems(const std::string& name, const std::string& launcher, std::string& problem)
{
    bool ok = true;
    for (const MenuItem& item : MenuItemsFor(name)) {
        if (!exists(item.path)) continue;
        if (readFile(item.path).find(launcherCommand(item.fileManager, launcher)) == std::string::npos) continue;
        if (::unlink(item.path.c_str()) != 0 && errno != ENOENT) {
            problem = "Cannot delete " + systemError(item.path);
            ok = false;
        }
    }
    return ok;
}

}  // namespace sendto
