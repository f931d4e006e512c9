// The mail commands: recipients and attachments collected for one message, SENDEMAIL, and the
// mail client's events as the runner handles them.

#include "net/smtp/client/SmtpText.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/Guard.h"
#include "platform/Wait.h"
#include "runner/ScriptVantrel.h"
#include "script/Arguments.h"

#include <filesystem>
#include <utility>

namespace {

// An abort ends the request at once; its posted end only has to be delivered.
constexpr int kMailAbortWaitMs = 5000;

const std::string kErrorMessage = "           Error message: ";

std::string runnerFileName()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("Trevask") : exe.filename().string();
}

std::string requestError(std::uint16_t error)
{
    return "Error " + std::to_string(error) + " occurred while sending mail...";
}

// An address must stay one protocol argument: no line break, and not empty.
void checkAddress(const std::string& address)
{
    if (address.empty()) throw SmtpException("No address given");
    if (smtptext::BreaksLine(address)) throw SmtpException("Line break in the address");
}

}  // namespace

void TScriptVantrel::BindMailEvents()
{
    msMessage1.Port = "smtp";
    msMessage1.CharSet = "iso-8859-1";
    msMessage1.OnDisplay = [this](TCustomSmtpSender* s, const std::string& m) { msMessage1Display(s, m); };
    msMessage1.OnGetData = [this](TCustomSmtpSender* s, int n, std::string& line, int max, bool& more) {
        msMessage1GetData(s, n, line, max, more);
    };
    msMessage1.OnHeaderLine = [this](TCustomSmtpSender* s, std::string& m, int size) { msMessage1HeaderLine(s, m, size); };
    msMessage1.OnRequestDone = [this](TCustomSmtpSender* s, TSmtpRequest rq, std::uint16_t e) {
        msMessage1RequestDone(s, rq, e);
    };
    // Carbon copies are listed in a header of their own, right after "To:".
    msMessage1.OnProcessHeader = [this](TCustomSmtpSender*, std::vector<std::string>& header) {
        if (CcText.empty()) return;
        auto at = header.begin();
        while (at != header.end() && !bytetext::startsWithNoCase(*at, "To:")) ++at;
        header.insert(at == header.end() ? at : at + 1, "Cc: " + smtptext::HeaderValue(CcText));
    };
}

void TScriptVantrel::ClearMailCollection()
{
    RecipientText.clear();
    CcText.clear();
    ccAddresses_.clear();
    msMessage1.EmailFiles().clear();
}

void TScriptVantrel::msMessage1Display(TCustomSmtpSender*, const std::string& Msg)
{
    SetStatusText(Msg);
}

void TScriptVantrel::msMessage1GetData(TCustomSmtpSender*, int LineNum, std::string& MsgLine, int, bool& More)
{
    // Line by line: the client wraps long lines and dot-stuffs, so nothing of the text is cut.
    if (LineNum < 1 || static_cast<std::size_t>(LineNum) > mailBody_.size()) {
        More = false;
        return;
    }
    More = true;
    MsgLine = mailBody_[static_cast<std::size_t>(LineNum) - 1];
}

void TScriptVantrel::msMessage1HeaderLine(TCustomSmtpSender*, std::string& Msg, int)
{
    // The client folds a header line longer than its room, so the addition always fits.
    if (bytetext::startsWithNoCase(Msg, "From:")) Msg += "\r\nXMailer: Quorvel's FTP Vantrel";
}

void TScriptVantrel::msMessage1RequestDone(TCustomSmtpSender*, TSmtpRequest RqType, std::uint16_t Error)
{
    // The late end of an aborted request does not answer for the one awaited now.
    if (!MailBusy || RqType != mailRequest_) return;
    MailBusy = false;
    // Raised here it would only reach the application's handler: the waiting command raises it.
    if (Error != 0) mailError_ = requestError(Error);
}

void TScriptVantrel::AbortMail()
{
    try {
        msMessage1.Abort();
    } catch (...) {
        return;
    }
    (void)waiting::waitUntil([this] { return !MailBusy; }, kMailAbortWaitMs);
}

void TScriptVantrel::MailRequest(TSmtpRequest request, const std::function<void()>& start)
{
    mailError_.clear();
    mailRequest_ = request;
    MailBusy = true;
    try {
        start();
    } catch (...) {
        MailBusy = false;
        throw;
    }
    // The client's reply time-out ends every request; Cancel and quit end it sooner.
    if (waiting::waitUntil([this] { return !MailBusy; }, -1, [this] { return CancelFlag; }) !=
            waiting::WaitResult::Condition &&
        MailBusy) {
        AbortMail();
        if (MailBusy) {
            MailBusy = false;
            mailError_ = requestError(TCustomSmtpSender::kClosed);
        }
    }
    if (!mailError_.empty()) throw SmtpException(std::exchange(mailError_, {}));
}

bool TScriptVantrel::LogRefusedRecipients()
{
    for (const auto& r : msMessage1.RefusedRecipients())
        LogLine("   ---> *** Recipient \"" + r.address + "\" refused: " + bytetext::trimRight(r.reply));
    return msMessage1.RefusedRecipients().empty();
}

void TScriptVantrel::SendEmail()
{
    const std::string subject = GetVariable("EmailSubject");
    const auto setServer = [this] {
        msMessage1.Host = GetVariable("EmailServer");
        const std::string port = bytetext::trim(GetVariable("EmailPort"));
        msMessage1.Port = port.empty() ? "smtp" : port;
    };
    try {
        setServer();
        // Empty parts (a trailing ";", a SENDEMAIL without new recipients) are no recipients.
        std::vector<std::string> to;
        for (std::size_t start = 0;;) {
            const std::size_t semi = RecipientText.find(';', start);
            std::string part = bytetext::trim(RecipientText.substr(start, semi == std::string::npos ? semi : semi - start));
            if (!part.empty()) to.push_back(std::move(part));
            if (semi == std::string::npos) break;
            start = semi + 1;
        }
        std::vector<std::string> rcpt = to;
        rcpt.insert(rcpt.end(), ccAddresses_.begin(), ccAddresses_.end());
        if (rcpt.empty()) throw SmtpException("No recipient for the email message");
        msMessage1.SetRcptName(rcpt);
        MailRequest(smtpConnect, [this] { msMessage1.Connect(); });

        const std::string from = "FTP Script EXE - " + runnerFileName() + " <" + GetVariable("EmailSender") + ">";
        msMessage1.FromName = from;
        msMessage1.HdrFrom = from;
        std::string hdrTo;
        // RFC 5322 lists addresses with commas; readers keep only the first of a ";" list.
        for (const auto& r : to) hdrTo += (hdrTo.empty() ? "" : ", ") + smtptext::Mailbox(r);
        msMessage1.HdrTo = hdrTo;
        msMessage1.HdrSubject = subject;
        msMessage1.SignOn = GetVariable("EmailUser");
        setServer();
        MailRequest(smtpHelo, [this] { msMessage1.Helo(); });
        const std::string text = GetVariable("EmailText");
        mailBody_ = bytetext::splitLines(text);
        msMessage1.CharSet = smtptext::BodyCharset(text);
        msMessage1.TextEncoding = smtptext::EightBit(text) ? "8bit" : "7bit";
        try {
            MailRequest(smtpMail, [this] { msMessage1.Mail(); });
        } catch (...) {
            LogRefusedRecipients();
            throw;
        }
        guard::absorb([&] { MailRequest(smtpQuit, [this] { msMessage1.Quit(); }); });

        LogLine("   ---> Email with subject \"" + subject + " sent... !");
        // Sent to the others; whoever was refused did not get it, so the command failed.
        const bool allAccepted = LogRefusedRecipients();
        ClearMailCollection();
        SuccessFlag = allAccepted;
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        guard::absorb([&] { MailRequest(smtpQuit, [this] { msMessage1.Quit(); }); });
        // A session that would not quit is dropped, so the next SENDEMAIL can connect.
        if (msMessage1.Connected()) guard::absorb([&] { msMessage1.Abort(); });
        LogLine("   ---> ** Error preparing email to \"" + GetVariable("EmailAddress") + "\", Subject \"" + subject +
                "... !");
        LogLine(kErrorMessage + exceptionMessage(error));
        SuccessFlag = false;
        if (CancelFlag) std::rethrow_exception(error);
    }
    mailBody_.clear();
    SetStatusText("");
}

bool TScriptVantrel::PerformMail(const CommandEntry& entry, std::string_view arg)
{
    const auto [first, second] = SplitArguments(arg);
    // Each collecting command logs its own outcome and sets SuccessFlag by it.
    const auto collect = [&](const std::function<void()>& add, const std::string& added, const std::string& failed) {
        try {
            add();
            SuccessFlag = true;
            LogLine(added);
        } catch (...) {
            LogLine(failed);
            LogLine(kErrorMessage + exceptionMessage(std::current_exception()));
            SuccessFlag = false;
        }
    };
    switch (entry.cmd) {
    case Cmd::AddRecipient:
        collect([&] {
            checkAddress(first);
            RecipientText = RecipientText.empty() ? first : RecipientText + ";" + first;
        },
                "   ---> Added \"" + first + "\" as Recipient of an email message... !",
                "   ---> *** Unable to add \"" + first + "\" as Recipient of the email message... !");
        return true;
    case Cmd::AddCcRecipient:
        collect([&] {
            checkAddress(first);
            if (smtptext::BreaksLine(second)) throw SmtpException("Line break in the name");
            CcText += (CcText.empty() ? "" : ", ") + smtptext::Mailbox(second + " <" + first + ">");
            ccAddresses_.push_back(first);
        },
                "   ---> Added \"" + first + "\" as a CC Recipient of an email message... !",
                "   ---> *** Unable to add \"" + first + "\" as a CC Recipient of the email message... !");
        return true;
    case Cmd::AddAttachment:
        collect([&] {
            const std::string path = ResolveLocalPath(first);
            if (!apppaths::fileExists(path)) throw SmtpException("File not found '" + path + "'");
            std::vector<std::string> files = msMessage1.EmailFiles();
            files.push_back(path);
            msMessage1.SetEmailFiles(files);  // refuses a file that is not there
        },
                "   ---> Added \"" + first + "\" as attachment to an email message... !",
                "   ---> *** Unable to attach \"" + first + "\" to an email message... !");
        return true;
    case Cmd::SendEmail: SendEmail(); return true;
    default: return false;
    }
}
