#include "controls/effects/EffApplication.h"
#include "controls/effects/EffUtils.h"
#include "controls/input/Cursors.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"

#include "tests/support/XdgHome.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <gtest/gtest.h>

TEST(EffIniCtrl, SectionNamesAndLimits)
{
    struct Case {
        const char* name;
        TEffIniTarget target;
        bool common;
        const char* user;
        const char* section;
        const char* expected;
    };
    const Case cases[] = {
        {"blank before any other", itIniFile, true, "", "", "Common"},
        {"common", itIniFile, true, "bob", "Main", "Main"},
        {"per user", itIniFile, false, "bob", "Main", "Main.bob"},
        {"key store root", itRegistry, true, "", "#ROOT", ""},
        {"key store", itAuto, false, "bob", "Main", "Main"},
    };
    for (const Case& c : cases) {
        TEffIniCtrl ini;
        ini.SetTarget(c.target);
        ini.SetCommon(c.common);
        ini.SetUser(c.user);
        EXPECT_EQ(ini.SectionName(c.section), c.expected) << c.name;
    }
    TEffIniCtrl ini;
    EXPECT_EQ(ini.Target(), itRegistry);  // itAuto by default: the key store
    ini.SetTarget(itIniFile);
    ini.SectionName("Window");
    EXPECT_EQ(ini.SectionName(""), "Window");  // blank: the last one used
    ini.SetMaxEntries(40);
    ini.SetAlphaCounter(true);
    EXPECT_EQ(ini.MaxEntries(), 26);
    ini.SetMaxEntries(30);
    EXPECT_EQ(ini.MaxEntries(), 26);
    ini.SetNetUser(true);
    EXPECT_EQ(ini.User(), GetUserName());
}

TEST(EffIniCtrl, ValuesGoToTheKeyStoreOrTheIniFile)
{
    XdgHome home;
    EffApplication().SetTitle("EffTest");
    TEffIniCtrl registry;
    registry.WriteString("Main", "Size", "12");
    EXPECT_EQ(registry.RegKey(), "HKEY_CURRENT_USER\\Software\\EffTest\\");
    EXPECT_EQ(keystore::readValue("HKEY_CURRENT_USER\\Software\\EffTest\\Main", "Size").value_or("?"), "12");
    EXPECT_EQ(registry.ReadString("Main", "Size", "0"), "12");

    TEffIniCtrl file;
    file.SetTarget(itIniFile);
    file.SetIniPrefix(ppFixed);
    file.SetIniFile(home.dir().file("settings"));
    file.SetCommon(false);
    file.SetUser("bob");
    EXPECT_EQ(file.IniFileName(), home.dir().file("settings") + ".INI");
    file.WriteString("Main", "Left", "5");
    IniFile ini(home.dir().file("settings.INI"));
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("Main.bob", "Left"), "5");
    EXPECT_EQ(file.ReadString("Main", "Left", ""), "5");
    file.DeleteKey("Main", "Left");
    EXPECT_EQ(file.ReadString("Main", "Left", "gone"), "gone");
}

TEST(EffTimerPool, EntriesFireByTheirInterval)
{
    TEffTimerPool pool;
    pool.SetMinInterval(10);  // below 50: brought up to it
    EXPECT_EQ(pool.MinInterval(), 50);
    EXPECT_THROW(pool.AddEntry(70), Exception);
    int fast = 0;
    std::vector<std::pair<int, int>> pooled;
    pool.AddEntry(50, 3, [&] { ++fast; });
    pool.AddEntry(100);
    pool.OnTimer = [&](TEffTimerPool*, int index, int count) { pooled.emplace_back(index, count); };
    pool.SetActive(true);
    EXPECT_TRUE(pool.Active());
    for (int i = 0; i < 6; ++i) pool.Tick();
    EXPECT_EQ(fast, 3);  // then it disables itself
    EXPECT_FALSE(pool.EntryEnabled(0));
    EXPECT_EQ(pooled, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {1, 3}}));
    pool.SetMinInterval(1000);  // not while active
    EXPECT_EQ(pool.MinInterval(), 50);
    // A handler that ticks again does not run the next tick inside its own.
    int nested = 0;
    TEffTimerPool again;
    again.AddEntry(1000, 0, [&] {
        ++nested;
        again.Tick();
    });
    again.Tick();
    EXPECT_EQ(nested, 1);
    pool.SetEntryEnabled(1, false);
    pool.SetActive(true);  // no enabled entry: stays inactive
    EXPECT_FALSE(pool.Active());
}

TEST(EffApplication, OneInstanceKeysAndLogFile)
{
    XdgHome home;
    const std::string runtime = home.dir().file("run");
    std::filesystem::create_directories(runtime);
    const char* old = getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    {
        TEffApplication first("efftest");
        EXPECT_FALSE(first.PrevInstance());
        {
            TEffApplication second("efftest");
            EXPECT_TRUE(second.PrevInstance());
        }
        TEffApplication other("othertest");
        EXPECT_FALSE(other.PrevInstance());
        first.SetTitle("Tool");
        EXPECT_EQ(first.DefaultRegKey(), "Software\\Tool\\");
        first.SetTitle("");
        EXPECT_EQ(first.DefaultRegKey(), "Software\\" + first.ProgramPath() + "\\");
        EXPECT_EQ(first.LogFile(), GetProgramDir() + "efftest.LOG");
        first.SetLogFile("trace");
        EXPECT_EQ(first.LogFile(), GetProgramDir() + "trace.LOG");
        first.SetLogPrefix(ppFixed);
        first.SetLogFile("/var/tmp/run.txt");
        EXPECT_EQ(first.LogFile(), "/var/tmp/run.txt");
    }
    TEffApplication later("efftest");  // the first has ended
    EXPECT_FALSE(later.PrevInstance());
    {
        // A lock name that is a link is not followed: the target stays as it was.
        const std::string target = home.dir().file("victim");
        std::filesystem::create_symlink(target, runtime + "/linked.lock");
        TEffApplication linked("linked");
        EXPECT_FALSE(linked.PrevInstance());
        EXPECT_FALSE(std::filesystem::exists(target));
    }
    if (old) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
}

namespace {

class TCountingForm : public QWidget {
public:
    int events = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) ++events;
        return QWidget::event(e);
    }
};

class TWatcher : public TEffWndProcComponent {
public:
    using TEffWndProcComponent::TEffWndProcComponent;
    int seen = 0;

protected:
    void WndProc(QEvent* e) override
    {
        if (e->type() == QEvent::User) ++seen;
    }
};

}  // namespace

TEST(EffWndProcComponent, SeesEventsAndAlwaysPassesThemOn)
{
    TCountingForm form;
    auto* watcher = new TWatcher(&form);
    EXPECT_FALSE(watcher->Hooked());
    watcher->Loaded();
    EXPECT_TRUE(watcher->Hooked());
    QEvent user(QEvent::User);
    QCoreApplication::sendEvent(&form, &user);
    EXPECT_EQ(watcher->seen, 1);
    EXPECT_EQ(form.events, 1);  // the form still had it
    watcher->SetEnabled(false);
    watcher->Unhook();
    QCoreApplication::sendEvent(&form, &user);
    EXPECT_EQ(watcher->seen, 1);
    EXPECT_EQ(form.events, 2);
}

TEST(EffOneInstance, ChecksAndTexts)
{
    QWidget form;
    new TWatcher(&form);
    EXPECT_FALSE(CheckOneInstance(&form, TWatcher::staticMetaObject, false));
    new TWatcher(&form);
    EXPECT_TRUE(CheckOneInstance(&form, TWatcher::staticMetaObject, false));
    QObject module;
    EXPECT_TRUE(CheckOneInstance(&module, TWatcher::staticMetaObject, false));
    EXPECT_FALSE(CheckOneInstance(&module, TWatcher::staticMetaObject, true));
    EXPECT_TRUE(CheckOneInstance(nullptr, TWatcher::staticMetaObject, true));
    EXPECT_STREQ(EffEOneInstError(0, "TEffForm").what(), "TEffForm:\rInvalid owner (<>TForm) or second instance on a form");
    EXPECT_STREQ(EffEOneInstError(1, "TEffForm").what(), "TEffForm:\rAlready one TEffForm control in this project!");
}

TEST(EffRegIniFile, SectionsAreSubkeysOfItsKey)
{
    XdgHome home;
    TEffRegIniFile reg(rpLocalMachine, "Software\\Eff\\");
    {
        // Opening made the key, before any value.
        IniFile store(keystore::storePath());
        ASSERT_TRUE(store.load());
        EXPECT_TRUE(store.sectionExists("HKEY_LOCAL_MACHINE\\Software\\Eff"));
        EXPECT_TRUE(store.keys("HKEY_LOCAL_MACHINE\\Software\\Eff").empty());
    }
    EXPECT_EQ(reg.FileName(), "Software\\Eff\\");
    EXPECT_EQ(reg.RootKey(), rpLocalMachine);
    EXPECT_EQ(reg.KeyName(), "HKEY_LOCAL_MACHINE\\Software\\Eff");
    EXPECT_EQ(reg.ReadString("Main", "Name", "none"), "none");  // a missing key reads as defaults
    reg.WriteString("Main", "Name", "x");
    reg.WriteString("", "Top", "y");
    reg.WriteInteger("Main", "Count", -7);
    reg.WriteBool("Main", "On", true);
    EXPECT_EQ(keystore::readValue("HKEY_LOCAL_MACHINE\\Software\\Eff\\Main", "Name").value_or("?"), "x");
    EXPECT_EQ(keystore::readValue("HKEY_LOCAL_MACHINE\\Software\\Eff", "Top").value_or("?"), "y");
    struct Case {
        const char* value;
        int def, expected;
    };
    const Case integers[] = {{"-7", 0, -7}, {"12", 0, 12}, {"twelve", 3, 3}, {"", 4, 4}, {"99999999999", 5, 5}};
    for (const Case& c : integers) {
        reg.WriteString("Ints", "V", c.value);
        EXPECT_EQ(reg.ReadInteger("Ints", "V", c.def), c.expected) << c.value;
    }
    EXPECT_EQ(reg.ReadInteger("Main", "Count", 0), -7);
    EXPECT_TRUE(reg.ReadBool("Main", "On", false));
    EXPECT_TRUE(reg.ReadBool("Main", "Missing", true));
    reg.DeleteKey("Main", "Name");
    EXPECT_EQ(reg.ReadString("Main", "Name", "gone"), "gone");  // removed, not emptied
    reg.DeleteKey("Main", "Name");                              // nothing to remove: no error

    // The ini control goes through it: a deleted value reads as the default again.
    EffApplication().SetTitle("EffTest");
    TEffIniCtrl ctrl;
    ctrl.WriteString("Main", "Size", "3");
    ctrl.DeleteKey("Main", "Size");
    EXPECT_EQ(ctrl.ReadString("Main", "Size", "default"), "default");
}

TEST(EffApplication, DefaultKeyFollowsTheTitleStartUpSets)
{
    XdgHome home;
    TEffApplication application("titletest");
    const QString name = QCoreApplication::applicationName();
    // Start-up names the program after this object is made.
    qApp->setProperty(kApplicationTitleProperty, QStringLiteral("Quorvel's FTP Vantrel"));
    EXPECT_EQ(application.DefaultRegKey(), "Software\\Quorvel's FTP Vantrel\\");
    // Without a title property, the program's name.
    qApp->setProperty(kApplicationTitleProperty, QVariant());
    QCoreApplication::setApplicationName(QStringLiteral("FTP Scripts vantrel..."));
    EXPECT_EQ(application.DefaultRegKey(), "Software\\FTP Scripts vantrel...\\");
    QCoreApplication::setApplicationName(name);
    application.SetTitle("Tool");
    EXPECT_EQ(application.DefaultRegKey(), "Software\\Tool\\");
}

TEST(EffApplication, RegistersTheHandCursor)
{
    EffApplication();
    EXPECT_EQ(ScreenCursor(crEffHand).shape(), Qt::PointingHandCursor);
}
