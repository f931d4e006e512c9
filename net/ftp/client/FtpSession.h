#pragma once
// TFtpSession: the FTP client. The inherited socket is the control connection; every listing
// and transfer opens one data connection of its own in active mode (PORT, then accept), which
// exists only while that operation runs. Operations wait with the event loop running, so the
// caller's handlers (status, packets, failures) run inside them.

#include "net/ftp/client/FtpText.h"
#include "net/ftp/listing/ListingParser.h"
#include "net/ftp/socket/SockBase.h"
#include "platform/Errors.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A refusal by the server; the message is the reply line as read (with its line end).
class FTPException : public Exception {
public:
    using Exception::Exception;
};

// A download whose data disagrees with the size the server gave (in its 150 reply or to SIZE).
class ETransferSizeError : public Exception {
public:
    using Exception::Exception;
};

// An upload's data phase failed. Callers see "Transfer failed..."; reason() keeps what failed
// (the local file could not be read, the connection broke).
class ETransferFailed : public Exception {
public:
    explicit ETransferFailed(std::string reason) : Exception("Transfer failed..."), reason_(std::move(reason)) {}
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

// How one download treats its local file.
struct TDownloadOptions {
    // The local name came from the server: a link there is refused, never written through.
    bool refuseLinks = false;
    // The remote file's size when the caller knows it (SIZE), else -1.
    std::int64_t remoteSize = -1;
};

class TFtpSession : public TSockBase {
    Q_OBJECT
public:
    using TSuccessEvent = std::function<void(TCmdType)>;
    using TFailureEvent = std::function<void(bool& handled, TCmdType)>;
    using TUnsupportedEvent = std::function<void(TCmdType)>;
    using TListItemEvent = std::function<void(const std::string& listing)>;

    explicit TFtpSession(QObject* owner = nullptr);
    ~TFtpSession() override;

    // Settings (Host, Port, Proxy, ProxyPort, Timeout and ReportLevel are the base's).
    std::string UserID;
    std::string Password;
    std::string ProxyUser;
    std::string ProxyPassword;
    TFtpProxyType ProxyType = proxyUserAfterLogin;
    bool Passive = false;  // kept for scripts that set it; transfers are always active
    int ServerStyle = ftplisting::kStyleDetect;  // listing style; 1 = detect on the next listing
    int Mode = 2;  // the last mode asked for: 1 ASCII, 2 binary, 3 local 8
    // Milliseconds a download or upload may go without a byte moving before it fails; negative:
    // Timeout; 0: no limit (a caller's own transfer watchdog governs). Listings keep Timeout.
    int TransferTimeout = -1;

    // Events.
    TNotifyEvent OnConnect;  // after a completed login (the base's fires at the socket connect)
    TNotifyEvent OnTransactionStart;
    TNotifyEvent OnTransactionStop;
    TSuccessEvent OnSuccess;
    TFailureEvent OnFailure;  // may set handled: the operation goes on as if the reply were good
    THandlerEvent OnAuthenticationNeeded;
    THandlerEvent OnAuthenticationFailed;  // never fired
    TListItemEvent OnListItem;
    TUnsupportedEvent OnUnSupportedFunction;  // replies 500-502 where the operation says so
    // Asked now and then during long work inside a call (parsing a listing of many entries), so
    // the owner can let its events in; true cancels that work.
    std::function<bool()> OnLongWork;

    // Results of the last verbose listing. Entry i of each list describes one entry.
    std::vector<std::string> RawListing;  // non-blank lines, without line ends
    ftplisting::EntryLists Directories;   // folders and links
    ftplisting::EntryLists Files;
    std::string ListResult;  // the last line of a listing that was not verbose

    bool GetConnected() const { return Connected(); }

    // Connect and log in. Connected already: returns at once when the session was opened with
    // the settings now in force, else it ends that session and opens one with them.
    void Connect() override;
    // The settings (host, port, login, proxy) differ from those the open session was made with.
    bool SettingsChanged() const;
    void Disconnect() override;  // QUIT and close
    // Disconnect for a clean-up (a failed login, the end of a run): the QUIT reply is awaited a
    // few seconds at most, and not at all when the server has stopped answering.
    void CloseSession();
    // Sends one command and reads its whole reply; returns the reply's first line.
    std::string Transaction(const std::string& command) override;
    // Ends the running transfer's data connection and whatever reply the client waits for.
    void Abort() override;

    void DoCommand(const std::string& command);
    void ChangeDir(const std::string& dir) { DoCommand("CWD " + dir); }
    void Delete(const std::string& name) { DoCommand("DELE " + name); }
    void MakeDirectory(const std::string& dir) { DoCommand("MKD " + dir); }
    void Rename(const std::string& oldName, const std::string& newName);
    std::int64_t GetRemoteSize(const std::string& name);  // -1 when the reply holds no size
    std::string GetCurrentDir();                           // "/" when PWD fails
    void SetMode(int mode);  // sends TYPE only when the server is not in that type already
    std::int64_t GetDataText() const;   // bytes received on the current data connection
    std::int64_t GetDataCount() const;  // bytes sent on the current data connection

    void List(const std::string& path, bool verbose = true, const std::string& cacheName = {});
    // An empty local name means the remote one; an empty remote name the local file's name.
    // In binary mode a download that ends short of the announced or given size fails, and so
    // does a resumed one that brings more than the rest (a server that ignored REST): the local
    // file is then cut back to its length before.
    // In ASCII mode (TYPE A) CR LF from the wire is written as LF, and no download is resumed:
    // a restore fetches the whole file, as a plain download does.
    void Download(const std::string& remote, const std::string& local, const TDownloadOptions& options = {});
    void DownloadRestore(const std::string& remote, const std::string& local, const TDownloadOptions& options = {});
    void DownloadAppend(const std::string& remote, const std::string& local, const TDownloadOptions& options = {});
    // Of the last transfer: whether the server accepted it (its 1xx reply came), and, for a
    // download, whether the local file was opened (created, truncated or appended to).
    bool LastTransferStarted() const { return transferStarted_; }
    bool LastDownloadOpenedLocal() const { return localOpened_; }
    void Upload(const std::string& local, const std::string& remote);
    void UploadAppend(const std::string& local, const std::string& remote);
    // In ASCII mode each LF goes out as CR LF, and a restore sends the whole file.
    void UploadRestore(const std::string& local, const std::string& remote, std::int64_t offset);

    // Where each verbose listing's raw text is kept: "Remote.dir" in the program folder when it
    // is writable, else in $XDG_STATE_HOME/trevask/.
    const std::string& RemoteDirPath() const { return remoteDirPath_; }
    static std::string ListingFolder();

private:
    enum class GetMode { Plain, Restart, Append };
    enum class PutMode { Store, Append, Restart };
    struct DataScope;

    void Login();
    // The whole reply to the last command: every line reported; LastReply and ReplyNumber are
    // its first line's. A cancelled wait raises EAbortError. The reply as a whole must come
    // within `timeoutMs` (negative: Timeout; 0: no limit), and a reply past the sane bounds is
    // a protocol error that drops the connection.
    std::vector<std::string> ReadReply(bool report = true, int timeoutMs = -1);
    // Sends one command and reads its whole reply (every line, the first one first).
    std::vector<std::string> TransactionLines(const std::string& command, bool report = true);
    void ReadPastPreliminary();
    // Replies still owed by the server (a transfer's closing reply after a failure, a reply
    // whose wait was cancelled) are read first, then whatever else is buffered is dropped.
    void BeginCommand();
    void DrainAfterCancel();
    // QUIT (its reply awaited `replyMs`, 0 for ever) and close. `quitWanted` false closes at once.
    void QuitAndClose(int replyMs, bool quitWanted);
    void TransactionStarted();
    void TransactionStopped();
    // Fails when ReplyNumber lies in [low, high], through OnUnSupportedFunction (500-502, when
    // `unsupported`) and OnFailure.
    void CheckReply(int low, int high, TCmdType code, bool unsupported);

    void OpenDataConnection(TCmdType code, bool reportPort);
    void AcceptDataConnection();
    // The reply that closes a transfer, unless it was cancelled; a negative one fails it.
    void ReadClosingReply(DataScope& scope, TCmdType code, bool report);
    void Retrieve(const std::string& remote, const std::string& local, GetMode mode, const TDownloadOptions& options);
    // Fails a download whose count disagrees with what the server said it would send.
    void CheckReceivedSize(const std::string& remote, const std::string& local, GetMode mode,
                           std::int64_t before, std::int64_t announced, std::int64_t remoteSize);
    void Store(const std::string& local, const std::string& remote, PutMode mode, std::int64_t offset);
    std::string ReadListing();
    void KeepListing(const std::string& listing, const std::string& path, const std::string& cacheName);

    struct SessionSettings {
        std::string host, user, password, proxy, proxyUser, proxyPassword;
        int port = 0, proxyPort = 0;
        TFtpProxyType proxyType = proxyUserAfterLogin;
        bool operator==(const SessionSettings&) const = default;
    };
    SessionSettings CurrentSettings() const;

    std::unique_ptr<TSockBase> data_;
    SessionSettings sessionSettings_;  // those of the open session
    bool listing_ = false;
    int owedReplies_ = 0;
    bool replyTimedOut_ = false;  // the last reply wait ran out: the server may not answer QUIT
    bool inTransaction_ = false;  // OnTransactionStart fired, OnTransactionStop not yet
    int serverMode_ = 0;  // the type the server was last set to; 0 = not known
    bool transferStarted_ = false;
    bool localOpened_ = false;
    std::string remoteDirPath_;
};
