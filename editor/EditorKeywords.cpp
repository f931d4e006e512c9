#include "editor/EditorKeywords.h"

#include "platform/ByteText.h"

namespace {

// clang-format off
const EditorKeyword kKeywords[] = {
    {"HOST=", false}, {"USER=", false}, {"PASSWORD=", false}, {"TIMEOUT=", false}, {"PROXY=", false},
    {"PROXYPASSWORD=", false}, {"PROXYUSER=", false}, {"PROXYPORT=", false}, {"PORT=", false},
    {"SERVERTYPE=", false}, {"CONNECT", false}, {"DISCONNECT", false}, {"GET ", false}, {"SEND ", false},
    {"GETTREE", true}, {"SENDTREE", true}, {"GETIFNEWER", true}, {"GETIFNEW", true}, {"GETIFOLDER", true},
    {"SENDIFNEWER", true}, {"SENDIFOLDER", true}, {"INCREMENTAL-GET", true}, {"INCREMENTAL-SEND", true},
    {"RESUME-GET ", false}, {"RESUME-SEND ", false}, {"APPEND-GET ", false}, {"APPEND-SEND ", false},
    {"ALLPARAMS ", false}, {"#INCLUDE ", false}, {"SENDEMAIL", false}, {"ADDATTACHMENT", false},
    {"ADDRECIPIENT", false}, {"ADDCCRECIPIENT", false}, {"SILENT", false}, {"RESTORE", false},
    {"HIDEAPP", false}, {"SHOWAPP", false}, {"REMOTE-CD", false}, {"REMOTE-MD", false},
    {"REMOTE-DELETE", false}, {"REMOTE-RENAME", false}, {"REMOTE-EXEC ", false}, {"HOSTTZDIFF ", false},
    {"GENERATELOCALNAME", true}, {"GENERATEREMOTENAME", true}, {"IF", true}, {"WAITFORFILE", true},
    {"WAITSECONDS", true}, {"GOTO", true}, {"LOCAL-COPY", true}, {"LOCAL-MD", true}, {"LOCAL-CD", false},
    {"LOCAL-DELETE", false}, {"LOCAL-RENAME", false}, {"LOCAL-EXECANDWAIT", true}, {"LOCAL-EXEC", true},
    {"DIALENTRY=", false}, {"DIALLOGINUSER=", false}, {"DIALLOGINPASSWORD=", false}, {"DIAL", false},
    {"HANGUP", false}, {"CHMOD", true}, {"ASCII", false}, {"BINARY", false}, {"REMOTE-EXISTS(", false},
    {"LOCAL-EXISTS(", false}, {"DOCOMMAND", false}, {"NODIALOGS", false}, {"ENDIF", false},
    {"CHARVARIABLE", false}, {"NUMVARIABLE", false}, {"REALVARIABLE", false}, {"LET", true},
    {"MESSAGE", true}, {"INPUT", true}, {"FORCELOWERON", false}, {"FORCELOWEROFF", false},
    {"FORCEUPPERON", false}, {"FORCEUPPEROFF", false},
};
// clang-format on

}  // namespace

std::string_view EditorKeyword::Span() const
{
    std::string_view s = prefix;
    if (!s.empty() && (s.back() == '=' || s.back() == '(' || s.back() == ' ')) s.remove_suffix(1);
    return s;
}

std::span<const EditorKeyword> EditorKeywords()
{
    return kKeywords;
}

bool MatchesForCheck(const EditorKeyword& keyword, std::string_view upperLine)
{
    if (!upperLine.starts_with(keyword.prefix)) return false;
    return !keyword.checkNeedsBlank ||
           (upperLine.size() > keyword.prefix.size() && upperLine[keyword.prefix.size()] == ' ');
}

LineColouring ClassifyLine(std::string_view raw)
{
    const std::string u = bytetext::toUpper(bytetext::trim(raw));
    if (u.empty()) return {};
    std::size_t lead = 0;
    while (lead < raw.size() && bytetext::isBlank(raw[lead])) ++lead;
    if (u[0] == ';') return {LineColouring::Comment, 0, raw.size()};
    if (u[0] == ':') return {LineColouring::Keyword, lead, u.size()};
    for (const EditorKeyword& k : kKeywords)
        if (std::string_view(u).starts_with(k.prefix)) return {LineColouring::Keyword, lead, k.Span().size()};
    return {};
}
