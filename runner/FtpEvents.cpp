// The runner's handlers of the FTP client's events: progress and failure lines, the status
// caption and the transfer time-out's re-arming.

#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Wait.h"
#include "runner/ScriptVantrel.h"

#include <array>

namespace {

constexpr const char* kTerminated = "FTP-connection was terminated (Code: 421)!";
// A transfer's byte count reaches the caption at most this often, and once more at its end.
constexpr int kStatusPaintMs = 50;

std::string nowText() { return datetime::dateTimeText(datetime::now()); }

// What "Failed to <operation>." names, by the failing operation's code.
const char* failedOperation(int transType)
{
    static const std::array<const char*, 15> kOperations = {
        "change remote directory",     // 0
        "make remote directory",       // 1
        "relete remote item",          // 2
        "remove remote directory",     // 3
        "retrieve remote file list",   // 4
        "rename remote file",          // 5
        "finish resumed upload",       // 6
        "finish resumed download",     // 7
        "download item",               // 8
        "upload item",                 // 9
        "",                            // 10
        "",                            // 11
        "allocation space for remote file",  // 12
        "",                            // 13
        "finish requested command",    // 14
    };
    return transType >= 0 && transType < static_cast<int>(kOperations.size()) ? kOperations[transType] : "";
}

}  // namespace

void TScriptVantrel::BindFtpEvents()
{
    FTP.OnStatus = [this](QObject* s, const std::string& status) { FTPStatus(s, status); };
    FTP.OnConnect = [this](QObject* s) { FTPConnect(s); };
    FTP.OnDisconnect = [this](QObject* s) { FTPDisconnect(s); };
    FTP.OnHostResolved = [this](QObject* s) { FTPHostResolved(s); };
    FTP.OnInvalidHost = [this](bool& handled) { FTPInvalidHost(handled); };
    FTP.OnConnectionFailed = [this](QObject* s) { FTPConnectionFailed(s); };
    FTP.OnConnectionRequired = [this](bool& handled) { FTPConnectionRequired(handled); };
    FTP.OnAuthenticationNeeded = [this](bool& handled) { FTPAuthenticationNeeded(handled); };
    FTP.OnAuthenticationFailed = [this](bool& handled) { FTPAuthenticationFailed(handled); };
    FTP.OnTransactionStart = [this](QObject* s) { FTPTransactionStart(s); };
    FTP.OnTransactionStop = [this](QObject* s) { FTPTransactionStop(s); };
    FTP.OnPacketRecvd = [this](QObject* s) { FTPPacketRecvd(s); };
    FTP.OnPacketSent = [this](QObject* s) { FTPPacketSent(s); };
    FTP.OnError = [this](QObject* s, std::uint16_t errorNo, const std::string& message) {
        FTPError(s, errorNo, message);
    };
    FTP.OnFailure = [this](bool& handled, TCmdType type) { FTPFailure(handled, type); };
    ftpEventsBound_ = true;
}

void TScriptVantrel::UnbindFtpEvents()
{
    if (!ftpEventsBound_) return;
    ftpEventsBound_ = false;
    FTP.OnStatus = nullptr;
    FTP.OnLongWork = nullptr;
    FTP.OnConnect = nullptr;
    FTP.OnDisconnect = nullptr;
    FTP.OnHostResolved = nullptr;
    FTP.OnInvalidHost = nullptr;
    FTP.OnConnectionFailed = nullptr;
    FTP.OnConnectionRequired = nullptr;
    FTP.OnAuthenticationNeeded = nullptr;
    FTP.OnAuthenticationFailed = nullptr;
    FTP.OnTransactionStart = nullptr;
    FTP.OnTransactionStop = nullptr;
    FTP.OnPacketRecvd = nullptr;
    FTP.OnPacketSent = nullptr;
    FTP.OnError = nullptr;
    FTP.OnFailure = nullptr;
}

void TScriptVantrel::RaiseConnectionTerminated()
{
    LogLine(std::string("   ---> ") + kTerminated);
    throw EConnectionTerminated(kTerminated);
}

void TScriptVantrel::FTPStatus(QObject*, const std::string& status)
{
    if (bytetext::trim(status) == "Request Close Socket" && !Disconnecting) RaiseConnectionTerminated();
    LogLine("   ---> " + status);
    if (FTP.ReplyNumber() == 400) RaiseConnectionTerminated();
    if (status.starts_with("530-")) {
        SuccessFlag = false;
        return;
    }
    if (status.starts_with("421 ")) RaiseConnectionTerminated();
    if (status.starts_with("220") && bytetext::toUpper(bytetext::trim(status)) == "220 QUORVEL'S HALVERN READY")
        LogLine("   ---> Quorvel's \"Halvern\" is the remote FTP Server!");
}

void TScriptVantrel::FTPConnect(QObject*) { LogLine("   ---> " + nowText() + ": Connected to " + FTP.Host); }

void TScriptVantrel::FTPDisconnect(QObject*)
{
    if (waiting::quitRequested()) return;
    if (!Disconnecting) throw Exception("Disconnected by peer!");
    LogLine("   ---> FTP connection closed!");
}

void TScriptVantrel::FTPHostResolved(QObject*) { LogLine("   ---> Resolving host " + FTP.Host); }

void TScriptVantrel::FTPInvalidHost(bool& handled)
{
    LogLine("   ---> Host " + FTP.Host + " invalid!");
    handled = false;
}

void TScriptVantrel::FTPConnectionFailed(QObject*)
{
    LogLine("   ---> Connection to " + FTP.Host + " Failed!");
    throw Exception("Connection failed!");
}

void TScriptVantrel::FTPConnectionRequired(bool& handled)
{
    handled = false;
    throw Exception("Error: Not connected...");
}

void TScriptVantrel::FTPAuthenticationNeeded(bool& handled)
{
    LogLine("   ---> No authentication!");
    handled = false;
}

void TScriptVantrel::FTPAuthenticationFailed(bool& handled)
{
    LogLine("   ---> Authentication to " + FTP.Host + " Failed!");
    handled = false;
}

void TScriptVantrel::FTPTransactionStart(QObject*)
{
    statusPainted_.invalidate();
    unpaintedStatus_ = 0;
    LogLine("   ---> Starting transaction...");
}

void TScriptVantrel::FTPTransactionStop(QObject*)
{
    if (unpaintedStatus_ != 0) ShowTransferBytes(unpaintedStatus_ == 2, true);
    LogLine("   ---> Transaction finished...");
}

void TScriptVantrel::ShowTransferBytes(bool sent, bool force)
{
    if (!force && statusPainted_.isValid() && statusPainted_.elapsed() < kStatusPaintMs) {
        unpaintedStatus_ = sent ? 2 : 1;
        return;
    }
    unpaintedStatus_ = 0;
    statusPainted_.start();
    SetStatusText(sent ? std::to_string(FTP.GetDataCount()) + " bytes sent..."
                       : std::to_string(FTP.GetDataText()) + " bytes received...");
}

void TScriptVantrel::FTPPacketRecvd(QObject*)
{
    ShowTransferBytes(false, false);
    // Stands for a time-out restart: the timer itself is re-armed only when it expires.
    if (TTimeOut.isActive()) {
        lastPacket_.start();
        SuccessFlag = true;
    }
}

void TScriptVantrel::FTPPacketSent(QObject*)
{
    ShowTransferBytes(true, false);
    if (TTimeOut.isActive()) {
        lastPacket_.start();
        SuccessFlag = true;
    }
}

bool TScriptVantrel::RearmTransferTimeout(int& spanMs)
{
    // A packet older than the running interval belongs to an earlier arming.
    const qint64 idle = lastPacket_.isValid() ? lastPacket_.elapsed() : -1;
    const bool packetSinceArmed = idle >= 0 && idle < TTimeOut.interval();
    if (packetSinceArmed || timeoutRearmed_) spanMs = TransferTimeoutMs;
    if (!packetSinceArmed) {
        timeoutRearmed_ = false;
        return false;
    }
    if (TransferTimeoutMs <= 0) {  // a restart with no interval never fires
        TTimeOut.stop();
        timeoutRearmed_ = false;
        return true;
    }
    if (idle >= TransferTimeoutMs) {
        timeoutRearmed_ = false;
        return false;
    }
    timeoutRearmed_ = true;
    TTimeOut.start(static_cast<int>(TransferTimeoutMs - idle));
    return true;
}

void TScriptVantrel::FTPError(QObject*, std::uint16_t errorNo, const std::string& message)
{
    if (errorNo != 10038) LogLine("   ---> Error " + std::to_string(errorNo) + " - Message: " + message);
    if (errorNo == 530) SuccessFlag = false;
}

void TScriptVantrel::FTPFailure(bool& handled, TCmdType transType)
{
    if (FTP.ReplyNumber() == 400) RaiseConnectionTerminated();
    LogLine(std::string("   ---> Failed to ") + failedOperation(transType) + ".");
    handled = false;
}
