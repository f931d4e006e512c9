#pragma once
// The mail client's event-driven IPv4 socket. It never blocks: readiness comes through the event
// loop and becomes events; outgoing data queues in a chain of blocks and goes out as fast as the
// network takes it; host names are looked up on a worker and answered through the event loop.
// Error numbers and texts are Winsock's.

#include "net/common/HostLookup.h"
#include "net/common/SockError.h"
#include "net/smtp/socket/SendBuffer.h"
#include "platform/FdHandle.h"
#include "net/smtp/socket/SocketWaitControl.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/time.h>
#include <vector>

class SocketWatch;

enum TSocketState {
    wsInvalidState, wsOpened, wsBound, wsConnecting, wsConnected, wsAccepting, wsListening, wsClosed
};
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

class TCustomAsyncSocket;
using TSocketErrorEvent = std::function<void(TCustomAsyncSocket* Sender, std::uint16_t Error)>;
using TDataAvailable = TSocketErrorEvent;
using TDataSent = TSocketErrorEvent;
using TSessionClosed = TSocketErrorEvent;
using TSessionAvailable = TSocketErrorEvent;
using TSessionConnected = TSocketErrorEvent;
using TDnsLookupDone = TSocketErrorEvent;
using TChangeState =
    std::function<void(TCustomAsyncSocket* Sender, TSocketState OldState, TSocketState NewState)>;
using TSocketNotifyEvent = std::function<void(TCustomAsyncSocket* Sender)>;

class TCustomAsyncSocket : public QObject {
    Q_OBJECT
public:
    // Winsock's notification bits, as the event mask and the dispatch use them.
    enum : int { FD_READ = 1, FD_WRITE = 2, FD_ACCEPT = 8, FD_CONNECT = 16, FD_CLOSE = 32 };

    explicit TCustomAsyncSocket(QObject* owner = nullptr);
    ~TCustomAsyncSocket() override;

    // The Winsock text of an error number ("Not a WinSock error" for others).
    static std::string ErrorText(int error);

    // Settings; Addr, Port and Proto may change only while closed.
    const std::string& Addr() const { return addr_; }
    void SetAddr(const std::string& value);
    const std::string& Port() const { return port_; }
    void SetPort(const std::string& value);
    const std::string& Proto() const { return proto_; }
    void SetProto(const std::string& value);
    int PortNumber() const { return portAssigned_ ? portNum_ : 0; }
    int ProtocolNumber() const { return protoNum_; }
    bool IsDatagram() const { return sockType_ == 2; }

    const std::string& DnsResult() const { return dnsResult_; }
    const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }
    TSocketState State() const { return state_; }
    std::int64_t ReadCount() const { return readCount_; }
    // Bytes waiting in the platform; -1 without a socket or on error.
    int RcvdCount() const;
    int LastError() const { return lastError_; }

    bool MultiThreaded() const { return multiThreaded_; }
    void SetMultiThreaded(bool value) { multiThreaded_ = value; }
    // Cleared by itself when the control is freed.
    TSocketWaitControl* WaitCtrl() const;
    void SetWaitCtrl(TSocketWaitControl* ctrl);
    int FlushTimeout() const { return flushTimeout_; }
    void SetFlushTimeout(int seconds) { flushTimeout_ = seconds; }
    TSocketSendFlags SendFlags();
    void SetSendFlags(TSocketSendFlags value);
    TSocketLingerOnOff LingerOnOff() const { return lingerOnOff_; }
    void SetLingerOnOff(TSocketLingerOnOff value) { lingerOnOff_ = value; }
    int LingerTimeout() const { return lingerTimeout_; }
    void SetLingerTimeout(int seconds) { lingerTimeout_ = seconds; }

    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TSessionClosed OnSessionClosed;
    TChangeState OnChangeState;
    TDataAvailable OnDataAvailable;
    TDataSent OnDataSent;
    TSocketNotifyEvent OnLineTooLong;
    TDnsLookupDone OnDnsLookupDone;
    TSocketNotifyEvent OnError;

    virtual void Connect();
    virtual void Close();
    virtual void Abort();
    virtual void Flush();
    virtual void WaitForClose();
    virtual void Listen();
    // The accepted connection, to be handed to another socket's Dup; invalid on failure.
    virtual FdHandle Accept();
    virtual int Receive(void* buffer, int size);
    virtual std::string ReceiveStr();
    virtual int ReceiveFrom(void* buffer, int size, sockaddr_in& from);
    virtual std::int64_t Send(const void* data, std::int64_t length);
    virtual std::int64_t SendStr(const std::string& text);
    virtual void DnsLookup(const std::string& name);
    virtual void ReverseDnsLookup(const std::string& address);
    virtual void CancelDnsLookup();
    virtual std::string GetPeerAddr();
    virtual int GetPeerName(sockaddr_in& name);
    virtual std::string GetXPort();
    virtual bool WaitForState(int seconds, TSocketState state);
    virtual std::string ReadLine(int seconds);
    virtual int GetSockName(sockaddr_in& name);
    virtual void Dup(FdHandle handle);
    virtual void Shutdown(int how);
    virtual void Pause();
    virtual void Resume();

    static bool TimerIsSet(const timeval& t) { return t.tv_sec != 0 || t.tv_usec != 0; }
    static void TimerClear(timeval& t) { t.tv_sec = t.tv_usec = 0; }
    static bool TimerCmp(const timeval& a, const timeval& b, bool equal)
    {
        return (a.tv_sec == b.tv_sec && a.tv_usec == b.tv_usec) == equal;
    }

protected:
    void customEvent(QEvent* event) override;

    // The notification handler: events in Winsock's order, for the current socket only.
    virtual void WndProc(int events, int error);
    virtual void ResetFields();
    virtual void InternalClose(bool shutdown, int error = 0);
    virtual void BindAnyPort();
    virtual std::int64_t RealSend(const char* data, int length);
    virtual void RaiseException(const std::string& message);
    // Returns false when nobody took the notification (then the data is read and dropped).
    virtual bool TriggerDataAvailable(std::uint16_t error);
    virtual void TriggerSessionAvailable(std::uint16_t error);
    virtual void TriggerSessionConnected(std::uint16_t error);
    virtual void TriggerSessionClosed(std::uint16_t error);
    virtual void TriggerDataSent(std::uint16_t error);
    virtual void TriggerChangeState(TSocketState oldState, TSocketState newState);
    virtual void TriggerDnsLookupDone(std::uint16_t error);
    virtual void TriggerError();

    // "Error <n> in function <name>" with the error's text; 10054 and 10057 drop the handle.
    void SocketError(int error, const std::string& functionName);
    void ChangeState(TSocketState newState);

private:
    void StartWatch(int mask);
    void DropHandle();
    void PostNotification(int events, int error);
    void ReadReady();
    void WriteReady();
    void CloseReady();
    void ReadLoop(int error);
    void TryToSend();
    void NoteFailure(int err);
    bool ResolveAddr();
    bool ApplyLinger(int fd);
    // The checks and clearing both lookups start with; false when the query was refused.
    bool PrepareLookup(const std::string& query);
    void StartLookup(const std::string& query, bool reverse);
    void LookupAnswered(int id, bool reverse, const netsock::HostLookup::Answer& answer);
    void ReadLineBytes();
    // Runs one of the waits; true when `done` held at the end.
    bool RunWait(int seconds, const std::function<bool()>& done, bool socketStyleError);
    void CheckWait();

    FdHandle fd_;
    std::unique_ptr<SocketWatch> watch_;
    int serial_ = 0;  // changes whenever the handle does; stale notifications carry an old one
    int eventMask_ = 0;

    bool portAssigned_ = false, addrAssigned_ = false, addrResolved_ = false, protoAssigned_ = true;
    std::string proto_ = "tcp", addr_, port_;
    int portNum_ = 0;
    int localPort_ = 0;
    int protoNum_ = 6;
    int sockType_ = 1;  // 1 stream, 2 datagram
    std::string dnsResult_;
    std::vector<std::string> dnsResultList_;
    TSocketState state_ = wsClosed;
    int flushTimeout_ = 60;
    TSendQueue queue_;
    int sendFlags_ = wsSendNormal;
    bool multiThreaded_ = false;
    TSocketWaitControl* waitCtrl_ = nullptr;
    QPointer<QObject> waitCtrlObject_;
    TSocketState awaitedState_ = wsInvalidState;
    std::function<bool()> waitDone_;
    int lastError_ = 0;
    int resetError_ = 0;  // a reset seen by recv or send, for the close notification
    bool paused_ = false;
    TSocketLingerOnOff lingerOnOff_ = wsLingerOn;
    int lingerTimeout_ = 0;
    bool allSent_ = true;
    std::string line_;
    bool lineReading_ = false;
    bool dropUntilClose_ = false;
    std::int64_t readCount_ = 0;
    std::int64_t consumed_ = 0;  // every byte taken from the platform, for the read loop
    bool closedEventFired_ = false;
    bool destroying_ = false;
    std::unique_ptr<netsock::HostLookup> lookup_;
    int lookupId_ = 0;
    sockaddr_in remote_{};
};

class TAsyncSocket : public TCustomAsyncSocket {
    Q_OBJECT
public:
    using TCustomAsyncSocket::TCustomAsyncSocket;
};
