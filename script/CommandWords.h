#pragma once
// The script language's command words, in the order the runner tests them. The runner's dispatch
// and the editor's syntax check both read this one list, so a word the runner performs is never
// refused by the check. A line's command is the first entry whose prefix equals the line's first
// characters, compared without case; trailing blanks, "=" and "(" belong to the prefix.

#include <span>
#include <string_view>

enum class Cmd {
    Host, User, Password, Timeout, TransTimeout, NoDialogs, ShowDialogs, Proxy, ProxyPassword, ProxyUser,
    ProxyPort, Port, ServerType, Silent, HideApp, Restore, ShowApp, Connect, Disconnect, SendEmail,
    AddAttachment, AddRecipient, AddCcRecipient, Get, GetIfNewer, GetIfNew, GetIfOlder, Send, SendIfNewer,
    SendIfOlder, SendTree, GetTree, IncrementalGet, IncrementalSend, ResumeGet, ResumeSend, AppendGet,
    AppendSend, RemoteCd, RemoteMd, RemoteDelete, RemoteRename, RemoteExec, HostTzDiff, If, WaitForFile,
    WaitSeconds, Goto, LocalCopy, LocalMd, LocalCd, LocalDelete, LocalRename, LocalExec, LocalExecAndWait,
    DialEntry, DialLoginUser, DialLoginPassword, Dial, Hangup, Chmod, Ascii, Binary, RemoteExists,
    LocalExists, DoCommand, CharVariable, NumVariable, RealVariable, Let, Message, Input,
    GenerateLocalName, GenerateRemoteName, ForceLowerOn, ForceLowerOff, ForceUpperOn, ForceUpperOff,
};

struct CommandWord {
    std::string_view prefix;
    Cmd cmd;
};

// The words the runner dispatches on, in dispatch order.
std::span<const CommandWord> CommandWords();

// Words the runner reads around its dispatch: a line performed once per parameter, an include
// expanded when the script loads, and the end of an IF block.
std::span<const std::string_view> FrameWords();
