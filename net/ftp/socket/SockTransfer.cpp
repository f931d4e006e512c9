// TSockBase: the send and receive buffers, line reads, and files sent and captured.

#include "net/ftp/socket/SockBase.h"

#include "net/ftp/socket/ScopeExit.h"
#include "platform/Guard.h"
#include "platform/Wait.h"
#include "platform/WinsockErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <sys/socket.h>

namespace {

// Bytes moved per readiness before the rest is re-posted, so other events interleave with a
// large transfer.
constexpr std::size_t kBytesPerTurn = 4 * 1024 * 1024;

bool refusedInCommand(char c) { return c == '\0' || c == '\r' || c == '\n'; }

}  // namespace

// --- sending ---

void TSockBase::Write(const std::string& text)
{
    ReportStatus(8, "Write");
    // A cut text would lose its line end, and a CR or LF inside would start a second command.
    if (text.size() > LineBufferSize) throw ESockError("Command line too long");
    std::size_t body = text.size();
    if (body > 0 && text[body - 1] == '\n') --body;
    if (body > 0 && text[body - 1] == '\r') --body;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\0' || (i < body && refusedInCommand(text[i])))
            throw ECommandTextRefused("Command line holds CR, LF or NUL");
    SendBuffer(text);
}

void TSockBase::Writeln(const std::string& text)
{
    ReportStatus(8, "Writeln");
    std::string line;
    line.reserve(text.size() + 2);
    for (char c : text) {
        if (refusedInCommand(c)) throw ECommandTextRefused("Command line holds CR, LF or NUL");
        // Telnet's IAC (RFC 854): a 0xFF of a name goes as two, or the server reads a command.
        if (c == '\xFF') line += c;
        line += c;
    }
    Write(line + "\r\n");
}

void TSockBase::SendBuffer(std::string_view bytes)
{
    ReportStatus(4, "Sending Buffer");
    if (!canceled_ && !bytes.empty()) {
        if (!established_) throw Exception("Not Connected");
        txBuf_.append(bytes);
        sent_ = false;
        sendError_ = 0;
        PostMessage(SendNextMessage);
        WaitFor([this] { return sent_ || sendError_ != 0 || !established_; });
    }
    if (canceled_) {
        canceled_ = false;
        txBuf_.clear();  // never sent in front of the next command
        txPos_ = 0;
        throw EAbortError("Socket send aborted");
    }
    if (sendError_ != 0) throw ESockError(ErrorText(sendError_));
    if (!sent_ && !bytes.empty()) {
        if (closeError_ != 0) throw ESockError(ErrorText(closeError_));
        throw Exception("Not Connected");
    }
}

void TSockBase::CountPieces(std::int64_t& counter, std::int64_t n, const TNotifyEvent& event)
{
    while (n > 0) {
        const std::int64_t step = std::min<std::int64_t>(n, PieceSize);
        counter += step;
        n -= step;
        // After Cancel the bytes still count, but no handler hears of them.
        if (counting_ && event && !canceled_) guard::absorb([&] { event(this); });
    }
}

void TSockBase::FailSend(int error)
{
    lastErrorNo_ = sendError_ = error;
    txBuf_.clear();
    txPos_ = 0;
    guard::absorb([&] {
        const std::string text = ErrorText(error);
        if (OnError) OnError(this, static_cast<std::uint16_t>(error), text);
    });
}

void TSockBase::ReleaseBusy()
{
    busy_ = false;
    // What a handler's nested pumping brought in meanwhile runs now.
    if (std::exchange(writeDeferred_, false)) PostMessage(SendNextMessage);
    if (std::exchange(readDeferred_, false)) ArmRead();
}

void TSockBase::WriteFromStream()
{
    if (busy_) {
        writeDeferred_ = true;
        return;
    }
    busy_ = true;
    ftpsock::ScopeExit release([this] { ReleaseBusy(); });
    guard::absorb([this] { ReportStatus(8, "WriteFromStream"); });
    for (std::size_t moved = 0; moved < kBytesPerTurn;) {
        if (canceled_ || !established_) return;
        const bool fromFile = fileMode_ && source_;
        std::size_t wanted;
        ssize_t n;
        if (fromFile) {
            wanted = ftpsock::kMoveSize;
            n = source_->sendTo(sock_.get(), bytesSent_, wanted);
            if (n < 0 && errno == 0) return;  // at the end, or the file failed (SendFile sees it)
        } else {
            if (txPos_ >= txBuf_.size()) return;
            wanted = std::min(txBuf_.size() - txPos_, ftpsock::kMoveSize);
            n = ::send(sock_.get(), txBuf_.data() + txPos_, wanted, MSG_NOSIGNAL);
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = winsock::fromErrno(errno);
            lastErrorNo_ = error;
            if (error == 10035) {
                writeNotifier_.setEnabled(true);  // the write notification resumes
                return;
            }
            FailSend(error);
            return;
        }
        moved += static_cast<std::size_t>(n);
        bool done;
        if (fromFile) {
            done = bytesSent_ + n >= source_->size();
        } else {
            txPos_ += static_cast<std::size_t>(n);
            done = txPos_ >= txBuf_.size();
            if (done) {
                txBuf_.clear();
                txPos_ = 0;
            }
        }
        if (done) sent_ = true;
        CountPieces(bytesSent_, n, OnPacketSent);
        if (done) return;
        // The socket took less than offered: it is full, and the write notification says when
        // it has room again (a retry now would only fail).
        if (static_cast<std::size_t>(n) < wanted) {
            if (established_) writeNotifier_.setEnabled(true);
            return;
        }
    }
    PostMessage(SendNextMessage);
}

// --- receiving ---

void TSockBase::ArmRead()
{
    if (established_ && sock_) readNotifier_.setEnabled(true);
}

void TSockBase::ReadToStream()
{
    if (canceled_) {
        // Quiet until an operation waits for data again.
        readNotifier_.setEnabled(false);
        if (OnAbortRead) OnAbortRead(this);
        return;
    }
    if (busy_) {
        readDeferred_ = true;
        return;
    }
    if (!established_) return;
    if (sink_ && sink_->error() != 0) return;  // the capture has failed; CaptureFile reports it

    bool gotData = false;
    bool closed = false;
    bool more = false;
    int closeError = 0;
    busy_ = true;
    guard::absorb([this] { ReportStatus(8, "ReadToStream"); });
    for (std::size_t moved = 0;;) {
        if (moved >= kBytesPerTurn) {
            more = true;
            break;
        }
        // A capture reads big moves straight into the file block; control replies and
        // listings keep pieces of their own size.
        const std::size_t wanted = sink_ ? ftpsock::kMoveSize : PieceSize;
        char* target = sink_ ? sink_->space(wanted) : rxBuf_.space(wanted);
        const ssize_t n = ::recv(sock_.get(), target, wanted, 0);
        const int recvErrno = errno;
        if (sink_) sink_->commit(n > 0 ? static_cast<std::size_t>(n) : 0);
        else rxBuf_.commit(n > 0 ? static_cast<std::size_t>(n) : 0);
        if (n > 0) {
            gotData = true;
            moved += static_cast<std::size_t>(n);
            if (counting_) CountPieces(bytesRecvd_, n, OnPacketRecvd);
            if (canceled_ || !established_) break;  // a handler cancelled or closed
            // Less than asked for: the socket is drained, and the read notification tells of
            // more (or of the close) without a read that would only find nothing.
            if (static_cast<std::size_t>(n) < wanted) break;
            continue;
        }
        if (n == 0) {
            closed = true;
            break;
        }
        if (recvErrno == EINTR) continue;
        if (recvErrno == EAGAIN || recvErrno == EWOULDBLOCK) break;
        closeError = lastErrorNo_ = winsock::fromErrno(recvErrno);
        closed = true;
        guard::absorb([&] {
            const std::string text = ErrorText(closeError);
            if (OnError) OnError(this, static_cast<std::uint16_t>(closeError), text);
        });
        break;
    }
    // The file block is written when it is full and when the capture ends, so a trickle of
    // small pieces does not turn into as many small writes.
    ReleaseBusy();

    if (!closed && established_) {
        if (more) PostMessage(ReadMoreMessage);
        else ArmRead();
    }
    if (gotData && OnDataAvailable) guard::absorb([this] { OnDataAvailable(this); });
    if (closed) HandleMessage(SocketMessage, EvClose, closeError);
}

std::string TSockBase::Read(std::int64_t count)
{
    ReportStatus(8, "Read( " + std::to_string(count) + " )");
    if (count > 0) {
        ArmRead();
        WaitFor([&] { return rxBuf_.size() >= static_cast<std::uint64_t>(count) || !established_; });
    }
    if (canceled_) {
        canceled_ = false;
        throw EAbortError("Socket send aborted");
    }
    return count > 0 ? rxBuf_.take(static_cast<std::size_t>(count)) : rxBuf_.takeAll();
}

std::string TSockBase::ReadLn()
{
    ReportStatus(8, "ReadLn");
    ArmRead();
    std::size_t lf = std::string::npos;
    const bool stalled = WaitWhileMoving(
        [&] {
            lf = rxBuf_.findLf();
            return lf != std::string::npos || rxBuf_.size() >= MaxLineLength || !established_;
        },
        [this] { return static_cast<std::int64_t>(rxBuf_.size()); });
    return TakeLine(stalled, lf);
}

std::string TSockBase::ReadLnBefore(const QDeadlineTimer& deadline, std::size_t maxLength)
{
    ReportStatus(8, "ReadLn");
    ArmRead();
    std::size_t lf = std::string::npos;
    const auto lineOrEnd = [&] {
        lf = rxBuf_.findLf();
        return lf != std::string::npos || rxBuf_.size() >= maxLength || !established_;
    };
    const int remaining = deadline.isForever() ? -1 : static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
    const auto result = waiting::waitUntil(lineOrEnd, remaining, [this] { return canceled_; });
    if (result == waiting::WaitResult::Quit) canceled_ = true;
    return TakeLine(result == waiting::WaitResult::TimedOut, lf, maxLength);
}

std::string TSockBase::TakeLine(bool stalled, std::size_t lf, std::size_t maxLength)
{
    if (stalled) throw ESockError("Reply Timed Out");
    if (canceled_) {
        canceled_ = false;
        if (OnAbortRead) OnAbortRead(this);
        return {};
    }
    if (lf != std::string::npos) return rxBuf_.take(std::min(lf + 1, maxLength));
    if (rxBuf_.size() >= maxLength) return rxBuf_.take(maxLength);
    // Closed: the rest of a last line without LF is still a reply.
    if (rxBuf_.empty()) throw Exception("Not Connected");
    return rxBuf_.takeAll();
}

// --- files ---

void TSockBase::SendFile(const std::string& fileName, std::int64_t startOffset)
{
    ReportStatus(8, "SendFile");
    counting_ = fileMode_ = true;
    ftpsock::ScopeExit restore([this] {
        source_.reset();
        counting_ = fileMode_ = false;
    });

    source_ = std::make_unique<ftpsock::FileSource>(fileName);
    source_->setTextLineEnds(TextLineEnds);
    bytesSent_ = startOffset > 0 ? startOffset : 0;
    sent_ = false;
    sendError_ = 0;
    BytesTotal = source_->size();
    PostMessage(SendNextMessage);
    const bool stalled = WaitWhileMoving(
        [this] {
            return sent_ || BytesTotal <= 0 || bytesSent_ >= source_->size() || sendError_ != 0 ||
                   source_->error() != 0 || !established_;
        },
        [this] { return bytesSent_; });
    const bool complete = sent_ || BytesTotal <= 0 || bytesSent_ >= source_->size();
    const int fileError = source_->error();
    source_.reset();
    counting_ = fileMode_ = false;

    if (canceled_) {
        canceled_ = false;
        throw EAbortError("Socket send aborted");
    }
    if (stalled && !complete) throw ESockError("Transfer timed out...");
    if (sendError_ != 0) throw ESockError(ErrorText(sendError_));
    if (fileError != 0) throw Exception("Cannot read file " + fileName);
    if (!complete && closeError_ != 0) throw ESockError(ErrorText(closeError_));
    if (!complete) throw Exception("Not Connected");
}

void TSockBase::CaptureFile(const std::string& fileName, bool append, bool noFollow)
{
    ReportStatus(8, "CaptureFile");
    CaptureInto(std::make_unique<ftpsock::FileSink>(fileName, append, noFollow), fileName);
}

void TSockBase::CaptureFile(FdHandle file, const std::string& fileName)
{
    ReportStatus(8, "CaptureFile");
    CaptureInto(std::make_unique<ftpsock::FileSink>(fileName, std::move(file)), fileName);
}

void TSockBase::CaptureInto(std::unique_ptr<ftpsock::FileSink> sink, const std::string& fileName)
{
    counting_ = fileMode_ = true;
    ftpsock::ScopeExit restore([this] {
        sink_.reset();
        counting_ = fileMode_ = false;
    });
    sink_ = std::move(sink);
    sink_->setTextLineEnds(TextLineEnds);
    bytesRecvd_ = 0;
    if (!rxBuf_.empty()) {
        bytesRecvd_ += static_cast<std::int64_t>(rxBuf_.size());
        sink_->write(rxBuf_.view());
        rxBuf_.clear();
    }
    ArmRead();
    const bool stalled = WaitWhileMoving(
        [this] { return !connected_ || !established_ || sink_->error() != 0; },
        [this] { return bytesRecvd_; });
    sink_->flush();
    const int diskError = sink_->error();
    sink_.reset();
    counting_ = fileMode_ = false;

    if (canceled_) {
        canceled_ = false;
        throw EAbortError("Socket send aborted");
    }
    if (diskError != 0) throw ELocalFileError("Cannot write file " + fileName + ": " + std::strerror(diskError), true);
    if (stalled) throw ESockError("Transfer timed out...");
    // Ended by a reset: the file is short, so this is no success.
    if (closeError_ != 0) throw ESockError(ErrorText(closeError_));
}
