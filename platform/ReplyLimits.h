#pragma once
// Bounds of one protocol reply (FTP and SMTP alike). No sane server sends more; past either
// bound the reply is a protocol error, not a reply still coming, so a server streaming "220-"
// lines for ever cannot hold a client or fill its memory.

#include <cstddef>

namespace replylimits {

inline constexpr std::size_t kMaxReplyLines = 10000;
inline constexpr std::size_t kMaxReplyBytes = 1024 * 1024;

}  // namespace replylimits
