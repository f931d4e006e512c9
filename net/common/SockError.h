#pragma once
// The failure of a socket, lookup or connect, for both clients.

#include "platform/Errors.h"

class ESockError : public Exception {
public:
    using Exception::Exception;
};
