#pragma once
// The script language's command prefixes, in the order they are tested. A line's command is the
// first entry whose prefix equals the line's first characters, compared without case; longer
// prefixes that share a start with a shorter one stand first where it matters.

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

struct CommandEntry {
    std::string_view prefix;
    Cmd cmd;
    // Where the argument begins: right after the prefix, or one character later.
    int argumentOffset;
    // The command's echo in the log when it must not show its argument; empty: the line itself.
    std::string_view hiddenEcho;
    // "IF " and "GOTO " are not echoed at all.
    bool echoed = true;
};

// The matching entry, or nullptr (no command: the line does nothing).
const CommandEntry* FindCommand(std::string_view line);

// The argument text of a line for its entry.
std::string_view CommandArgument(std::string_view line, const CommandEntry& entry);
