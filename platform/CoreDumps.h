#pragma once
// Passwords live in memory while a program runs: a core dump would write them to disk.

namespace coredumps {

// Turns core dumps off for this process (and, by the limit, for what it starts). Never fails
// the program: a system that refuses only leaves them as they were.
void disable();

}  // namespace coredumps
