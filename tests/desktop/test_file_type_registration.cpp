#include "desktop/FileTypeRegistration.h"

#include "desktop/DesktopEntry.h"
#include "platform/AppPaths.h"
#include "platform/KeyStore.h"
#include "tests/support/Raised.h"
#include "tests/support/XdgHome.h"

#include <QImage>
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
    EXPECT_NE(first[2].find("<icon name=\"application-x-ftp-scripts\"/>"), std::string::npos);
    EXPECT_EQ(defaultValue(Classes + "FTP scripts\\shell\\open\\command"), "\"/opt/My Programs/Trevask\" \"%1\"");
}

// What a file manager does on a double-click: the type from the shared-mime-info database, its
// default from mimeapps.list, the entry's Exec line expanded for the file. GNOME's xdg-open hands
// the file to gio; the generic one (a display, no known desktop) asks xdg-mime, which reads the
// database through `mimetype` (libfile-mimeinfo-perl).
TEST(FileTypeRegistration, ADoubleClickedScriptRunsInTheRunner)
{
    for (const char* tool : {"xdg-mime", "xdg-open", "gio", "update-mime-database", "desktop-file-validate", "mimetype"})
        ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << " is missing (scripts/install-deps.sh)";
    XdgHome xdg;
    xdg.set("XDG_CURRENT_DESKTOP", std::nullopt);
    xdg.set("DISPLAY", std::nullopt);
    xdg.set("WAYLAND_DISPLAY", std::nullopt);
    const struct {
        const char *desktop, *programFolder;
        QStringList env;
    } desktops[] = {
        {"GNOME", "Program Files", {"XDG_CURRENT_DESKTOP=GNOME"}},
        // A display only for xdg-open to take its desktop path; the runner itself stays offscreen.
        // This xdg-open takes Exec's program up to the first blank, so its path has none.
        {"generic", "programs", {"DISPLAY=:97", "QT_QPA_PLATFORM=offscreen"}},
    };
    for (const auto& d : desktops) {
        const std::string programFolder = xdg.dir().file(d.programFolder);
        fs::create_directories(programFolder);
        fs::create_symlink(std::string(VANTREL_BIN_DIR) + "/Trevask", programFolder + "/Trevask");
        RegisterFileType(".ftp", "FTP scripts", "Quorvel's FTP Script-vantrel", programFolder + "/Trevask", "trevask");
        const std::string script = xdg.dir().write(std::string("My Scripts/run me ") + d.desktop + ".ftp",
                                                   "HOST=example.org\r\n");
        const QString path = QString::fromStdString(script);
        const ToolRun type = runTool("xdg-mime", {"query", "filetype", path}, d.env);
        ASSERT_TRUE(type.finished);
        EXPECT_EQ(type.out, "application/x-ftp-scripts") << d.desktop;
        const ToolRun app = runTool("xdg-mime", {"query", "default", QString::fromStdString(type.out)}, d.env);
        EXPECT_EQ(app.out, "vantrel-ftp-scripts.desktop") << d.desktop;
        const std::string entry = xdg.dataHome() + "/applications/" + app.out;
        const ToolRun valid = runTool("desktop-file-validate", {QString::fromStdString(entry)});
        EXPECT_EQ(valid.exitCode, 0) << valid.out;

        const ToolRun open = runTool("xdg-open", {path}, d.env, xdg.dir().file("opened.log"));
        ASSERT_TRUE(open.finished);
        EXPECT_EQ(open.exitCode, 0) << d.desktop << ": " << open.out;
        const std::string history = apppaths::historyPathFor(script);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(history) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(fs::exists(history)) << d.desktop << ": the runner did not run the script";
        // The runner renames its finished log into place, so the file is whole once it is there.
        EXPECT_NE(TempDir::read(history).find(std::string(": End script run me ") + d.desktop + ".ftp ****"),
                  std::string::npos);
    }
    // The file shows the type's own icon.
    const ToolRun info = runTool("gio", {"info", "-a", "standard::icon", xdg.dir().file("My Scripts/run me GNOME.ftp").c_str()});
    EXPECT_NE(info.out.find("application-x-ftp-scripts"), std::string::npos) << info.out;
}

TEST(FileTypeRegistration, TheThemeIconsAreInstalledForTheUser)
{
    XdgHome xdg;
    const std::string theme = xdg.dataHome() + "/icons/hicolor";
    const std::string other = xdg.dir().write("home/.local/share/icons/hicolor/48x48/apps/other.png", "not ours");
    // A theme folder may hold icons of others: only the ones named are taken.
    const std::string source = xdg.dir().file("theme");
    fs::copy(std::string(VANTREL_BIN_DIR) + "/icons/hicolor", source, fs::copy_options::recursive);
    xdg.dir().write("theme/32x32/apps/firefox.png", "someone else's");
    InstallThemeIcons(source, {"vantrel", "trevask", "application-x-ftp-scripts"});
    EXPECT_FALSE(fs::exists(theme + "/32x32/apps/firefox.png"));
    const struct {
        const char *context, *name;
    } icons[] = {{"apps", "vantrel"}, {"apps", "trevask"}, {"mimetypes", "application-x-ftp-scripts"}};
    for (const auto& icon : icons) {
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const std::string file = theme + "/" + std::to_string(size) + "x" + std::to_string(size) + "/" +
                                     icon.context + "/" + icon.name + ".png";
            const QImage image(QString::fromStdString(file));
            EXPECT_EQ(image.size(), QSize(size, size)) << file;
        }
        const std::string svg = theme + "/scalable/" + icon.context + "/" + icon.name + ".svg";
        EXPECT_NE(TempDir::read(svg).find("<svg"), std::string::npos) << svg;
    }
    EXPECT_EQ(TempDir::read(other), "not ours");
    // Nothing to install is no failure.
    EXPECT_NO_THROW(InstallThemeIcons(xdg.dir().file("no such folder"), {"vantrel"}));
    EXPECT_EQ(filetype::IconFor("application/x-ftp-scripts"), "application-x-ftp-scripts");
}
