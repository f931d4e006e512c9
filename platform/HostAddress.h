#pragma once
// Host addresses, names, services and protocols (IPv4), shared by both socket libraries and the
// script engine's commands. Lookups here block; the sockets' own lookups run them on a worker.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ResolveHostAddress's answer for an empty or unknown name (also what 255.255.255.255 gives).
inline constexpr std::uint32_t kNoHostAddress = 0xFFFFFFFFu;

// A dotted address ("a.b.c.d" and the shorter forms the classic parser takes) to network order.
[[nodiscard]] bool ParseDottedAddress(std::string_view text, std::uint32_t& networkOrder);
std::string DottedAddress(std::uint32_t networkOrder);

// Every IPv4 address of a name, in the resolver's order without repeats. Returns the Winsock
// error number (0 when found).
[[nodiscard]] int LookupHostAddresses(const std::string& name, std::vector<std::uint32_t>& out);
// The name of an address. Returns the Winsock error number (0 when found).
[[nodiscard]] int LookupHostName(std::uint32_t networkOrder, std::string& name);

// The 32-bit IPv4 address of a name in network order: a dotted address directly, else the
// first address the resolver gives; kNoHostAddress for an empty or unknown name.
std::uint32_t ResolveHostAddress(const std::string& name);

// A service's port for a protocol name ("smtp", "tcp"); a few well-known names are built in for
// systems without a services file.
[[nodiscard]] bool LookupServicePort(const std::string& service, const std::string& proto, int& port);
// A protocol's number by name ("tcp" 6, "udp" 17), with the same fallback.
[[nodiscard]] bool LookupProtocolNumber(const std::string& name, int& number);
