#include "net/common/ReplyText.h"

#include <utility>

namespace replytext {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool endsLine(std::string_view line) { return !line.empty() && line.back() == '\n'; }

}  // namespace

std::string RefusalText(Refusal why)
{
    switch (why) {
    case Refusal::tooLong: return "Reply too long";
    case Refusal::lineTooLong: return "Reply line too long";
    case Refusal::nul: break;
    }
    return "Invalid reply line";
}

int ReplyNumber(std::string_view line)
{
    if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2]) || line[0] == '0') return 0;
    if (line.size() > 3) {
        const char next = line[3];
        if (next != ' ' && next != '-' && next != '\t' && next != '\r' && next != '\n') return 0;
    }
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

bool OpensReply(std::string_view line) { return ReplyNumber(line) != 0; }

bool OpensMultiLine(std::string_view line) { return OpensReply(line) && line.size() > 3 && line[3] == '-'; }

bool ClosesMultiLine(std::string_view first, std::string_view line)
{
    if (!OpensReply(line) || line.substr(0, 3) != first.substr(0, 3)) return false;
    return line.size() == 3 || line[3] == ' ' || line[3] == '\r' || line[3] == '\n';
}

std::string_view WithoutLineEnd(std::string_view line)
{
    if (endsLine(line)) line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::size_t LineLength(Protocol protocol, std::string_view bytes)
{
    const std::size_t max = MaxLineBytes(protocol);
    const std::size_t lf = bytes.substr(0, max).find('\n');
    if (lf != std::string_view::npos) return lf + 1;
    if (bytes.size() >= max) throw BadReply{Refusal::lineTooLong};
    return std::string_view::npos;
}

bool ReplyReader::Add(std::string_view line)
{
    const std::size_t max = MaxLineBytes(protocol_);
    if (line.size() > max || (line.size() == max && !endsLine(line)))
        throw BadReply{Refusal::lineTooLong};
    if (line.find('\0') != std::string_view::npos) throw BadReply{Refusal::nul};
    bytes_ += line.size();
    if (++count_ > kMaxReplyLines || bytes_ > kMaxReplyBytes) throw BadReply{Refusal::tooLong};
    if (protocol_ == Protocol::smtp) {
        lines_.emplace_back(line);
        return !OpensMultiLine(line);
    }
    if (lines_.empty()) {
        if (!OpensReply(line)) return false;  // free text before the reply
        lines_.emplace_back(line);
        return !OpensMultiLine(line);
    }
    lines_.emplace_back(line);
    return ClosesMultiLine(lines_.front(), line);
}

std::vector<std::string> ReplyReader::TakeLines()
{
    std::vector<std::string> lines = std::move(lines_);
    Reset();
    return lines;
}

void ReplyReader::Reset()
{
    lines_.clear();
    count_ = bytes_ = 0;
}

std::vector<std::string> ReadReplyLines(Protocol protocol, const std::function<std::string()>& nextLine)
{
    ReplyReader reader(protocol);
    while (!reader.Add(nextLine())) {
    }
    return reader.TakeLines();
}

}  // namespace replytext
