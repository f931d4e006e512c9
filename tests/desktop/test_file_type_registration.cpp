#include "desktop/FileTypeRegistration.h"

#include "desktop/DesktopEntry.h"
#include "platform/KeyStore.h"
#include "tests/support/Raised.h"
#include "tests/support/XdgHome.h"

#include <QProcess>
#include <QStandardPaths>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string Classes = "HKEY_CLASSES_ROOT\\";

std::string defaultValue(const std::string& key) { return keystore::readValue(key, "").value_or("<missing>"); }

std::string raised(const std::function<void()>& f) { return raisedMessage<ERegistryException>(f); }

struct ToolRun {
    bool finished = false;
    int exitCode = -1;
    std::string out;
};

// Runs a desktop tool with this process's environment plus `extra`, bounded in time. What it
// starts may outlive it: with `outputFile` their output goes there, not into a pipe that closes.
ToolRun runTool(const QString& program, const QStringList& args, const QStringList& extra = {},
                const std::string& outputFile = {})
{
    QProcess p;
    if (!outputFile.empty()) p.setStandardOutputFile(QString::fromStdString(outputFile));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : extra) env.insert(kv.section('=', 0, 0), kv.section('=', 1));
    p.setProcessEnvironment(env);
    p.start(program, args);
    ToolRun r;
    r.finished = p.waitForFinished(30000);
    if (!r.finished) p.kill(), p.waitForFinished(5000);
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput().trimmed().toStdString();
    return r;
}

}  // namespace

TEST(FileTypeRegistration, WritesTheClassKeysForEveryFormOfTheExtension)
{
    const struct {
        const char *extension, *typeName, *icon, *typeKey;
    } cases[] = {
        {".ftp", "FTP scripts", "/opt/Trevask", "FTP scripts"},
        {"ftp", "FTP scripts", "", "FTP scripts"},
        {"f.tp", "", "", "ftp_auto_file"},
    };
    for (const auto& c : cases) {
        XdgHome xdg;
        RegisterFileType(c.extension, c.typeName, "Script", "/opt/Trevask", c.icon);
        EXPECT_EQ(defaultValue(Classes + ".ftp"), c.typeKey) << c.extension;
        EXPECT_EQ(defaultValue(Classes + c.typeKey), "Script");
        EXPECT_EQ(defaultValue(Classes + c.typeKey + "\\shell\\open\\command"), "\"/opt/Trevask\" \"%1\"");
        EXPECT_EQ(keystore::readValue(Classes + c.typeKey + "\\DefaultIcon", "").value_or("<missing>"),
                  *c.icon ? c.icon : "<missing>");
    }
}

TEST(FileTypeRegistration, NothingIsWrittenWithoutACommandOrAnExtension)
{
    XdgHome xdg;
    RegisterFileType("ftp", "FTP scripts", "Script", "", "");
    RegisterFileType("...", "FTP scripts", "Script", "/opt/Trevask", "");
    EXPECT_FALSE(fs::exists(xdg.home() + "/.config"));
    EXPECT_FALSE(fs::exists(xdg.home() + "/.local"));
}

TEST(FileTypeRegistration, BadTextsAreRefused)
{
    XdgHome xdg;
    EXPECT_EQ(raised([] { RegisterFileType("f*p", "T", "D", "/opt/Trevask", ""); }), "\"f*p\" is no file extension");
    EXPECT_EQ(raised([] { RegisterFileType("ftp", "T", "two\nlines", "/opt/Trevask", ""); }),
              "The file type's description holds a line break");
    EXPECT_FALSE(fs::exists(xdg.home() + "/.config"));
}

TEST(FileTypeRegistration, RegisteringTwiceKeepsWhatElseIsInMimeappsList)
{
    XdgHome xdg;
    const std::string mime = filetype::MimeTypeFor("FTP scripts");
    const std::string entry = filetype::DesktopEntryFor("FTP scripts");
    EXPECT_EQ(mime, "application/x-ftp-scripts");
    EXPECT_EQ(entry, "vantrel-ftp-scripts.desktop");
    // Kept with the user's other dot-files, linked into place.
    const std::string kept = xdg.dir().write(
        "dotfiles/mimeapps.list", "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\n" + mime +
                                      "=other.desktop;\n\n[Added Associations]\nimage/png=gimp.desktop;\n");
    fs::create_directories(xdg.configHome());
    fs::create_symlink(kept, xdg.configHome() + "/mimeapps.list");
    const std::string program = "/opt/My Programs/Trevask";
    RegisterFileType("ftp", "FTP scripts", "Quorvel's FTP <Script> & more", program, program);
    const std::string list = xdg.configHome() + "/mimeapps.list";
    const std::string apps = xdg.dataHome() + "/applications/" + entry;
    const std::string package = xdg.dataHome() + "/mime/packages/vantrel-ftp.xml";
    const std::string first[] = {TempDir::read(list), TempDir::read(apps), TempDir::read(package)};
    RegisterFileType("ftp", "FTP scripts", "Quorvel's FTP <Script> & more", program, program);
    EXPECT_EQ(TempDir::read(list), first[0]);
    EXPECT_EQ(TempDir::read(apps), first[1]);
    EXPECT_EQ(TempDir::read(package), first[2]);

    EXPECT_TRUE(fs::is_symlink(list));
    EXPECT_EQ(first[0], "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\n" + mime + "=" + entry +
                            ";other.desktop;\n\n[Added Associations]\nimage/png=gimp.desktop;\n");
    xdg::KeyFile desktop(apps);
    ASSERT_TRUE(desktop.load());
    EXPECT_EQ(desktop.readString("Desktop Entry", "Exec").value_or(""), "\"/opt/My Programs/Trevask\" %f");
    EXPECT_EQ(desktop.readString("Desktop Entry", "MimeType").value_or(""), mime + ";");
    EXPECT_NE(first[2].find("<comment>Quorvel&apos;s FTP &lt;Script&gt; &amp; more</comment>"), std::string::npos);
    EXPECT_NE(first[2].find("<glob pattern=\"*.ftp\"/>"), std::string::npos);
    EXPECT_EQ(defaultValue(Classes + "FTP scripts\\shell\\open\\command"), "\"/opt/My Programs/Trevask\" \"%1\"");
}

// What a file manager does on a double-click: the type from the shared-mime-info database, its
// default from mimeapps.list, the entry's Exec line expanded for the file.
TEST(FileTypeRegistration, ADoubleClickedScriptRunsInTheRunner)
{
    for (const char* tool : {"xdg-mime", "xdg-open", "gio", "update-mime-database", "desktop-file-validate"})
        ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << " is missing (scripts/install-deps.sh)";
    XdgHome xdg;
    xdg.set("XDG_CURRENT_DESKTOP", std::nullopt);
    xdg.set("DISPLAY", std::nullopt);
    xdg.set("WAYLAND_DISPLAY", std::nullopt);
    const std::string programFolder = xdg.dir().file("Program Files");
    fs::create_directories(programFolder);
    fs::create_symlink(std::string(VANTREL_BIN_DIR) + "/Trevask", programFolder + "/Trevask");
    RegisterFileType(".ftp", "FTP scripts", "Quorvel's FTP Script-vantrel", programFolder + "/Trevask",
                     programFolder + "/Trevask");

    const std::string script = xdg.dir().write("My Scripts/run me.ftp", "HOST=example.org\r\n");
    const QString path = QString::fromStdString(script);
    const QStringList gnome = {"XDG_CURRENT_DESKTOP=GNOME"};
    const ToolRun type = runTool("xdg-mime", {"query", "filetype", path}, gnome);
    ASSERT_TRUE(type.finished);
    EXPECT_EQ(type.out, "application/x-ftp-scripts");
    const ToolRun app = runTool("xdg-mime", {"query", "default", QString::fromStdString(type.out)});
    EXPECT_EQ(app.out, "vantrel-ftp-scripts.desktop");
    const std::string entry = xdg.dataHome() + "/applications/" + app.out;
    const ToolRun valid = runTool("desktop-file-validate", {QString::fromStdString(entry)});
    EXPECT_EQ(valid.exitCode, 0) << valid.out;

    const ToolRun open = runTool("xdg-open", {path}, gnome, xdg.dir().file("opened.log"));
    ASSERT_TRUE(open.finished);
    EXPECT_EQ(open.exitCode, 0) << open.out;
    const std::string history = xdg.dir().file("My Scripts/run me.History.txt");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(history) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(history)) << "the runner did not run the script";
    // The runner renames its finished log into place, so the file is whole once it is there.
    EXPECT_NE(TempDir::read(history).find(": End script run me.ftp ****"), std::string::npos);
}
