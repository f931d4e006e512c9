#pragma once
// The FTP client's plain text side: command lines, what it reads from replies and the names it
// derives from them (reading the replies themselves: net/common/ReplyText.h). No sockets and no
// Qt, so every rule here is tested by tables of cases.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Operation codes handed to OnSuccess, OnFailure and OnUnSupportedFunction.
enum TCmdType : int {
    cmdChangeDir = 0,      // raw "CWD ..." and ChangeDir
    cmdMakeDir = 1,        // raw "MKD ..." and MakeDirectory
    cmdDelete = 2,         // raw "DELE ..." and Delete
    cmdRemoveDir = 3,      // raw "RMD ..."
    cmdList = 4,
    cmdRename = 5,
    cmdUploadRestore = 6,
    cmdDownload = 8,       // also the restarted and appended downloads
    cmdUpload = 9,         // also the appended upload
    cmdOther = 14,         // any other raw command
    cmdPwd = 15,           // the raw command "PWD" exactly
};

enum TFtpProxyType { proxyUserAfterLogin = 0, proxyProxyUserLoginUser = 1 };

namespace ftptext {

// The code of a raw command: its first word compared exactly, with case.
TCmdType CommandType(std::string_view command);

// A raw command after which the server's transfer type is not known: TYPE or REIN, any case.
bool ChangesTransferType(std::string_view command);

// The announced size of "150 Opening ... (1234 bytes)": the digits that end nearest before
// "BYTE" (any case, not glued to a letter as in "kbytes"); 0 when there are none.
std::int64_t BytesFromReply(std::string_view reply);
// The second blank-separated field of a SIZE reply, digits only; -1 when it has none.
std::int64_t SizeFromReply(std::string_view reply);
// The text between the first two double quotes of a PWD reply.
std::string DirFromPwdReply(std::string_view reply);

struct LoginLines {
    std::string user;
    std::string pass;
};
// The USER and PASS lines of a direct login (no proxy) or of the two proxy forms.
LoginLines LoginCommands(bool viaProxy, TFtpProxyType type, const std::string& user, const std::string& password,
                         const std::string& host, const std::string& proxyUser, const std::string& proxyPassword);

// The file name under the listing cache for a listing of `path` as `cacheName`, with every
// character that could leave the folder or confuse a shell replaced.
std::string CacheFileName(const std::string& host, const std::string& user, const std::string& cacheName,
                          const std::string& path);

}  // namespace ftptext
