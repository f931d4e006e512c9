// TFtpSession: the data connection, listings, downloads and uploads.
//
// A transfer succeeds only when the data connection ended cleanly and the server's closing
// reply is positive. A closing reply that could not be read is owed: the next command reads
// it first, so it is never taken for that command's reply.

#include "net/ftp/client/FtpSession.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Guard.h"
#include "platform/LocalFiles.h"
#include "platform/ReplacementFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::int64_t localFileSize(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throw Exception("Cannot open file " + path);
    return st.st_size;
}

// A reader never sees half a listing, and the program folder may be shared.
void writeWhole(const std::string& path, const std::string& bytes)
{
    apppaths::makeDirectories(apppaths::extractFilePath(path));
    (void)localfiles::writeFileAtomically(path, bytes, 0600, false);
}

bool isLink(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A download's local file that is there but may not be written: a folder or other non-file, or
// a read-only file (root could write it, but a download must not bypass what the owner set).
// Returns the mode of a file that is there, 0 when there is none.
mode_t refuseUnwritable(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    if (!S_ISREG(st.st_mode)) throw ELocalFileError("Cannot write to " + path + ": not a regular file", false);
    if ((st.st_mode & S_IWUSR) == 0) throw ELocalFileError("Cannot create file " + path + ": it is read-only", false);
    return st.st_mode;
}

}  // namespace

// Frees the data connection however the operation ends; a closing reply not yet read is owed.
struct TFtpSession::DataScope {
    TFtpSession& session;
    bool closingOwed = false;
    ~DataScope()
    {
        session.data_.reset();
        session.inTransaction_ = false;
        if (closingOwed) ++session.owedReplies_;
    }
};

void TFtpSession::OpenDataConnection(TCmdType code, bool reportPort)
{
    BeginCommand();
    data_ = std::make_unique<TSockBase>();
    data_->Timeout = Timeout;
    data_->IdleTimeout = code == cmdList || TransferTimeout < 0 ? Timeout : TransferTimeout;
    data_->Port = 0;
    data_->SetControlConnection(this);
    data_->Listen(true);
    const std::string port = "PORT " + LocalAddressText() + data_->PortText();
    if (reportPort) ReportStatus(1, port);
    Transaction(port);
    CheckReply(301, 599, code, false);
}

void TFtpSession::AcceptDataConnection() { data_->AdoptSocket(data_->Accept()); }

void TFtpSession::ReadClosingReply(DataScope& scope, TCmdType code, bool report)
{
    if (canceled_ || timedOut_ || !scope.closingOwed) return;
    scope.closingOwed = false;
    ReadReply(report);
    ReadPastPreliminary();
    // A 426, 451 or 452 here means the data stopped short; only a 2xx says the transfer is done.
    CheckReply(300, 599, code, false);
}

// --- listings ---

std::string TFtpSession::ReadListing()
{
    std::string listing;
    for (;;) {
        if (!data_->Connected() && data_->BufferedBytes() == 0) break;
        std::string line;
        try {
            line = data_->ReadLn();
        } catch (const Exception&) {
            // Closed while waiting: the end of the listing, unless the close was a reset.
            if (data_->Connected() || data_->BufferedBytes() > 0) throw;
            break;
        }
        if (line.empty()) throw EAbortError("Socket send aborted");
        listing += line;
        if (OnListItem) {
            std::string item = line;
            if (item.size() > 2) item.resize(item.size() - (item[item.size() - 2] == '\r' ? 2 : 1));
            OnListItem(item);
        }
    }
    if (data_->CloseError() != 0) throw ESockError(data_->ErrorText(data_->CloseError()));
    return listing;
}

void TFtpSession::List(const std::string& path, bool verbose, const std::string& cacheName)
{
    if (verbose) {
        RawListing.clear();
        Directories = {};
        Files = {};
    }
    canceled_ = false;
    RequireConnection();
    listing_ = true;
    struct ListingFlag {
        bool& flag;
        ~ListingFlag() { flag = false; }
    } flag{listing_};

    std::string listing;
    {
        DataScope scope{*this};
        OpenDataConnection(cmdList, verbose);
        if (verbose) ReportStatus(1, "LIST " + path);
        const auto reply = TransactionLines(bytetext::trim("LIST " + bytetext::trim(path)), verbose);
        CheckReply(301, 599, cmdList, true);
        scope.closingOwed = ReplyNumber() < 200;
        BytesTotal = 0;
        for (const std::string& line : reply)
            if (BytesTotal == 0) BytesTotal = ftptext::BytesFromReply(line);
        TransactionStarted();
        AcceptDataConnection();
        if (!canceled_ && !timedOut_) listing = ReadListing();
        TransactionStopped();
        data_->CloseSocket();
        BytesTotal = static_cast<std::int64_t>(listing.size());
        if (verbose) ReportStatus(1, "Received " + std::to_string(BytesTotal) + " Bytes");
        ReadClosingReply(scope, cmdList, verbose);
    }

    if (!verbose) {
        for (const std::string& line : ftplisting::ListingLines(listing))
            if (!bytetext::trim(line).empty()) ListResult = line;
        return;
    }
    KeepListing(listing, path, cacheName);
    if (ServerStyle == ftplisting::kStyleDetect) ServerStyle = ftplisting::DetectStyle(listing);
    // Parsed from the bytes received, never from the shared file another run may rewrite.
    bool complete = true;
    ftplisting::Listing parsed = ftplisting::ParseListing(ServerStyle, listing, datetime::now(), OnLongWork, &complete);
    Directories = std::move(parsed.directories);
    Files = std::move(parsed.files);
    if (complete && OnSuccess) OnSuccess(cmdList);
}

void TFtpSession::KeepListing(const std::string& listing, const std::string& path, const std::string& cacheName)
{
    for (std::string& line : ftplisting::ListingLines(listing))
        if (!bytetext::trim(line).empty()) RawListing.push_back(std::move(line));
    const std::string text = bytetext::joinLinesCrLf(RawListing);
    // Copies for people and tools to read; the listing itself is already in memory.
    guard::absorb([&] { writeWhole(remoteDirPath_, text); });
    if (!cacheName.empty())
        guard::absorb([&] {
            writeWhole(ListingFolder() + "/dircache/" + ftptext::CacheFileName(Host, UserID, cacheName, path), text);
        });
}

// --- downloads ---

void TFtpSession::Download(const std::string& remote, const std::string& local, const TDownloadOptions& options)
{
    Retrieve(remote, local, GetMode::Plain, options);
}

void TFtpSession::DownloadRestore(const std::string& remote, const std::string& local,
                                  const TDownloadOptions& options)
{
    Retrieve(remote, local, GetMode::Restart, options);
}

void TFtpSession::DownloadAppend(const std::string& remote, const std::string& local,
                                 const TDownloadOptions& options)
{
    Retrieve(remote, local, GetMode::Append, options);
}

void TFtpSession::CheckReceivedSize(const std::string& remote, const std::string& local, GetMode mode,
                                    std::int64_t before, std::int64_t announced, std::int64_t remoteSize)
{
    // ASCII mode changes line ends on the way, so only binary counts can be compared.
    if (serverMode_ != 2 && serverMode_ != 3) return;
    const std::int64_t received = BytesTotal;
    std::int64_t expected = -1;
    if (remoteSize >= 0) {
        expected = mode == GetMode::Restart ? remoteSize - before : remoteSize;
    } else if (announced > 0) {
        // After REST some servers announce what is left, others the whole file.
        expected = mode == GetMode::Restart && before + received == announced ? received : announced;
    }
    if (expected < 0 || received == expected) return;
    // More than announced is a file that grew on the server meanwhile, nothing lost; but after
    // REST it is the whole file sent again, which must not stay appended (Retrieve cuts it).
    if (received > expected && mode != GetMode::Restart) return;
    throw ETransferSizeError("Received " + std::to_string(received) + " bytes of " + remote + ", expected " +
                             std::to_string(expected));
}

void TFtpSession::Retrieve(const std::string& remote, const std::string& localName, GetMode mode,
                           const TDownloadOptions& options)
{
    const std::string local = localName.empty() ? remote : localName;
    canceled_ = false;
    transferStarted_ = localOpened_ = false;
    RequireConnection();
    // In ASCII the local text and the server's differ in length, so no offset names the same
    // place in both: the whole file comes, replacing the local one only once it is complete.
    if (mode == GetMode::Restart && serverMode_ == 1) {
        ReportStatus(1, "No resume in ASCII mode (line ends change on the way): fetching all of " + remote);
        mode = GetMode::Plain;
    }
    if (options.refuseLinks && isLink(local)) throw ELocalFileError("Cannot create file " + local + ": it is a link", false);
    // The local file of a resumed or appended download must exist; checked before the server
    // is asked for anything.
    const mode_t oldMode = refuseUnwritable(local);
    const std::int64_t restartAt = mode == GetMode::Plain ? 0 : localFileSize(local);
    // A local file longer than the remote one is no part of it: nothing to resume, and a server
    // that ignored REST would append the whole file to it.
    if (mode == GetMode::Restart && options.remoteSize >= 0 && restartAt > options.remoteSize)
        throw ETransferSizeError("Local file " + local + " (" + std::to_string(restartAt) + " bytes) is longer than " +
                                 remote + " (" + std::to_string(options.remoteSize) + " bytes)");
    // A plain download goes to a temporary beside the file and replaces it only when whole, so a
    // failure never costs the copy that was there. A link named by the caller is written
    // through, as before: the file it names is the one replaced.
    const std::string target = !options.refuseLinks && isLink(local) ? localfiles::linkTarget(local) : local;
    ReplacementFile replacement;
    bool aborted = false;
    try {
        // Made before the server is asked: a file that cannot be created costs no transfer,
        // and a server that sends no reply after a data connection closed early is not waited for.
        FdHandle file;
        if (mode == GetMode::Plain) {
            if (replacement.Open(target)) file = replacement.TakeDescriptor();
            if (!file) {
                const int err = errno;
                throw ELocalFileError("Cannot create file " + local + ": " + std::strerror(err), false);
            }
            // A replaced file keeps its permissions; a new one gets the usual ones (umask).
            if (oldMode != 0) (void)::fchmod(file.get(), oldMode & 07777);
        }
        bool captured = false;
        DataScope scope{*this};
        OpenDataConnection(cmdDownload, true);
        data_->TextLineEnds = serverMode_ == 1;
        if (OnPacketRecvd) data_->OnPacketRecvd = OnPacketRecvd;
        if (mode == GetMode::Restart) {
            ReportStatus(1, "REST RETR " + remote);
            Transaction("REST " + std::to_string(restartAt));
            CheckReply(400, 599, cmdDownload, false);
        }
        ReportStatus(1, "RETR " + remote);
        BytesTotal = 0;
        const auto reply = TransactionLines("RETR " + remote, true);
        CheckReply(301, 599, cmdDownload, false);
        transferStarted_ = true;
        scope.closingOwed = ReplyNumber() < 200;
        for (const std::string& line : reply)
            if (BytesTotal == 0) BytesTotal = ftptext::BytesFromReply(line);
        const std::int64_t announced = BytesTotal;

        AcceptDataConnection();
        TransactionStarted();
        try {
            if (!canceled_ && !timedOut_ && mode != GetMode::Plain) {
                localOpened_ = true;
                data_->CaptureFile(local, true, options.refuseLinks);
            } else if (!canceled_ && !timedOut_) {
                captured = true;
                data_->CaptureFile(std::move(file), local);
            }
        } catch (const EAbortError&) {
            aborted = true;
            throw;
        } catch (const ELocalFileError& e) {
            localOpened_ = mode != GetMode::Plain && e.opened();
            throw;
        }
        TransactionStopped();
        data_->CloseSocket();
        BytesTotal = data_->BytesRecvd();
        ReportStatus(1, "Received " + std::to_string(BytesTotal) + " Bytes");
        ReadClosingReply(scope, cmdDownload, true);
        CheckReceivedSize(remote, local, mode, restartAt, announced, options.remoteSize);
        // Nothing came into an unused temporary: the file there stays as it was.
        if (!captured) replacement.Discard();
        if (replacement.IsOpen() && !replacement.Commit())
            throw ELocalFileError("Cannot write file " + local + ": " + replacement.Error(), false);
    } catch (...) {
        // What was there stays: the temporary goes, and an appended tail is cut off again.
        replacement.Discard();
        if (mode != GetMode::Plain && localOpened_ && ::truncate(local.c_str(), restartAt) == 0) localOpened_ = false;
        if (aborted || canceled_) guard::absorb([this] { DrainAfterCancel(); });
        throw;
    }
    if (OnSuccess) OnSuccess(cmdDownload);
    if (canceled_) DrainAfterCancel();
}

// --- uploads ---

void TFtpSession::Upload(const std::string& local, const std::string& remote)
{
    Store(local, remote, PutMode::Store, 0);
}

void TFtpSession::UploadAppend(const std::string& local, const std::string& remote)
{
    Store(local, remote, PutMode::Append, 0);
}

void TFtpSession::UploadRestore(const std::string& local, const std::string& remote, std::int64_t offset)
{
    Store(local, remote, PutMode::Restart, offset);
}

void TFtpSession::Store(const std::string& local, const std::string& remote, PutMode mode, std::int64_t offset)
{
    const std::string target = remote.empty() ? apppaths::extractFileName(local) : remote;
    // As for downloads: an ASCII file's offsets differ on both sides, so it goes whole.
    if (mode == PutMode::Restart && serverMode_ == 1 && Connected()) {
        ReportStatus(1, "No resume in ASCII mode (line ends change on the way): sending all of " + local);
        mode = PutMode::Store;
        offset = 0;
    }
    const TCmdType code = mode == PutMode::Restart ? cmdUploadRestore : cmdUpload;
    const std::string verb = mode == PutMode::Append ? "APPE " : "STOR ";
    canceled_ = false;
    transferStarted_ = localOpened_ = false;
    RequireConnection();
    const std::int64_t size = localFileSize(local);
    if (mode == PutMode::Restart && offset > size)
        throw Exception("Cannot resume " + local + " at byte " + std::to_string(offset) + ": it holds " +
                        std::to_string(size));
    bool aborted = false;
    try {
        DataScope scope{*this};
        OpenDataConnection(code, true);
        data_->TextLineEnds = serverMode_ == 1;
        BytesTotal = size;
        if (OnPacketSent) data_->OnPacketSent = OnPacketSent;
        if (mode == PutMode::Restart) {
            BytesTotal = 0;
            Transaction("REST " + std::to_string(offset));
            CheckReply(400, 599, code, false);
            ReportStatus(1, "REST " + std::to_string(offset) + " STOR " + target);
        } else {
            ReportStatus(1, verb + (remote.empty() ? local : remote));
        }
        (void)TransactionLines(verb + target);
        CheckReply(301, 599, code, mode != PutMode::Restart);
        transferStarted_ = true;
        scope.closingOwed = ReplyNumber() < 200;

        AcceptDataConnection();
        TransactionStarted();
        if (!canceled_ && !timedOut_) {
            try {
                data_->SendFile(local, mode == PutMode::Restart ? offset : 0);
            } catch (const std::exception& e) {
                aborted = dynamic_cast<const EAbortError*>(&e) != nullptr;
                if (std::string(e.what()) == "Transfer timed out...") throw Exception(e.what());
                throw ETransferFailed(e.what());
            }
        }
        if (timedOut_) throw Exception("Transfer timed out...");
        TransactionStopped();
        // A reset would cut off what is still queued: the last bytes are delivered first.
        data_->SetLinger(false);
        data_->CloseSocket();
        ReadClosingReply(scope, code, true);
    } catch (...) {
        if (aborted || canceled_) guard::absorb([this] { DrainAfterCancel(); });
        throw;
    }
    if (OnSuccess) OnSuccess(code);
}
