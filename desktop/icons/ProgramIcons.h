#pragma once
// The window icon of each program, from the PNGs of its theme icon compiled into it.

#include <QIcon>

namespace programicons {

// "vantrel" or "trevask": every size of that icon.
QIcon ProgramIcon(const char* name);

}  // namespace programicons
