#include "net/smtp/client/SmtpClient.h"

#include "net/common/ReplyText.h"
#include "net/smtp/client/SmtpText.h"
#include "net/common/HostLookup.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

namespace {

// The client's "request done" message: it carries the request and its outcome as they were
// when the request ended.
class RequestDoneEvent : public QEvent {
public:
    static QEvent::Type eventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    RequestDoneEvent(TSmtpRequest rq, std::uint16_t error) : QEvent(eventType()), rq(rq), error(error) {}
    TSmtpRequest rq;
    std::uint16_t error;
};

// Body text handed to the socket per data-sent notification.
constexpr std::size_t kDataChunk = 16384;
constexpr int kHeaderLineSize = 1024;
constexpr int kBodyLineMax = 1023;

std::string socketErrorReply(int error)
{
    return "500 " + TCustomAsyncSocket::ErrorText(error) + " (Winsock error #" + std::to_string(error) + ")";
}

void refuseLineBreak(const std::string& argument)
{
    if (smtptext::BreaksLine(argument)) throw SmtpException("Line break in SMTP command argument");
}

}  // namespace

TCustomSmtpSender::TCustomSmtpSender(QObject* owner) : QObject(owner), socket_(std::make_unique<TAsyncSocket>())
{
    socket_->OnSessionClosed = [this](TCustomAsyncSocket*, std::uint16_t e) { Notified([&] { SocketClosed(e); }); };
    replyTimer_.setSingleShot(true);
    connect(&replyTimer_, &QTimer::timeout, this,
            [this] { Notified([&] { FailRequest(kTimedOut, socketErrorReply(kTimedOut), true); }); });
}

TCustomSmtpSender::~TCustomSmtpSender()
{
    replyTimer_.stop();
    socket_.reset();  // reports nothing while it goes
}

// ---- events --------------------------------------------------------------------------------

void TCustomSmtpSender::TriggerDisplay(const std::string& msg)
{
    if (OnDisplay) OnDisplay(this, msg);
}

void TCustomSmtpSender::TriggerCommand(const std::string& msg)
{
    if (OnCommand) OnCommand(this, msg);
}

void TCustomSmtpSender::TriggerResponse(const std::string& msg)
{
    if (OnResponse) OnResponse(this, msg);
}

void TCustomSmtpSender::StateChanged()
{
    if (OnStateChange) OnStateChange(this);
}

void TCustomSmtpSender::TriggerGetData(int lineNum, std::string& msgLine, int maxLen, bool& more)
{
    if (!OnGetData) {
        more = false;
        return;
    }
    OnGetData(this, lineNum, msgLine, maxLen, more);
}

void TCustomSmtpSender::TriggerHeaderLine(std::string& msg, int size)
{
    if (OnHeaderLine) OnHeaderLine(this, msg, size);
}

void TCustomSmtpSender::TriggerProcessHeader(std::vector<std::string>& header)
{
    if (OnProcessHeader) OnProcessHeader(this, header);
}

void TCustomSmtpSender::TriggerSessionConnected(std::uint16_t error)
{
    if (OnSessionConnected) OnSessionConnected(this, error);
}

void TCustomSmtpSender::TriggerSessionClosed(std::uint16_t error)
{
    if (OnSessionClosed) OnSessionClosed(this, error);
}

void TCustomSmtpSender::customEvent(QEvent* event)
{
    if (event->type() != RequestDoneEvent::eventType()) return;
    const auto* ev = static_cast<RequestDoneEvent*>(event);
    guard::toApplication([&] {
        if (OnRequestDone) OnRequestDone(this, ev->rq, ev->error);
    });
}

// ---- state and request bookkeeping ---------------------------------------------------------

void TCustomSmtpSender::CheckReady() const
{
    if (state_ != smtpReady && state_ != smtpInternalReady) throw SmtpException("SMTP component not ready");
}

void TCustomSmtpSender::SetState(TSmtpState state)
{
    if (state_ == state) return;
    state_ = state;
    ArmReplyTimer();
    StateChanged();
}

void TCustomSmtpSender::ArmReplyTimer()
{
    const bool waiting = state_ == smtpDnsLookup || state_ == smtpConnecting || state_ == smtpWaitingBanner ||
                         state_ == smtpWaitingResponse;
    if (waiting && replyTimeoutMs_ > 0)
        replyTimer_.start(replyTimeoutMs_);
    else
        replyTimer_.stop();
}

template <class F>
void TCustomSmtpSender::Starting(F&& body)
{
    const TSmtpState savedState = state_;
    const bool savedDone = requestDone_, savedHigh = highLevel_;
    const TSmtpRequest savedRq = rqType_;
    try {
        body();
    } catch (...) {
        // A request that could not start leaves the client as it was, ready for the next one.
        next_ = after_ = nullptr;
        awaitingReply_ = false;
        requestDone_ = savedDone;
        highLevel_ = savedHigh;
        rqType_ = savedRq;
        if (!savedHigh) steps_ = 0;
        guard::absorb([&] { SetState(savedState); });
        throw;
    }
}

template <class F>
void TCustomSmtpSender::Notified(F&& body) noexcept
{
    QPointer<TCustomSmtpSender> self(this);
    try {
        body();
    } catch (const std::exception& e) {
        if (self) FailRequest(kLocalFailure, "500 " + std::string(e.what()), false);
    } catch (...) {
        if (self) FailRequest(kLocalFailure, "500 Unknown failure", false);
    }
}

void TCustomSmtpSender::FailRequest(std::uint16_t error, const std::string& message, bool drop) noexcept
{
    // The conversation cannot go on when a reply is owed or the message is half sent: the
    // connection goes, without the final ".", so no truncated mail is delivered.
    drop = drop || awaitingReply_ || sendingData_ || state_ == smtpDnsLookup || state_ == smtpConnecting ||
           state_ == smtpWaitingBanner;
    const bool outstanding = highLevel_ || !requestDone_;
    next_ = after_ = nullptr;
    awaitingReply_ = sendingData_ = false;
    socket_->OnDataSent = nullptr;
    if (outstanding) {
        if (errorMessage_.empty()) errorMessage_ = message;
        errorStatus_ = error;
        requestDone_ = true;
        EndRequest(error);
    }
    if (drop) {
        lineBuffer_.clear();
        reply_.Reset();
        socket_->OnDnsLookupDone = nullptr;
        guard::absorb([&] { socket_->CancelDnsLookup(); });
        guard::absorb([&] { socket_->Abort(); });
        connected_ = false;
    }
}

void TCustomSmtpSender::EndRequest(std::uint16_t error) noexcept
{
    replyTimer_.stop();
    highLevel_ = false;
    steps_ = 0;
    QCoreApplication::postEvent(this, new RequestDoneEvent(rqType_, error));
    guard::absorb([&] { SetState(smtpReady); });
}

void TCustomSmtpSender::TriggerRequestDone(std::uint16_t error)
{
    if (requestDone_) return;
    requestDone_ = true;
    awaitingReply_ = false;
    if (highLevel_) {
        if (state_ != smtpAbort) SetState(smtpInternalReady);
        NextStep();
        return;
    }
    EndRequest(error);
}

void TCustomSmtpSender::HighLevel(TSmtpRequest request, int steps)
{
    if (connected_ && (steps & stepConnect)) throw SmtpException("SMTP component already connected");
    CheckReady();
    Starting([&] {
        rqType_ = request;
        errorStatus_ = 0;
        currentStep_ = 0;
        result_ = 0;
        steps_ = steps;
        highLevel_ = true;
        lastResponse_.clear();
        errorMessage_.clear();
        NextStep();
    });
}

void TCustomSmtpSender::NextStep()
{
    if (state_ == smtpAbort) {
        steps_ = 0;
        result_ = 426;
        errorMessage_ = "426 Operation aborted.";
    } else if (errorStatus_ != 0) {
        result_ = errorStatus_;
        steps_ = ((steps_ & stepQuit) && currentStep_ != stepQuit) ? stepQuit : 0;
    }
    static constexpr Step kOrder[] = {stepConnect, stepHelo, stepMailFrom, stepRcptTo, stepData, stepQuit};
    for (const Step s : kOrder) {
        if (!(steps_ & s)) continue;
        steps_ &= ~s;
        currentStep_ = s;
        switch (s) {
        case stepConnect: return Connect();
        case stepHelo: return Helo();
        case stepMailFrom: return MailFrom();
        case stepRcptTo: return RcptTo();
        case stepData: return Data();
        case stepQuit: return Quit();
        }
    }
    EndRequest(result_);
}

// ---- requests ------------------------------------------------------------------------------

void TCustomSmtpSender::ExecAsync(TSmtpRequest request, const std::string& cmd, std::vector<int> accepted,
                                  Handler after)
{
    CheckReady();
    if (!connected_) throw SmtpException("SMTP component not connected");
    Starting([&] { StartCommand(request, cmd, std::move(accepted), after); });
}

void TCustomSmtpSender::StartCommand(TSmtpRequest request, const std::string& cmd, std::vector<int> accepted,
                                     Handler after)
{
    if (!highLevel_) rqType_ = request;
    accepted_ = std::move(accepted);
    requestDone_ = false;
    next_ = &TCustomSmtpSender::JudgeReply;
    after_ = after;
    awaitingReply_ = true;
    SetState(smtpWaitingResponse);
    ArmReplyTimer();  // each command has its own time for the reply
    SendCommand(cmd);
}

void TCustomSmtpSender::SendCommand(const std::string& cmd)
{
    TriggerCommand(cmd);
    TriggerDisplay("> " + cmd);
    if (socket_->State() == wsConnected) socket_->SendStr(cmd + "\r\n");
}

void TCustomSmtpSender::Connect()
{
    CheckReady();
    if (connected_) throw SmtpException("SMTP component already connected");
    Starting([&] {
        if (!highLevel_) rqType_ = smtpConnect;
        requestDone_ = false;
        lineBuffer_.clear();
        reply_.Reset();
        errorStatus_ = 0;
        SetState(smtpDnsLookup);
        socket_->OnDataSent = nullptr;
        socket_->OnDnsLookupDone = [this](TCustomAsyncSocket*, std::uint16_t e) { Notified([&] { LookupDone(e); }); };
        socket_->DnsLookup(bytetext::trim(Host));
    });
}

void TCustomSmtpSender::Helo()
{
    const std::string name = SignOn.empty() ? netsock::LocalHostName() : SignOn;
    refuseLineBreak(name);
    ExecAsync(smtpHelo, "HELO " + name, {250}, nullptr);
}

void TCustomSmtpSender::MailFrom()
{
    refuseLineBreak(FromName);
    ExecAsync(smtpMailFrom, "MAIL FROM:<" + smtptext::EnvelopeAddress(FromName) + ">", {250}, nullptr);
}

void TCustomSmtpSender::RcptTo()
{
    if (rcptName_.empty()) throw SmtpException("RcptName list is empty");
    for (const auto& r : rcptName_) refuseLineBreak(r);
    rcptIndex_ = 0;
    rcptAccepted_ = 0;
    rcptFirstRefusal_ = 0;
    refused_.clear();
    ExecAsync(smtpRcptTo, "RCPT TO:<" + smtptext::EnvelopeAddress(rcptName_[0]) + ">", {250, 251},
              &TCustomSmtpSender::RcptToNext);
}

void TCustomSmtpSender::RcptToNext()
{
    if (errorStatus_ == 0) {
        ++rcptAccepted_;
    } else {
        if (rcptFirstRefusal_ == 0) rcptFirstRefusal_ = errorStatus_;
        refused_.push_back({rcptName_[rcptIndex_], lastResponse_});
    }
    if (++rcptIndex_ < rcptName_.size()) {
        SetState(smtpInternalReady);
        ExecAsync(smtpRcptTo, "RCPT TO:<" + smtptext::EnvelopeAddress(rcptName_[rcptIndex_]) + ">", {250, 251},
                  &TCustomSmtpSender::RcptToNext);
        return;
    }
    // One accepting recipient is enough to go on; ErrorMessage keeps the first refusal.
    errorStatus_ = rcptAccepted_ > 0 ? 0 : rcptFirstRefusal_;
    TriggerRequestDone(errorStatus_);
}

namespace {

// The local zone's offset at that time as "+hhmm": receivers read a Date without a zone as UTC.
std::string zoneOffset(const CivilTime& t)
{
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    long offset = std::mktime(&tm) == static_cast<std::time_t>(-1) ? 0 : tm.tm_gmtoff;
    const char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    char text[8];
    std::snprintf(text, sizeof text, "%c%02ld%02ld", sign, offset / 3600 % 100, offset / 60 % 60);
    return text;
}

}  // namespace

void TCustomSmtpSender::Data()
{
    CheckReady();
    std::string date;
    const CivilTime now = datetime::now();
    (void)datetime::formatDateTime("ddd, d mmm yyyy hh:mm:ss", now, date);
    date += " " + zoneOffset(now);
    header_ = {
        "From: " + smtptext::Mailbox(smtptext::HeaderValue(HdrFrom)),
        "To: " + smtptext::HeaderValue(HdrTo),
        "Subject: " + smtptext::EncodedWords(smtptext::HeaderValue(HdrSubject)),
        "Mime-Version: 1.0",
        "Content-Type: text/plain; charset=\"" + smtptext::HeaderValue(CharSet) + "\"",
        "Date: " + date,
    };
    if (TextEncoding != "7bit")
        header_.insert(header_.begin() + 5, "Content-Transfer-Encoding: " + smtptext::HeaderValue(TextEncoding));
    TriggerProcessHeader(header_);
    header_.emplace_back();
    ExecAsync(smtpData, "DATA", {354}, &TCustomSmtpSender::DataReplied);
}

void TCustomSmtpSender::DataReplied()
{
    // Anything but 354 means the server takes no text: the request ends with that reply.
    if (errorStatus_ != 0) return TriggerRequestDone(errorStatus_);
    headerIndex_ = 0;
    lineNum_ = 0;
    more_ = true;
    sendingData_ = true;
    socket_->OnDataSent = [this](TCustomAsyncSocket*, std::uint16_t) { Notified([&] { SendDataPiece(); }); };
    SendDataPiece();
}

void TCustomSmtpSender::SendDataPiece()
{
    if (!connected_ || !sendingData_) {
        socket_->OnDataSent = nullptr;
        return;
    }
    ArmReplyTimer();
    std::string chunk;
    while (chunk.size() < kDataChunk) {
        if (headerIndex_ < header_.size()) {
            std::string msg = header_[headerIndex_++];
            TriggerHeaderLine(msg, kHeaderLineSize);
            smtptext::AppendWireLines(chunk, msg, true);
            continue;
        }
        if (!more_) break;
        std::string line;
        TriggerGetData(++lineNum_, line, kBodyLineMax, more_);
        if (!more_) break;
        TriggerDisplay("> " + line);
        smtptext::AppendWireLines(chunk, line, false);
    }
    if (!sendingData_) return;  // a handler ended the session
    if (!chunk.empty()) {
        socket_->SendStr(chunk);
        return;
    }
    socket_->OnDataSent = nullptr;
    sendingData_ = false;
    // Still "waiting reply" from DATA: the final dot goes out without the readiness check.
    StartCommand(smtpData, ".", {250}, nullptr);
}

void TCustomSmtpSender::Quit()
{
    CheckReady();
    if (connected_) return ExecAsync(smtpQuit, "QUIT", {221}, &TCustomSmtpSender::QuitReplied);
    if (!highLevel_) rqType_ = smtpQuit;
    requestDone_ = false;
    TriggerRequestDone(0);
}

void TCustomSmtpSender::QuitReplied()
{
    // The session is over whatever the server says: closed here, so the next Connect does not
    // depend on when the server's close is noticed.
    TriggerRequestDone(errorStatus_);
    socket_->Close();
}

void TCustomSmtpSender::Rset() { ExecAsync(smtpRset, "RSET", {250}, nullptr); }

void TCustomSmtpSender::Abort()
{
    SetState(smtpAbort);
    next_ = after_ = nullptr;
    awaitingReply_ = sendingData_ = false;
    socket_->OnDataSent = nullptr;
    guard::absorb([&] { socket_->CancelDnsLookup(); });
    guard::absorb([&] { socket_->Abort(); });
    connected_ = false;
    // Whatever was running ends now, even when the socket had nothing to report.
    if (!requestDone_) TriggerRequestDone(kClosed);
    replyTimer_.stop();
    SetState(smtpReady);
}

void TCustomSmtpSender::Open()
{
    refuseLineBreak(SignOn);
    HighLevel(smtpOpen, stepConnect | stepHelo);
}

void TCustomSmtpSender::Mail()
{
    // Bad input is refused before anything is sent, not half way through the chain.
    refuseLineBreak(FromName);
    if (rcptName_.empty()) throw SmtpException("RcptName list is empty");
    for (const auto& r : rcptName_) refuseLineBreak(r);
    HighLevel(smtpMail, stepMailFrom | stepRcptTo | stepData);
    refused_.clear();
}

// ---- connection ----------------------------------------------------------------------------

void TCustomSmtpSender::SocketFailure(std::uint16_t error)
{
    lastResponse_ = socketErrorReply(error);
    statusCode_ = 500;
    if (errorMessage_.empty()) errorMessage_ = lastResponse_;
    // Inside a chain the failure ends it, rather than greeting a closed connection.
    errorStatus_ = kLocalFailure;
    TriggerRequestDone(error);
}

void TCustomSmtpSender::LookupDone(std::uint16_t error)
{
    socket_->OnDnsLookupDone = nullptr;
    if (error != 0) return SocketFailure(error);
    socket_->SetAddr(socket_->DnsResult());
    socket_->SetProto("tcp");
    socket_->SetPort(Port);
    socket_->OnSessionConnected = [this](TCustomAsyncSocket*, std::uint16_t e) { Notified([&] { SocketConnected(e); }); };
    socket_->OnDataAvailable = [this](TCustomAsyncSocket*, std::uint16_t) { Notified([&] { DataAvailable(); }); };
    SetState(smtpConnecting);
    socket_->Connect();
}

void TCustomSmtpSender::SocketConnected(std::uint16_t error)
{
    if (error != 0) {
        connected_ = false;
        return SocketFailure(error);  // the socket closes itself after a failed connect
    }
    connected_ = true;
    SetState(smtpWaitingBanner);
}

void TCustomSmtpSender::SocketClosed(std::uint16_t error)
{
    connected_ = false;
    sendingData_ = false;
    socket_->OnDataSent = nullptr;
    TriggerSessionClosed(error);
    if (errorStatus_ == 0) errorStatus_ = kClosed;
    TriggerRequestDone(kClosed);
}

// ---- replies -------------------------------------------------------------------------------

void TCustomSmtpSender::DataAvailable()
{
    char buf[replytext::MaxLineBytes(replytext::Protocol::smtp)];
    const int n = socket_->Receive(buf, static_cast<int>(replytext::MaxLineBytes(replytext::Protocol::smtp) - lineBuffer_.size()));
    if (n <= 0) return;
    lineBuffer_.append(buf, static_cast<std::size_t>(n));
    // The reply timer is not re-armed by data: it limits the whole reply, however it trickles.
    QPointer<TCustomSmtpSender> self(this);
    try {
        for (std::size_t length; (length = replytext::LineLength(replytext::Protocol::smtp, lineBuffer_)) != std::string::npos;) {
            const std::string line = lineBuffer_.substr(0, length);
            lineBuffer_.erase(0, length);
            if (reply_.Add(line)) reply_.Reset();
            lastResponse_ = replytext::WithoutLineEnd(line);
            HandleReplyLine();
            if (!self || !connected_) return;
        }
    } catch (const replytext::BadReply& bad) {
        FailRequest(kLocalFailure, "500 " + replytext::RefusalText(bad.why), true);
    }
}

void TCustomSmtpSender::HandleReplyLine()
{
    TriggerResponse(lastResponse_);
    const int number = replytext::ReplyNumber(lastResponse_);
    switch (state_) {
    case smtpWaitingBanner:
        TriggerDisplay("< " + lastResponse_);
        statusCode_ = number == 0 ? 500 : number;
        if (replytext::OpensMultiLine(lastResponse_)) return;
        if (statusCode_ != 220) {
            if (errorMessage_.empty()) errorMessage_ = lastResponse_;
            errorStatus_ = static_cast<std::uint16_t>(statusCode_);
            socket_->Close();
            return;
        }
        SetState(smtpConnected);
        TriggerSessionConnected(0);
        TriggerRequestDone(0);
        return;
    case smtpWaitingResponse:
        if (sendingData_) {
            // The server spoke before the final dot: it will not take this message.
            TriggerDisplay("< " + lastResponse_);
            statusCode_ = number == 0 ? 500 : number;
            return FailRequest(static_cast<std::uint16_t>(statusCode_), lastResponse_, true);
        }
        if (!next_) throw SmtpException("Program error: FNext is nil");
        (this->*next_)();
        return;
    default:
        TriggerDisplay("< " + lastResponse_);
    }
}

void TCustomSmtpSender::JudgeReply()
{
    TriggerDisplay("< " + lastResponse_);
    if (replytext::OpensMultiLine(lastResponse_)) return;  // the final line decides
    // A line without a reply number is no acceptance.
    const int number = replytext::ReplyNumber(lastResponse_);
    statusCode_ = number == 0 ? 500 : number;
    awaitingReply_ = false;
    const bool accepted = accepted_.empty()
                              ? statusCode_ < 500
                              : std::find(accepted_.begin(), accepted_.end(), statusCode_) != accepted_.end();
    if (accepted) {
        errorStatus_ = 0;
    } else {
        errorStatus_ = static_cast<std::uint16_t>(statusCode_);
        if (errorMessage_.empty()) errorMessage_ = lastResponse_;
    }
    next_ = nullptr;
    const Handler after = std::exchange(after_, nullptr);
    if (after) return (this->*after)();
    TriggerRequestDone(errorStatus_);
}
