#include "platform/HostAddress.h"

#include "platform/ByteText.h"
#include "platform/WinsockErrors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

bool ParseDottedAddress(std::string_view text, std::uint32_t& networkOrder)
{
    // inet_aton stops at a blank and accepts what follows; a host text with blanks is no address.
    if (text.empty() || std::any_of(text.begin(), text.end(), bytetext::isBlank)) return false;
    const std::string s(text);
    in_addr a{};
    if (inet_aton(s.c_str(), &a) == 0) return false;
    networkOrder = a.s_addr;
    return true;
}

std::string DottedAddress(std::uint32_t networkOrder)
{
    in_addr a{};
    a.s_addr = networkOrder;
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

int LookupHostAddresses(const std::string& name, std::vector<std::uint32_t>& out)
{
    out.clear();
    if (name.empty() || name.find('\0') != std::string::npos) return 11001;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (rc != 0) return winsock::fromGai(rc, errno);
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET || !ai->ai_addr) continue;
        const auto a = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
        if (std::find(out.begin(), out.end(), a) == out.end()) out.push_back(a);
    }
    freeaddrinfo(list);
    return out.empty() ? 11004 : 0;
}

int LookupHostName(std::uint32_t networkOrder, std::string& name)
{
    name.clear();
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = networkOrder;
    char host[NI_MAXHOST] = {};
    const int rc = getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host,
                               nullptr, 0, NI_NAMEREQD);
    if (rc != 0) return winsock::fromGai(rc, errno);
    name = host;
    return 0;
}

std::uint32_t ResolveHostAddress(const std::string& name)
{
    if (name.empty()) return kNoHostAddress;
    std::uint32_t a = 0;
    if (ParseDottedAddress(name, a)) return a;
    std::vector<std::uint32_t> all;
    if (LookupHostAddresses(name, all) != 0) return kNoHostAddress;
    return all.front();
}

namespace {
struct KnownName {
    const char* name;
    int number;
};
}  // namespace

bool LookupServicePort(const std::string& service, const std::string& proto, int& port)
{
    if (service.empty()) return false;
    if (const servent* se = getservbyname(service.c_str(), proto.empty() ? nullptr : proto.c_str())) {
        port = ntohs(static_cast<std::uint16_t>(se->s_port));
        return true;
    }
    static const KnownName builtIn[] = {{"ftp-data", 20}, {"ftp", 21},  {"telnet", 23},
                                        {"smtp", 25},     {"http", 80}, {"pop3", 110}};
    for (const auto& k : builtIn) {
        if (bytetext::equalsNoCase(service, k.name)) {
            port = k.number;
            return true;
        }
    }
    return false;
}

bool LookupProtocolNumber(const std::string& name, int& number)
{
    if (name.empty()) return false;
    if (const protoent* pe = getprotobyname(name.c_str())) {
        number = pe->p_proto;
        return true;
    }
    static const KnownName builtIn[] = {{"ip", 0}, {"icmp", 1}, {"tcp", 6}, {"udp", 17}};
    for (const auto& k : builtIn) {
        if (bytetext::equalsNoCase(name, k.name)) {
            number = k.number;
            return true;
        }
    }
    return false;
}
