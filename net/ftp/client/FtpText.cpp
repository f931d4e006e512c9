#include "net/ftp/client/FtpText.h"

#include "net/ftp/socket/SockBase.h"
#include "platform/ByteText.h"

namespace ftptext {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

TCmdType CommandType(std::string_view command)
{
    const std::string_view word = command.substr(0, command.find(' '));
    if (word == "CWD") return cmdChangeDir;
    if (word == "MKD") return cmdMakeDir;
    if (word == "DELE") return cmdDelete;
    if (word == "RMD") return cmdRemoveDir;
    if (command == "PWD") return cmdPwd;
    return cmdOther;
}

bool ChangesTransferType(std::string_view command)
{
    const std::string_view word = command.substr(0, command.find(' '));
    return bytetext::equalsNoCase(word, "TYPE") || bytetext::equalsNoCase(word, "REIN");
}

std::int64_t BytesFromReply(std::string_view reply)
{
    std::size_t at = std::string_view::npos;
    for (std::size_t i = 0; i + 4 <= reply.size(); ++i) {
        const std::string_view w = reply.substr(i, 4);
        // "kbytes" or "Mbytes" counts another unit: pure-ftpd's "150 172.4 kbytes to download".
        const bool glued = i > 0 && (reply[i - 1] | 0x20) >= 'a' && (reply[i - 1] | 0x20) <= 'z';
        if ((w[0] | 0x20) == 'b' && (w[1] | 0x20) == 'y' && (w[2] | 0x20) == 't' && (w[3] | 0x20) == 'e' && !glued) {
            at = i;
            break;
        }
    }
    if (at == std::string_view::npos) return 0;
    std::size_t end = at;
    while (end > 0 && !isDigit(reply[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && isDigit(reply[begin - 1])) --begin;
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (value > (INT64_MAX - 9) / 10) return 0;
        value = value * 10 + (reply[i] - '0');
    }
    return value;
}

std::int64_t SizeFromReply(std::string_view reply)
{
    std::string field = TSockBase::NthField(reply, ' ', 2);
    while (!field.empty() && (field.back() == '\r' || field.back() == '\n' || field.back() == ' ')) field.pop_back();
    // "213 -1000" or "213 1e3" is no size: only a plain number is one.
    if (field.empty()) return -1;
    std::int64_t value = 0;
    for (char c : field) {
        if (!isDigit(c) || value > (INT64_MAX - 9) / 10) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string DirFromPwdReply(std::string_view reply) { return TSockBase::NthField(reply, '"', 2); }

LoginLines LoginCommands(bool viaProxy, TFtpProxyType type, const std::string& user, const std::string& password,
                         const std::string& host, const std::string& proxyUser, const std::string& proxyPassword)
{
    if (!viaProxy) return {"USER " + user, "PASS " + password};
    if (type == proxyUserAfterLogin) return {"USER " + user + "@" + host, "PASS " + password};
    return {"USER " + user + "@" + proxyUser + "@" + host, "PASS " + password + "@" + proxyPassword};
}

std::string CacheFileName(const std::string& host, const std::string& user, const std::string& cacheName,
                          const std::string& path)
{
    std::string text = host + "/" + user + "/" + cacheName + "/" + path;
    for (char& c : text) {
        switch (c) {
        case ' ': case '&': case '.': case '/': case '<': case '>': case '\\': case '^': case '|': c = '_'; break;
        case '*': case ':': case '?': c = '!'; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) c = '_';
            break;
        }
    }
    return text;
}

}  // namespace ftptext
