// TFtpSession: login, replies, single commands and the session's life cycle. Listings and
// transfers: FtpTransfers.cpp.

#include "net/ftp/client/FtpSession.h"

#include "net/common/ReplyText.h"
#include "net/ftp/socket/ScopeExit.h"
#include "platform/AppPaths.h"
#include "platform/Guard.h"
#include "platform/Wait.h"

#include <utility>

namespace {

// DrainAfterCancel's window for the reply to a cancelled transfer.
constexpr int kDrainMs = 950;
// An owed reply is awaited this long when no Timeout is set.
constexpr int kOwedReplyMs = 5000;
// A server that keeps sending preliminary replies is never going to answer.
constexpr int kMaxPreliminaryReplies = 100;
// The longest a clean-up waits for the reply to its QUIT.
constexpr int kCloseReplyMs = 3000;

}  // namespace

TFtpSession::TFtpSession(QObject* owner) : TSockBase(owner)
{
    Port = 21;
    // As the runner's window sets them.
    ReportLevel = 2;
    Timeout = 60000;
    remoteDirPath_ = ListingFolder() + "/Remote.dir";
}

TFtpSession::~TFtpSession()
{
    guard::absorb([this] { Cancel(); });
    guard::absorb([this] {
        if (Connected()) CloseSession();
    });
    data_.reset();
}

std::string TFtpSession::ListingFolder()
{
    const std::string program = apppaths::programFolder();
    return apppaths::programFolderHoldsData() ? program : apppaths::stateFolder("trevask");
}

// --- replies ---

std::vector<std::string> TFtpSession::ReadReply(bool report, int timeoutMs)
{
    if (timeoutMs < 0) timeoutMs = Timeout;
    // One limit for the whole reply: a server trickling lines must not hold the client for ever.
    const QDeadlineTimer deadline = timeoutMs > 0 ? QDeadlineTimer(timeoutMs) : QDeadlineTimer(QDeadlineTimer::Forever);
    std::vector<std::string> lines;
    try {
        lines = replytext::ReadReplyLines(replytext::Protocol::ftp, [&] {
            std::string line = ReadLnBefore(deadline, replytext::MaxLineBytes(replytext::Protocol::ftp));
            if (line.empty()) {  // the wait was cancelled: the reply is still to come
                ++owedReplies_;
                throw EAbortError("Socket send aborted");
            }
            if (report) ReportStatus(1, line);
            return line;
        });
    } catch (const replytext::BadReply& bad) {
        // Whatever follows cannot be told apart from replies: the session is over. The close is
        // ours, so it is not reported as the server's.
        replyTimedOut_ = true;
        guard::absorb([this] { CloseSocketUnreported(); });
        throw ESockError(replytext::RefusalText(bad.why));
    } catch (const ESockError& e) {
        if (e.message() == "Reply Timed Out") replyTimedOut_ = true;
        throw;
    }
    replyTimedOut_ = false;
    lastReply_ = lines.front();
    replyNumber_ = replytext::ReplyNumber(lines.front());
    return lines;
}

std::vector<std::string> TFtpSession::TransactionLines(const std::string& command, bool report)
{
    ReportStatus(8, "Transaction");
    replyNumber_ = 0;
    Writeln(command);
    return ReadReply(report);
}

std::string TFtpSession::Transaction(const std::string& command)
{
    TransactionLines(command);
    ReadPastPreliminary();
    return lastReply_;
}

void TFtpSession::ReadPastPreliminary()
{
    // Without data to follow, a preliminary reply is not the answer: the final one is (RFC 959
    // 4.2), else every later reply would be read one command late.
    for (int preliminary = 0; replyNumber_ >= 100 && replyNumber_ < 200; ++preliminary) {
        if (preliminary >= kMaxPreliminaryReplies) {
            replyTimedOut_ = true;
            guard::absorb([this] { CloseSocketUnreported(); });
            throw ESockError(replytext::RefusalText(replytext::Refusal::tooLong));
        }
        ReadReply();
    }
}

void TFtpSession::BeginCommand()
{
    while (owedReplies_ > 0 && Connected()) {
        --owedReplies_;
        const int saved = Timeout;
        ftpsock::ScopeExit restore([&] { Timeout = saved; });
        if (Timeout <= 0) Timeout = kOwedReplyMs;
        try {
            ReadReply();
        } catch (const EAbortError&) {
            throw;
        } catch (...) {
            owedReplies_ = 0;  // it will not come; what comes later is dropped below
        }
    }
    owedReplies_ = 0;
    if (BufferedBytes() > 0) Read(0);
}

void TFtpSession::DrainAfterCancel()
{
    canceled_ = false;
    if (owedReplies_ > 0) {
        if (waiting::waitUntil([this] { return HoldsCompleteLine() || !Connected(); }, kDrainMs) ==
                waiting::WaitResult::Condition &&
            HoldsCompleteLine()) {
            --owedReplies_;
            ReadReply();
        }
        return;
    }
    if (BufferedBytes() > 0) ReportStatus(1, Read(0));
}

void TFtpSession::CheckReply(int low, int high, TCmdType code, bool unsupported)
{
    const int n = ReplyNumber();
    // A reply outside 1yz-5yz is no answer the command can be judged by: a failure.
    if ((n < low || n > high) && n >= 100 && n < 600) return;
    if (unsupported && n >= 500 && n <= 502 && OnUnSupportedFunction) OnUnSupportedFunction(code);
    bool handled = false;
    if (OnFailure) OnFailure(handled, code);
    if (!handled) throw FTPException(LastReply());
}

// --- login and logout ---

TFtpSession::SessionSettings TFtpSession::CurrentSettings() const
{
    return {Host, UserID, Password, Proxy, ProxyUser, ProxyPassword, Port, ProxyPort, ProxyType};
}

bool TFtpSession::SettingsChanged() const { return Connected() && !(CurrentSettings() == sessionSettings_); }

void TFtpSession::Connect()
{
    if (Connected() && !SettingsChanged()) return;
    // Another server or login: the open session is not the one asked for.
    if (Connected()) guard::absorb([this] { CloseSession(); });
    if (Connected()) guard::absorb([this] { CloseSocket(); });
    canceled_ = false;
    owedReplies_ = 0;
    replyTimedOut_ = false;
    serverMode_ = 0;  // a new session starts in the server's own type
    if (BufferedBytes() > 0) Read(0);
    sessionSettings_ = CurrentSettings();
    TSockBase::Connect();
    try {
        Login();
    } catch (...) {
        // The login's failure is the one to report, not whatever the clean-up meets.
        const std::exception_ptr failure = std::current_exception();
        guard::absorb([this] { CloseSession(); });
        guard::absorb([this] { ReportStatus(1, "Disconnected"); });
        if (Connected()) guard::absorb([this] { CloseSocket(); });
        std::rethrow_exception(failure);
    }
}

void TFtpSession::Login()
{
    ReadReply();
    ReadPastPreliminary();  // "120 ready in a minute", then the greeting
    const auto refused = [this] { return ReplyNumber() >= 401 || ReplyNumber() < 100; };
    // A server that turns us away at once has said so in its greeting.
    if (refused()) throw FTPException(LastReply());

    if ((UserID.empty() || Password.empty()) && OnAuthenticationNeeded) {
        bool handled = false;
        OnAuthenticationNeeded(handled);
    }
    const ftptext::LoginLines lines =
        ftptext::LoginCommands(!Proxy.empty(), ProxyType, UserID, Password, Host, ProxyUser, ProxyPassword);
    ReportStatus(1, "USER " + UserID);
    Transaction(lines.user);
    if (refused()) throw FTPException(LastReply());
    if (ReplyNumber() == 331) {
        ReportStatus(1, "PASS ");  // never the password
        Transaction(lines.pass);
        if (refused()) throw FTPException(LastReply());
    }
    if (OnConnect) guard::absorb([this] { OnConnect(this); });
}

void TFtpSession::Disconnect()
{
    // A server that let the last reply run out would cost the whole Timeout once more.
    QuitAndClose(Timeout, !replyTimedOut_);
}

void TFtpSession::CloseSession()
{
    // After a cancelled reply wait the server's next line may never come; Cancel means now.
    const bool answering = !replyTimedOut_ && owedReplies_ == 0;
    QuitAndClose(Timeout > 0 && Timeout < kCloseReplyMs ? Timeout : kCloseReplyMs, answering);
}

void TFtpSession::QuitAndClose(int replyMs, bool quitWanted)
{
    canceled_ = false;
    if (!Connected()) return;
    bool refused = false;
    std::string reply;
    {
        // Closed whatever QUIT meets on the way; a server that closed after its reply has
        // already been through the close (a second one would report a second disconnect).
        ftpsock::ScopeExit close([this] {
            if (Connected()) guard::absorb([this] { TSockBase::Disconnect(); });
        });
        if (!quitWanted) return;
        // A transfer's closing reply still to come would be taken for QUIT's.
        BeginCommand();
        ReportStatus(1, "QUIT");
        ReportStatus(8, "Transaction");
        replyNumber_ = 0;
        Writeln("QUIT");
        ReadReply(true, replyMs);
        refused = ReplyNumber() >= 301 && ReplyNumber() <= 599;
        reply = LastReply();
    }
    if (refused) throw FTPException(reply);
}

// --- single commands ---

void TFtpSession::DoCommand(const std::string& command)
{
    const TCmdType code = ftptext::CommandType(command);
    canceled_ = false;
    RequireConnection();
    // A raw TYPE or REIN leaves the server's type unknown until the next SetMode.
    if (ftptext::ChangesTransferType(command)) serverMode_ = 0;
    ReportStatus(1, command);
    BeginCommand();
    Transaction(command);
    CheckReply(400, 599, code, true);
    if (OnSuccess) OnSuccess(code);
}

void TFtpSession::Rename(const std::string& oldName, const std::string& newName)
{
    canceled_ = false;
    RequireConnection();
    BeginCommand();
    ReportStatus(1, "RNFR " + oldName);
    Transaction("RNFR " + oldName);
    CheckReply(352, 599, cmdRename, false);
    ReportStatus(1, "RNTO " + newName);
    Transaction("RNTO " + newName);
    CheckReply(301, 599, cmdRename, true);
    if (OnSuccess) OnSuccess(cmdRename);
}

std::int64_t TFtpSession::GetRemoteSize(const std::string& name)
{
    DoCommand("SIZE " + name);
    return ftptext::SizeFromReply(LastReply());
}

std::string TFtpSession::GetCurrentDir()
{
    try {
        DoCommand("PWD");
        return ftptext::DirFromPwdReply(LastReply());
    } catch (...) {
        return "/";
    }
}

void TFtpSession::SetMode(int mode)
{
    Mode = mode;
    static const char* const kTypes[] = {"TYPE A", "TYPE I", "TYPE L 8"};
    if (mode < 1 || mode > 3) return;
    // Sent only when the server is in another type (or nobody knows): a tree of small files
    // would otherwise cost one command per file.
    if (mode == serverMode_ && Connected()) return;
    DoCommand(kTypes[mode - 1]);
    serverMode_ = mode;
}

std::int64_t TFtpSession::GetDataText() const { return data_ ? data_->BytesRecvd() : 0; }

std::int64_t TFtpSession::GetDataCount() const { return data_ ? data_->BytesSent() : 0; }

void TFtpSession::Abort()
{
    // The control connection's wait ends too: a reply that never comes must not outlast Cancel.
    Cancel();
    if (!data_) return;
    guard::absorb([this] { data_->Cancel(); });
    TransactionStopped();
    if (data_) guard::absorb([this] { data_->CloseSocket(); });
}

void TFtpSession::TransactionStarted()
{
    inTransaction_ = true;
    if (OnTransactionStart) OnTransactionStart(this);
}

void TFtpSession::TransactionStopped()
{
    // Once per transaction, however many ways it ends.
    if (!std::exchange(inTransaction_, false)) return;
    if (OnTransactionStop) OnTransactionStop(this);
}
