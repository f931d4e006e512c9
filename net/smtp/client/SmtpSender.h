#pragma once
// The SMTP client with file attachments: with EmailFiles the message becomes MIME multipart,
// the caller's text as its first part and each file as a base64 part.

#include "net/smtp/client/SmtpClient.h"
#include "platform/FdHandle.h"

#include <deque>
#include <string>
#include <vector>

class TSmtpSender : public TCustomSmtpSender {
    Q_OBJECT
public:
    explicit TSmtpSender(QObject* owner = nullptr);
    ~TSmtpSender() override;

    std::vector<std::string>& EmailFiles() { return emailFiles_; }
    const std::vector<std::string>& EmailFiles() const { return emailFiles_; }
    // Takes the trimmed, non-empty lines; a file that does not exist refuses the whole list.
    void SetEmailFiles(const std::vector<std::string>& lines);

    void Data() override;

protected:
    void TriggerGetData(int lineNum, std::string& msgLine, int maxLen, bool& more) override;
    void TriggerHeaderLine(std::string& msg, int size) override;
    virtual void OpenFile(const std::string& path);
    // The next base64 line of the open file; false at its end.
    virtual bool EncodeLine(std::string& line);
    virtual void CloseFile();

private:
    std::deque<std::string> lines_;  // served before anything else
    std::vector<std::string> emailFiles_;
    std::size_t fileIndex_ = 0;
    std::string boundary_;
    FdHandle file_;
    std::string filePath_;
    bool inAttachment_ = false;
    bool textPhase_ = false;
    int textLine_ = 0;
};
