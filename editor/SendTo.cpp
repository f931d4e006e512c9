#include "editor/SendTo.h"

#include "desktop/FileCopy.h"
#include "desktop/SendToMenus.h"
#include "desktop/ShellLink.h"
#include "desktop/StringRoutines.h"
#include "editor/EditorSeams.h"
#include "editor/TemplatePatch.h"
#include "editor/templates/TemplateSlots.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/LocalFiles.h"
#include "platform/Prompt.h"
#include "platform/QtText.h"
#include "script/ScriptFile.h"

#include <QObject>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Q(const std::string& bytes)
{
    return qttext::toQString(bytes);
}

// The texts break lines with CR, as message boxes there did.
QString Text(const std::string& text)
{
    return Q(ReplaceAll(text, "\r", "\n"));
}

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The theme icon of the file managers' items: they start the runner.
constexpr const char* SendToIcon = "trevask";

// The programs' own files: no launcher or program may take one of their names.
const char* const OwnNames[] = {"Trevask", "Vantrel", "Dialer", "Wembic.bin", "WembicEP.bin"};

// The file copy's messages and questions reach the editor's seams while it runs.
class SeamsPrompt : public Prompt {
public:
    explicit SeamsPrompt(EditorSeams& seams) : seams_(seams) {}
    void message(const std::string& text, const std::string&, MessageKind) override { seams_.Fail(Text(text)); }
    bool input(const std::string&, const std::string&, std::string&) override { return false; }
    bool question(const std::string& text, const std::string&, MessageKind) override
    {
        return seams_.Confirm(Text(text));
    }

private:
    EditorSeams& seams_;
};

class PromptScope {
public:
    explicit PromptScope(EditorSeams& seams) : old_(prompt::install(std::make_shared<SeamsPrompt>(seams))) {}
    ~PromptScope() { prompt::install(old_); }
    PromptScope(const PromptScope&) = delete;
    PromptScope& operator=(const PromptScope&) = delete;

private:
    std::shared_ptr<Prompt> old_;
};

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A name beside `target` that nothing holds yet, for building the file before it takes its name.
std::string PartName(const std::string& target)
{
    static unsigned counter = 0;
    const std::string stem = apppaths::extractFilePath(target) + "." + apppaths::extractFileName(target) + ".part-" +
                             std::to_string(::getpid()) + "-";
    std::string name;
    do name = stem + std::to_string(++counter);
    while (Exists(name));
    return name;
}

// Removes the file unless it was kept.
class FileGuard {
public:
    explicit FileGuard(std::string path) : path_(std::move(path)) {}
    ~FileGuard()
    {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    FileGuard(const FileGuard&) = delete;
    FileGuard& operator=(const FileGuard&) = delete;
    void keep() { path_.clear(); }

private:
    std::string path_;
};

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

std::string RunnerPath()
{
    return apppaths::programFolder() + "/Trevask";
}

// Why a path slot could not be filled; empty when it was.
QString PathSlotProblem(PatchResult r, const std::string& templ, const QString& what)
{
    if (r == PatchResult::Patched) return {};
    if (r == PatchResult::MarkerMissing)
        return QObject::tr("The template \"%1\" has no place for %2; it cannot be used.").arg(Q(templ), what);
    return QObject::tr("%1 is too long for the template \"%2\" (at most %3 bytes with its quotes).")
        .arg(what, Q(templ))
        .arg(templateslots::PathCapacity - 1);
}

// Copies the template under a temporary name beside `target`, fills its slots, makes it
// executable and gives it `target`'s name (replacing a file there only when `replace`). Every
// failure is shown and leaves nothing behind.
bool BuildFromTemplate(EditorSeams& seams, SendToSeams::Progress& wait, const std::string& templ,
                       std::int64_t start, const std::string& target, const std::string& script,
                       const std::vector<std::string>* lines, bool replace, EmbedResult& embed)
{
    const std::string part = PartName(target);
    {
        PromptScope prompts(seams);
        TFileCopy copy;
        copy.OnProgress = [&wait](int, int) { wait.Tick(); };
        if (!copy.Copy(templ, part)) {
            seams.Fail(QObject::tr("Execution failed"));
            ::unlink(part.c_str());
            return false;
        }
    }
    FileGuard guard(part);
    const auto tick = [&wait] { wait.Tick(); };
    try {
        QString problem = PathSlotProblem(
            PatchTemplateMarker(part, start, TEMPLATE_SCRIPT_MARKER, Quoted(script), templateslots::PathCapacity, tick),
            templ, QObject::tr("The script path"));
        if (problem.isEmpty())
            problem = PathSlotProblem(PatchTemplateMarker(part, start, TEMPLATE_RUNNER_MARKER, Quoted(RunnerPath()),
                                                          templateslots::PathCapacity, tick),
                                      templ, QObject::tr("The runner path"));
        if (problem.isEmpty() && lines) {
            embed = EmbedScriptLines(part, *lines, tick);
            if (embed.result == PatchResult::MarkerMissing)
                problem = QObject::tr("The script has more lines than a program can hold (%1).")
                              .arg(templateslots::LineSlots);
            else if (embed.result == PatchResult::DoesNotFit)
                problem = QObject::tr("Line %1 of the script is longer than a program can hold (%2 bytes).")
                              .arg(embed.failedLine + 1)
                              .arg(templateslots::LineCapacity - 1);
        }
        if (!problem.isEmpty()) {
            seams.Fail(problem);
            return false;
        }
    } catch (const std::exception& e) {
        seams.Fail(Q(e.what()));
        return false;
    }
    const bool placed = ::chmod(part.c_str(), 0755) == 0 &&
                        (replace ? ::rename(part.c_str(), target.c_str())
                                 : ::renameat2(AT_FDCWD, part.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE)) == 0;
    if (!placed) {
        seams.Fail(QObject::tr("Cannot create \"%1\". %2").arg(Q(target), SystemError()));
        return false;
    }
    guard.keep();
    return true;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// A launcher already gone counts: its item is ours to remove.
bool IsOurLauncher(const std::string& target)
{
    struct stat st {};
    if (apppaths::extractFilePath(target) != LauncherFolder() + "/") return false;
    return ::lstat(target.c_str(), &st) == 0 ? S_ISREG(st.st_mode) : errno == ENOENT;
}

std::string WithoutLinkExtension(const std::string& name)
{
    const std::string_view ext = TShellLink::LinkExtension;
    return bytetext::endsWithNoCase(name, ext) ? name.substr(0, name.size() - ext.size()) : name;
}

}  // namespace

std::string SendToFolder()
{
    return TShellLink::ShellFolderPath(sfSendToFtp);
}

std::string LauncherFolder()
{
    return apppaths::dataFolder() + "/Launchers";
}

std::vector<std::string> FindSendToLinks(const std::string& scriptPath, bool firstOnly)
{
    std::vector<std::string> found;
    const std::string folder = SendToFolder();
    if (folder.empty()) return found;
    // Exact: names that differ only in case are different scripts here.
    const std::string key = "[" + bytetext::trim(StripQuotes(scriptPath)) + "]";
    for (const std::string& name : localfiles::findMatches(folder + "/*" + TShellLink::LinkExtension)) {
        if (bytetext::toLower(apppaths::extractFileExt(name)) != TShellLink::LinkExtension) continue;
        try {
            TShellLink link;
            link.SetFileName(folder + "/" + name);
            link.Load();
            if (link.Description.find(key) == std::string::npos) continue;
        } catch (const std::exception&) {
            continue;  // one unreadable item does not hide the others
        }
        found.push_back(name);
        if (firstOnly) break;
    }
    return found;
}

std::string FindSendToLink(const std::string& scriptPath)
{
    const auto found = FindSendToLinks(scriptPath, true);
    return found.empty() ? std::string() : found.front();
}

bool CountParamReferences(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        const std::string trimmed = bytetext::trim(line);
        if (!trimmed.empty() && trimmed[0] == ';') continue;
        if (bytetext::toLower(line).find("%%param") != std::string::npos) return true;
        if (bytetext::startsWithNoCase(trimmed, "allparams")) return true;
    }
    return false;
}

std::string DescriptionProblem(const std::string& description)
{
    if (bytetext::trim(description).empty()) return "it is empty.";
    if (description == "." || description == "..") return "it is no file name.";
    // The item's name adds its extension; both must stay within a file name.
    if (description.size() > 200) return "it is longer than 200 bytes.";
    for (const char c : description) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return "it holds a control character.";
        if (std::strchr("/\\*:?", c)) return std::string("it holds the character \"") + c + "\".";
    }
    for (const char* own : OwnNames)
        if (bytetext::equalsNoCase(description, own)) return "it is the name of one of the programs.";
    return {};
}

bool TSendToCommands::Add(const SendToScript& script)
{
    if (const std::string name = FindSendToLink(script.path); !name.empty()) {
        seams_.Fail(Text("This script is already active as a \"Send-To\" menu item!\r\rThis script is currently "
                         "executed by means of the menu item called:\r      " + name));
        return false;
    }
    if (!CountParamReferences(script.lines) &&
        !seams_.Confirm(Text("The SendTo menu is used to send selected files from the Windows Explorer\rto the "
                             "Script for it's purpose. This script however, does not contain\rany reference to such "
                             "parameters, like \"%%Param1%%\" or the command \"ALLPARAMS\"\r\rAre you sure you want "
                             "to add this script to the SendTo menu?")))
        return false;
    const std::optional<QString> typed = dialogs_.AskDescription();
    if (!typed) return false;
    const std::string description = qttext::fromQString(*typed, true);
    if (const std::string problem = DescriptionProblem(description); !problem.empty()) {
        seams_.Fail(QObject::tr("The description \"%1\" cannot be used: %2").arg(*typed, Q(problem)));
        return false;
    }
    TShellLink link;
    const std::string launcher = LauncherFolder() + "/" + description;
    try {
        link.SetShellFolder(sfSendToFtp);
        link.SetFileName(description + TShellLink::LinkExtension);
    } catch (const std::exception& e) {
        seams_.Fail(Q(e.what()));
        return false;
    }
    bool used = Exists(link.FileName()) || Exists(launcher);
    for (const sendto::MenuItem& item : sendto::MenuItemsFor(description)) used = used || Exists(item.path);
    if (used) {
        seams_.Fail(QObject::tr("The description \"%1\" is already in use by another Send-To menu item.").arg(*typed));
        return false;
    }
    if (!apppaths::makeDirectories(LauncherFolder())) {
        seams_.Fail(QObject::tr("Cannot create the folder \"%1\". %2").arg(Q(LauncherFolder()), SystemError()));
        return false;
    }
    const std::unique_ptr<SendToSeams::Progress> wait = dialogs_.ShowPleaseWait();
    EmbedResult none;
    if (!BuildFromTemplate(seams_, *wait, apppaths::programFolder() + "/Wembic.bin", templateslots::LauncherStart,
                           launcher, script.path, nullptr, false, none))
        return false;
    // The item last, so that it never points at a launcher that is not whole.
    link.Description = description + " [" + StripQuotes(script.path) + "]";
    link.Target = launcher;
    link.WorkingDir = script.scriptsFolder;
    link.Arguments.clear();
    try {
        link.Save();
    } catch (const std::exception& e) {
        ::unlink(launcher.c_str());
        seams_.Fail(Q(e.what()));
        return false;
    }
    std::string problem;
    if (!sendto::WriteMenuItems(description, launcher, link.Description, SendToIcon, problem)) {
        ::unlink(link.FileName().c_str());
        ::unlink(launcher.c_str());
        seams_.Fail(Q(problem));
        return false;
    }
    return true;
}

void TSendToCommands::Remove(const std::string& scriptPath)
{
    for (const std::string& name : FindSendToLinks(scriptPath)) {
        const std::string file = SendToFolder() + "/" + name;
        TShellLink link;
        try {
            link.SetFileName(file);
            link.Load();
        } catch (const std::exception&) {
            continue;
        }
        if (!seams_.Confirm(Text("Remove " + WithoutLinkExtension(name) + " from the \"SendTo\" Menu?"))) continue;
        // Only what this editor made is deleted: an edited item may name any file.
        if (!IsOurLauncher(link.Target)) {
            seams_.Fail(QObject::tr("The menu item \"%1\" starts \"%2\", which is no launcher made by this editor; "
                                    "both are left in place.")
                            .arg(Q(WithoutLinkExtension(name)), Q(link.Target)));
            continue;
        }
        if (::unlink(link.Target.c_str()) != 0 && errno != ENOENT) {
            seams_.Fail(QObject::tr("Cannot delete \"%1\". %2").arg(Q(link.Target), SystemError()));
            continue;
        }
        if (std::string problem; !sendto::RemoveMenuItems(WithoutLinkExtension(name), link.Target, problem)) {
            seams_.Fail(Q(problem));
            continue;
        }
        if (::unlink(file.c_str()) != 0)
            seams_.Fail(QObject::tr("Cannot delete \"%1\". %2").arg(Q(file), SystemError()));
    }
}

bool TSendToCommands::CreateProgram(const SendToScript& script)
{
    const std::string proposal = apppaths::changeFileExt(apppaths::extractFileName(script.path), "");
    const QString chosen = dialogs_.ProgramFileName(Q(apppaths::dataFolder()), Q(proposal));
    if (chosen.isEmpty()) return false;
    const std::string target = qttext::fromQString(chosen, true);
    bool own = SameFile(target, script.path);
    for (const char* name : OwnNames) own = own || SameFile(target, apppaths::programFolder() + "/" + name);
    if (own) {
        seams_.Fail(QObject::tr("\"%1\" is one of the programs' own files or the script itself; choose another name.")
                        .arg(chosen));
        return false;
    }
    // The stored form: the program hands its lines to the runner as a script file.
    std::vector<std::string> stored = script.lines;
    ScramblePasswordLines(stored);
    EmbedResult embed;
    {
        const std::unique_ptr<SendToSeams::Progress> wait = dialogs_.ShowPleaseWait();
        if (!BuildFromTemplate(seams_, *wait, apppaths::programFolder() + "/WembicEP.bin", templateslots::ProgramStart,
                               target, script.path, &stored, true, embed))
            return false;
    }
    if (embed.hasDial || embed.hasInclude) {
        std::string text = "Please note:";
        if (embed.hasDial)
            // The program starts the runner at its path, and the runner the dial program beside it.
            text += "\r\r!! Your script contained the \"DIAL\" command. Because of this\rthe program needs TWO "
                    "additional files on the computer it runs on,\rat the same place as here. Those are:\r\r         \"" +
                    RunnerPath() + "\"\r  and    \"" + apppaths::programFolder() + "/Dialer\"";
        if (embed.hasInclude)
            text += "\r\r!! Please be aware that you script contains a #INCLUDE statement\rwhich points to a file or "
                    "files that also need to be ditributed \ralong with the .EXE file!";
        seams_.Inform(Text(text));
    }
    return true;
}
