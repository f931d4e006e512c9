// ASCII-type line ends: any bytes, cut into pieces of one size, converted wire to disk and disk
// to wire piece by piece, give what one pass over the whole gives, and the plain rule's result.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "net/ftp/socket/LineEnds.h"

#include <string>
#include <vector>

namespace {

// The rules stated as simply as possible, over the whole text at once.
std::string localOf(std::string_view wire)
{
    std::string out;
    for (std::size_t i = 0; i < wire.size(); ++i)
        if (!(wire[i] == '\r' && i + 1 < wire.size() && wire[i + 1] == '\n')) out += wire[i];
    return out;
}

std::string wireOf(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

// As the capture's file block does it: a held CR stays in front of the next piece.
std::string localInPieces(std::string_view wire, std::size_t piece)
{
    std::string out;
    std::string block;
    bool held = false;
    for (std::size_t at = 0; at <= wire.size(); at += piece) {
        block.assign(held ? "\r" : "");
        block.append(wire.substr(at, piece));
        const std::size_t n = ftpsock::WireToLocalText(block.data(), block.size(), held);
        out.append(block, 0, n);
        if (held) FUZZ_CHECK(block[n] == '\r', "the held byte is no CR");
    }
    if (held) out += '\r';
    return out;
}

std::string wireInPieces(std::string_view text, std::size_t piece, std::size_t& added)
{
    std::string out;
    std::vector<std::size_t> positions;
    bool lastWasCr = false;
    for (std::size_t at = 0; at < text.size(); at += piece)
        ftpsock::LocalToWireText(text.substr(at, piece), out, lastWasCr, &positions);
    for (std::size_t p : positions) FUZZ_CHECK(p + 1 < out.size() && out[p] == '\r' && out[p + 1] == '\n', "an added CR");
    added = positions.size();
    return out;
}

}  // namespace

namespace fuzz {

void LineEnds(std::string_view data)
{
    if (data.empty()) return;
    const std::size_t piece = 1 + static_cast<unsigned char>(data[0]) % 31;
    const std::string_view bytes = data.substr(1);

    const std::string local = localInPieces(bytes, piece);
    FUZZ_CHECK(local == localOf(bytes), "wire to local " + shown(local));

    std::size_t added = 0;
    const std::string wire = wireInPieces(bytes, piece, added);
    FUZZ_CHECK(wire == wireOf(bytes), "local to wire " + shown(wire));
    FUZZ_CHECK(wire.size() == bytes.size() + added, "added CRs counted " + std::to_string(added));
    // Text without CR LF of its own comes back as it was.
    if (bytes.find("\r\n") == std::string_view::npos)
        FUZZ_CHECK(localInPieces(wire, piece) == bytes, "round trip " + shown(wire));
}

}  // namespace fuzz
