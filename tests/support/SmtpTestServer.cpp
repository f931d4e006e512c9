#include "tests/support/SmtpTestServer.h"

#include "platform/Wait.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

const char* const kPython = "/usr/bin/python3";

std::string scriptPath(const char* name)
{
    return std::string(VANTREL_SOURCE_DIR) + "/tests/support/servers/" + name;
}

}  // namespace

SmtpTestServer::SmtpTestServer(Kind kind) : process_(std::make_unique<QProcess>())
{
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->start(kPython, {QString::fromStdString(scriptPath(kind == Kind::Aiosmtpd ? "smtpserver.py" : "smtpopensmtpd.py")),
                              QString::fromStdString(folder_.path())});
    if (!process_->waitForStarted(5000)) {
        error_ = "the SMTP test server did not start";
        return;
    }
    QByteArray out;
    const QDeadlineTimer deadline(10000);
    while (!out.contains('\n') && !deadline.hasExpired()) {
        if (!process_->waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) break;
        out += process_->readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (line.startsWith("PORT ")) port_ = line.mid(5).toInt();
    if (port_ > 0) return;
    // 77: the server's script says it cannot run here.
    if (process_->waitForFinished(5000)) unavailable_ = process_->exitCode() == 77;
    error_ = "no port from the SMTP test server: " + process_->readAllStandardError().toStdString();
}

SmtpTestServer::~SmtpTestServer()
{
    if (process_->state() == QProcess::NotRunning) return;
    process_->closeWriteChannel();  // the server ends when its stdin closes
    if (!process_->waitForFinished(3000)) {
        process_->kill();
        process_->waitForFinished(3000);
    }
}

std::vector<SmtpTestServer::Message> SmtpTestServer::messages() const
{
    std::vector<Message> all;
    for (int n = 1;; ++n) {
        const std::string base = folder_.path() + "/msg-" + std::to_string(n);
        if (!std::filesystem::exists(base + ".eml")) break;
        Message m;
        m.path = base + ".eml";
        m.raw = TempDir::read(m.path);
        std::ifstream env(base + ".env", std::ios::binary);
        std::string line;
        if (std::getline(env, line)) m.sender = line;
        while (std::getline(env, line)) m.recipients.push_back(line);
        all.push_back(std::move(m));
    }
    return all;
}

bool SmtpTestServer::waitForMessages(std::size_t count, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (messages().size() < count) {
        if (deadline.hasExpired()) return false;
        waiting::pauseFor(20);
    }
    return true;
}

QJsonObject SmtpTestServer::parseMail(const std::string& emlPath)
{
    QProcess p;
    p.start(kPython, {QString::fromStdString(scriptPath("smtpmailcheck.py")), QString::fromStdString(emlPath)});
    if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
