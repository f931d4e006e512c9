#include "desktop/ShellLink.h"

#include "desktop/DesktopEntry.h"
#include "desktop/StringRoutines.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/Process.h"

#include <vector>

using apppaths::extractFileName;
using apppaths::includeTrailingSlash;

namespace {

constexpr const char* Group = "Desktop Entry";
// Keys of our own for what a desktop entry has no place for. The argument text is kept as typed,
// so it reads back exactly; Exec stays what launchers use.
constexpr const char* ArgumentsKey = "X-Vantrel-Arguments";
constexpr const char* ShowCommandKey = "X-Vantrel-ShowCommand";
constexpr const char* HotKeyKey = "X-Vantrel-HotKey";

// The "Shell Folders" value of each folder, in the order of TShellFolder.
constexpr const char* FolderValueNames[] = {
    "", "Desktop", "Favorites", "Fonts", "Personal", "Programs", "Recent", "SendTo", "SendTo",
    "Start Menu", "Startup", "Templates",
};

int parseNumber(const std::optional<std::string>& text, int min, int max, int def)
{
    int v = 0;
    if (!text || !bytetext::parseInt(*text, v) || v < min || v > max) return def;
    return v;
}

}  // namespace

// Each link points at the texts of its own language.
const TShellLink::Texts TShellLink::EnglishTexts = {
    "Write error.", "Read error.", "Link not found.", "Shell folder not found.",
    "Cannot create the folder ",
};
const TShellLink::Texts TShellLink::FrenchTexts = {
    "Erreur en écriture.", "Erreur en lecture.", "Lien non trouvé.", "Dossier shell non trouvé.",
    "Impossible de créer le dossier ",
};

TShellLink::TShellLink() { SetLangType(ltFrench); }

void TShellLink::SetLangType(TLangType lang)
{
    langType_ = lang;
    texts_ = lang == ltEnglish ? &EnglishTexts : &FrenchTexts;
}

std::string TShellLink::ShellFolderPath(TShellFolder folder)
{
    if (folder <= sfNone || folder > sfTemplates) return {};
    std::string path = GetShellFolder(FolderValueNames[folder]);
    if (folder == sfSendToFtp && !path.empty()) path = includeTrailingSlash(path) + SendToFtpFolder;
    return path;
}

// The one placement rule for both setters.
std::string TShellLink::placed(const std::string& name, TShellFolder folder) const
{
    std::string r = name;
    if (folder != sfNone) {
        const std::string dir = ShellFolderPath(folder);
        // Without this check a link would land in the root folder.
        if (dir.empty()) throw EShellLink(texts_->noFolder);
        if (folder == sfSendToFtp && !apppaths::makeDirectories(dir))
            throw EShellLink(texts_->folderNotMade + ("\"" + dir + "\""));
        r = includeTrailingSlash(dir) + extractFileName(r);
    }
    const std::string ext = bytetext::toUpper(apppaths::extractFileExt(r));
    if (ext == ".LNK") r = apppaths::changeFileExt(r, LinkExtension);
    else if (ext != bytetext::toUpper(LinkExtension)) r += LinkExtension;
    if (bytetext::equalsNoCase(extractFileName(r), LinkExtension)) r.clear();
    return r;
}

void TShellLink::SetFileName(const std::string& name)
{
    if (name == fileName_) return;
    fileName_ = placed(name, shellFolder_);
}

void TShellLink::SetShellFolder(TShellFolder folder)
{
    if (folder == shellFolder_) return;
    if (folder != sfNone) fileName_ = placed(fileName_, folder);
    shellFolder_ = folder;
}

TWindowState TShellLink::WindowState() const
{
    if (showCommand_ == 3) return wsMaximized;
    if (showCommand_ == 7) return wsMinimized;
    return wsNormal;
}

void TShellLink::SetWindowState(TWindowState state)
{
    showCommand_ = state == wsMaximized ? 3 : state == wsMinimized ? 7 : 1;
}

TShortCut TShellLink::HotKey() const
{
    const unsigned flags = hotKey_ >> 8;
    TShortCut key = hotKey_ & 0xFF;
    if (flags & 1) key |= scShift;
    if (flags & 2) key |= scCtrl;
    if (flags & 4) key |= scAlt;
    return key;
}

void TShellLink::SetHotKey(TShortCut key)
{
    unsigned flags = 0;
    if (key & scShift) flags |= 1;
    if (key & scCtrl) flags |= 2;
    if (key & scAlt) flags |= 4;
    hotKey_ = static_cast<std::uint16_t>((key & 0xFF) | (flags << 8));
}

bool TShellLink::isSendTo() const
{
    if (shellFolder_ == sfSendTo || shellFolder_ == sfSendToFtp) return true;
    const std::string sendToFtp = ShellFolderPath(sfSendToFtp);
    return !sendToFtp.empty() && apppaths::extractFilePath(fileName_) == includeTrailingSlash(sendToFtp);
}

void TShellLink::Save()
{
    if (fileName_.empty()) throw EShellLink(texts_->writeError);
    xdg::KeyFile entry(fileName_);
    const std::string name = extractFileName(fileName_);
    entry.writeString(Group, "Type", "Application");
    entry.writeString(Group, "Name", name.substr(0, name.size() - std::string_view(LinkExtension).size()));
    if (!Description.empty()) entry.writeString(Group, "Comment", Description);
    const bool sendTo = isSendTo();
    if (!Target.empty()) {
        std::vector<std::string> args = process::SplitCommandLine(Arguments);
        args.insert(args.begin(), Target);
        // Files sent to the item follow its own arguments, as the shell hands them on.
        entry.writeString(Group, "Exec", xdg::execCommand(args, sendTo ? "%F" : ""));
    }
    if (!WorkingDir.empty()) entry.writeString(Group, "Path", WorkingDir);
    entry.writeString(Group, "Terminal", "false");
    // A Send-To item is the editor's record; the file managers' items offer it. It declares no
    // MIME type: one would make it a default application once the desktop database is rebuilt.
    if (sendTo) entry.writeString(Group, "NoDisplay", "true");
    entry.writeString(Group, ArgumentsKey, Arguments);
    entry.writeString(Group, ShowCommandKey, std::to_string(showCommand_));
    entry.writeString(Group, HotKeyKey, std::to_string(hotKey_));
    // Executable, as launchers on a desktop must be to be trusted.
    if (!entry.save(0755)) throw EShellLink(texts_->writeError);
}

void TShellLink::Load()
{
    if (!apppaths::fileExists(fileName_)) throw EShellLink(texts_->notFound);
    xdg::KeyFile entry(fileName_);
    if (!entry.load() || !entry.hasGroup(Group)) throw EShellLink(texts_->readError);
    std::vector<std::string> args;
    if (const auto exec = entry.readString(Group, "Exec")) {
        const auto parts = xdg::execArguments(*exec);
        if (!parts) throw EShellLink(texts_->readError);
        args = parts->args;
    }
    const std::string typed = entry.readString(Group, ArgumentsKey).value_or("");
    Description = entry.readString(Group, "Comment").value_or("");
    Target = args.empty() ? std::string() : args.front();
    if (!args.empty()) args.erase(args.begin());
    // The typed text while it still says what Exec says; Exec wins once someone edited it.
    Arguments = (Target.empty() || process::SplitCommandLine(typed) == args) ? typed : process::JoinCommandLine(args);
    WorkingDir = entry.readString(Group, "Path").value_or("");
    showCommand_ = parseNumber(entry.readString(Group, ShowCommandKey), 0, 0xFFFF, 1);
    hotKey_ = static_cast<std::uint16_t>(parseNumber(entry.readString(Group, HotKeyKey), 0, 0xFFFF, 0));
}
