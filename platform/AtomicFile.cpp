#include "platform/AtomicFile.h"

#include "platform/FdHandle.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace atomicfile {

bool replace(const std::string& path, std::string_view bytes)
{
    std::string tmp = path + ".XXXXXX";
    FdHandle fd(::mkostemp(tmp.data(), O_CLOEXEC));
    if (!fd) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR) continue;
        else ok = false;
    }
    ok = fd.reset() == 0 && ok && std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

}  // namespace atomicfile
