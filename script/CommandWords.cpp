#include "script/CommandWords.h"

namespace {

// clang-format off
const CommandWord kWords[] = {
    {"HOST=", Cmd::Host}, {"USER=", Cmd::User}, {"PASSWORD=", Cmd::Password}, {"TIMEOUT=", Cmd::Timeout},
    {"TRANSTIMEOUT=", Cmd::TransTimeout}, {"NODIALOGS", Cmd::NoDialogs}, {"SHOWDIALOGS", Cmd::ShowDialogs},
    {"PROXY=", Cmd::Proxy}, {"PROXYPASSWORD=", Cmd::ProxyPassword}, {"PROXYUSER=", Cmd::ProxyUser},
    {"PROXYPORT=", Cmd::ProxyPort}, {"PORT=", Cmd::Port}, {"SERVERTYPE=", Cmd::ServerType},
    {"SILENT", Cmd::Silent}, {"HIDEAPP", Cmd::HideApp}, {"RESTORE", Cmd::Restore}, {"SHOWAPP", Cmd::ShowApp},
    {"CONNECT", Cmd::Connect}, {"DISCONNECT", Cmd::Disconnect}, {"SENDEMAIL", Cmd::SendEmail},
    {"ADDATTACHMENT", Cmd::AddAttachment}, {"ADDRECIPIENT", Cmd::AddRecipient},
    {"ADDCCRECIPIENT", Cmd::AddCcRecipient}, {"GET ", Cmd::Get}, {"GETIFNEWER ", Cmd::GetIfNewer},
    {"GETIFNEW ", Cmd::GetIfNew}, {"GETIFOLDER ", Cmd::GetIfOlder}, {"SEND ", Cmd::Send},
    {"SENDIFNEWER ", Cmd::SendIfNewer}, {"SENDIFOLDER ", Cmd::SendIfOlder}, {"SENDTREE ", Cmd::SendTree},
    {"GETTREE ", Cmd::GetTree}, {"INCREMENTAL-GET ", Cmd::IncrementalGet},
    {"INCREMENTAL-SEND ", Cmd::IncrementalSend}, {"RESUME-GET ", Cmd::ResumeGet},
    {"RESUME-SEND ", Cmd::ResumeSend}, {"APPEND-GET ", Cmd::AppendGet}, {"APPEND-SEND ", Cmd::AppendSend},
    {"REMOTE-CD", Cmd::RemoteCd}, {"REMOTE-MD", Cmd::RemoteMd}, {"REMOTE-DELETE", Cmd::RemoteDelete},
    {"REMOTE-RENAME", Cmd::RemoteRename}, {"REMOTE-EXEC ", Cmd::RemoteExec}, {"HOSTTZDIFF ", Cmd::HostTzDiff},
    {"IF ", Cmd::If}, {"WAITFORFILE ", Cmd::WaitForFile}, {"WAITSECONDS ", Cmd::WaitSeconds},
    {"GOTO ", Cmd::Goto}, {"LOCAL-COPY ", Cmd::LocalCopy}, {"LOCAL-MD ", Cmd::LocalMd},
    {"LOCAL-CD", Cmd::LocalCd}, {"LOCAL-DELETE", Cmd::LocalDelete}, {"LOCAL-RENAME", Cmd::LocalRename},
    {"LOCAL-EXEC ", Cmd::LocalExec}, {"LOCAL-EXECANDWAIT ", Cmd::LocalExecAndWait},
    {"DIALENTRY=", Cmd::DialEntry}, {"DIALLOGINUSER=", Cmd::DialLoginUser},
    {"DIALLOGINPASSWORD=", Cmd::DialLoginPassword}, {"DIAL", Cmd::Dial}, {"HANGUP", Cmd::Hangup},
    {"CHMOD ", Cmd::Chmod}, {"ASCII", Cmd::Ascii}, {"BINARY", Cmd::Binary},
    {"REMOTE-EXISTS(", Cmd::RemoteExists}, {"LOCAL-EXISTS(", Cmd::LocalExists}, {"DOCOMMAND", Cmd::DoCommand},
    {"CHARVARIABLE", Cmd::CharVariable}, {"NUMVARIABLE", Cmd::NumVariable}, {"REALVARIABLE", Cmd::RealVariable},
    {"LET ", Cmd::Let}, {"MESSAGE ", Cmd::Message}, {"INPUT ", Cmd::Input},
    {"GENERATELOCALNAME ", Cmd::GenerateLocalName}, {"GENERATEREMOTENAME ", Cmd::GenerateRemoteName},
    {"FORCELOWERON", Cmd::ForceLowerOn}, {"FORCELOWEROFF", Cmd::ForceLowerOff},
    {"FORCEUPPERON", Cmd::ForceUpperOn}, {"FORCEUPPEROFF", Cmd::ForceUpperOff},
};

constexpr std::string_view kFrameWords[] = {"ALLPARAMS ", "#INCLUDE ", "ENDIF"};
// clang-format on

}  // namespace

std::span<const CommandWord> CommandWords()
{
    return kWords;
}

std::span<const std::string_view> FrameWords()
{
    return kFrameWords;
}
