#include "desktop/ShellLink.h"

#include "tests/support/Raised.h"
#include "tests/support/XdgHome.h"

#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::string raised(const std::function<void()>& f) { return raisedMessage<EShellLink>(f); }

// desktop-file-validate's verdict; empty when the entry is valid.
std::string validationErrors(const std::string& path)
{
    if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty())
        return "desktop-file-validate is not installed";
    QProcess p;
    p.start("desktop-file-validate", {QString::fromStdString(path)});
    if (!p.waitForFinished(20000)) return "desktop-file-validate did not finish";
    const std::string out = (p.readAllStandardOutput() + p.readAllStandardError()).toStdString();
    return p.exitCode() == 0 && out.find("error:") == std::string::npos ? std::string() : out;
}

}  // namespace

TEST(ShellLink, FileNamesGetTheLinkExtensionAndAPlace)
{
    XdgHome xdg;
    const std::string apps = xdg.dataHome() + "/applications";
    const struct {
        TShellFolder folder;
        std::string name, fileName;
    } cases[] = {
        {sfNone, "abc", "abc.desktop"},
        {sfNone, "abc.DESKTOP", "abc.DESKTOP"},
        {sfNone, "abc.lnk", "abc.desktop"},
        {sfNone, ".desktop", ""},
        {sfNone, "dir/abc", "dir/abc.desktop"},
        {sfSendToFtp, "/elsewhere/Upload [site]", apps + "/Pellisar/Upload [site].desktop"},
        {sfSendToFtp, ".lnk", ""},
        {sfSendTo, "abc", apps + "/abc.desktop"},
        {sfStartup, "abc", xdg.configHome() + "/autostart/abc.desktop"},
        {sfDesktop, "abc", xdg.home() + "/Desktop/abc.desktop"},
    };
    for (const auto& c : cases) {
        TShellLink link;
        link.SetShellFolder(c.folder);
        link.SetFileName(c.name);
        EXPECT_EQ(link.FileName(), c.fileName) << c.name;
    }
    EXPECT_TRUE(fs::is_directory(apps + "/Pellisar"));  // made on first use
}

TEST(ShellLink, AFolderSetAfterTheNameMovesTheLinkThere)
{
    XdgHome xdg;
    TShellLink link;
    link.SetFileName("Upload");
    link.SetShellFolder(sfSendToFtp);
    EXPECT_EQ(link.FileName(), xdg.dataHome() + "/applications/Pellisar/Upload.desktop");
    link.SetFileName("Upload");
    EXPECT_EQ(link.FileName(), xdg.dataHome() + "/applications/Pellisar/Upload.desktop");

    TShellLink unnamed;
    unnamed.SetShellFolder(sfDesktop);
    EXPECT_EQ(unnamed.FileName(), "");
}

TEST(ShellLink, AFolderThatIsNotThereIsAnError)
{
    XdgHome xdg;
    TShellLink link;
    link.SetFileName("abc");
    EXPECT_EQ(raised([&] { link.SetShellFolder(sfFavorites); }), "Dossier shell non trouvé.");
    EXPECT_EQ(link.FileName(), "abc.desktop");
    EXPECT_EQ(link.ShellFolder(), sfNone);

    xdg.dir().write("home/.local/share/applications/Pellisar", "a file in the way");
    link.SetLangType(ltEnglish);
    EXPECT_EQ(raised([&] { link.SetShellFolder(sfSendToFtp); }),
              "Cannot create the folder \"" + xdg.dataHome() + "/applications/Pellisar\"");
}

TEST(ShellLink, EveryPropertySurvivesSaveAndLoad)
{
    XdgHome xdg;
    const std::string longText(300, 'd');
    const struct {
        TShellFolder folder;
        std::string target, arguments, workingDir, description;
        TWindowState state;
        TShortCut hotKey;
    } cases[] = {
        {sfSendToFtp, "/opt/My Apps/launch [1].exe", "-x \"a b\" 100% $HOME `x` c:\\path\\", "/srv/Données [ ]/%d",
         "Upload [/home/u/My Scripts/s.ftp]", wsMinimized, static_cast<TShortCut>(scCtrl | scAlt | 'K')},
        {sfDesktop, "/bin/prog", "", "", " blanks  at the ends ", wsMaximized, static_cast<TShortCut>(scShift | 0x70)},
        {sfNone, "/bin/" + longText, longText, "/w/" + longText, longText + "\nsecond line", wsNormal, 0},
    };
    for (const auto& c : cases) {
        TShellLink link;
        link.SetShellFolder(c.folder);
        link.SetFileName(c.folder == sfNone ? xdg.dir().file("Link ü %") : "Link ü %");
        link.Target = c.target;
        link.Arguments = c.arguments;
        link.WorkingDir = c.workingDir;
        link.Description = c.description;
        link.SetWindowState(c.state);
        link.SetHotKey(c.hotKey);
        fs::create_directories(fs::path(link.FileName()).parent_path());
        link.Save();
        EXPECT_EQ(validationErrors(link.FileName()), "") << c.target;

        TShellLink read;
        read.SetFileName(link.FileName());
        read.Load();
        EXPECT_EQ(read.Target, c.target);
        EXPECT_EQ(read.Arguments, c.arguments);
        EXPECT_EQ(read.WorkingDir, c.workingDir);
        EXPECT_EQ(read.Description, c.description);
        EXPECT_EQ(read.WindowState(), c.state);
        EXPECT_EQ(read.HotKey(), c.hotKey);
    }
    TShellLink link;
    link.SetHotKey(scCtrl | scAlt | 'K');
    EXPECT_EQ(link.HotKeyWord(), 0x064B);  // the shell's word: modifiers in the high byte
}

TEST(ShellLink, SendToItemsTakeTheFilesButNoType)
{
    XdgHome xdg;
    TShellLink link;
    link.SetShellFolder(sfSendToFtp);
    link.SetFileName("Upload");
    link.Target = "/opt/prog";
    link.Arguments = "-q";
    link.Save();
    const std::string text = TempDir::read(link.FileName());
    EXPECT_NE(text.find("\nExec=/opt/prog -q %F\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("MimeType="), std::string::npos) << text;
    EXPECT_NE(text.find("\nNoDisplay=true\n"), std::string::npos) << text;

    TShellLink menu;
    menu.SetShellFolder(sfPrograms);
    menu.SetFileName("Tool");
    menu.Target = "/opt/prog";
    menu.Save();
    EXPECT_EQ(TempDir::read(menu.FileName()).find("MimeType="), std::string::npos);
}

TEST(ShellLink, AnEntryEditedElsewhereReadsFromItsStandardKeys)
{
    XdgHome xdg;
    const std::string path = xdg.dir().write("edited.desktop",
        "[Desktop Entry]\nType=Application\nName=Edited\nExec=\"/opt/new prog\" \"a b\" c %F\n"
        "X-Vantrel-Arguments=old\nX-Vantrel-ShowCommand=junk\n");
    TShellLink link;
    link.SetFileName(path);
    link.Load();
    EXPECT_EQ(link.Target, "/opt/new prog");
    EXPECT_EQ(link.Arguments, "\"a b\" c");
    EXPECT_EQ(link.Description, "");
    EXPECT_EQ(link.WindowState(), wsNormal);
    EXPECT_EQ(link.HotKey(), 0);
}

TEST(ShellLink, MissingUnreadableAndUnwritableLinksRaise)
{
    XdgHome xdg;
    TShellLink link;
    link.SetFileName(xdg.dir().file("missing"));
    EXPECT_EQ(raised([&] { link.Load(); }), "Lien non trouvé.");
    link.SetLangType(ltEnglish);
    EXPECT_EQ(raised([&] { link.Load(); }), "Link not found.");

    link.SetFileName(xdg.dir().write("junk.desktop", "not an entry\n"));
    EXPECT_EQ(raised([&] { link.Load(); }), "Read error.");
    link.SetLangType(ltFrench);
    EXPECT_EQ(raised([&] { link.Load(); }), "Erreur en lecture.");

    link.SetFileName(xdg.dir().file("no such folder/x"));
    EXPECT_EQ(raised([&] { link.Save(); }), "Erreur en écriture.");
    EXPECT_FALSE(fs::exists(xdg.dir().file("no such folder")));
}
