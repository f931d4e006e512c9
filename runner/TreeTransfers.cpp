// SENDTREE and GETTREE: a whole folder tree to or from the server, creating folders on the far
// side. Both sides end in the folders they started in, whatever fails on the way.

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Errors.h"
#include "platform/Guard.h"
#include "platform/LocalFiles.h"
#include "platform/Wait.h"
#include "runner/FtpCommandRules.h"
#include "runner/RemoteNames.h"
#include "runner/ScriptVantrel.h"
#include "script/Arguments.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Deep enough for any real tree; a server whose folders lead back into themselves ends here.
constexpr int kMaxTreeDepth = 32;

std::string nowText() { return datetime::dateTimeText(datetime::now()); }

std::string reason(const std::exception& e) { return bytetext::trim(e.what()); }

// "<a>/<b>", leaving out an empty part (the current folder).
std::string joined(const std::string& a, const std::string& b)
{
    if (a.empty()) return b;
    if (b.empty()) return a;
    return a + "/" + b;
}

// Folder and name part of a script argument at its last separator; the folder keeps no
// trailing separator unless it is the root.
std::pair<std::string, std::string> splitFolderAndMask(const std::string& path, std::string_view separators)
{
    const std::size_t cut = path.find_last_of(separators);
    if (cut == std::string::npos) return {{}, path};
    return {cut == 0 ? path.substr(0, 1) : path.substr(0, cut), path.substr(cut + 1)};
}

std::string absoluteLocal(const std::string& dir)
{
    if (dir.empty()) return apppaths::currentDirectory();
    if (dir[0] == '/') return dir;
    return joined(apppaths::excludeTrailingSlash(apppaths::currentDirectory()), dir);
}

bool isRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A folder of its own: not a link, not hidden (a dot-name).
bool isPlainFolder(const std::string& folder, const std::string& name)
{
    struct stat st {};
    return name[0] != '.' && ::lstat((folder + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isLink(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class TreeWalk {
public:
    explicit TreeWalk(TScriptVantrel& engine) : e_(engine) {}

    bool Send(const std::string& mask, const std::string& localDir, const std::string& remoteDir, int depth);
    bool Get(const std::string& mask, const std::string& remoteDir, const std::string& localDir, int depth);
    // Cancel, a lost connection or a folder we could not return to ends the whole walk.
    bool Stopped() const { return lost_ || e_.CancelFlag || !e_.FTP.GetConnected(); }
    // Files that did not arrive whole.
    int FailedFiles() const { return failedFiles_; }

private:
    bool EnterRemote(const std::string& dir);
    void ReturnRemote(const std::string& dir, bool& result);
    void ReturnLocal(const std::string& dir, bool& result);
    void UploadFiles(const std::string& mask, const std::string& localDir, const std::string& shownDir);
    void DownloadFiles(const std::vector<std::string>& names, const std::string& localFolder,
                       const std::string& shownRemote, const std::string& shownLocal);
    bool GetSubFolders(const std::string& mask, const ftplisting::EntryLists& folders, int depth);
    bool TooDeep(int depth, const std::string& name);

    TScriptVantrel& e_;
    std::set<std::string> visited_;  // remote folders entered, as the server names them
    bool lost_ = false;
    int failedFiles_ = 0;
};

bool TreeWalk::EnterRemote(const std::string& dir)
{
    try {
        e_.FTP.ChangeDir(dir);
        return true;
    } catch (const std::exception& ex) {
        e_.LogLine("   ---> Skipped directory " + dir + ": " + reason(ex));
        return false;
    }
}

void TreeWalk::ReturnRemote(const std::string& dir, bool& result)
{
    try {
        e_.FTP.ChangeDir(dir);
    } catch (const std::exception& ex) {
        e_.LogLine("   ---> Unable to return to remote directory " + dir + ": " + reason(ex));
        result = false;
        lost_ = true;
    }
}

void TreeWalk::ReturnLocal(const std::string& dir, bool& result)
{
    if (::chdir(dir.c_str()) == 0) return;
    e_.LogLine("   ---> Unable to return to local directory " + dir + ": " + std::strerror(errno));
    result = false;
    lost_ = true;
}

bool TreeWalk::TooDeep(int depth, const std::string& name)
{
    if (depth < kMaxTreeDepth) return false;
    e_.LogLine("   ---> Skipped directory " + name + ": more than " + std::to_string(kMaxTreeDepth) + " levels deep");
    return true;
}

// --- SENDTREE ---

bool TreeWalk::Send(const std::string& mask, const std::string& localDir, const std::string& remoteDir, int depth)
{
    const std::string startRemote = e_.FTP.GetCurrentDir();
    e_.LogLine("   ---> Remote Directory " + remoteDir);
    if (!remoteDir.empty()) {
        // Usually there already; a real failure shows when the change below fails.
        guard::absorb([&] { e_.FTP.MakeDirectory(remoteDir); });
        if (!EnterRemote(remoteDir)) return false;
    }
    bool result = true;
    try {
        // The transfers are guarded: what fails here is the mode or the connection.
        UploadFiles(mask, localDir, joined(startRemote, remoteDir));
        for (const std::string& name : localfiles::findMatches(localDir + "/*")) {
            if (Stopped()) break;
            if (!isPlainFolder(localDir, name)) continue;
            waiting::pumpMessages();
            if (TooDeep(depth, name) || !Send(mask, localDir + "/" + name, name, depth + 1)) result = false;
        }
    } catch (const std::exception&) {
        result = false;
    }
    if (!remoteDir.empty()) ReturnRemote(startRemote, result);
    return result && !lost_;
}

void TreeWalk::UploadFiles(const std::string& mask, const std::string& localDir, const std::string& shownDir)
{
    for (const std::string& name : localfiles::findMatches(localDir + "/" + mask)) {
        if (Stopped()) return;
        const std::string path = localDir + "/" + name;
        if (isLink(path)) {
            e_.LogLine("   ---> Skipped link: " + name);  // it may lead out of the tree
            continue;
        }
        if (!isRegularFile(path)) continue;
        waiting::pumpMessages();
        e_.FTP.SetMode(e_.TransferMode);
        const std::string remote = e_.CasedName(name);
        e_.LogLine("   ---> " + nowText() + ": Uploading " + shownDir + "/" + remote);
        e_.LogTransferMode();
        if (e_.GuardedTransfer([&] { e_.FTP.Upload(path, remote); })) continue;
        ++failedFiles_;
        if (!e_.FTP.LastTransferStarted()) continue;  // refused at STOR: nothing was written there
        // What the server holds under the real name is cut short: it must not pass for the file.
        if (e_.CancelFlag || !e_.FTP.GetConnected()) {
            e_.LogLine("   ---> Upload stopped: " + shownDir + "/" + remote + " is incomplete on the server");
            continue;
        }
        e_.LogLine("   ---> Removing incomplete remote file " + shownDir + "/" + remote);
        guard::absorb([&] { e_.FTP.Delete(remote); });
    }
}

// --- GETTREE ---

bool TreeWalk::Get(const std::string& mask, const std::string& remoteDir, const std::string& localDir, int depth)
{
    const std::string startLocal = apppaths::currentDirectory();
    const std::string startRemote = e_.FTP.GetCurrentDir();
    e_.LogLine("   ---> Local Directory " + localDir);
    if (!localDir.empty()) {
        if (!apppaths::directoryExists(localDir)) (void)apppaths::makeDirectories(localDir);
        if (::chdir(localDir.c_str()) != 0) {
            const std::string why = std::strerror(errno);
            if (depth == 0) throw Exception("Unable to change local directory to " + localDir + ": " + why);
            // A local file in the way fails this folder only; the rest of the tree still comes.
            e_.LogLine("   ---> Skipped directory " + remoteDir + ": Unable to change local directory to " + localDir +
                       ": " + why);
            return false;
        }
    }
    const std::string here = apppaths::currentDirectory();
    bool result = true;
    bool entered = remoteDir.empty();
    try {
        entered = entered || EnterRemote(remoteDir);
        if (!entered) {
            result = false;
        } else {
            const std::string server = e_.FTP.GetCurrentDir();
            // A "/" deeper down may be the answer of a failed PWD, which proves nothing.
            const bool seen = (depth == 0 || server != "/") && !visited_.insert(server).second;
            if (seen) {
                e_.LogLine("   ---> Skipped directory " + remoteDir + ": visited before");
            } else {
                // A folder without a match is an empty listing (450 or 550 on some servers).
                e_.ListMatching(mask);
                const std::vector<std::string> files = e_.FTP.Files.names;
                ftplisting::EntryLists folders = e_.FTP.Directories;
                const std::string shownLocal =
                    !localDir.empty() && localDir[0] == '/' ? localDir : joined(startLocal, localDir);
                DownloadFiles(files, here, joined(startRemote, remoteDir), shownLocal);
                if (!mask.empty() && !Stopped()) {
                    e_.ListOrAbsent("");
                    folders = e_.FTP.Directories;
                }
                if (!GetSubFolders(mask, folders, depth)) result = false;
            }
        }
    } catch (...) {
        if (!localDir.empty()) guard::absorb([&] { (void)::chdir(startLocal.c_str()); });
        if (entered && !remoteDir.empty()) guard::absorb([&] { e_.FTP.ChangeDir(startRemote); });
        throw;
    }
    if (!localDir.empty()) ReturnLocal(startLocal, result);
    if (entered && !remoteDir.empty()) ReturnRemote(startRemote, result);
    return result && !lost_;
}

void TreeWalk::DownloadFiles(const std::vector<std::string>& names, const std::string& localFolder,
                             const std::string& shownRemote, const std::string& shownLocal)
{
    for (const std::string& name : names) {
        if (Stopped()) return;
        // A mirror takes plain names only: "../x", "/etc/x" or "a/b" would land elsewhere.
        if (remotenames::SafeLocalName(name) != name) {
            e_.LogLine("   ---> Skipped: " + name + " (not a local file name)");
            continue;
        }
        waiting::pumpMessages();
        const std::string remote = shownRemote + "/" + name;
        try {
            e_.FTP.SetMode(e_.TransferMode);
            e_.LogLine("   ---> " + nowText() + ": Downloading " + remote + "  " + shownLocal + "/" + name);
            e_.LogTransferMode();
            // A partial file is removed: a mirror must not hold a short file under its name.
            if (!e_.GuardedTransfer([&] {
                    e_.DownloadFile(name, joined(localFolder, name), TScriptVantrel::GetForm::Plain,
                                    {.refuseLinks = true}, true);
                }))
                ++failedFiles_;
        } catch (const std::exception&) {
            ++failedFiles_;
            e_.LogLine("   ---> " + nowText() + ": *** ERROR Downloading " + remote);
        }
    }
}

bool TreeWalk::GetSubFolders(const std::string& mask, const ftplisting::EntryLists& folders, int depth)
{
    bool result = true;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (Stopped()) break;
        const std::string& name = folders.names[i];
        if (name == "." || name == "..") continue;
        if (!folders.attributes[i].empty() && bytetext::lower(folders.attributes[i][0]) == 'l') {
            e_.LogLine("   ---> Skipped link: " + name);
            continue;
        }
        if (remotenames::SafeLocalName(name) != name) {
            e_.LogLine("   ---> Skipped: " + name + " (not a local folder name)");
            continue;
        }
        // A local link of the same name would lead the files out of the target.
        if (isLink(name)) {
            e_.LogLine("   ---> Skipped directory " + name + ": the local one is a link");
            result = false;
            continue;
        }
        waiting::pumpMessages();
        if (TooDeep(depth, name) || !Get(mask, name, name, depth + 1)) result = false;
    }
    return result;
}

}  // namespace

bool TScriptVantrel::SendTree(const std::string& mask, const std::string& localDir, const std::string& remoteDir)
{
    const std::string folder = absoluteLocal(localDir);
    // Nothing to send is no success: the source folder was named wrongly.
    if (!apppaths::directoryExists(folder)) {
        LogLine("   ---> Local directory " + folder + " not found");
        return false;
    }
    TreeWalk walk(*this);
    // A walk that had to stop did not get through the tree.
    const bool entered = walk.Send(mask, folder, remoteDir, 0);
    return entered && !walk.Stopped() && walk.FailedFiles() == 0;
}

bool TScriptVantrel::GetTree(const std::string& mask, const std::string& remoteDir, const std::string& localDir)
{
    TreeWalk walk(*this);
    const bool entered = walk.Get(mask, remoteDir, localDir, 0);
    return entered && !walk.Stopped() && walk.FailedFiles() == 0;
}

bool TScriptVantrel::IsRemoteFolder(const std::string& path)
{
    const std::string back = FTP.GetCurrentDir();
    try {
        FTP.ChangeDir(path);
    } catch (const std::exception&) {
        return false;
    }
    FTP.ChangeDir(back);
    return true;
}

bool TScriptVantrel::PerformTree(const CommandEntry& entry, std::string_view argument)
{
    if (entry.cmd != Cmd::SendTree && entry.cmd != Cmd::GetTree) return false;
    const auto [first, second] = SplitArguments(argument);
    bool ok = false;
    if (entry.cmd == Cmd::SendTree) {
        const auto [folder, mask] = splitFolderAndMask(first, "/");
        ok = SendTree(mask, folder, second);
    } else {
        // Either separator divides a remote argument; the folder is sent with "/".
        auto [folder, mask] = splitFolderAndMask(first, "/\\");
        for (char& c : folder)
            if (c == '\\') c = '/';
        if (mask == "*.*") mask.clear();
        // "GETTREE /pub/site mirror": a last part without wildcards that names a remote folder
        // is that whole folder, not a mask for names inside the current one.
        if (!mask.empty() && mask.find_first_of(std::string("*?") + WildcardChar) == std::string::npos) {
            const std::string whole = folder.empty() ? mask : (folder == "/" ? folder : folder + "/") + mask;
            if (IsRemoteFolder(whole)) {
                folder = whole;
                mask.clear();
            }
        }
        ok = GetTree(mask, folder, second);
    }
    // A tree with a folder that could not be entered, or a file that failed, did not arrive whole.
    if (!ok) SuccessFlag = false;
    return true;
}
