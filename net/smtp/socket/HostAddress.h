#pragma once
// The mail socket's side of host names: the lookups themselves are the platform's.

#include "platform/HostAddress.h"

#include <string>

// This machine's host name; raises ESocketException "Winsock.GetHostName failed".
std::string LocalHostName();
