#pragma once
// Error numbers that reach texts are Winsock's: one table maps errno and getaddrinfo codes to
// them, and one gives their texts.

#include <string>

namespace winsock {

// errno (from socket calls) -> Winsock error number; 0 stays 0, unknown values give 10022.
int fromErrno(int err);
// getaddrinfo's EAI_* code (with errno for EAI_SYSTEM) -> Winsock error number.
int fromGai(int gaiCode, int err = 0);
// The Winsock text of a number; "Not a WinSock error" for others.
std::string errorText(int winsockError);

}  // namespace winsock
