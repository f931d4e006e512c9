#pragma once
// A real SMTP server for tests on 127.0.0.1 and a free port, saving every message it receives
// into a temporary folder: aiosmtpd (Debian's python3-aiosmtpd), which refuses the recipient
// "nobody@<any domain>" with 550, or OpenSMTPD (Debian's opensmtpd, as root only), which takes
// every recipient and delivers the message with its own Return-Path, Delivered-To and Received
// lines in front. Stopped with the object.

#include "tests/support/TempDir.h"

#include <QJsonObject>
#include <QProcess>
#include <memory>
#include <string>
#include <vector>

class SmtpTestServer {
public:
    struct Message {
        std::string path;    // the saved .eml file
        std::string raw;     // the message bytes as received (dot-stuffing removed)
        std::string sender;  // MAIL FROM
        std::vector<std::string> recipients;  // OpenSMTPD: in the order delivered
    };

    enum class Kind { Aiosmtpd, OpenSmtpd };
    explicit SmtpTestServer(Kind kind = Kind::Aiosmtpd);
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    // False when the server did not come up (the reason is in error()).
    bool ok() const { return port_ > 0; }
    const std::string& error() const { return error_; }
    // The server is not on this machine, or cannot run here (error() says why).
    bool unavailable() const { return unavailable_; }
    int port() const { return port_; }
    std::string portText() const { return std::to_string(port_); }

    // Every message saved so far, in the order received.
    std::vector<Message> messages() const;
    // Waits (bounded) until at least `count` messages are saved.
    bool waitForMessages(std::size_t count, int timeoutMs = 5000) const;

    // Parses a saved message with Python's email package (tests/support/servers/smtpmailcheck.py):
    // "headers" ([name, value] in order), "multipart", "boundary", "defects", and "parts" (each with
    // "type", "filename", "encoding" and the decoded payload as "hex").
    static QJsonObject parseMail(const std::string& emlPath);

private:
    TempDir folder_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    std::string error_;
    bool unavailable_ = false;
};
