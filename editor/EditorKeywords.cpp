#include "editor/EditorKeywords.h"

#include "platform/ByteText.h"

namespace {

// clang-format off
const EditorKeyword kKeywords[] = {
    {"HOST="}, {"USER="}, {"PASSWORD="}, {"TIMEOUT="}, {"PROXY="},
    {"PROXYPASSWORD="}, {"PROXYUSER="}, {"PROXYPORT="}, {"PORT="},
    {"SERVERTYPE="}, {"CONNECT"}, {"DISCONNECT"}, {"GET "}, {"SEND "},
    {"GETTREE"}, {"SENDTREE"}, {"GETIFNEWER"}, {"GETIFNEW"}, {"GETIFOLDER"},
    {"SENDIFNEWER"}, {"SENDIFOLDER"}, {"INCREMENTAL-GET"}, {"INCREMENTAL-SEND"},
    {"RESUME-GET "}, {"RESUME-SEND "}, {"APPEND-GET "}, {"APPEND-SEND "},
    {"ALLPARAMS "}, {"#INCLUDE "}, {"SENDEMAIL"}, {"ADDATTACHMENT"},
    {"ADDRECIPIENT"}, {"ADDCCRECIPIENT"}, {"SILENT"}, {"RESTORE"},
    {"HIDEAPP"}, {"SHOWAPP"}, {"REMOTE-CD"}, {"REMOTE-MD"},
    {"REMOTE-DELETE"}, {"REMOTE-RENAME"}, {"REMOTE-EXEC "}, {"HOSTTZDIFF "},
    {"GENERATELOCALNAME"}, {"GENERATEREMOTENAME"}, {"IF"}, {"WAITFORFILE"},
    {"WAITSECONDS"}, {"GOTO"}, {"LOCAL-COPY"}, {"LOCAL-MD"}, {"LOCAL-CD"},
    {"LOCAL-DELETE"}, {"LOCAL-RENAME"}, {"LOCAL-EXECANDWAIT"}, {"LOCAL-EXEC"},
    {"DIALENTRY="}, {"DIALLOGINUSER="}, {"DIALLOGINPASSWORD="}, {"DIAL"},
    {"HANGUP"}, {"CHMOD"}, {"ASCII"}, {"BINARY"}, {"REMOTE-EXISTS("},
    {"LOCAL-EXISTS("}, {"DOCOMMAND"}, {"NODIALOGS"}, {"ENDIF"},
    {"CHARVARIABLE"}, {"NUMVARIABLE"}, {"REALVARIABLE"}, {"LET"},
    {"MESSAGE"}, {"INPUT"}, {"FORCELOWERON"}, {"FORCELOWEROFF"},
    {"FORCEUPPERON"}, {"FORCEUPPEROFF"},
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
