#include "editor/ScriptInserts.h"

#include "desktop/StringRoutines.h"
#include "net/ftp/listing/ServerTypes.h"
#include "platform/ByteText.h"

namespace {

// clang-format off
constexpr std::string_view kTemplates[] = {
    "HOST=\"<ftp server name>\"", "USER=\"<your username>\"", "PASSWORD=\"<your password>\"",
    "TIMEOUT=\"60\"", "PROXY=\"<proxy IP or name>\"", "PROXYPORT=\"<your proxy's port>\"", "PORT=\"21\"",
    "SERVERTYPE=\"\"", "CONNECT", "DISCONNECT",
    "GET \"<remote>\"  \"<local>\"",
    "SEND \"<local>\" \"<remote>\"",
    "GETTREE \"<remote source>\" \"<local destination folder>\"",
    "SENDTREE \"<local folder and wildcards>\" \"<remote destination folder>\" ",
    "GETIFNEWER \"<remote>\"  \"<local>\"",
    "GETIFNEW \"<remote>\"  \"<local>\"",
    "GETIFOLDER \"<remote>\"  \"<local>\"",
    "SENDIFNEWER \"<local>\" \"<remote>\" ",
    "SENDIFOLDER \"<local>\" \"<remote>\" ",
    "INCREMENTAL-GET \"<remote>\"  \"<local>\"",
    "INCREMENTAL-SEND \"<local>\" \"<remote>\" ",
    "RESUME-GET \"<remote>\"  \"<local>\"",
    "RESUME-SEND \"<local>\" \"<remote>\" ",
    "APPEND-GET \"<remote>\"  \"<local>\"",
    "APPEND-SEND \"<local>\" \"<remote>\" ",
    "ALLPARAMS <any commands to do for all parameters>",
    "#INCLUDE \"<filename>\" ",
    "REMOTE-CD \"<remote directory>\"  ",
    "REMOTE-MD \"<remote directory>\" ",
    "REMOTE-DELETE \"<remote>\"  ",
    "REMOTE-RENAME \"<old filename>\"  \"<new filename>\"",
    "REMOTE-EXEC \"<remote>\"",
    "HOSTTZDIFF \"<timedifference. Remember: '-' if the server is ahead of you >\" ",
    "GENERATELOCALNAME <variable> \"<local>\"",
    "GENERATEREMOTENAME <variable> \"<remote>\"",
    "IF \"<condition>\" THEN",
    "WAITFORFILE \"<local>\"",
    "WAITSECONDS \"<seconds>\" ",
    "GOTO \"<label>\"",
    "LOCAL-COPY \"<source>\" \"<target>\"",
    "LOCAL-MD \"<local folder>\"",
    "LOCAL-CD \"<local folder>\"",
    "LOCAL-DELETE \"<local>\"",
    "LOCAL-RENAME \"<old filename>\"  \"<new filename>\"",
    "LOCAL-EXEC \"<local executable>\"",
    "LOCAL-EXECANDWAIT \"<local executable>\"",
    "DIALENTRY=\"<name of your dial entry>\"",
    "DIALLOGINUSER=\"<your username>\"",
    "DIALLOGINPASSWORD=\"<your password>\"",
    "DIAL", "HANGUP",
    "CHMOD \"<attribute>\"  \"<remote>\"",
    "ASCII", "BINARY",
    "IF REMOTE-EXISTS(\"<remote>\") THEN",
    "IF LOCAL-EXISTS(\"<local>\") THEN",
    "DOCOMMAND \"<valid remote FTP quote>\"",
    "ENDIF",
    "CHARVARIABLE \"<variable name>\"",
    "LET <variable>=\"<value/function>\"",
    "MESSAGE \"<Text>\"",
    "INPUT <variable> \"<Text>\"",
    "FORCELOWERON", "FORCELOWEROFF", "FORCEUPPERON", "FORCEUPPEROFF",
};

constexpr ServerMenuItem kServerMenu[] = {
    {"&Automatix detect", 0}, {"", -1}, {"Unix compatible", 1}, {"NT/Dos", 2}, {"VMS Multinet", 3},
    {"VMS UCX", 4}, {"IBM MVS", 5}, {"MAC Ftpd", 6}, {"QVT", 7}, {"NCSA", 8}, {"VM", 9}, {"VMVPS", 10},
    {"HP3000", 11},
};

constexpr std::string_view kDefaultScript[] = {
    "; ******* First provide the Login information...",
    "",
    "; To dial up first, remove the \";\" before DialEntry, DialLoginUser, DialLoginPassword, Dial and Hangup.",
    "; DialEntry=\"\"",
    "; DialLoginUser=\"\"",
    "; DialLoginPassword=\"\"",
    "Host=\"\"",
    "Port=21",
    "User=\"anonymous\"",
    "Password=\"\"",
    "; Proxy=\"\"",
    "; ProxyPort=21",
    "",
    "; ******* Timeout in seconds...",
    "Timeout=60",
    "",
    "; ******* ...Dial up if not already connected to the Internet...",
    "; Dial",
    "",
    "; *******  ...and then connect to FTP host...",
    "connect",
    "",
    "; *******  Command sequence...",
    "; *******  REMEMBER: USE BINARY AND/OR ASCII depending on filetypes...",
    "; An example sequence:",
    ";    remote-cd  \"/ftp/pub\"",
    ";    ascii",
    ";    send \"/home/user/xxx.dat\"  \"xxxnew.dat\"",
    ";    binary",
    ";    get \"xxx.dat\" \"/home/user/xxx.dat\"",
    ";    chmod 755  \"xxxnew.dat\"",
    ";    remote-delete \"xxx.dat\"",
    ";    remote-rename \"xxxnew.dat\" \"xxx.dat\"",
    ";    if local-exists(\"/home/user/myfile.doc\") then",
    ";       local-delete \"/home/user/myfile.doc\"",
    ";    endif",
    ";    if remote-exists(\"/ftp/pub/myfile.doc\") then",
    ";       get \"/ftp/pub/myfile.doc\" \"/home/user/myfile.doc\"",
    ";       remote-delete \"/ftp/pub/myfile.doc\"",
    ";    endif",
    "",
    "; *******  Afterwards, disconnect from host!",
    "disconnect",
    "",
    "; *******  At last, Hangup Internet connection!",
    "; Hangup",
    "",
};
// clang-format on

}  // namespace

std::span<const std::string_view> CommandTemplates()
{
    return kTemplates;
}

std::span<const std::string_view> ServerTypeChoices()
{
    // The menu names automatic detection in words; the rest are the script's own names.
    static const auto choices = [] {
        auto list = ftplisting::ServerTypeNames();
        list[0] = "Automatic detect";
        return list;
    }();
    return choices;
}

std::span<const ServerMenuItem> ServerMenuItems()
{
    return kServerMenu;
}

bool OpensServerMenu(std::string_view caretLine)
{
    return bytetext::toUpper(RemoveBlanks(caretLine)) == "SERVERTYPE=";
}

std::string ServerTypeLine(std::string_view line, int tag)
{
    const auto& names = ftplisting::ServerTypeNames();
    if (tag < 0 || std::size_t(tag) >= names.size()) return std::string(line);
    const std::size_t eq = line.find('=');
    const std::string_view head = eq == std::string_view::npos ? std::string_view() : line.substr(0, eq + 1);
    return std::string(head) + '"' + std::string(names[std::size_t(tag)]) + '"';
}

std::span<const std::string_view> DefaultScriptLines()
{
    return kDefaultScript;
}
