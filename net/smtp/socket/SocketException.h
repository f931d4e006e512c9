#pragma once
// The mail socket's failure: raised for every socket error nobody handles through OnError.

#include "platform/Errors.h"

class ESocketException : public Exception {
public:
    using Exception::Exception;
};
