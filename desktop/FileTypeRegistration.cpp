#include "desktop/FileTypeRegistration.h"

#include "desktop/DesktopEntry.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/KeyStore.h"
#include "platform/LocalFiles.h"
#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/time.h>
#include <vector>

namespace {

constexpr const char* ClassesRoot = "HKEY_CLASSES_ROOT\\";
constexpr int ToolTimeoutMs = 60000;

// Lower-case letters and digits, every other run of bytes one "-".
std::string slug(std::string_view text)
{
    std::string out;
    for (char c : text) {
        const char l = bytetext::lower(c);
        if ((l >= 'a' && l <= 'z') || (l >= '0' && l <= '9')) out += l;
        else if (!out.empty() && out.back() != '-') out += '-';
    }
    while (!out.empty() && out.back() == '-') out.pop_back();
    return out.empty() ? "file" : out;
}

std::string xmlText(std::string_view text)
{
    std::string out;
    for (char c : bytetext::asUtf8(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c; break;
        }
    }
    return out;
}

[[noreturn]] void cannotWrite(const std::string& path, int err)
{
    throw ERegistryException("Cannot write \"" + path + "\": " + std::strerror(err));
}

void makeFolder(const std::string& folder)
{
    if (!apppaths::makeDirectories(folder)) cannotWrite(folder, errno);
}

void writeFile(const std::string& path, std::string_view bytes)
{
    makeFolder(apppaths::excludeTrailingSlash(apppaths::extractFilePath(path)));
    if (!localfiles::writeFileAtomically(path, bytes, 0644)) cannotWrite(path, errno);
}

// A text that would break a key-store line or a desktop-entry line.
void checkText(std::string_view what, std::string_view text)
{
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw ERegistryException("The file type's " + std::string(what) + " holds a line break");
}

std::string mimePackage(const std::string& mimeType, std::string_view description, const std::string& ext)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" + mimeType + "\">\n" +
           (description.empty() ? std::string() : "    <comment>" + xmlText(description) + "</comment>\n") +
           "    <icon name=\"" + xmlText(filetype::IconFor(mimeType)) + "\"/>\n"
           "    <glob pattern=\"*." + xmlText(ext) + "\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string desktopEntry(const std::string& mimeType, const std::string& name, const std::string& command,
                         std::string_view icon)
{
    xdg::KeyFile entry;
    const char* group = "Desktop Entry";
    entry.writeString(group, "Type", "Application");
    entry.writeString(group, "Name", bytetext::asUtf8(name));
    entry.writeString(group, "Exec", xdg::execCommand(process::SplitCommandLine(command), "%f"));
    if (!icon.empty()) entry.writeString(group, "Icon", icon);
    entry.setValue(group, "MimeType", xdg::listValue({mimeType}));
    entry.writeString(group, "NoDisplay", "true");
    entry.writeString(group, "Terminal", "false");
    return entry.text();
}

// Our entry first among the defaults of the type; the rest of the file as it was.
void setDefaultApplication(const std::string& mimeType, const std::string& entryName)
{
    const std::string config = apppaths::xdgConfigHome();
    makeFolder(config);
    xdg::KeyFile list(config + "/mimeapps.list");
    if (!list.load()) throw ERegistryException("Cannot read \"" + list.path() + "\"");
    const char* group = "Default Applications";
    std::vector<std::string> defaults{entryName};
    for (std::string& item : xdg::listItems(list.value(group, mimeType).value_or("")))
        if (item != entryName) defaults.push_back(std::move(item));
    list.setValue(group, mimeType, xdg::listValue(defaults));
    if (!list.save(0644)) cannotWrite(list.path(), errno);
}

// Rebuilds a cache when its tool is installed; a tool that is missing is no failure.
void runCacheTool(const char* tool, const std::string& folder)
{
    process::StartRequest request;
    request.argv = {tool, folder};
    const process::Started started = process::Start(request);
    if (!started.ok()) return;
    int code = 0;
    if (!process::WaitFor(started.pid, ToolTimeoutMs, code)) {
        process::Terminate(started.pid, false);
        throw ERegistryException(std::string(tool) + " did not finish");
    }
    if (code != 0) throw ERegistryException(std::string(tool) + " ended with status " + std::to_string(code));
}

}  // namespace

void InstallThemeIcons(const std::string& themeFolder, const std::vector<std::string>& names)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(themeFolder, ec)) return;
    const std::string theme = apppaths::xdgDataHome() + "/icons/hicolor";
    for (auto it = fs::recursive_directory_iterator(themeFolder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string ext = it->path().extension().string();
        if (ext != ".png" && ext != ".svg") continue;
        const std::string name = it->path().stem().string();
        if (std::find(names.begin(), names.end(), name) == names.end()) continue;
        std::ifstream in(it->path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) throw ERegistryException("Cannot read \"" + it->path().string() + "\"");
        writeFile(theme + "/" + fs::relative(it->path(), themeFolder).string(), bytes);
    }
    if (ec) throw ERegistryException("Cannot read \"" + themeFolder + "\": " + ec.message());
    // Icon themes notice new icons by the theme folder's time.
    ::utimes(theme.c_str(), nullptr);
}

namespace filetype {

std::string MimeTypeFor(std::string_view typeName) { return "application/x-" + slug(typeName); }
std::string DesktopEntryFor(std::string_view typeName) { return "vantrel-" + slug(typeName) + ".desktop"; }
std::string IconFor(std::string_view mimeType)
{
    std::string icon(mimeType);
    for (char& c : icon)
        if (c == '/') c = '-';
    return icon;
}

}  // namespace filetype

void RegisterFileType(std::string_view extension, std::string_view typeName, std::string_view description,
                      std::string_view command, std::string_view icon)
{
    std::string ext;
    for (char c : extension)
        if (c != '.') ext += c;
    if (ext.empty() || command.empty()) return;
    // The extension becomes a glob and a file name: no wildcard, folder or blank in it.
    for (char c : ext)
        if (bytetext::isBlank(c) || std::string_view("/\\*?[]").find(c) != std::string_view::npos)
            throw ERegistryException("\"" + std::string(extension) + "\" is no file extension");
    const std::string type = typeName.empty() ? ext + "_auto_file" : std::string(typeName);
    checkText("type name", type);
    checkText("description", description);
    checkText("command", command);
    checkText("icon", icon);

    // A program path with blanks would otherwise be split at them.
    const std::string program = command.front() == '"' ? std::string(command) : "\"" + std::string(command) + "\"";
    std::vector<keystore::Value> keys = {
        {ClassesRoot + ("." + ext), "", type},
        {ClassesRoot + type, "", std::string(description)},
    };
    if (!icon.empty()) keys.push_back({ClassesRoot + type + "\\DefaultIcon", "", std::string(icon)});
    keys.push_back({ClassesRoot + type + "\\shell\\open\\command", "", program + " \"%1\""});
    if (!keystore::writeValues(keys)) cannotWrite(keystore::storePath(), errno);

    const std::string mimeType = filetype::MimeTypeFor(type);
    const std::string entryName = filetype::DesktopEntryFor(type);
    const std::string data = apppaths::xdgDataHome();
    writeFile(data + "/mime/packages/vantrel-" + slug(ext) + ".xml", mimePackage(mimeType, description, ext));
    writeFile(data + "/applications/" + entryName,
              desktopEntry(mimeType, description.empty() ? type : std::string(description), program, icon));
    setDefaultApplication(mimeType, entryName);

    runCacheTool("update-mime-database", data + "/mime");
    runCacheTool("update-desktop-database", data + "/applications");
}
