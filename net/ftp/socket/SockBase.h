#pragma once
// TSockBase: one IPv4 TCP socket with its receive and send buffers, driven by the event loop.
// Operations that have to wait (lookup, connect, send, line read, accept) run the event loop
// until their condition holds, so the caller's code reads as if it blocked while events,
// timers and the caller's own handlers keep running inside the wait.
//
// Notifications arrive as numbered messages on the component's own thread: socket events (read,
// write, accept, connect, close) on SocketMessage, lookup completion and the accept of a data
// listener on ListenMessage, and the posted requests to send or read the next piece. Handlers
// raised inside a notification are absorbed there; handlers raised inside an operation's own
// steps leave that operation.

#include "net/ftp/socket/FileStreams.h"
#include "net/common/HostLookup.h"
#include "net/ftp/socket/RecvBuffer.h"
#include "net/ftp/socket/SockErrors.h"
#include "platform/FdHandle.h"
#include "net/ftp/socket/ThreadTimer.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TSockBase : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TOnStatus = std::function<void(QObject* sender, const std::string& status)>;
    using TOnErrorEvent =
        std::function<void(QObject* sender, std::uint16_t errorNo, const std::string& message)>;
    using TOnHostResolved = TNotifyEvent;
    using THandlerEvent = std::function<void(bool& handled)>;

    enum Message : int {
        SocketMessage = 0x465,  // events of the socket itself
        ListenMessage = 0x466,  // lookup done; accept on a data listener
        SendNextMessage = 0x467,
        ReadMoreMessage = 0x468,
    };
    enum Event : int { EvRead = 1, EvWrite = 2, EvOob = 4, EvAccept = 8, EvConnect = 16, EvClose = 32 };

    // Packet events report pieces of at most this many bytes; a system call moves more.
    static constexpr std::size_t PieceSize = 16383;
    static constexpr std::size_t LineBufferSize = 16384;  // longest text Write takes
    static constexpr std::size_t MaxLineLength = 1024 * 1024;  // ReadLn returns no longer line

    explicit TSockBase(QObject* owner = nullptr);
    ~TSockBase() override;

    // Settings.
    std::string Host;
    int Port = 0;
    int Timeout = 0;      // milliseconds for lookup, connect and accept; 0 = no limit
    int ReportLevel = 0;  // statuses of this level or lower reach OnStatus
    std::string Proxy;    // dialled instead of Host when set
    int ProxyPort = 0;
    std::int64_t BytesTotal = 0;  // size of the file being sent, or announced by a server
    // Milliseconds a line read, send or capture may go without any byte moving before it gives
    // up; 0 = no limit.
    int IdleTimeout = 0;
    // ASCII type on a data connection: SendFile sends each LF as CR LF, CaptureFile writes CR LF
    // as LF. Off (byte-exact) unless the transfer's owner sets it.
    bool TextLineEnds = false;

    // Events.
    TNotifyEvent OnConnect;           // connect completed
    TNotifyEvent OnDisconnect;        // socket closed; also a data listener's accept
    TOnErrorEvent OnError;            // a socket error
    THandlerEvent OnInvalidHost;      // lookup found no address (may change Host, set Handled)
    TOnHostResolved OnHostResolved;   // lookup found an address
    THandlerEvent OnConnectionRequired;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;  // connect ended by time-out, cancel or error
    TNotifyEvent OnPacketRecvd;       // each piece captured by CaptureFile
    TNotifyEvent OnPacketSent;        // each piece sent by SendFile
    TNotifyEvent OnDataAvailable;     // bytes were added to the receive buffer
    TNotifyEvent OnAccept;            // accept on a socket that listens on SocketMessage
    TNotifyEvent OnAbortRead;         // a line read or read notification found Cancel set

    // The data connection, from the control connection's peer, accepted only now (the transfer's
    // command has gone out; some servers connect at PORT already, so those waiting count too). A
    // second one waiting from that address means someone raced the server for the port: none
    // is taken.
    virtual FdHandle Accept();
    virtual void Connect();
    virtual void Disconnect();
    virtual std::string Transaction(const std::string& command);
    virtual void Abort();

    void RequireConnection();
    void Cancel();
    // Write refuses a text longer than LineBufferSize, or holding NUL, or CR/LF anywhere but
    // at its end; Writeln refuses CR and LF and adds CR LF.
    void Write(const std::string& text);
    void Writeln(const std::string& text);
    void SendBuffer(std::string_view bytes);
    std::string Read(std::int64_t count);  // count 0: all buffered bytes
    // The line with its LF (and CR). Past IdleTimeout without a byte: ESockError "Reply Timed Out".
    std::string ReadLn();
    // ReadLn that waits until `deadline` at most, however the bytes trickle in, and for no more
    // than `maxLength` bytes of a line (a longer one comes as a piece of that many without LF).
    std::string ReadLnBefore(const QDeadlineTimer& deadline, std::size_t maxLength = MaxLineLength);
    // Restarted and appended transfers are asked for per call, so no earlier transfer's mode
    // can leak into the next one. Past IdleTimeout without progress: "Transfer timed out...".
    void SendFile(const std::string& fileName, std::int64_t startOffset = 0);
    // noFollow: a link at fileName is refused instead of written through.
    void CaptureFile(const std::string& fileName, bool append = false, bool noFollow = false);
    // Captures into a file already open for writing; `fileName` is the name its messages give.
    void CaptureFile(FdHandle file, const std::string& fileName);
    void Listen(bool dataMessage);
    void ResolveHost();
    void CloseSocket();
    std::string CheckError(int ignored);
    std::string ErrorText(int error);
    void ReportStatus(int level, const std::string& text);
    void TimerOn();
    void TimerOff();
    std::string LocalAddressText() const;  // "127,0,0,1"
    std::string PortText() const;          // ",18,52" for port 4660
    static std::string NthField(std::string_view text, char separator, int n);

    // Data connections: the accepted socket replaces the listener as this component's socket.
    void AdoptSocket(FdHandle accepted);
    // On: a close resets the connection (the default of a new component); off: a close sends
    // what is still queued.
    void SetLinger(bool resetOnClose);
    // The control connection of a data listener: Listen binds to its local address, only its
    // peer's address is accepted, and Accept gives up once it holds a complete reply line.
    void SetControlConnection(TSockBase* control) { control_ = control; }
    int LocalPort() const;
    std::size_t BufferedBytes() const { return rxBuf_.size(); }
    bool HoldsCompleteLine() const { return rxBuf_.holdsLine(); }

    bool Connected() const { return connected_; }
    bool Canceled() const { return canceled_; }
    bool TimedOut() const { return timedOut_; }
    const std::string& Status() const { return status_; }
    const std::string& LastReply() const { return lastReply_; }
    int ReplyNumber() const { return replyNumber_; }
    std::int64_t BytesSent() const { return bytesSent_; }
    std::int64_t BytesRecvd() const { return bytesRecvd_; }
    int LastErrorNo() const { return lastErrorNo_; }
    int CloseError() const { return closeError_; }  // the connection ended with this error
    std::uint32_t RemoteAddress() const { return remoteAddress_; }  // network order
    const std::vector<std::string>& Information() const { return information_; }

protected:
    // CloseSocket without its "Request Close Socket" status: a close this side decided on,
    // which a status handler must not take for the server's.
    void CloseSocketUnreported();

    bool connected_ = false;
    bool canceled_ = false;
    bool timedOut_ = false;
    bool counting_ = false;   // inside SendFile/CaptureFile: byte counters and packet events
    bool busy_ = false;       // ReadToStream/WriteFromStream running
    bool fileMode_ = false;
    bool sent_ = true;
    bool noError_ = true;     // the last notification carried no error
    bool eventArrived_ = false;
    std::int64_t bytesSent_ = 0;
    std::int64_t bytesRecvd_ = 0;
    int lastErrorNo_ = 0;
    std::string status_;
    std::string lastReply_;
    int replyNumber_ = 0;
    std::uint32_t remoteAddress_ = 0;
    std::vector<std::string> information_;

private:
    void InitWinsock();
    bool NewSocket(bool resetOnClose) noexcept;
    void DropSocket() noexcept;
    void DropSocketQuietly() noexcept;
    void CloseSocketReporting(bool report);
    [[noreturn]] void RaiseSocketError(int error);
    void TimerFired();
    void StartConnect(int port);

    void HandleMessage(int message, int event, int error);
    void PostMessage(int message);
    void SocketReadable();
    void SocketWritable();
    void ReadToStream();
    void WriteFromStream();
    // Adds the `n` bytes of one move to `counter` a piece of at most PieceSize at a time, with
    // one packet event per piece while counting.
    void CountPieces(std::int64_t& counter, std::int64_t n, const TNotifyEvent& event);
    void FailSend(int error);
    void ArmRead();
    void ReleaseBusy();
    void TryAccept();
    bool AcceptsPeer(std::uint32_t address) const;
    // Accepts and closes what else waits on the listener; true when one came from the peer.
    bool RivalWaiting();

    // Runs the event loop until `condition`, Cancel or `timeoutMs`; quitting counts as Cancel.
    void WaitFor(const std::function<bool()>& condition, int timeoutMs = -1);
    // WaitFor that gives up once `progress` has not changed for IdleTimeout; true when it did.
    bool WaitWhileMoving(const std::function<bool()>& condition,
                         const std::function<std::int64_t()>& progress);
    // The line ReadLn and ReadLnBefore give once their wait has ended (stalled: it timed out).
    std::string TakeLine(bool stalled, std::size_t lf, std::size_t maxLength = MaxLineLength);

    FdHandle sock_;
    FdHandle pending_;  // accepted by a listener, waiting for Accept
    QSocketNotifier readNotifier_{QSocketNotifier::Read};
    QSocketNotifier writeNotifier_{QSocketNotifier::Write};
    bool established_ = false;  // the socket is a connected stream
    bool connecting_ = false;
    bool listening_ = false;
    bool resetOnClose_ = false;
    int listenMessage_ = SocketMessage;
    unsigned socketSerial_ = 0;  // changes whenever the socket is dropped
    bool sendNextPosted_ = false;
    bool readMorePosted_ = false;
    bool readDeferred_ = false;   // a read came while busy
    bool writeDeferred_ = false;  // a send request came while busy
    int sockError_ = 0;   // the last failing call's error, as WSAGetLastError gives it
    int sendError_ = 0;   // a send failed: the connection is gone
    int closeError_ = 0;  // the connection ended with this error (a reset)

    TThreadTimer timer_;
    std::unique_ptr<netsock::HostLookup> lookup_;
    std::uint32_t lookupAddress_ = 0;

    ftpsock::RecvBuffer rxBuf_;
    std::string txBuf_;
    std::size_t txPos_ = 0;
    void CaptureInto(std::unique_ptr<ftpsock::FileSink> sink, const std::string& fileName);
    std::unique_ptr<ftpsock::FileSink> sink_;      // CaptureFile's file
    std::unique_ptr<ftpsock::FileSource> source_;  // SendFile's file
    QPointer<TSockBase> control_;
};
