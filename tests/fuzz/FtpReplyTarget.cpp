// FTP reply reading: the bytes a server sends, arriving in pieces, read line by line through the
// receive buffer, then reply by reply through the shared reply reader, with the numbers, sizes
// and folders taken from them.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "net/common/ReplyText.h"
#include "net/ftp/client/FtpText.h"
#include "net/ftp/socket/RecvBuffer.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

struct EndOfInput {};

bool hasByteWord(std::string_view line)
{
    std::string upper(line);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find("BYTE") != std::string::npos;
}

void checkReplyTexts(std::string_view line)
{
    const int number = replytext::ReplyNumber(line);
    FUZZ_CHECK(number == std::stoi(std::string(line.substr(0, 3))), "reply number " + std::to_string(number));
    const std::int64_t announced = ftptext::BytesFromReply(line);
    FUZZ_CHECK(announced >= 0, "announced size " + std::to_string(announced));
    if (!hasByteWord(line)) FUZZ_CHECK(announced == 0, "a size without \"bytes\"");
    if (announced > 0) FUZZ_CHECK(line.find(std::to_string(announced)) != std::string::npos, "size not in the line");
    const std::int64_t size = ftptext::SizeFromReply(line);
    FUZZ_CHECK(size >= -1, "SIZE " + std::to_string(size));
    if (size >= 0) FUZZ_CHECK(line.find(std::to_string(size)) != std::string::npos, "SIZE not in the line");
    const std::string dir = ftptext::DirFromPwdReply(line);
    FUZZ_CHECK(dir.find('"') == std::string::npos && line.find(dir) != std::string::npos, "PWD folder " + fuzz::shown(dir));
    const int code = ftptext::CommandType(line);
    FUZZ_CHECK(code == cmdChangeDir || code == cmdMakeDir || code == cmdDelete || code == cmdRemoveDir ||
                   code == cmdOther || code == cmdPwd,
               "command type " + std::to_string(code));
}

}  // namespace

namespace fuzz {

void FtpReply(std::string_view data)
{
    if (data.empty()) return;
    const std::size_t piece = 1 + static_cast<unsigned char>(data[0]) % 97;
    const std::string_view stream = data.substr(1);

    // Lines as the session's reply read gives them: up to and with each LF, or a piece of the
    // longest line without one; once the peer is gone, the rest.
    ftpsock::RecvBuffer buffer;
    std::size_t fed = 0;
    std::string lines;  // every line handed out, joined
    std::string last;   // the last of them
    const auto readLn = [&]() -> std::string {
        for (;;) {
            const std::size_t lf = buffer.findLf();
            if (lf != std::string::npos || buffer.size() >= replytext::MaxLineBytes(replytext::Protocol::ftp)) {
                std::string line = buffer.take(std::min(lf == std::string::npos ? lf : lf + 1, replytext::MaxLineBytes(replytext::Protocol::ftp)));
                FUZZ_CHECK(line.find('\n') == std::string::npos || line.find('\n') == line.size() - 1,
                           "a line with an inner LF");
                lines += line;
                last = line;
                return line;
            }
            if (fed == stream.size()) {
                if (buffer.empty()) throw EndOfInput{};
                std::string rest = buffer.takeAll();
                lines += rest;
                last = rest;
                return rest;
            }
            const std::size_t n = std::min(piece, stream.size() - fed);
            if (fed % 2) buffer.append(stream.substr(fed, n));
            else {
                char* at = buffer.space(n);
                std::copy_n(stream.data() + fed, n, at);
                buffer.commit(n);
            }
            fed += n;
        }
    };

    try {
        for (;;) {
            const std::size_t before = lines.size();
            const std::vector<std::string> reply = replytext::ReadReplyLines(replytext::Protocol::ftp, readLn);
            FUZZ_CHECK(!reply.empty() && replytext::OpensReply(reply.front()), "a reply without a number");
            if (replytext::OpensMultiLine(reply.front()))
                FUZZ_CHECK(reply.size() >= 2 && replytext::ClosesMultiLine(reply.front(), reply.back()),
                           "a multi-line reply that did not close");
            else
                FUZZ_CHECK(reply.size() == 1, "a one-line reply of several lines");
            std::string joined;
            for (const std::string& l : reply) {
                FUZZ_CHECK(l.find('\0') == std::string::npos, "a reply line with NUL");
                FUZZ_CHECK(l.size() <= replytext::MaxLineBytes(replytext::Protocol::ftp), "a reply line past its bound");
                joined += l;
            }
            FUZZ_CHECK(lines.size() >= before + joined.size() &&
                           lines.compare(lines.size() - joined.size(), joined.size(), joined) == 0,
                       "reply lines are not the last lines read");
            checkReplyTexts(reply.front());
        }
    } catch (const EndOfInput&) {
    } catch (const replytext::BadReply& bad) {
        // Only a reply past its bounds, or a line with NUL, is refused; what was read up to
        // there is the input's.
        const std::size_t lineCount = static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n'));
        switch (bad.why) {
        case replytext::Refusal::tooLong:
            FUZZ_CHECK(lineCount >= replytext::kMaxReplyLines || lines.size() > replytext::kMaxReplyBytes,
                       "a reply refused as too long within the bounds");
            break;
        case replytext::Refusal::lineTooLong:
            FUZZ_CHECK(last.size() == replytext::MaxLineBytes(replytext::Protocol::ftp) && last.back() != '\n',
                       "a line refused as too long within its bound");
            break;
        case replytext::Refusal::nul:
            FUZZ_CHECK(last.find('\0') != std::string::npos, "a line refused for a NUL it does not hold");
            break;
        }
        FUZZ_CHECK(stream.compare(0, lines.size(), lines) == 0, "the lines do not give back the bytes");
        return;
    }
    FUZZ_CHECK(lines == stream, "the lines do not give back the bytes");
}

}  // namespace fuzz
