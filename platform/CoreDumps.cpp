#include "platform/CoreDumps.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace coredumps {

void disable()
{
    const rlimit none{0, 0};
    (void)::setrlimit(RLIMIT_CORE, &none);
    // A core pattern that pipes to a handler ignores the limit; a process that is not dumpable
    // is never dumped.
    (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

}  // namespace coredumps
