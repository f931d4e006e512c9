#include "net/smtp/socket/HostAddress.h"

#include "net/smtp/socket/SocketException.h"

#include <unistd.h>

std::string LocalHostName()
{
    char buf[64] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) throw ESocketException("Winsock.GetHostName failed");
    return buf;
}
