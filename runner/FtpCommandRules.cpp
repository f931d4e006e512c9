#include "runner/FtpCommandRules.h"

#include "platform/DateTime.h"
#include "platform/LocalFiles.h"

namespace ftpcommands {

std::string ListedPath(std::string_view mask, std::string_view listedName)
{
    if (listedName.find('/') != std::string_view::npos) return std::string(listedName);
    const std::size_t cut = mask.rfind('/');
    return cut == std::string_view::npos ? std::string(listedName)
                                         : std::string(mask.substr(0, cut + 1)) + std::string(listedName);
}

bool MatchesRemoteMask(std::string_view mask, std::string_view listedName, char wildcard)
{
    const std::size_t cut = mask.rfind('/');
    std::string pattern(cut == std::string_view::npos ? mask : mask.substr(cut + 1));
    for (char& c : pattern)
        if (c == wildcard) c = '*';
    const std::size_t nameCut = listedName.find_last_of("/\\");
    const std::string_view name = nameCut == std::string_view::npos ? listedName : listedName.substr(nameCut + 1);
    return localfiles::matchesMask(pattern, name);
}

std::string Extension(std::string_view namePart)
{
    const std::size_t dot = namePart.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(namePart.substr(dot));
}

std::optional<std::int64_t> FirstFreeNumber(const std::set<std::string>& usedExtensions)
{
    for (std::int64_t n = 1; n <= 99999999; ++n)
        if (!usedExtensions.count("." + std::to_string(n))) return n;
    return std::nullopt;
}

std::int64_t CivilSeconds(const CivilTime& t)
{
    return datetime::daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::string ReplyCodeOf(std::string_view message) { return std::string(message.substr(0, 3)); }

bool MeansAbsent(std::string_view message)
{
    const std::string code = ReplyCodeOf(message);
    return code == "450" || code == "550";
}

}  // namespace ftpcommands
