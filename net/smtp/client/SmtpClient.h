#pragma once
// The asynchronous SMTP client. Every request returns at once; replies come through the socket's
// notifications, and the end of each request is announced by OnRequestDone, posted to this
// object, so it always arrives after the call that finished the request has returned.

#include "net/common/ReplyText.h"
#include "net/smtp/socket/AsyncSocket.h"
#include "platform/Errors.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class SmtpException : public Exception {
public:
    using Exception::Exception;
};

enum TSmtpRequest : std::uint8_t {
    smtpConnect, smtpHelo, smtpMailFrom, smtpRcptTo, smtpData, smtpQuit, smtpRset, smtpOpen, smtpMail
};

// The client's states; every change calls OnStateChange.
enum TSmtpState : std::uint8_t {
    smtpReady, smtpDnsLookup, smtpConnecting, smtpConnected, smtpInternalReady, smtpWaitingBanner,
    smtpWaitingResponse, smtpAbort
};

class TCustomSmtpSender;
using TSmtpDisplay = std::function<void(TCustomSmtpSender* Sender, const std::string& Msg)>;
// MsgLine comes in empty; MaxLen is the length a line should keep to (longer texts are wrapped,
// not cut). Setting More to false ends the text, and what MsgLine holds then is not sent.
using TSmtpGetDataEvent =
    std::function<void(TCustomSmtpSender* Sender, int LineNum, std::string& MsgLine, int MaxLen, bool& More)>;
// Msg may be changed or extended (CR LF inside it makes more lines); Size is the room it should
// keep to.
using TSmtpHeaderLineEvent = std::function<void(TCustomSmtpSender* Sender, std::string& Msg, int Size)>;
using TSmtpProcessHeaderEvent = std::function<void(TCustomSmtpSender* Sender, std::vector<std::string>& Header)>;
using TSmtpRequestDone = std::function<void(TCustomSmtpSender* Sender, TSmtpRequest RqType, std::uint16_t Error)>;
using TSmtpNotify = std::function<void(TCustomSmtpSender* Sender)>;
using TSmtpSessionEvent = std::function<void(TCustomSmtpSender* Sender, std::uint16_t Error)>;

class TCustomSmtpSender : public QObject {
    Q_OBJECT
public:
    // Error numbers of failures that are not server replies.
    static constexpr std::uint16_t kLocalFailure = 500;
    static constexpr std::uint16_t kTimedOut = 10060;
    static constexpr std::uint16_t kClosed = 10004;
    static constexpr int kDefaultReplyTimeoutMs = 120000;

    explicit TCustomSmtpSender(QObject* owner = nullptr);
    ~TCustomSmtpSender() override;

    std::string Host, Port = "smtp", SignOn, FromName;
    std::string HdrFrom, HdrTo, HdrSubject;
    std::string CharSet = "iso-8859-1";
    // The text's transfer encoding: "8bit" when it holds bytes above 0x7F.
    std::string TextEncoding = "7bit";
    int Tag = 0;

    const std::vector<std::string>& RcptName() const { return rcptName_; }
    void SetRcptName(const std::vector<std::string>& lines) { rcptName_ = lines; }
    // The recipients of the last RcptTo that the server refused, each with its reply.
    struct Refusal {
        std::string address, reply;
    };
    const std::vector<Refusal>& RefusedRecipients() const { return refused_; }
    const std::string& LastResponse() const { return lastResponse_; }
    const std::string& ErrorMessage() const { return errorMessage_; }
    int StatusCode() const { return statusCode_; }
    TSmtpState State() const { return state_; }
    bool Connected() const { return connected_; }
    TSmtpRequest RqType() const { return rqType_; }
    // A request whose server stays silent this long ends with kTimedOut.
    int ReplyTimeout() const { return replyTimeoutMs_; }
    void SetReplyTimeout(int ms) { replyTimeoutMs_ = ms; }

    TSmtpDisplay OnDisplay, OnCommand, OnResponse;
    TSmtpGetDataEvent OnGetData;
    TSmtpHeaderLineEvent OnHeaderLine;
    TSmtpProcessHeaderEvent OnProcessHeader;
    TSmtpRequestDone OnRequestDone;
    TSmtpNotify OnStateChange;
    TSmtpSessionEvent OnSessionConnected, OnSessionClosed;

    virtual void Connect();
    virtual void Helo();
    virtual void MailFrom();
    virtual void RcptTo();
    virtual void Data();
    virtual void Quit();
    virtual void Rset();
    virtual void Abort();
    virtual void Open();
    virtual void Mail();

protected:
    virtual void TriggerDisplay(const std::string& msg);
    virtual void TriggerCommand(const std::string& msg);
    virtual void TriggerResponse(const std::string& msg);
    virtual void TriggerRequestDone(std::uint16_t error);
    virtual void StateChanged();
    virtual void TriggerGetData(int lineNum, std::string& msgLine, int maxLen, bool& more);
    virtual void TriggerHeaderLine(std::string& msg, int size);
    virtual void TriggerProcessHeader(std::vector<std::string>& header);
    virtual void TriggerSessionConnected(std::uint16_t error);
    virtual void TriggerSessionClosed(std::uint16_t error);
    virtual void SendCommand(const std::string& cmd);
    void customEvent(QEvent* event) override;

    void CheckReady() const;
    void SetState(TSmtpState state);

private:
    using Handler = void (TCustomSmtpSender::*)();
    enum Step : int { stepHelo = 2, stepConnect = 4, stepMailFrom = 8, stepRcptTo = 16, stepData = 32, stepQuit = 64 };

    // A low-level command: checked, then sent with the replies that accept it.
    void ExecAsync(TSmtpRequest request, const std::string& cmd, std::vector<int> accepted, Handler after);
    void StartCommand(TSmtpRequest request, const std::string& cmd, std::vector<int> accepted, Handler after);
    // Runs a request's start; on failure puts the client back as it was and re-raises.
    template <class F> void Starting(F&& body);
    // Runs a notification; any failure ends the current request with an error.
    template <class F> void Notified(F&& body) noexcept;
    // Ends the current request with an error; `drop` also closes the connection.
    void FailRequest(std::uint16_t error, const std::string& message, bool drop) noexcept;
    void EndRequest(std::uint16_t error) noexcept;
    void HighLevel(TSmtpRequest request, int steps);
    void NextStep();

    void LookupDone(std::uint16_t error);
    void SocketConnected(std::uint16_t error);
    void SocketClosed(std::uint16_t error);
    void DataAvailable();
    void HandleReplyLine();
    void JudgeReply();
    void RcptToNext();
    void DataReplied();
    void QuitReplied();
    void SendDataPiece();
    void SocketFailure(std::uint16_t error);
    void ArmReplyTimer();

    std::unique_ptr<TAsyncSocket> socket_;
    QTimer replyTimer_;
    int replyTimeoutMs_ = kDefaultReplyTimeoutMs;
    std::vector<std::string> rcptName_;
    TSmtpState state_ = smtpReady;
    std::string lastResponse_, errorMessage_;
    bool connected_ = false;
    TSmtpRequest rqType_ = smtpConnect;
    bool requestDone_ = true;
    bool awaitingReply_ = false;  // a command's reply is still to come
    bool sendingData_ = false;    // between DATA's 354 and the final "."
    std::uint16_t errorStatus_ = 0;
    int statusCode_ = 0;
    std::string lineBuffer_;
    replytext::ReplyReader reply_{replytext::Protocol::smtp};
    Handler next_ = nullptr;   // for each complete reply line while waiting
    Handler after_ = nullptr;  // after a reply was judged
    std::vector<int> accepted_;
    int steps_ = 0, currentStep_ = 0;
    std::uint16_t result_ = 0;
    bool highLevel_ = false;
    std::size_t rcptIndex_ = 0;
    int rcptAccepted_ = 0;
    std::uint16_t rcptFirstRefusal_ = 0;
    std::vector<Refusal> refused_;
    std::vector<std::string> header_;
    std::size_t headerIndex_ = 0;
    int lineNum_ = 0;
    bool more_ = false;
};
