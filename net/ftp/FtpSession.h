#pragma once
// The FTP client, where the runner has always included it from.
#include "net/ftp/client/FtpSession.h"
