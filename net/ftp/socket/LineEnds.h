#pragma once
// Line ends of the ASCII type (RFC 959 3.1.1.1): text goes over the wire with CR LF, and is
// kept here with the local LF. Plain byte code, run piece by piece as the data moves.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ftpsock {

// Wire to disk, in place over data[0, n): each CR LF becomes LF; a lone CR or LF stays. A CR at
// the end may begin a CR LF split across two pieces: it is not counted in the result, stays at
// data[result], and `crHeld` is set; the caller puts it in front of the next piece (crHeld then
// says that piece starts with it). Returns the bytes of local text now in data[0, result).
std::size_t WireToLocalText(char* data, std::size_t n, bool& crHeld);

// Disk to wire: `in` appended to `out` with a CR before each LF that has none (a CR LF already
// in the file stays one). `lastWasCr` carries the last byte's state from piece to piece. When
// `added` is given, the position in `out` of every CR put in is appended to it.
void LocalToWireText(std::string_view in, std::string& out, bool& lastWasCr, std::vector<std::size_t>* added = nullptr);

}  // namespace ftpsock
