// The script commands that work on the FTP server: connect and disconnect, remote folder and file
// commands, and the download and upload families with their transfer frame.

#include "runner/FtpCommandRules.h"

#include "net/common/HostLookup.h"
#include "net/ftp/socket/ScopeExit.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Guard.h"
#include "platform/HostAddress.h"
#include "platform/LocalFiles.h"
#include "platform/Wait.h"
#include "runner/LocalFileOps.h"
#include "runner/RemoteNames.h"
#include "runner/ScriptVantrel.h"
#include "script/Arguments.h"

#include <algorithm>
#include <ctime>
#include <sys/stat.h>

using bytetext::trim;

using namespace ftpcommands;

namespace {

const std::string kIndent(23, ' ');

// A local name made from a listed one: a link planted there is never written through.
const TDownloadOptions kServerNamed{.refuseLinks = true};

std::string messageOf(const std::exception& e) { return bytetext::trimRight(e.what()); }

std::string nowText() { return datetime::dateTimeText(datetime::now()); }

std::int64_t nowSeconds() { return CivilSeconds(datetime::now()); }

// A local file's modification time on the local wall clock; nullopt when it is not there.
std::optional<std::int64_t> localModified(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::tm tm{};
    const std::time_t t = st.st_mtime;
    ::localtime_r(&t, &tm);
    return CivilSeconds({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0});
}

bool hasLineEnd(std::string_view name) { return name.find_first_of("\r\n") != std::string_view::npos; }

std::string printable(std::string name)
{
    for (char& c : name)
        if (c == '\r' || c == '\n') c = '?';
    return name;
}

// Whether a file a mask matched is sent; a skipped one is logged. A line end in its name could
// not be sent safely in a command; a link may lead out of the folder (to a private file).
bool sendable(TScriptVantrel& e, const std::string& path)
{
    if (hasLineEnd(path)) {
        e.LogLine(kIndent + "Skipped:  " + printable(apppaths::extractFileName(path)) + " (a line end in its name)");
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    e.LogLine("   ---> Skipped link: " + printable(apppaths::extractFileName(path)));
    return false;
}

// ResolveHostAddress, but off the window's thread: a hung resolver must not keep Cancel,
// SIGTERM or TIMEOUT from ending the wait.
std::uint32_t lookUpHost(TScriptVantrel& e, const std::string& host)
{
    std::uint32_t address = kNoHostAddress;
    if (host.empty() || ParseDottedAddress(host, address)) return address;
    bool done = false;
    netsock::HostLookup lookup(host, false, [&](const netsock::HostLookup::Answer& a) {
        done = true;
        if (a.error == 0) address = a.addresses.front();
    });
    const int limit = e.FTP.Timeout > 0 ? e.FTP.Timeout : -1;
    switch (waiting::waitUntil([&] { return done; }, limit, [&] { return e.CancelFlag; })) {
    case waiting::WaitResult::Condition: return address;
    case waiting::WaitResult::TimedOut: throw ESockError("Host Lookup Timed Out");
    default: throw ESockError("Host Lookup Canceled");
    }
}

// The local file for a listed entry inside `folder`, through the one guard for server names;
// empty (and logged) when the name cannot be one.
std::string localFileFor(TScriptVantrel& e, const std::string& folder, const std::string& listed)
{
    const std::string name = remotenames::SafeLocalName(listed);
    if (name.empty()) {
        e.LogLine("   ---> Skipped: " + printable(listed) + " (not a local file name)");
        return {};
    }
    return apppaths::includeTrailingSlash(folder) + name;
}

}  // namespace

// --- the transfer frame ---

void TScriptVantrel::StartTransferTimeout(int ms)
{
    TTimeOut.stop();
    TTimeOut.setInterval(ms > 0 ? ms : 0);
    // A fresh arming: packets of an earlier transfer do not extend it.
    lastPacket_.invalidate();
    timeoutRearmed_ = false;
    SuccessFlag = true;
    // An interval of 0 or less never fires.
    if (ms > 0) TTimeOut.start();
}

void TScriptVantrel::StopTransferTimeout() { TTimeOut.stop(); }

void TScriptVantrel::LogTransferMode()
{
    LogLine(TransferMode == 2 ? "  ---> BINARY mode transfer: " : "  ---> ASCII mode transfer: ");
}

std::string TScriptVantrel::CasedName(const std::string& name) const
{
    if (ForceLower) return bytetext::toLower(name);
    if (ForceUpper) return bytetext::toUpper(name);
    return name;
}

bool TScriptVantrel::GuardedTransfer(const std::function<void()>& operation, std::string* failure)
{
    transferTimedOut_ = false;
    StartTransferTimeout(TransferTimeoutMs);
    bool ok = true;
    try {
        operation();
    } catch (const std::exception& ex) {
        ok = false;
        if (failure) *failure = messageOf(ex);
        // Whatever ends a transfer says why; refusals, time-outs, Cancel and a lost session
        // have their own lines already.
        const bool logged = failure || transferTimedOut_ || CancelFlag || dynamic_cast<const FTPException*>(&ex) ||
                            dynamic_cast<const EConnectionTerminated*>(&ex);
        if (!logged) {
            const auto* upload = dynamic_cast<const ETransferFailed*>(&ex);
            LogLine("   ---> Transfer failed: " + (upload ? bytetext::trimRight(upload->reason()) : messageOf(ex)));
        }
    } catch (...) {
        ok = false;
    }
    StopTransferTimeout();
    // An abort can race the last bytes: a transfer the time-out ended never counts as done.
    if (transferTimedOut_) ok = false;
    transferTimedOut_ = false;
    if (!ok) SuccessFlag = false;
    return ok;
}

std::string TScriptVantrel::RemoteFileNamePart(const std::string& name)
{
    const std::size_t cut = name.find_last_of("/\\:");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

std::int64_t TScriptVantrel::AddHostTimeZone(std::int64_t listedSeconds) const
{
    return listedSeconds + static_cast<std::int64_t>(HostTzDiffHours) * 3600;
}

// --- names and sizes ---

namespace {

std::string numberedName(TScriptVantrel& e, const std::string& base, const std::set<std::string>& used,
                         const std::string& side)
{
    const auto n = FirstFreeNumber(used);
    if (!n) throw Exception("No free number for the " + bytetext::toLower(side) + " name " + base);
    const std::string result = base + "." + std::to_string(*n);
    e.SetVariable("LastFileNumber", std::to_string(*n));
    e.LogLine("   ---> Generated " + side + " name \"" + result + "\"");
    return result;
}

}  // namespace

std::string TScriptVantrel::GenerateRemoteName(const std::string& base)
{
    // Every number in use must be seen, or an upload would replace a file that has it.
    if (base.find(' ') != std::string::npos) ListMatching(base + WildcardChar);
    else ListOrAbsent(base + WildcardChar);
    std::set<std::string> used;
    for (const std::string& name : FTP.Files.names) used.insert(Extension(RemoteFileNamePart(name)));
    return numberedName(*this, base, used, "Remote");
}

std::string TScriptVantrel::GenerateLocalName(const std::string& base)
{
    std::set<std::string> used;
    for (const std::string& name : localfiles::findMatches(base + ".*")) used.insert(Extension(name));
    return numberedName(*this, base, used, "Local");
}

void TScriptVantrel::ListOrAbsent(const std::string& mask)
{
    try {
        FTP.List(mask);
    } catch (const FTPException& ex) {
        if (!MeansAbsent(ex.what())) throw;
        FTP.Files = {};
        FTP.Directories = {};
    }
}

namespace {

// Lists `what` inside `folder` and comes back to the folder it started in, also when the
// listing fails. A folder that is not there lists nothing.
void listInside(TScriptVantrel& e, const std::string& folder, const std::string& what)
{
    e.FTP.DoCommand("PWD");
    const std::string back = ftptext::DirFromPwdReply(e.FTP.LastReply());
    // Without it the commands after this one would run in the wrong folder.
    if (back.empty()) throw Exception("No remote folder to return to: " + bytetext::trim(e.FTP.LastReply()));
    try {
        e.FTP.ChangeDir(folder);
    } catch (const FTPException& ex) {
        if (!MeansAbsent(ex.what())) throw;
        e.FTP.Files = {};
        e.FTP.Directories = {};
        return;
    }
    try {
        e.ListOrAbsent(what);
    } catch (...) {
        guard::absorb([&] { e.FTP.ChangeDir(back); });
        throw;
    }
    e.FTP.ChangeDir(back);
}

}  // namespace

void TScriptVantrel::ListMatching(const std::string& mask)
{
    const std::size_t cut = mask.rfind('/');
    const std::string folder = cut == std::string::npos ? std::string() : mask.substr(0, cut == 0 ? 1 : cut);
    const std::string name = cut == std::string::npos ? mask : mask.substr(cut + 1);
    const bool blankName = name.find(' ') != std::string::npos;
    if (folder.find(' ') != std::string::npos)
        listInside(*this, folder, blankName ? std::string() : name);
    else if (blankName)
        ListOrAbsent(folder);
    else
        ListOrAbsent(mask);
    if (mask.empty()) return;
    const auto matches = [&](const std::string& listed) { return MatchesRemoteMask(mask, listed, WildcardChar); };
    FTP.Files.Keep(matches);
    FTP.Directories.Keep(matches);
}

void TScriptVantrel::DownloadFile(const std::string& remote, const std::string& local, GetForm form,
                                  const TDownloadOptions& options, bool removePartial)
{
    try {
        switch (form) {
        case GetForm::Plain: FTP.Download(remote, local, options); break;
        case GetForm::Restart: FTP.DownloadRestore(remote, local, options); break;
        case GetForm::Append: FTP.DownloadAppend(remote, local, options); break;
        }
    } catch (const std::exception& ex) {
        // The server's refusals are in the log as its replies; these are not.
        if (dynamic_cast<const ELocalFileError*>(&ex) || dynamic_cast<const ETransferSizeError*>(&ex))
            LogLine("   ---> " + messageOf(ex));
        const std::string how = CancelFlag ? "   ---> Download cancelled: " : "   ---> Download failed: ";
        if (FTP.LastDownloadOpenedLocal() && apppaths::fileExists(local)) {
            if (removePartial && form == GetForm::Plain && ::unlink(local.c_str()) == 0)
                LogLine("   ---> Removed incomplete file " + local);
            else
                LogLine(how + local + " is incomplete");
        } else if (FTP.LastTransferStarted() && apppaths::fileExists(local)) {
            LogLine(how + local + " is unchanged");
        }
        throw;
    }
}

void TScriptVantrel::ListNamed(const std::string& name)
{
    if (name.find(' ') == std::string::npos && RemoteFileNamePart(name).find(WildcardChar) == std::string::npos)
        ListOrAbsent(name);
    else
        ListMatching(name);
}

bool TScriptVantrel::RemoteExists(const std::string& name)
{
    try {
        // A plain name counts whatever LIST shows for it (a folder's content, too).
        ListNamed(name);
    } catch (const ECommandTextRefused&) {
        // No name the server could hold: a condition reads false instead of failing its block.
        FTP.Files = {};
        FTP.Directories = {};
    }
    std::size_t entries = FTP.Files.size();
    for (const std::string& d : FTP.Directories.names)
        if (d != "." && d != "..") ++entries;
    const bool found = entries > 0;
    LogLine(found ? "   ---> Remote file \"" + name + "\" exists!" : "   ---> No Remote file \"" + name + "\"!");
    return found;
}

std::int64_t TScriptVantrel::RemoteFileSize(const std::string& name)
{
    LogLine("   ---> Check \"" + name + "\" existence and size...");
    try {
        return FTP.GetRemoteSize(name);
    } catch (const std::exception& ex) {
        const std::string message = messageOf(ex);
        LogLine(message);
        const std::string code = ReplyCodeOf(message);
        if (code < "500" || code > "502") return -1;
    }
    LogLine("   ---> FTP Server responded with No-can-do so try another method...");
    ListNamed(name);
    // No entry: the file is not there, as a 550 to SIZE would have said.
    if (FTP.Files.size() == 0) return -1;
    if (bytetext::toLower(RemoteFileNamePart(FTP.Files.names[0])) != bytetext::toLower(RemoteFileNamePart(name)))
        return -1;
    return FTP.Files.sizeValues[0];
}

// --- uploads by mask ---

void TScriptVantrel::SendWildcard(const std::string& localMask, const std::string& remoteDirArg, bool append)
{
    LogLine("   ---> " + nowText() + ": Sending " + localMask + " to " + remoteDirArg);
    std::string remoteDir = remoteDirArg;
    if (remoteDir.size() > 1 && remoteDir.back() == '/') remoteDir.pop_back();
    bool any = false, allOk = true;
    for (const std::string& path : localops::MatchingFiles(localMask)) {
        waiting::pumpMessages();
        if (CancelFlag) break;
        if (!sendable(*this, path)) continue;
        const std::string name = apppaths::extractFileName(path);
        std::string target = CasedName(name);
        if (!remoteDir.empty()) {
            const bool vms = ftplisting::KindOfStyle(FTP.ServerStyle) == ftplisting::StyleKind::Versioned;
            target = (vms && remoteDir.find('/') == std::string::npos ? remoteDir : remoteDir + "/") + target;
        }
        LogLine(kIndent + "Processing:  " + name + " to " + target);
        std::string failure;
        any = true;
        const bool ok = GuardedTransfer(
            [&] {
                FTP.SetMode(TransferMode);
                LogTransferMode();
                SuccessFlag = true;
                append ? FTP.UploadAppend(path, target) : FTP.Upload(path, target);
            },
            &failure);
        if (!ok) {
            LogLine(kIndent + "Failed:  " + name + " to " + target);
            LogLine("                 Fail message:  " + failure);
            allOk = false;
        }
    }
    // One failed file fails the command; with no file the flag stays as it was.
    if (any) SuccessFlag = allOk;
}

void TScriptVantrel::IncrementalSendWildcard(const std::string& localMask, const std::string& remoteDirArg)
{
    LogLine("   ---> " + nowText() + ": Sending " + localMask + " to " + remoteDirArg);
    std::string remoteDir = remoteDirArg;
    if (remoteDir.size() > 1 && remoteDir.back() == '/') remoteDir.pop_back();
    bool any = false, allOk = true;
    for (const std::string& path : localops::MatchingFiles(localMask)) {
        if (CancelFlag) break;
        if (!sendable(*this, path)) continue;
        const std::string name = apppaths::extractFileName(path);
        LogLine(kIndent + "Processing:  " + name + " to " + remoteDir + "/" + name);
        const std::string cased = CasedName(name);
        const std::string target = GenerateRemoteName(remoteDir.empty() ? cased : remoteDir + "/" + cased);
        any = true;
        allOk &= GuardedTransfer([&] {
            FTP.SetMode(TransferMode);
            LogTransferMode();
            FTP.Upload(path, target);
        });
    }
    if (any) SuccessFlag = allOk;
}

namespace {

enum class When { Newer, Older };

// SENDIFNEWER / SENDIFOLDER: each matching local file against the remote file's listed date.
void sendIf(TScriptVantrel& e, When when, const std::string& localMask, const std::string& remoteArg)
{
    const char* word = when == When::Newer ? "NEWER" : "OLDER";
    e.LogLine("   ---> " + nowText() + ": Sending " + word + " " + localMask + " to " + remoteArg);
    std::string remote = remoteArg;
    if (remote.size() > 1 && remote.back() == '/') remote.pop_back();
    bool any = false, allOk = true;
    for (const std::string& path : localops::MatchingFiles(localMask)) {
        if (e.CancelFlag) break;
        if (!sendable(e, path)) continue;
        const std::string name = apppaths::extractFileName(path);
        const std::int64_t localTime = localModified(path).value_or(nowSeconds());
        const std::string target = remote.empty() ? e.CasedName(name) : remote + "/" + e.CasedName(name);
        e.ListNamed(target);
        std::int64_t remoteTime = localTime - 86400;
        if (e.FTP.Files.size() > 0) {
            const auto& listed = e.FTP.Files.times[0];
            remoteTime = listed ? e.AddHostTimeZone(CivilSeconds(*listed))
                                : (when == When::Newer ? nowSeconds() - 365 * 86400 : nowSeconds());
        }
        const bool send = when == When::Newer ? localTime > remoteTime : localTime < remoteTime;
        if (!send) {
            e.LogLine(kIndent + "Skipped:  " + name);
            continue;
        }
        e.LogLine(kIndent + "Processing " + word + ":  " + name + " to " + remote + "/" + name);
        any = true;
        allOk &= e.GuardedTransfer([&] {
            e.FTP.SetMode(e.TransferMode);
            e.LogTransferMode();
            e.FTP.Upload(path, target);
        });
    }
    // Only uploaded files count; one failure fails the command.
    if (any) e.SuccessFlag = allOk;
}

enum class GetIf { Newer, Older, New };

// GETIFNEWER / GETIFOLDER / GETIFNEW: each listed file against the local copy.
void getIf(TScriptVantrel& e, GetIf kind, const std::string& remoteMask, const std::string& localArg)
{
    const char* word = kind == GetIf::Newer ? "NEWER" : kind == GetIf::Older ? "OLDER" : "NEW";
    e.LogLine("   ---> " + nowText() + ": Retrieving " + word + " " + remoteMask + " to " + localArg);
    const std::string folder = localArg.empty() ? e.StartDir : localArg;
    e.ListMatching(remoteMask);
    const ftplisting::EntryLists files = e.FTP.Files;
    bool any = false, allOk = true;
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (e.CancelFlag) break;
        const std::string& listed = files.names[k];
        const std::string local = localFileFor(e, folder, listed);
        if (local.empty()) continue;
        const std::string remote = ListedPath(remoteMask, listed);
        const auto download = [&] {
            any = true;
            allOk &= e.GuardedTransfer([&] {
                e.FTP.SetMode(e.TransferMode);
                e.LogTransferMode();
                e.DownloadFile(remote, local, TScriptVantrel::GetForm::Plain, kServerNamed);
            });
        };
        const std::optional<std::int64_t> localTime = localModified(local);
        if (kind == GetIf::New) {
            if (localTime) {
                e.LogLine("   ---> Skipped: " + listed);
                continue;
            }
            e.LogLine("            > " + nowText() + ": Retrieving NEW " + local);
            download();
            continue;
        }
        const std::int64_t remoteTime =
            files.times[k] ? e.AddHostTimeZone(CivilSeconds(*files.times[k])) : nowSeconds();
        // A file that is not here yet is always fetched by NEWER, whatever the server's date.
        const bool fetch = kind == GetIf::Newer ? (!localTime || remoteTime > *localTime)
                                                : remoteTime < localTime.value_or(nowSeconds());
        if (fetch)
            download();
        else
            e.LogLine("   ---> Skipped: " + listed);
    }
    // NEWER and OLDER answer for every entry, NEW for the files it fetched; one failure fails.
    if (kind != GetIf::New && files.size() > 0) e.SuccessFlag = allOk;
    else if (any) e.SuccessFlag = allOk;
}

enum class GetKind { Plain, Append, Resume, Incremental };

}  // namespace

// --- the commands ---

namespace {

// Downloads by mask: the file entries in listing order into `folder`.
void getMasked(TScriptVantrel& e, GetKind kind, const std::string& remoteMask, const std::string& folder)
{
    e.ListMatching(remoteMask);
    const ftplisting::EntryLists files = e.FTP.Files;
    if (files.size() == 0) return;
    e.FTP.SetMode(e.TransferMode);
    e.LogTransferMode();
    e.SuccessFlag = true;
    bool allOk = true;
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (e.CancelFlag) break;
        std::string local = localFileFor(e, folder, files.names[k]);
        if (local.empty()) continue;
        const std::string remote = ListedPath(remoteMask, files.names[k]);
        bool ok = true;
        switch (kind) {
        case GetKind::Plain:
            ok = e.GuardedTransfer([&] { e.DownloadFile(remote, local, TScriptVantrel::GetForm::Plain, kServerNamed); });
            break;
        case GetKind::Append:
            ok = e.GuardedTransfer([&] {
                // Appending to a file that is not there yet is a plain download.
                e.DownloadFile(remote, local,
                               apppaths::fileExists(local) ? TScriptVantrel::GetForm::Append
                                                           : TScriptVantrel::GetForm::Plain,
                               kServerNamed);
            });
            break;
        case GetKind::Incremental:
            ok = e.GuardedTransfer([&] {
                local = e.GenerateLocalName(local);
                e.SetVerbatimVariable("LastFileName", local);
                e.DownloadFile(remote, local, TScriptVantrel::GetForm::Plain, kServerNamed);
            });
            break;
        case GetKind::Resume: break;
        }
        allOk &= ok;
        // Append and incremental stop at the first failure; a plain get tries every entry.
        if (!ok && kind != GetKind::Plain) break;
    }
    e.SuccessFlag = allOk;
}

// A command's outcome as the script sees it: done, or failed for any reason.
template <class Operation>
bool succeeds(const Operation& operation)
{
    try {
        operation();
        return true;
    } catch (...) {
        return false;
    }
}

// One FTP command as performed: which of its family it is and its two arguments.
struct FtpCall {
    Cmd cmd;
    const std::string& first;
    const std::string& second;
};

void connectToServer(TScriptVantrel& e, const FtpCall&)
{
    try {
        // A port past 16 bits would wrap to another one (70000 to 4464).
        const bool viaProxy = !e.FTP.Proxy.empty();
        const int port = viaProxy ? e.FTP.ProxyPort : e.FTP.Port;
        if (port < 1 || port > 65535)
            throw Exception(std::string(viaProxy ? "Proxy port " : "Port ") + std::to_string(port) +
                            " is outside 1-65535");
        if (lookUpHost(e, e.FTP.Host) == kNoHostAddress) throw Exception("Unable to find host: " + e.FTP.Host);
        if (e.FTP.SettingsChanged()) {
            // The session open is another server's or another login's: the next SEND must
            // not go there.
            e.LogLine("   ---> Connection settings changed: reconnecting to " + e.FTP.Host + ":" +
                      std::to_string(e.FTP.Port));
            e.Disconnecting = true;
            ftpsock::ScopeExit done([&e] { e.Disconnecting = false; });
            guard::absorb([&e] { e.FTP.CloseSession(); });
        }
        e.FTP.Connect();
        e.SetServerVariable("CurrentRemoteDir", e.FTP.GetCurrentDir());
        // A session starts in ASCII: SIZE and resumed sends need the mode the script chose
        // (BINARY before CONNECT, or the binary default). A refusal is in the log already.
        try {
            e.FTP.SetMode(e.TransferMode);
        } catch (const FTPException&) {
        }
        e.SuccessFlag = true;
    } catch (const std::exception& ex) {
        e.SuccessFlag = false;
        e.LogLine("   ---> Unable to Connect. Message: " + messageOf(ex));
    }
}

void disconnectFromServer(TScriptVantrel& e, const FtpCall&)
{
    e.Holdup.start();
    e.Disconnecting = true;
    e.SuccessFlag = succeeds([&e] { e.FTP.Disconnect(); });
    e.Disconnecting = false;
    e.FTP.ServerStyle = ftplisting::kStyleDetect;
    e.WildcardChar = '*';
    e.Holdup.stop();
}

void changeRemoteDir(TScriptVantrel& e, const FtpCall& c)
{
    e.SuccessFlag = succeeds([&] { e.FTP.ChangeDir(c.first); });
    e.SetServerVariable("CurrentRemoteDir", e.FTP.GetCurrentDir());
}

void makeRemoteDir(TScriptVantrel& e, const FtpCall& c)
{
    try {
        e.FTP.MakeDirectory(c.first);
        e.LogLine("   ---> Remote Make Directory: \"" + c.first + "\"");
        e.SuccessFlag = true;
    } catch (const std::exception& ex) {
        e.LogLine("   ---> Error: Remote Make Directory: " + messageOf(ex));
        e.SuccessFlag = false;
    }
}

void deleteRemote(TScriptVantrel& e, const FtpCall& c)
{
    const std::string& first = c.first;
    e.LogLine("   ---> " + nowText() + ": Deleting " + first);
    const auto remove = [&e](const std::string& name) { return succeeds([&] { e.FTP.Delete(name); }); };
    if (first.find(e.WildcardChar) == std::string::npos) {
        e.SuccessFlag = remove(first);
        return;
    }
    // A server that ignores the mask must not cost the rest of its folder.
    e.ListMatching(first);
    const std::vector<std::string> names = e.FTP.Files.names;
    bool any = false, allOk = true;
    for (const std::string& listed : names) {
        any = true;
        allOk &= remove(ListedPath(first, listed));
    }
    if (any) e.SuccessFlag = allOk;
}

void renameOrExec(TScriptVantrel& e, const FtpCall& c)
{
    e.SuccessFlag = succeeds([&] {
        c.cmd == Cmd::RemoteRename ? e.FTP.Rename(c.first, c.second) : e.FTP.DoCommand("SITE REXEC " + c.first);
    });
}

void setHostTzDiff(TScriptVantrel& e, const FtpCall& c)
{
    int hours = 0;
    if (bytetext::parseInt(c.first, hours)) {
        e.HostTzDiffHours = hours;
        e.LogLine("   ---> Host timezone difference: " + c.first + " hrs");
    } else {
        e.HostTzDiffHours = 0;
        e.LogLine("   ---> ERROR: Host timezone difference froced to: 0 hrs");
    }
}

void generateRemote(TScriptVantrel& e, const FtpCall& c)
{
    std::string name = c.second;
    e.SuccessFlag = succeeds([&] { name = e.GenerateRemoteName(c.second); });
    e.SetVariable(c.first, name);
}

void generateLocal(TScriptVantrel& e, const FtpCall& c)
{
    e.SetVariable(c.first, e.GenerateLocalName(e.ResolveLocalPath(c.second)));
}

void getFamily(TScriptVantrel& e, const FtpCall& c)
{
    const std::string& first = c.first;
    const GetKind kind = c.cmd == Cmd::Get         ? GetKind::Plain
                         : c.cmd == Cmd::AppendGet ? GetKind::Append
                         : c.cmd == Cmd::ResumeGet ? GetKind::Resume
                                                   : GetKind::Incremental;
    const std::string local = e.ResolveLocalPath(c.second);
    e.LogLine("   ---> " + nowText() + ": Retrieving " + first + " to " + local);
    const bool masked = kind != GetKind::Resume &&
                        (first.find(e.WildcardChar) != std::string::npos || first.find('?') != std::string::npos);
    if (masked) {
        getMasked(e, kind, first, local.empty() ? e.StartDir : local);
        return;
    }
    // No local name: the remote file's own name in the current local folder.
    std::string target = local;
    if (target.empty()) {
        target = localFileFor(e, e.StartDir, first);
        if (target.empty()) {
            e.SuccessFlag = false;
            return;
        }
    }
    // The size lets a resumed download tell a server that ignored REST from a good one.
    TDownloadOptions options;
    if (kind == GetKind::Resume) options.remoteSize = e.RemoteFileSize(first);
    if (kind == GetKind::Incremental) {
        e.SetVerbatimVariable("LastFileName", e.GenerateLocalName(target));
        target = e.GenerateLocalName(target);
    }
    (void)e.GuardedTransfer([&] {
        // The log promises the mode: a server starts in ASCII and would convert binary files.
        e.FTP.SetMode(e.TransferMode);
        e.LogTransferMode();
        const bool partial = apppaths::fileExists(target);
        using GetForm = TScriptVantrel::GetForm;
        e.DownloadFile(first, target,
                       kind == GetKind::Append && partial   ? GetForm::Append
                       : kind == GetKind::Resume && partial ? GetForm::Restart
                                                            : GetForm::Plain,
                       options);
    });
}

void getIfFamily(TScriptVantrel& e, const FtpCall& c)
{
    getIf(e,
          c.cmd == Cmd::GetIfNewer   ? GetIf::Newer
          : c.cmd == Cmd::GetIfOlder ? GetIf::Older
                                     : GetIf::New,
          c.first, e.ResolveLocalPath(c.second));
}

void sendFamily(TScriptVantrel& e, const FtpCall& c)
{
    const std::string& second = c.second;
    const std::string local = e.ResolveLocalPath(c.first);
    const bool masked = c.cmd != Cmd::ResumeSend && localfiles::hasMask(local);
    if (masked) {
        c.cmd == Cmd::IncrementalSend ? e.IncrementalSendWildcard(local, second)
                                      : e.SendWildcard(local, second, c.cmd == Cmd::AppendSend);
        return;
    }
    e.LogLine("   ---> " + nowText() + ": Sending " + local + " to " + second);
    const std::string remote = e.CasedName(second);
    if (c.cmd == Cmd::ResumeSend) {
        std::int64_t offset = e.RemoteFileSize(remote);
        // In ASCII both sizes count other line ends: equal sizes say nothing (the client
        // then sends the whole file).
        const std::int64_t size = e.TransferMode == 1 ? -1 : e.LocalFileSize(local);
        if (size >= 0 && offset == size) {
            e.LogLine("   ---> \"" + remote + "\" is complete already: nothing to send");
            e.SuccessFlag = true;
            return;
        }
        if (size >= 0 && offset > size) {
            e.LogLine("   ---> \"" + remote + "\" is larger than \"" + local + "\": sending the whole file");
            offset = 0;
        }
        (void)e.GuardedTransfer([&] {
            e.FTP.SetMode(e.TransferMode);
            e.LogTransferMode();
            offset < 1 ? e.FTP.Upload(local, remote) : e.FTP.UploadRestore(local, remote, offset);
        });
        return;
    }
    if (c.cmd == Cmd::IncrementalSend) {
        e.FTP.SetMode(e.TransferMode);
        e.LogTransferMode();
        // Numbered after the case is applied, so the probe sees the names the upload makes.
        const std::string target = e.GenerateRemoteName(remote);
        (void)e.GuardedTransfer([&] { e.FTP.Upload(local, target); });
        return;
    }
    (void)e.GuardedTransfer([&] {
        e.FTP.SetMode(e.TransferMode);
        e.LogTransferMode();
        c.cmd == Cmd::AppendSend ? e.FTP.UploadAppend(local, remote) : e.FTP.Upload(local, remote);
    });
}

void sendIfFamily(TScriptVantrel& e, const FtpCall& c)
{
    sendIf(e, c.cmd == Cmd::SendIfNewer ? When::Newer : When::Older, e.ResolveLocalPath(c.first), c.second);
}

// Each FTP command and the function that performs its family.
struct FtpCommand {
    Cmd cmd;
    void (*perform)(TScriptVantrel&, const FtpCall&);
};

constexpr FtpCommand kFtpCommands[] = {
    {Cmd::Connect, connectToServer},
    {Cmd::Disconnect, disconnectFromServer},
    {Cmd::RemoteCd, changeRemoteDir},
    {Cmd::RemoteMd, makeRemoteDir},
    {Cmd::RemoteDelete, deleteRemote},
    {Cmd::RemoteRename, renameOrExec},
    {Cmd::RemoteExec, renameOrExec},
    {Cmd::HostTzDiff, setHostTzDiff},
    {Cmd::GenerateRemoteName, generateRemote},
    {Cmd::GenerateLocalName, generateLocal},
    {Cmd::Get, getFamily},
    {Cmd::AppendGet, getFamily},
    {Cmd::ResumeGet, getFamily},
    {Cmd::IncrementalGet, getFamily},
    {Cmd::GetIfNewer, getIfFamily},
    {Cmd::GetIfOlder, getIfFamily},
    {Cmd::GetIfNew, getIfFamily},
    {Cmd::Send, sendFamily},
    {Cmd::AppendSend, sendFamily},
    {Cmd::ResumeSend, sendFamily},
    {Cmd::IncrementalSend, sendFamily},
    {Cmd::SendIfNewer, sendIfFamily},
    {Cmd::SendIfOlder, sendIfFamily},
};

}  // namespace

bool TScriptVantrel::PerformFtp(const CommandEntry& entry, std::string_view arg)
{
    const auto found = std::ranges::find(kFtpCommands, entry.cmd, &FtpCommand::cmd);
    if (found == std::end(kFtpCommands)) return false;
    const auto [first, second] = SplitArguments(arg);
    found->perform(*this, {entry.cmd, first, second});
    return true;
}
