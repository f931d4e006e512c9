// The socket's waits, for programs without an event loop of their own. They run the event loop
// (the one wait primitive, or the wait control's count-down, which uses it) until their
// condition holds, the time runs out or quit is requested.

#include "net/smtp/socket/AsyncSocket.h"

#include "platform/Wait.h"

#include <algorithm>
#include <climits>
#include <utility>

bool TCustomAsyncSocket::RunWait(int seconds, const std::function<bool()>& done, bool socketStyleError)
{
    if (done()) return true;
    TSocketWaitControl* ctrl = multiThreaded_ ? nullptr : WaitCtrl();
    if (!multiThreaded_ && !ctrl) {
        if (socketStyleError)
            SocketError(11004, "TAsyncSocket.Wait");
        else
            RaiseException("No wait object assigned");
        return false;
    }
    QPointer<TCustomAsyncSocket> self(this);
    std::function<bool()> outer = std::exchange(waitDone_, done);
    if (multiThreaded_) {
        const long long ms = seconds > 0 ? std::min<long long>(seconds * 1000LL, INT_MAX) : 0;
        (void)waiting::waitUntil([&] { return !self || done(); }, static_cast<int>(ms));
    } else {
        ctrl->SetCaption(std::to_string(seconds));
        ctrl->Wait();  // ends on Stop (CheckWait) or when its count runs out
    }
    if (!self) return false;
    waitDone_ = std::move(outer);
    return done();
}

void TCustomAsyncSocket::CheckWait()
{
    if (!waitDone_ || multiThreaded_ || !waitDone_()) return;
    if (TSocketWaitControl* ctrl = WaitCtrl()) ctrl->Stop();
}

bool TCustomAsyncSocket::WaitForState(int seconds, TSocketState state)
{
    awaitedState_ = state;
    RunWait(seconds, [this, state] { return state_ == state || (state == wsConnected && state_ == wsClosed); },
            false);
    awaitedState_ = wsInvalidState;
    return state_ == state;
}

void TCustomAsyncSocket::Flush()
{
    if (!fd_.valid() || allSent_) return;
    RunWait(flushTimeout_, [this] { return allSent_ || !fd_.valid(); }, false);
}

void TCustomAsyncSocket::WaitForClose()
{
    if (state_ == wsClosed) return;
    dropUntilClose_ = true;
    ReadLoop(0);  // what was announced before the wait began
    RunWait(flushTimeout_, [this] { return state_ == wsClosed; }, true);
    dropUntilClose_ = false;
}

std::string TCustomAsyncSocket::ReadLine(int seconds)
{
    line_.clear();
    lineReading_ = true;
    ReadLineBytes();  // bytes that are already waiting
    RunWait(seconds, [this] { return !lineReading_; }, true);
    lineReading_ = false;
    return line_;
}

void TCustomAsyncSocket::ReadLineBytes()
{
    while (lineReading_ && fd_.valid()) {
        char c = 0;
        const int n = Receive(&c, 1);
        if (n == 0 || (n < 0 && lastError_ != 10035)) {
            // Closed or reset: the line ends here and so does the connection.
            lineReading_ = false;
            Close();
            break;
        }
        if (n < 0) break;  // nothing more yet
        if (c == '\r') continue;
        if (c == '\n') {
            lineReading_ = false;
            break;
        }
        line_ += c;
        if (line_.size() > 253) {
            lineReading_ = false;
            if (OnLineTooLong) OnLineTooLong(this);
            break;
        }
    }
    CheckWait();
}
