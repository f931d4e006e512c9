#pragma once
// Failures of the FTP socket layer.

#include "net/common/SockError.h"
#include "platform/Errors.h"

// A command text that holds CR, LF or NUL: nothing of it is sent, the connection stays usable.
class ECommandTextRefused : public ESockError {
public:
    using ESockError::ESockError;
};

// The local file of a transfer could not be opened or written. `opened`: the file had been
// opened (created or truncated) before the failure.
class ELocalFileError : public Exception {
public:
    ELocalFileError(const std::string& message, bool opened) : Exception(message), opened_(opened) {}
    bool opened() const { return opened_; }

private:
    bool opened_;
};

// A send, read, capture or accept ended by Cancel.
class EAbortError : public Exception {
public:
    using Exception::Exception;
};
