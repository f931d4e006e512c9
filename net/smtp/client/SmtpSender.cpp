#include "net/smtp/client/SmtpSender.h"

#include "net/smtp/client/SmtpText.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/LocalFiles.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

std::string baseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool fileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

std::string notFound(const std::string& path) { return "File not found '" + path + "'"; }

// A FIFO or device would block the open, or stream without end into the message.
FdHandle openAttachment(const std::string& path)
{
    bool notRegular = false;
    FdHandle fd = localfiles::openRegularFile(path, O_RDONLY, notRegular);
    if (notRegular) throw SmtpException("Not a regular file '" + path + "'");
    if (!fd.valid()) throw SmtpException("Cannot open file '" + path + "'");
    return fd;
}

}  // namespace

TSmtpSender::TSmtpSender(QObject* owner) : TCustomSmtpSender(owner) {}

TSmtpSender::~TSmtpSender() = default;

void TSmtpSender::SetEmailFiles(const std::vector<std::string>& lines)
{
    std::vector<std::string> files;
    for (const auto& line : lines) {
        std::string name = bytetext::trim(line);
        if (name.empty()) continue;
        if (!fileExists(name)) throw SmtpException(notFound(name));
        files.push_back(std::move(name));
    }
    emailFiles_ = std::move(files);
}

void TSmtpSender::Data()
{
    CheckReady();
    // A file gone or unreadable refuses the message before DATA, so nothing half-sent goes out.
    for (const auto& path : emailFiles_) {
        if (!fileExists(path)) throw SmtpException(notFound(path));
        (void)openAttachment(path);
    }
    CloseFile();
    lines_.clear();
    textPhase_ = true;
    fileIndex_ = 0;
    textLine_ = 0;
    inAttachment_ = false;
    boundary_.clear();
    if (!emailFiles_.empty()) {
        // Unguessable, so no text of the message can end its part or start another; a text line
        // that starts with it anyway is set off by a blank as it is sent.
        std::random_device random;
        char hex[33];
        std::snprintf(hex, sizeof hex, "%08x%08x%08x%08x", random(), random(), random(), random());
        boundary_ = std::string("= Multipart Boundary ") + hex;
        const std::string charset = smtptext::HeaderValue(CharSet);
        lines_ = {"This is a multipart MIME message.",
                  "",
                  "--" + boundary_,
                  "Content-Type: text/plain; charset=\"" + charset + "\"",
                  "Content-Transfer-Encoding: " + smtptext::HeaderValue(TextEncoding),
                  ""};
    }
    TCustomSmtpSender::Data();
}

void TSmtpSender::TriggerHeaderLine(std::string& msg, int size)
{
    if (!boundary_.empty() && bytetext::startsWithNoCase(msg, "CONTENT-TYPE:"))
        msg = "Content-Type: multipart/mixed;\r\n\tboundary=\"" + boundary_ + "\"";
    TCustomSmtpSender::TriggerHeaderLine(msg, size);
}

void TSmtpSender::TriggerGetData(int lineNum, std::string& msgLine, int maxLen, bool& more)
{
    for (;;) {
        more = true;
        if (!lines_.empty()) {
            msgLine = std::move(lines_.front());
            lines_.pop_front();
            return;
        }
        if (textPhase_) {
            TCustomSmtpSender::TriggerGetData(++textLine_, msgLine, maxLen, more);
            if (more && !boundary_.empty() && msgLine.compare(0, boundary_.size() + 2, "--" + boundary_) == 0)
                msgLine.insert(0, " ");
            if (more) return;
            textPhase_ = false;
            msgLine.clear();
            continue;
        }
        if (inAttachment_) {
            if (EncodeLine(msgLine)) return;
            CloseFile();
            inAttachment_ = false;
            if (++fileIndex_ == emailFiles_.size()) {
                lines_.push_back("");
                lines_.push_back("--" + boundary_ + "--");
            }
            continue;
        }
        if (fileIndex_ < emailFiles_.size() && !boundary_.empty()) {
            const std::string& path = emailFiles_[fileIndex_];
            OpenFile(path);
            inAttachment_ = true;
            const std::string name = smtptext::QuotedParameter(baseName(path));
            lines_ = {"--" + boundary_,
                      "Content-Type: application/octet-stream;",
                      "\tname=" + name,
                      "Content-Transfer-Encoding: base64",
                      "Content-Disposition: attachment;",
                      "\tfilename=" + name,
                      ""};
            msgLine.clear();  // the empty line that ends the part before
            return;
        }
        more = false;
        return;
    }
}

void TSmtpSender::OpenFile(const std::string& path)
{
    CloseFile();
    file_ = openAttachment(path);
    filePath_ = path;
}

bool TSmtpSender::EncodeLine(std::string& line)
{
    char buf[smtptext::kBase64LineBytes];
    std::size_t got = 0;
    while (got < sizeof buf) {
        const auto n = ::read(file_.get(), buf + got, sizeof buf - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            // A read failure must not pass for the end of the file: the message would go out cut.
            throw SmtpException("Cannot read file '" + filePath_ + "'");
        }
        got += static_cast<std::size_t>(n);
    }
    if (got == 0) return false;
    line = smtptext::Base64(std::string_view(buf, got));
    return true;
}

void TSmtpSender::CloseFile()
{
    (void)file_.reset();
    filePath_.clear();
}
