#pragma once
// Reply lines of the line-based protocols (FTP and SMTP): the reply number, where a reply ends,
// and the bounds that keep a server from streaming one reply for ever. Both clients read their
// replies through ReplyReader; only the end-of-reply rule differs. Plain bytes, no Qt.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace replytext {

// No sane server sends more: past a bound the reply is a protocol error, not a reply still
// coming, and the connection cannot go on (what follows cannot be told apart from replies).
inline constexpr std::size_t kMaxReplyLines = 10000;
inline constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
enum class Protocol {
    ftp,   // free text before a reply is skipped; "ddd-" runs to the line that starts "ddd "
    smtp,  // every line belongs to the reply; it ends at the first line that is not "ddd-"
};

// One line, its line end included. SMTP allows 512 (RFC 5321 4.5.3.1.5). FTP's longest
// replies (HELP, STAT, FEAT) come as many short lines, but a 257 reply names a whole path with
// its quotes doubled: twice PATH_MAX and the text around it must fit.
constexpr std::size_t MaxLineBytes(Protocol protocol)
{
    return protocol == Protocol::ftp ? 16384 : 4096;
}

enum class Refusal { tooLong, lineTooLong, nul };

// A reply the client must not take: past a bound, or holding NUL.
struct BadReply {
    Refusal why;
};

// "Reply too long", "Reply line too long", "Invalid reply line".
std::string RefusalText(Refusal why);

// The number a reply line opens with: three digits (100 to 999), then a blank, a '-' or the
// line's end. 0 for any other line, so "2500 ok" or " 250 ok" can never read as success.
int ReplyNumber(std::string_view line);
// A line that opens a reply.
bool OpensReply(std::string_view line);
// "ddd-": more lines of the reply follow.
bool OpensMultiLine(std::string_view line);
// The last line of an FTP multi-line reply opened by `first`: the same digits, then a blank or
// the line's end.
bool ClosesMultiLine(std::string_view first, std::string_view line);

// The line without its line end (LF, or CR LF).
std::string_view WithoutLineEnd(std::string_view line);

// Where a line ends in received bytes: the length of the first line with its LF (a CR before
// it is part of the line end), or npos while no whole line has come. Raises BadReply when
// MaxLineBytes(protocol) have come without a line end.
std::size_t LineLength(Protocol protocol, std::string_view bytes);

// Follows one reply line by line, with its bounds. Lines are handed in with their line ends (a
// last piece without one is taken as a line).
class ReplyReader {
public:
    explicit ReplyReader(Protocol protocol) : protocol_(protocol) {}

    // Takes the next line; true when it ended the reply. Raises BadReply for a line holding
    // NUL or past MaxLineBytes, and for a reply past kMaxReplyLines or kMaxReplyBytes.
    bool Add(std::string_view line);
    // The reply's lines so far, its first first (FTP's skipped free text is not among them).
    const std::vector<std::string>& Lines() const { return lines_; }
    std::vector<std::string> TakeLines();
    // Starts on the next reply.
    void Reset();

private:
    Protocol protocol_;
    std::vector<std::string> lines_;
    std::size_t count_ = 0, bytes_ = 0;  // every line taken for this reply, free text included
};

// One reply read from lines handed out by `nextLine` (each with its line end; it raises when
// no line comes). The reply's lines, its first first.
std::vector<std::string> ReadReplyLines(Protocol protocol, const std::function<std::string()>& nextLine);

}  // namespace replytext
