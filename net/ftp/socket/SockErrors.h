#pragma once
// Failures of the FTP socket layer.

#include "platform/Errors.h"

// A socket, lookup or connect failure.
class ESockError : public Exception {
public:
    using Exception::Exception;
};

// A send, read, capture or accept ended by Cancel.
class EAbortError : public Exception {
public:
    using Exception::Exception;
};
