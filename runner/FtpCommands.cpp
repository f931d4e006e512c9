// The script commands that work on the FTP server: connect and disconnect, remote folder and file
// commands, and the download and upload families with their transfer frame.

#include "runner/FtpCommands.h"

#include "net/common/HostLookup.h"
#include "net/ftp/socket/ScopeExit.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Guard.h"
#include "platform/HostAddress.h"
#include "platform/LocalFiles.h"
#include "platform/Wait.h"
#include "runner/Arguments.h"
#include "runner/LocalFileOps.h"
#include "runner/RemoteNames.h"
#include "runner/ScriptVantrel.h"

#include <ctime>
#include <sys/stat.h>

using bytetext::trim;

namespace ftpcommands {

std::string ListedPath(std::string_view mask, std::string_view listedName)
{
    if (listedName.find('/') != std::string_view::npos) return std::string(listedName);
    const std::size_t cut = mask.rfind('/');
    return cut == std::string_view::npos ? std::string(listedName)
                                         : std::string(mask.substr(0, cut + 1)) + std::string(listedName);
}

bool MatchesRemoteMask(std::string_view mask, std::string_view listedName, char wildcard)
{
    const std::size_t cut = mask.rfind('/');
    std::string pattern(cut == std::string_view::npos ? mask : mask.substr(cut + 1));
    for (char& c : pattern)
        if (c == wildcard) c = '*';
    const std::size_t nameCut = listedName.find_last_of("/\\");
    const std::string_view name = nameCut == std::string_view::npos ? listedName : listedName.substr(nameCut + 1);
    return localfiles::matchesMask(pattern, name);
}

std::string Extension(std::string_view namePart)
{
    const std::size_t dot = namePart.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(namePart.substr(dot));
}

std::optional<std::int64_t> FirstFreeNumber(const std::set<std::string>& usedExtensions)
{
    for (std::int64_t n = 1; n <= 99999999; ++n)
        if (!usedExtensions.count("." + std::to_string(n))) return n;
    return std::nullopt;
}

std::int64_t CivilSeconds(const CivilTime& t)
{
    return datetime::daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::string ReplyCodeOf(std::string_view message) { return std::string(message.substr(0, 3)); }

bool MeansAbsent(std::string_view message)
{
    const std::string code = ReplyCodeOf(message);
    return code == "450" || code == "550";
}

}  // namespace ftpcommands

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

// A local name that could not be sent safely in a command.
void logUnsendable(TScriptVantrel& e, const std::string& path)
{
    e.LogLine(kIndent + "Skipped:  " + printable(apppaths::extractFileName(path)) + " (a line end in its name)");
}

// A link a mask matched may lead out of the folder (to a private file): it is not sent.
bool skippedLink(TScriptVantrel& e, const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
    e.LogLine("   ---> Skipped link: " + printable(apppaths::extractFileName(path)));
    return true;
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
    ListOrAbsent(base + WildcardChar);
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

void TScriptVantrel::ListMatching(const std::string& mask)
{
    const std::size_t cut = mask.rfind('/');
    const std::string name = cut == std::string::npos ? mask : mask.substr(cut + 1);
    const bool blank = name.find(' ') != std::string::npos;
    if (blank)
        ListOrAbsent(cut == std::string::npos ? std::string() : mask.substr(0, cut == 0 ? 1 : cut));
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

bool TScriptVantrel::RemoteExists(const std::string& name)
{
    try {
        // A plain name counts whatever LIST shows for it (a folder's content, too).
        const std::string part = RemoteFileNamePart(name);
        if (part.find(' ') == std::string::npos && part.find(WildcardChar) == std::string::npos)
            ListOrAbsent(name);
        else
            ListMatching(name);
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
    ListOrAbsent(name);
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
        if (hasLineEnd(path)) {
            logUnsendable(*this, path);
            continue;
        }
        if (skippedLink(*this, path)) continue;
        const std::string name = apppaths::extractFileName(path);
        std::string target = CasedName(name);
        if (!remoteDir.empty()) {
            const bool vms = FTP.ServerStyle == 6 || FTP.ServerStyle == 7;
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
        if (hasLineEnd(path)) {
            logUnsendable(*this, path);
            continue;
        }
        if (skippedLink(*this, path)) continue;
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
        if (hasLineEnd(path)) {
            logUnsendable(e, path);
            continue;
        }
        if (skippedLink(e, path)) continue;
        const std::string name = apppaths::extractFileName(path);
        const std::int64_t localTime = localModified(path).value_or(nowSeconds());
        const std::string target = remote.empty() ? e.CasedName(name) : remote + "/" + e.CasedName(name);
        e.ListOrAbsent(target);
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

}  // namespace

bool TScriptVantrel::PerformFtp(const CommandEntry& entry, std::string_view arg)
{
    const auto [first, second] = SplitArguments(arg);
    switch (entry.cmd) {
    case Cmd::Connect:
        try {
            // A port past 16 bits would wrap to another one (70000 to 4464).
            const bool viaProxy = !FTP.Proxy.empty();
            const int port = viaProxy ? FTP.ProxyPort : FTP.Port;
            if (port < 1 || port > 65535)
                throw Exception(std::string(viaProxy ? "Proxy port " : "Port ") + std::to_string(port) +
                                " is outside 1-65535");
            if (lookUpHost(*this, FTP.Host) == kNoHostAddress) throw Exception("Unable to find host: " + FTP.Host);
            if (FTP.SettingsChanged()) {
                // The session open is another server's or another login's: the next SEND must
                // not go there.
                LogLine("   ---> Connection settings changed: reconnecting to " + FTP.Host + ":" +
                        std::to_string(FTP.Port));
                Disconnecting = true;
                ftpsock::ScopeExit done([this] { Disconnecting = false; });
                guard::absorb([this] { FTP.CloseSession(); });
            }
            FTP.Connect();
            SetServerVariable("CurrentRemoteDir", FTP.GetCurrentDir());
            // A session starts in ASCII: SIZE and resumed sends need the mode the script chose
            // (BINARY before CONNECT, or the binary default). A refusal is in the log already.
            try {
                FTP.SetMode(TransferMode);
            } catch (const FTPException&) {
            }
            SuccessFlag = true;
        } catch (const std::exception& ex) {
            SuccessFlag = false;
            LogLine("   ---> Unable to Connect. Message: " + messageOf(ex));
        }
        return true;
    case Cmd::Disconnect:
        Holdup.start();
        Disconnecting = true;
        try {
            FTP.Disconnect();
            SuccessFlag = true;
        } catch (...) {
            SuccessFlag = false;
        }
        Disconnecting = false;
        FTP.ServerStyle = ftplisting::kStyleDetect;
        WildcardChar = '*';
        Holdup.stop();
        return true;
    case Cmd::RemoteCd:
        try {
            FTP.ChangeDir(first);
            SuccessFlag = true;
        } catch (...) {
            SuccessFlag = false;
        }
        SetServerVariable("CurrentRemoteDir", FTP.GetCurrentDir());
        return true;
    case Cmd::RemoteMd:
        try {
            FTP.MakeDirectory(first);
            LogLine("   ---> Remote Make Directory: \"" + first + "\"");
            SuccessFlag = true;
        } catch (const std::exception& ex) {
            LogLine("   ---> Error: Remote Make Directory: " + messageOf(ex));
            SuccessFlag = false;
        }
        return true;
    case Cmd::RemoteDelete: {
        LogLine("   ---> " + nowText() + ": Deleting " + first);
        const auto remove = [this](const std::string& name) {
            try {
                FTP.Delete(name);
                return true;
            } catch (...) {
                return false;
            }
        };
        if (first.find(WildcardChar) == std::string::npos) {
            SuccessFlag = remove(first);
            return true;
        }
        // A server that ignores the mask must not cost the rest of its folder.
        ListMatching(first);
        const std::vector<std::string> names = FTP.Files.names;
        bool any = false, allOk = true;
        for (const std::string& listed : names) {
            any = true;
            allOk &= remove(ListedPath(first, listed));
        }
        if (any) SuccessFlag = allOk;
        return true;
    }
    case Cmd::RemoteRename:
    case Cmd::RemoteExec:
        try {
            entry.cmd == Cmd::RemoteRename ? FTP.Rename(first, second) : FTP.DoCommand("SITE REXEC " + first);
            SuccessFlag = true;
        } catch (...) {
            SuccessFlag = false;
        }
        return true;
    case Cmd::HostTzDiff: {
        int hours = 0;
        if (bytetext::parseInt(first, hours)) {
            HostTzDiffHours = hours;
            LogLine("   ---> Host timezone difference: " + first + " hrs");
        } else {
            HostTzDiffHours = 0;
            LogLine("   ---> ERROR: Host timezone difference froced to: 0 hrs");
        }
        return true;
    }
    case Cmd::GenerateRemoteName: {
        std::string name = second;
        try {
            name = GenerateRemoteName(second);
            SuccessFlag = true;
        } catch (...) {
            SuccessFlag = false;
        }
        SetVariable(first, name);
        return true;
    }
    case Cmd::GenerateLocalName: SetVariable(first, GenerateLocalName(ResolveLocalPath(second))); return true;
    case Cmd::Get:
    case Cmd::AppendGet:
    case Cmd::ResumeGet:
    case Cmd::IncrementalGet: {
        const GetKind kind = entry.cmd == Cmd::Get         ? GetKind::Plain
                             : entry.cmd == Cmd::AppendGet ? GetKind::Append
                             : entry.cmd == Cmd::ResumeGet ? GetKind::Resume
                                                           : GetKind::Incremental;
        const std::string local = ResolveLocalPath(second);
        LogLine("   ---> " + nowText() + ": Retrieving " + first + " to " + local);
        const bool masked = kind != GetKind::Resume &&
                            (first.find(WildcardChar) != std::string::npos || first.find('?') != std::string::npos);
        if (masked) {
            getMasked(*this, kind, first, local.empty() ? StartDir : local);
            return true;
        }
        // No local name: the remote file's own name in the current local folder.
        std::string target = local;
        if (target.empty()) {
            target = localFileFor(*this, StartDir, first);
            if (target.empty()) {
                SuccessFlag = false;
                return true;
            }
        }
        // The size lets a resumed download tell a server that ignored REST from a good one.
        TDownloadOptions options;
        if (kind == GetKind::Resume) options.remoteSize = RemoteFileSize(first);
        if (kind == GetKind::Incremental) {
            SetVerbatimVariable("LastFileName", GenerateLocalName(target));
            target = GenerateLocalName(target);
        }
        (void)GuardedTransfer([&] {
            // The log promises the mode: a server starts in ASCII and would convert binary files.
            FTP.SetMode(TransferMode);
            LogTransferMode();
            const bool partial = apppaths::fileExists(target);
            DownloadFile(first, target,
                         kind == GetKind::Append && partial   ? GetForm::Append
                         : kind == GetKind::Resume && partial ? GetForm::Restart
                                                              : GetForm::Plain,
                         options);
        });
        return true;
    }
    case Cmd::GetIfNewer:
    case Cmd::GetIfOlder:
    case Cmd::GetIfNew:
        getIf(*this,
              entry.cmd == Cmd::GetIfNewer   ? GetIf::Newer
              : entry.cmd == Cmd::GetIfOlder ? GetIf::Older
                                             : GetIf::New,
              first, ResolveLocalPath(second));
        return true;
    case Cmd::Send:
    case Cmd::AppendSend:
    case Cmd::ResumeSend:
    case Cmd::IncrementalSend: {
        const std::string local = ResolveLocalPath(first);
        const bool masked = entry.cmd != Cmd::ResumeSend && localfiles::hasMask(local);
        if (masked) {
            entry.cmd == Cmd::IncrementalSend ? IncrementalSendWildcard(local, second)
                                              : SendWildcard(local, second, entry.cmd == Cmd::AppendSend);
            return true;
        }
        LogLine("   ---> " + nowText() + ": Sending " + local + " to " + second);
        const std::string remote = CasedName(second);
        if (entry.cmd == Cmd::ResumeSend) {
            std::int64_t offset = RemoteFileSize(remote);
            const std::int64_t size = LocalFileSize(local);
            if (size >= 0 && offset == size) {
                LogLine("   ---> \"" + remote + "\" is complete already: nothing to send");
                SuccessFlag = true;
                return true;
            }
            if (size >= 0 && offset > size) {
                LogLine("   ---> \"" + remote + "\" is larger than \"" + local + "\": sending the whole file");
                offset = 0;
            }
            (void)GuardedTransfer([&] {
                FTP.SetMode(TransferMode);
                LogTransferMode();
                offset < 1 ? FTP.Upload(local, remote) : FTP.UploadRestore(local, remote, offset);
            });
            return true;
        }
        if (entry.cmd == Cmd::IncrementalSend) {
            FTP.SetMode(TransferMode);
            LogTransferMode();
            // Numbered after the case is applied, so the probe sees the names the upload makes.
            const std::string target = GenerateRemoteName(remote);
            (void)GuardedTransfer([&] { FTP.Upload(local, target); });
            return true;
        }
        (void)GuardedTransfer([&] {
            FTP.SetMode(TransferMode);
            LogTransferMode();
            entry.cmd == Cmd::AppendSend ? FTP.UploadAppend(local, remote) : FTP.Upload(local, remote);
        });
        return true;
    }
    case Cmd::SendIfNewer:
    case Cmd::SendIfOlder:
        sendIf(*this, entry.cmd == Cmd::SendIfNewer ? When::Newer : When::Older, ResolveLocalPath(first), second);
        return true;
    default: return false;
    }
}
