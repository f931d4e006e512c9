#include "controls/input/IcLabel.h"
#include "desktop/DesktopEntry.h"
#include "desktop/FileTypeRegistration.h"
#include "desktop/SendToMenus.h"
#include "desktop/ShellLink.h"
#include "desktop/StringRoutines.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"
#include "editor/SendTo.h"
#include "editor/SendToDialogs.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "script/ScriptFile.h"
#include "tests/support/FakeEditorSeams.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgHome.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct FakeDialogs : SendToSeams {
    struct Wait : Progress {
        int& ticks;
        explicit Wait(int& t) : ticks(t) {}
        void Tick() override { ++ticks; }
    };
    std::deque<std::optional<QString>> descriptions;
    QString programName;
    int asked = 0, waits = 0, ticks = 0;
    std::optional<QString> AskDescription() override
    {
        ++asked;
        if (descriptions.empty()) return std::nullopt;
        auto d = descriptions.front();
        descriptions.pop_front();
        return d;
    }
    std::unique_ptr<Progress> ShowPleaseWait() override
    {
        ++waits;
        return std::make_unique<Wait>(ticks);
    }
    QString ProgramFileName(const QString&, const QString&) override { return programName; }
};

std::string Read(const std::string& path)
{
    return TempDir::read(path);
}

struct Ran {
    int exitCode = -1;
    std::string err;
};

// Runs a program to its end (at most 60 s) with TMPDIR pointed at `tmp` (and Qt's runtime folder
// elsewhere, so that `tmp` holds only what the program leaves).
Ran RunProgram(const std::string& program, const QStringList& args, const std::string& tmp)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", QString::fromStdString(tmp));
    static TempDir runtime;
    fs::permissions(runtime.path(), fs::perms::owner_all);
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path()));
    p.setProcessEnvironment(env);
    p.start(QString::fromStdString(program), args);
    Ran r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = p.readAllStandardError().toStdString();
    return r;
}

bool Executable(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0111) == 0111;
}

// A program folder of its own with the real templates and a runner that records what it is given.
struct SendToTest : ::testing::Test {
    XdgHome home;
    TempDir program;
    TempDir tmp;  // the TMPDIR of the programs run
    FakeSeams seams;
    FakeDialogs dialogs;
    TSendToCommands commands{seams, dialogs};
    std::string script;

    void SetUp() override
    {
        apppaths::setProgramFolderForTesting(program.path());
        for (const char* t : {"Wembic.bin", "WembicEP.bin"})
            fs::copy_file(std::string(VANTREL_BIN_DIR) + "/" + t, program.file(t));
        program.write("Trevask", "#!/bin/sh\n"
                                 "out=\"$(dirname \"$0\")/record\"\n"
                                 ": > \"$out.args\"\n"
                                 "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out.args\"; done\n"
                                 "cp \"$1\" \"$out.script\"\n"
                                 "printf 'log of %s\\n' \"$1\" > \"${1%.*}.History.txt\"\n"
                                 "exit 3\n");
        fs::permissions(program.file("Trevask"), fs::perms::owner_all);
        script = program.write("Scripts/Upload.ftp", "SEND \"%%Param1%%\" x\r\n");
    }
    void TearDown() override { apppaths::setProgramFolderForTesting(""); }

    SendToScript Script(std::vector<std::string> lines = {"SEND \"%%Param1%%\" x"}) const
    {
        return {script, std::move(lines), program.file("Scripts")};
    }
    std::string Launcher(const std::string& description) const { return LauncherFolder() + "/" + description; }
    std::string Link(const std::string& description) const
    {
        return home.dataHome() + "/applications/Pellisar/" + description + ".desktop";
    }
    bool Add(const QString& description, const SendToScript& s)
    {
        dialogs.descriptions.push_back(description);
        return commands.Add(s);
    }
    // Nothing but the finished files: no half-built copy anywhere.
    std::vector<std::string> Leftovers(const std::string& folder) const
    {
        std::vector<std::string> parts;
        if (!fs::exists(folder)) return parts;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().filename().string().find(".part-") != std::string::npos) parts.push_back(e.path());
        return parts;
    }
};

}  // namespace

TEST(SendToRules, ParameterReferencesAndDescriptions)
{
    struct Refers {
        std::vector<std::string> lines;
        bool refers;
    };
    const Refers refers[] = {
        {{"SEND \"%%PARAM1%%\" x"}, true},
        {{"  allparams SEND \"%%ALLPAR%%\""}, true},
        {{"; uses %%Param1%%", " ;ALLPARAMS x"}, false},
        {{"HOST=x", "LET a=\"allparams\""}, false},
        {{}, false},
    };
    for (const Refers& r : refers) EXPECT_EQ(CountParamReferences(r.lines), r.refers) << r.lines.size();

    for (const char* good : {"My site", "a \"quoted\" $name 100%;", "x.lnk", "Über"})
        EXPECT_EQ(DescriptionProblem(good), "") << good;
    const std::pair<std::string, const char*> bad[] = {
        {"", "it is empty."},
        {"   ", "it is empty."},
        {".", "it is no file name."},
        {"..", "it is no file name."},
        {"../../bin/ls", "it holds the character \"/\"."},
        {"a\\b", "it holds the character \"\\\"."},
        {"a:b", "it holds the character \":\"."},
        {"tab\there", "it holds a control character."},
        {"line\nbreak", "it holds a control character."},
        {"TREVASK", "it is the name of one of the programs."},
        {"vantrel", "it is the name of one of the programs."},
        {std::string(201, 'x'), "it is longer than 200 bytes."},
    };
    for (const auto& [description, problem] : bad) EXPECT_EQ(DescriptionProblem(description), problem) << description;
}

TEST_F(SendToTest, AddBuildsTheLauncherThenItsItem)
{
    ASSERT_TRUE(Add("Upload files", Script()));
    EXPECT_TRUE(seams.failed.empty()) << seams.failed.front().toStdString();
    EXPECT_TRUE(seams.asked.empty());  // the script refers to its parameters
    EXPECT_EQ(dialogs.waits, 1);
    EXPECT_GT(dialogs.ticks, 0);
    const std::string launcher = Launcher("Upload files");
    EXPECT_TRUE(Executable(launcher));
    const std::string bytes = Read(launcher);
    EXPECT_NE(bytes.find("\"" + script + "\"" + '\0'), std::string::npos);
    EXPECT_NE(bytes.find("\"" + program.path() + "/Trevask\"" + '\0'), std::string::npos);

    TShellLink link;
    link.SetFileName(Link("Upload files"));
    link.Load();
    EXPECT_EQ(link.Description, "Upload files [" + script + "]");
    EXPECT_EQ(link.Target, launcher);
    EXPECT_EQ(link.WorkingDir, program.file("Scripts"));
    EXPECT_EQ(link.Arguments, "");
    EXPECT_EQ(FindSendToLink(script), "Upload files.desktop");
    EXPECT_EQ(FindSendToLink(program.file("Scripts/Other.ftp")), "");
    EXPECT_TRUE(Leftovers(LauncherFolder()).empty());
}

TEST_F(SendToTest, AddingTwiceOrReusingADescriptionStopsBeforeAnyChange)
{
    ASSERT_TRUE(Add("Upload", Script()));
    const std::string before = Read(Link("Upload"));

    // The same script again: the item that runs it is named, the form is not even shown.
    EXPECT_FALSE(Add("Again", Script()));
    ASSERT_EQ(seams.failed.size(), 1u);
    EXPECT_EQ(seams.failed[0], "This script is already active as a \"Send-To\" menu item!\n\nThis script is currently "
                               "executed by means of the menu item called:\n      Upload.desktop");
    EXPECT_EQ(dialogs.asked, 1);
    dialogs.descriptions.clear();

    // Another script under a description in use: the first item and its launcher stay as they were.
    script = program.write("Scripts/Other.ftp", "SEND \"%%Param1%%\" y\r\n");
    EXPECT_FALSE(Add("Upload", Script()));
    ASSERT_EQ(seams.failed.size(), 2u);
    EXPECT_EQ(seams.failed[1], "The description \"Upload\" is already in use by another Send-To menu item.");
    EXPECT_EQ(Read(Link("Upload")), before);
    EXPECT_EQ(Read(Launcher("Upload")).find(script), std::string::npos);
}

TEST_F(SendToTest, RejectedDescriptionsAndDeclinedQuestionsCreateNothing)
{
    for (const char* description : {"../evil", "..", "Trevask", "a\x01", ""}) {
        seams.failed.clear();
        EXPECT_FALSE(Add(description, Script())) << description;
        EXPECT_EQ(seams.failed.size(), 1u) << description;
    }
    // No parameters in the script: declining the question ends the command before the form.
    seams.confirms = {false};
    EXPECT_FALSE(commands.Add(Script({"GET a b"})));
    ASSERT_EQ(seams.asked.size(), 1u);
    EXPECT_TRUE(seams.asked[0].startsWith("The SendTo menu is used to send selected files"));
    // The form cancelled.
    dialogs.descriptions.push_back(std::nullopt);
    EXPECT_FALSE(commands.Add(Script()));
    EXPECT_FALSE(fs::exists(LauncherFolder()) && !fs::is_empty(LauncherFolder()));
    EXPECT_FALSE(fs::exists(home.dataHome() + "/applications/Pellisar") &&
                 !fs::is_empty(home.dataHome() + "/applications/Pellisar"));
    EXPECT_FALSE(fs::exists(program.path() + "/../evil"));
}

TEST_F(SendToTest, AFailedBuildLeavesNeitherLauncherNorItem)
{
    struct Case {
        const char* name;
        std::function<void()> breakIt;
    };
    const Case cases[] = {
        {"template missing", [&] { fs::remove(program.file("Wembic.bin")); }},
        {"template without slots", [&] { program.write("Wembic.bin", std::string(200000, 'x')); }},
        {"script path too long", [&] { script = program.file(std::string(5000, 'p')); }},
        // A file where Nemo's folder would be: the items written before it go again.
        {"a file manager's folder cannot be made",
         [&] { home.dir().write("home/.local/share/nemo", "a file, not a folder"); }},
    };
    for (const Case& c : cases) {
        fs::copy_file(std::string(VANTREL_BIN_DIR) + "/Wembic.bin", program.file("Wembic.bin"),
                      fs::copy_options::overwrite_existing);
        c.breakIt();
        seams.failed.clear();
        EXPECT_FALSE(Add("Broken", Script())) << c.name;
        EXPECT_FALSE(seams.failed.empty()) << c.name;
        EXPECT_FALSE(fs::exists(Launcher("Broken"))) << c.name;
        EXPECT_FALSE(fs::exists(Link("Broken"))) << c.name;
        for (const sendto::MenuItem& item : sendto::MenuItemsFor("Broken"))
            EXPECT_FALSE(fs::exists(item.path)) << c.name << ": " << item.path;
        EXPECT_TRUE(Leftovers(LauncherFolder()).empty()) << c.name;
    }
}

// The output of a desktop tool, empty when it is not installed.
std::optional<QString> Tool(const QString& program, const QStringList& args)
{
    if (QStandardPaths::findExecutable(program).isEmpty()) return std::nullopt;
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000)) return QString("did not finish");
    return QString(p.readAllStandardOutput() + p.readAllStandardError());
}

TEST_F(SendToTest, TheItemsAreValidForTheirFileManagersWhateverTheDescriptionHolds)
{
    const std::string description = "My \"site\" $HOME `x` 100% ; tab's";
    ASSERT_TRUE(Add(QString::fromStdString(description), Script()));
    EXPECT_TRUE(seams.failed.empty()) << seams.failed.front().toStdString();
    // The editor's record: launchable, but neither shown nor tied to any type.
    xdg::KeyFile entry(Link(description));
    ASSERT_TRUE(entry.load());
    EXPECT_EQ(entry.readString("Desktop Entry", "Name"), description);
    const auto exec = xdg::execArguments(entry.readString("Desktop Entry", "Exec").value_or(""));
    ASSERT_TRUE(exec);
    EXPECT_EQ(exec->args, std::vector<std::string>{Launcher(description)});
    EXPECT_EQ(exec->fields, std::vector<std::string>{"%F"});
    EXPECT_FALSE(entry.readString("Desktop Entry", "MimeType"));
    EXPECT_EQ(entry.readString("Desktop Entry", "NoDisplay"), "true");

    std::vector<std::string> files = {Link(description)};
    for (const sendto::MenuItem& item : sendto::MenuItemsFor(description)) {
        files.push_back(item.path);
        ASSERT_TRUE(fs::exists(item.path)) << item.fileManager;
        EXPECT_TRUE(Executable(item.path)) << item.fileManager;
        const std::string text = Read(item.path);
        EXPECT_EQ(text.find("MimeType=application"), std::string::npos) << text;
        const std::string kind = item.fileManager;
        if (kind == "Nautilus") {
            EXPECT_EQ(apppaths::extractFileName(item.path), description);  // its menu label
            if (auto out = Tool("sh", {"-n", QString::fromStdString(item.path)})) EXPECT_EQ(*out, "") << text;
        } else if (kind == "Nemo") {
            xdg::KeyFile action(item.path);
            ASSERT_TRUE(action.load());
            // Its "%%" is one "%".
            EXPECT_EQ(action.readString("Nemo Action", "Name"), ReplaceAll(description, "%", "%%"));
            EXPECT_EQ(action.readString("Nemo Action", "Selection"), "notnone");
            EXPECT_EQ(action.readString("Nemo Action", "Extensions"), "any;");
            // Nemo splits Exec as a shell does.
            const auto words = Tool("sh", {"-c", "printf '%s\\n' " + QString::fromStdString(
                                                   action.readString("Nemo Action", "Exec").value_or(""))});
            if (words) EXPECT_EQ(words->toStdString(), ReplaceAll(Launcher(description), "%", "%%") + "\n%F\n");
        } else {
            xdg::KeyFile file(item.path);
            ASSERT_TRUE(file.load());
            const char* group = kind == "KDE" ? "Desktop Action sendTo" : "Desktop Entry";
            EXPECT_EQ(file.readString(group, "Name"), description) << kind;
            const auto run = xdg::execArguments(file.readString(group, "Exec").value_or(""));
            ASSERT_TRUE(run) << kind;
            EXPECT_EQ(run->args, std::vector<std::string>{Launcher(description)}) << kind;
            if (kind == "KDE") EXPECT_EQ(file.readString("Desktop Entry", "MimeType"), "all/allfiles;");
        }
    }
    // desktop-file-validate knows applications, not Nemo's actions or KDE's service menus.
    for (const std::string& file : {files[0], files[1]}) {
        if (auto out = Tool("desktop-file-validate", {QString::fromStdString(file)}))
            EXPECT_FALSE(out->contains("error:")) << file << "\n" << out->toStdString();
    }

    // Remove takes exactly what Add made.
    seams.confirms = {true};
    commands.Remove(script);
    for (const std::string& file : files) EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_TRUE(seams.failed.empty());
}

TEST_F(SendToTest, NoItemIsOrBecomesTheDefaultForAnyType)
{
    if (QStandardPaths::findExecutable("gio").isEmpty()) GTEST_SKIP() << "gio is not installed";
    // gio answers for this home: the registered type shows its entry.
    RegisterFileType(".ftp", "FTP scripts", "scripts", program.file("Trevask"), "trevask");
    ASSERT_TRUE(Add("Upload", Script()));
    const auto defaults = [](const char* when) {
        for (const char* type : {"application/octet-stream", "text/plain", "application/pdf"}) {
            const QString out = Tool("gio", {"mime", type}).value_or("");
            for (const char* ours : {"Pellisar", "Upload", "vantrel"})
                EXPECT_FALSE(out.contains(ours)) << when << ": " << type << "\n" << out.toStdString();
        }
        EXPECT_TRUE(Tool("gio", {"mime", "application/x-ftp-scripts"})->contains("vantrel-ftp-scripts.desktop"));
    };
    defaults("after Add");
    if (auto out = Tool("update-desktop-database", {QString::fromStdString(home.dataHome() + "/applications")}))
        EXPECT_EQ(*out, "");
    defaults("after the cache was rebuilt");
}

TEST_F(SendToTest, TheFileManagersHandTheSelectionToTheScript)
{
    ASSERT_TRUE(Add("Send", Script()));
    const std::string folder = tmp.file("selected");
    const std::vector<std::string> chosen = {folder + "/first file", folder + "/it's $HOME \\ *"};
    for (const std::string& f : chosen) tmp.write("selected/" + apppaths::extractFileName(f), "x");
    const std::string expected = script + "\n" + chosen[0] + "\n" + chosen[1] + "\n";

    // Nautilus starts a script in the selection's folder with one path per line in its
    // environment (and the names as arguments).
    QProcess nautilus;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NAUTILUS_SCRIPT_SELECTED_FILE_PATHS", QString::fromStdString(chosen[0] + "\n" + chosen[1] + "\n"));
    env.insert("NAUTILUS_SCRIPT_CURRENT_URI", QString::fromStdString("file://" + folder));
    nautilus.setProcessEnvironment(env);
    nautilus.setWorkingDirectory(QString::fromStdString(folder));
    nautilus.start(QString::fromStdString(sendto::MenuItemsFor("Send")[1].path),
                   {"first file", QString::fromStdString(apppaths::extractFileName(chosen[1]))});
    ASSERT_TRUE(nautilus.waitForFinished(60000));
    EXPECT_EQ(nautilus.exitCode(), 3) << nautilus.readAllStandardError().toStdString();
    EXPECT_EQ(Read(program.file("record.args")), expected);

    // Thunar's item, launched as any desktop launches an entry.
    fs::remove(program.file("record.args"));
    fs::remove(program.file("record.script"));  // the runner writes it after all its arguments
    if (QStandardPaths::findExecutable("gio").isEmpty()) return;
    QProcess gio;
    gio.start("gio", {"launch", QString::fromStdString(sendto::MenuItemsFor("Send")[0].path),
                      QString::fromStdString(chosen[0]), QString::fromStdString(chosen[1])});
    ASSERT_TRUE(gio.waitForFinished(60000));
    for (int i = 0; i < 600 && !fs::exists(program.file("record.script")); ++i) QThread::msleep(100);
    EXPECT_EQ(Read(program.file("record.args")), expected);
}

TEST_F(SendToTest, ScriptsWhoseNamesDifferInCaseHaveItemsOfTheirOwn)
{
    const std::string lower = program.write("Scripts/Case.ftp", "SEND \"%%Param1%%\" x\r\n");
    const std::string upper = program.write("Scripts/CASE.ftp", "SEND \"%%Param1%%\" y\r\n");
    ASSERT_TRUE(Add("LowerItem", {lower, {"SEND %%Param1%%"}, program.file("Scripts")}));
    EXPECT_EQ(FindSendToLink(upper), "");
    ASSERT_TRUE(Add("UpperItem", {upper, {"SEND %%Param1%%"}, program.file("Scripts")}));
    EXPECT_EQ(FindSendToLink(upper), "UpperItem.desktop");
    seams.confirms = {true};
    commands.Remove(upper);
    EXPECT_EQ(seams.asked, std::vector<QString>{"Remove UpperItem from the \"SendTo\" Menu?"});
    EXPECT_TRUE(fs::exists(Link("LowerItem")));
    EXPECT_FALSE(fs::exists(Link("UpperItem")));
}

TEST_F(SendToTest, AFileManagersOwnItemOfThatNameIsNeverTaken)
{
    const std::string mine = home.dataHome() + "/nautilus/scripts/Mine";
    fs::create_directories(apppaths::extractFilePath(mine));
    std::ofstream(mine) << "#!/bin/sh\necho my own\n";
    EXPECT_FALSE(Add("Mine", Script()));
    ASSERT_EQ(seams.failed.size(), 1u);
    EXPECT_EQ(seams.failed[0], "The description \"Mine\" is already in use by another Send-To menu item.");
    EXPECT_EQ(Read(mine), "#!/bin/sh\necho my own\n");
    EXPECT_FALSE(fs::exists(Launcher("Mine")));
    EXPECT_FALSE(fs::exists(Link("Mine")));

    // One added under another name, then its Nautilus script replaced by one of the user's own:
    // Remove leaves that alone.
    ASSERT_TRUE(Add("Ours", Script()));
    const std::string ours = sendto::MenuItemsFor("Ours")[1].path;
    std::ofstream(ours, std::ios::trunc) << "#!/bin/sh\necho replaced\n";
    seams.confirms = {true};
    commands.Remove(script);
    EXPECT_EQ(Read(ours), "#!/bin/sh\necho replaced\n");
    EXPECT_FALSE(fs::exists(sendto::MenuItemsFor("Ours")[0].path));
    EXPECT_FALSE(fs::exists(Link("Ours")));
}

TEST_F(SendToTest, RemoveDeletesOnlyLaunchersMadeHere)
{
    ASSERT_TRUE(Add("Ours", Script()));
    ASSERT_TRUE(Add("Foreign", {program.file("Scripts/B.ftp"), {"SEND %%Param1%%"}, program.file("Scripts")}));
    // An item edited to start a file of someone else's, and one for the same script.
    const std::string foreign = program.write("precious", "keep me");
    TShellLink link;
    link.SetFileName(Link("Foreign"));
    link.Load();
    link.Description = "Foreign [" + script + "]";
    link.Target = foreign;
    link.Save();

    seams.confirms = {true, true};
    commands.Remove(script);
    ASSERT_EQ(seams.asked.size(), 2u);
    EXPECT_NE(std::find(seams.asked.begin(), seams.asked.end(), "Remove Ours from the \"SendTo\" Menu?"),
              seams.asked.end());
    EXPECT_FALSE(fs::exists(Launcher("Ours")));
    EXPECT_FALSE(fs::exists(Link("Ours")));
    EXPECT_EQ(Read(foreign), "keep me");
    EXPECT_TRUE(fs::exists(Link("Foreign")));
    ASSERT_EQ(seams.failed.size(), 1u);
    EXPECT_TRUE(seams.failed[0].contains("no launcher made by this editor")) << seams.failed[0].toStdString();

    // A launcher already gone no longer pins its item; No keeps an item.
    ASSERT_TRUE(Add("Gone", {program.file("Scripts/C.ftp"), {"SEND %%Param1%%"}, program.file("Scripts")}));
    ASSERT_TRUE(Add("Kept", {program.file("Scripts/D.ftp"), {"SEND %%Param1%%"}, program.file("Scripts")}));
    fs::remove(Launcher("Gone"));
    seams.confirms = {true};
    commands.Remove(program.file("Scripts/C.ftp"));
    EXPECT_FALSE(fs::exists(Link("Gone")));
    seams.confirms = {false};
    commands.Remove(program.file("Scripts/D.ftp"));
    EXPECT_TRUE(fs::exists(Link("Kept")));
    EXPECT_TRUE(fs::exists(Launcher("Kept")));
}

TEST_F(SendToTest, TheLauncherHandsItsArgumentsToTheRunner)
{
    ASSERT_TRUE(Add("Send", Script()));
    const Ran r = RunProgram(Launcher("Send"), {"first file", "second"}, tmp.path());
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(Read(program.file("record.args")), script + "\nfirst file\nsecond\n");
}

TEST_F(SendToTest, TheProgramRunsItsEmbeddedScriptAndKeepsItsHistory)
{
    const std::vector<std::string> lines = {"HOST=\"example\"", "password = \"abc\"", "", "LOCAL-MD \"ZST\"", "DIAL"};
    const std::string target = program.file("out/Upload");
    fs::create_directories(program.file("out"));
    dialogs.programName = QString::fromStdString(target);
    ASSERT_TRUE(commands.CreateProgram(Script(lines)));
    EXPECT_TRUE(seams.failed.empty()) << seams.failed.front().toStdString();
    EXPECT_TRUE(Executable(target));
    ASSERT_EQ(seams.informed.size(), 1u);
    EXPECT_TRUE(seams.informed[0].startsWith("Please note:\n\n!! Your script contained the \"DIAL\" command."));
    // It names the files the program needs where it runs: the runner at its path, the dial program.
    EXPECT_TRUE(seams.informed[0].contains(QString::fromStdString("\"" + program.file("Trevask") + "\"\n")));
    EXPECT_TRUE(seams.informed[0].contains(QString::fromStdString("\"" + program.file("Dialer") + "\"")));
    EXPECT_FALSE(seams.informed[0].contains("Dialup.avi"));

    const Ran r = RunProgram(target, {}, tmp.path());
    EXPECT_EQ(r.exitCode, 3) << r.err;
    // The runner got the script in its stored form, passwords scrambled.
    std::vector<std::string> stored = lines;
    ScramblePasswordLines(stored);
    EXPECT_EQ(Read(program.file("record.script")), bytetext::joinLinesCrLf(stored));
    EXPECT_EQ(Read(program.file("record.script")).find("abc"), std::string::npos);
    const std::string args = Read(program.file("record.args"));
    EXPECT_EQ(apppaths::extractFileName(bytetext::trim(args)), "Upload.ftp");
    EXPECT_EQ(Read(program.file("out/Upload.History.txt")), "log of " + bytetext::trim(args) + "\n");
    EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST_F(SendToTest, AProgramThatCannotHoldTheScriptIsNotMade)
{
    const std::string target = program.write("Upload", "the old program");
    dialogs.programName = QString::fromStdString(target);
    EXPECT_FALSE(commands.CreateProgram(Script(std::vector<std::string>(1001, "LOCAL-MD x"))));
    ASSERT_EQ(seams.failed.size(), 1u);
    EXPECT_EQ(seams.failed[0], "The script has more lines than a program can hold (1000).");
    EXPECT_EQ(Read(target), "the old program");
    EXPECT_TRUE(Leftovers(program.path()).empty());

    // Nor over the runner, nor over the script.
    for (const std::string& own : {program.file("Trevask"), script}) {
        seams.failed.clear();
        dialogs.programName = QString::fromStdString(own);
        EXPECT_FALSE(commands.CreateProgram(Script()));
        EXPECT_EQ(seams.failed.size(), 1u);
    }
    EXPECT_NE(Read(program.file("Trevask")).find("#!/bin/sh"), std::string::npos);
    EXPECT_TRUE(seams.informed.empty());
}

TEST_F(SendToTest, UnpatchedTemplatesSaySoAndExit2)
{
    for (const char* t : {"Wembic.bin", "WembicEP.bin"}) {
        const Ran r = RunProgram(program.file(t), {"x"}, tmp.path());
        EXPECT_EQ(r.exitCode, 2) << t;
        EXPECT_NE(r.err.find("unpatched template"), std::string::npos) << r.err;
    }
}

TEST_F(SendToTest, WithTheRealRunner)
{
    fs::remove(program.file("Trevask"));
    fs::create_symlink(std::string(VANTREL_BIN_DIR) + "/Trevask", program.file("Trevask"));
    const std::string made = program.file("made");

    dialogs.programName = QString::fromStdString(program.file("MakeFolder"));
    ASSERT_TRUE(commands.CreateProgram(Script({"LOCAL-MD \"" + made + "\""})));
    Ran r = RunProgram(program.file("MakeFolder"), {}, tmp.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_NE(Read(program.file("MakeFolder.History.txt")).find("LOCAL-MD"), std::string::npos);
    for (const auto& e : fs::directory_iterator(tmp.path())) ADD_FAILURE() << "left behind: " << e.path();

    script = program.write("Scripts/Params.ftp", "LOCAL-MD \"" + made + "/%%Param1%%+%%Param2%%\"\r\n");
    ASSERT_TRUE(Add("Params", Script()));
    r = RunProgram(Launcher("Params"), {"one", "two"}, tmp.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(made + "/one+two"));
}

TEST(SendToDialogs, TheDescriptionFormDropsRejectedCharacters)
{
    for (const auto& [typed, kept] : std::vector<std::pair<QString, QString>>{
             {"a/b\\c:d*e?f", "abcdef"}, {"say \"hi\"", "say \"hi\""}, {"???", ""}})
        EXPECT_EQ(TCreateASendTo::WithoutRejectedCharacters(typed), kept) << typed.toStdString();

    TCreateASendTo form;
    form.show();
    for (const QChar ch : QString("web/site:1")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(form.Edit1(), &press);
    }
    EXPECT_EQ(form.Edit1()->text(), "website1");
    EXPECT_EQ(form.windowTitle(), "CreateASendTo");
    EXPECT_TRUE(form.Button1()->isDefault());
    for (QWidget* w : {static_cast<QWidget*>(form.Memo1()), static_cast<QWidget*>(form.Edit1()),
                       static_cast<QWidget*>(form.Button1()), static_cast<QWidget*>(form.Button2())})
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    const TempDir shots;
    form.grab().save(ShotPath(shots.path(), "create-a-send-to.png"));
}

TEST(SendToDialogs, PleaseWaitCountsDashesUpTo37)
{
    TPleaseWait wait;
    wait.show();
    EXPECT_EQ(wait.windowTitle(), "Working...");
    EXPECT_TRUE(wait.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(wait.IcLabel1()->text(), QString(37, '-'));
    wait.PleaseWaitTick();
    EXPECT_EQ(wait.IcLabel1()->text(), "-");
    for (int i = 0; i < 35; ++i) wait.PleaseWaitTick();
    EXPECT_EQ(wait.IcLabel1()->text(), QString(36, '-'));
    wait.PleaseWaitTick();
    EXPECT_EQ(wait.IcLabel1()->text(), "-");
    for (int i = 0; i < 9; ++i) wait.PleaseWaitTick();

    // The 17 x 19 frame: its own colour gives way to the window, the hourglass is drawn.
    QWidget* image = wait.Image1();
    EXPECT_TRUE(image->inherits("TEffNImage"));
    EXPECT_EQ(image->size(), QSize(17, 19));
    const QImage shown = wait.grab().toImage();
    const QPoint at = image->mapTo(&wait, QPoint(0, 0));
    const QColor face = shown.pixelColor(at + QPoint(0, 9));
    EXPECT_EQ(face, wait.palette().color(QPalette::Window));
    EXPECT_EQ(shown.pixelColor(at + QPoint(8, 0)), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(at + QPoint(8, 14)), QColor(192, 128, 0));
    const TempDir shots;
    shown.save(ShotPath(shots.path(), "please-wait.png"));
}

TEST(SendToDialogs, EachQuestionGetsAFormOfItsOwn)
{
    WidgetSendToSeams windows;
    for (const QString& typed : {QString("first"), QString("second")}) {
        QTimer::singleShot(0, [typed] {
            auto* form = qobject_cast<TCreateASendTo*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            EXPECT_TRUE(form->Edit1()->text().isEmpty());
            form->Edit1()->setText(typed);
            form->Button1()->click();
        });
        QTimer::singleShot(10000, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();  // never hang
        });
        EXPECT_EQ(windows.AskDescription(), typed);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<TCreateASendTo*>(w), nullptr);
}

TEST_F(SendToTest, TheEditorsPowerMenuRunsTheCommands)
{
    TScriptingEditor editor(seams);
    editor.SetSendToSeams(dialogs);
    editor.SelectScript("Upload.ftp");
    ASSERT_EQ(editor.CurrentFileName(), script);
    dialogs.descriptions.push_back(QString("From the menu"));
    editor.Action("AddthisscripttoExplorersSendTocontextmenu1")->trigger();
    EXPECT_TRUE(fs::exists(Link("From the menu")));
    seams.confirms = {true};
    editor.Action("RemovethisscriptfromExplorersSendTocontextmenu1")->trigger();
    EXPECT_FALSE(fs::exists(Link("From the menu")));
    dialogs.programName = QString::fromStdString(program.file("Upload"));
    editor.Action("CreateaEXEprogramforthescript1")->trigger();
    EXPECT_TRUE(Executable(program.file("Upload")));
}
