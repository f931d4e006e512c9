#include "net/ftp/socket/LineEnds.h"

#include <cstring>

namespace ftpsock {

std::size_t WireToLocalText(char* data, std::size_t n, bool& crHeld)
{
    crHeld = false;
    if (n == 0) return 0;
    // Most of a text is neither CR nor LF: runs up to the next CR are moved whole.
    std::size_t out = 0;
    std::size_t in = 0;
    while (in < n) {
        const char* cr = static_cast<const char*>(std::memchr(data + in, '\r', n - in));
        const std::size_t run = (cr ? static_cast<std::size_t>(cr - data) : n) - in;
        if (out != in) std::memmove(data + out, data + in, run);
        out += run;
        in += run;
        if (!cr) break;
        if (in + 1 == n) {  // the CR ends the piece: what follows it is not known yet
            data[out] = '\r';
            crHeld = true;
            return out;
        }
        if (data[in + 1] == '\n') ++in;  // CR LF: the LF alone goes on
        else data[out++] = data[in++];   // a lone CR stays
    }
    return out;
}

void LocalToWireText(std::string_view in, std::string& out, bool& lastWasCr, std::vector<std::size_t>* added)
{
    out.reserve(out.size() + in.size() + in.size() / 16);
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = in.find('\n', start);
        if (lf == std::string_view::npos) break;
        out.append(in.substr(start, lf - start));
        const bool crBefore = lf > 0 ? in[lf - 1] == '\r' : lastWasCr;
        if (!crBefore) {
            if (added) added->push_back(out.size());
            out += '\r';
        }
        out += '\n';
        start = lf + 1;
    }
    out.append(in.substr(start));
    if (!in.empty()) lastWasCr = in.back() == '\r';
}

}  // namespace ftpsock
