#pragma once
// Send-To launchers and stand-alone programs made from a script: a copy of a template with the
// script's and the runner's paths (and, for a program, the script's lines) written into its slots,
// and for a launcher a desktop entry in the Send-To folder (the editor's record of it) and the
// items file managers offer for selected files (desktop/SendToMenus.h). The dialogs go through
// SendToSeams, every other question through EditorSeams.

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class EditorSeams;

class SendToSeams {
public:
    // The please-wait window while it is shown.
    class Progress {
    public:
        virtual ~Progress() = default;
        virtual void Tick() = 0;
    };
    virtual ~SendToSeams() = default;
    // The description form, made for this one question: the description, nothing on Cancel.
    virtual std::optional<QString> AskDescription() = 0;
    // A please-wait window of its own, shown until the result is destroyed.
    virtual std::unique_ptr<Progress> ShowPleaseWait() = 0;
    // The file a program is written to (the save dialog asks before replacing); empty on Cancel.
    virtual QString ProgramFileName(const QString& folder, const QString& proposal) = 0;
};

// The folder of the Send-To items and the folder the launchers they start live in.
std::string SendToFolder();
std::string LauncherFolder();

// File names of the Send-To items whose description holds "[" + the script path + "]" (exactly,
// case and all); only the first when `firstOnly`. Items that cannot be read are passed over.
std::vector<std::string> FindSendToLinks(const std::string& scriptPath, bool firstOnly = false);
// The first such item's file name, empty when there is none.
std::string FindSendToLink(const std::string& scriptPath);

// True when a line that is no comment refers to the script's parameters.
bool CountParamReferences(const std::vector<std::string>& lines);

// Why a description cannot name a launcher and its item; empty when it can. It becomes a file
// name, so it must stay one name: no "/", no control characters, not "." or "..", not the
// programs' own names.
std::string DescriptionProblem(const std::string& description);

// What the commands need of the editor: the script file, its lines (passwords in plain text,
// bytes in the script's encoding) and the folder the launcher starts in.
struct SendToScript {
    std::string path;
    std::vector<std::string> lines;
    std::string scriptsFolder;
};

class TSendToCommands {
public:
    TSendToCommands(EditorSeams& seams, SendToSeams& dialogs) : seams_(seams), dialogs_(dialogs) {}
    // Each returns false when it stopped without doing its work.
    bool Add(const SendToScript& script);
    void Remove(const std::string& scriptPath);
    bool CreateProgram(const SendToScript& script);

private:
    EditorSeams& seams_;
    SendToSeams& dialogs_;
};
