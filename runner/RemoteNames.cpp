#include "runner/RemoteNames.h"

namespace remotenames {

std::string SafeLocalName(std::string_view listed)
{
    const std::size_t cut = listed.find_last_of("/\\");
    const std::string_view part = cut == std::string_view::npos ? listed : listed.substr(cut + 1);
    if (part.empty() || part == "." || part == "..") return {};
    if (part.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return {};
    return std::string(part);
}

}  // namespace remotenames
