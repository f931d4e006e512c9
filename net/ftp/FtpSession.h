#pragma once
// The FTP client's settings as the script sets them. The protocol itself (login, listings,
// transfers) lives on the socket base; until it is wired in, the client is never connected and
// every operation that needs the server raises.

#include "platform/Errors.h"

#include <string>

class FTPException : public Exception {
public:
    using Exception::Exception;
};

enum TFtpProxyType { proxyUserAfterLogin = 0, proxyProxyUserLoginUser = 1 };

class TFtpSession {
public:
    std::string Host;
    std::string UserID;
    std::string Password;
    int Port = 21;
    std::string Proxy;
    int ProxyPort = 0;
    std::string ProxyUser;
    std::string ProxyPassword;
    TFtpProxyType ProxyType = proxyUserAfterLogin;
    int Timeout = 60000;  // milliseconds; 0 or less: no time-out
    int ReportLevel = 2;
    bool Passive = false;
    // The listing style code; 1 = detect on the next listing.
    int ServerStyle = 1;
    // 1 ASCII, 2 binary, 3 local 8 (TYPE A / I / L 8).
    int Mode = 2;

    bool GetConnected() const { return false; }
    void SetMode(int mode) { Mode = mode; }
    std::string DoCommand(const std::string& command)
    {
        throw FTPException("Not connected: cannot send \"" + command + "\"");
    }
};
