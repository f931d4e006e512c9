#pragma once
// The effect library's non-visual base: a component that watches its form's events, the ini
// control (an ini file or the key store), the timer pool, the one-instance check and the global
// application object.

#include "controls/effects/EffComponent.h"
#include "controls/effects/EffTypes.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class EffEOneInstError : public Exception {
public:
    // 0: an owner that is no form, or a second instance on it; 1: a second control in the program.
    EffEOneInstError(int kind, const std::string& name);
};

// True (an error) when the owner is no form, or holds more than one component of the class.
bool CheckOneInstance(const QObject* owner, const QMetaObject& componentClass, bool allowDataModule);

// Watches the owner form's events (and, when asked, the main window's) without ever taking one:
// every event goes on to the form after WndProc has seen it.
class TEffWndProcComponent : public TEffComponent {
    Q_OBJECT
public:
    explicit TEffWndProcComponent(QObject* owner = nullptr) : TEffComponent(owner) {}
    ~TEffWndProcComponent() override { Unhook(); }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool HookApplication() const { return hookApplication_; }
    void SetHookApplication(bool hook) { hookApplication_ = hook; }

    // After the form is built: hooks when enabled.
    virtual void Loaded() { Activate(); }
    virtual void Activate();
    virtual void Deactivate() {}
    bool Hook();
    void Unhook();
    bool Hooked() const { return !target_.isNull(); }
    QWidget* TargetHandle() const { return qobject_cast<QWidget*>(parent()); }

protected:
    // Sees each event of the form; what it returns is ignored, the form always gets the event.
    virtual void WndProc(QEvent* event) {}
    // Sees each event of the main window; likewise passed on.
    virtual void AppHook(QEvent* event) {}
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool Destroying() const { return destroying_; }

private:
    bool enabled_ = true, hookApplication_ = false, destroying_ = false;
    QPointer<QWidget> target_, mainWindow_;
};

// Ini-file access to one key of the key store: sections are its subkeys (an empty section is the
// key itself), values text. Opening makes the key when it is missing; a store that cannot be
// written leaves it missing, and reads give their defaults.
class TEffRegIniFile {
public:
    TEffRegIniFile(TEffRegRootKey root, const std::string& path);

    TEffRegRootKey RootKey() const { return root_; }
    // The key path as given.
    const std::string& FileName() const { return path_; }
    // "HKEY_CURRENT_USER\<path>" without a trailing backslash.
    std::string KeyName() const;
    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) const;
    // ERegistryException "Failed to set data for '<ident>'" when the store cannot be written.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    int ReadInteger(const std::string& section, const std::string& ident, int def) const;
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    bool ReadBool(const std::string& section, const std::string& ident, bool def) const;
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    void DeleteKey(const std::string& section, const std::string& ident);

private:
    std::string keyOf(const std::string& section) const;
    TEffRegRootKey root_;
    std::string path_;
};

// The key store's name of a root key.
std::string RootKeyName(TEffRegRootKey root);

class TEffIniCtrl : public TEffComponent {
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE SetAbout)
    Q_PROPERTY(bool AlphaCounter READ AlphaCounter WRITE SetAlphaCounter)
    Q_PROPERTY(bool Common READ Common WRITE SetCommon)
    Q_PROPERTY(QString IniFile READ IniFileText WRITE SetIniFileText)
    Q_PROPERTY(eff::TEffPathPrefix IniPrefix READ IniPrefix WRITE SetIniPrefix)
    Q_PROPERTY(int MaxEntries READ MaxEntries WRITE SetMaxEntries)
    Q_PROPERTY(bool NetUser READ NetUser WRITE SetNetUser)
    Q_PROPERTY(QString User READ UserText WRITE SetUserText)
    Q_PROPERTY(QString RegPath READ RegPathText WRITE SetRegPathText)
    Q_PROPERTY(eff::TEffRegRootKey RegRoot READ RegRoot WRITE SetRegRoot)
    Q_PROPERTY(eff::TEffIniTarget Target READ Target WRITE SetTarget)
public:
    explicit TEffIniCtrl(QObject* owner = nullptr) : TEffComponent(owner) {}

    QString About() const { return {}; }
    void SetAbout(const QString&) {}
    bool AlphaCounter() const { return alphaCounter_; }
    void SetAlphaCounter(bool on);
    bool Common() const { return common_; }
    void SetCommon(bool common) { common_ = common; }
    std::string IniFile() const { return iniFile_; }
    void SetIniFile(const std::string& name) { iniFile_ = name; }
    TEffPathPrefix IniPrefix() const { return iniPrefix_; }
    void SetIniPrefix(TEffPathPrefix prefix) { iniPrefix_ = prefix; }
    // At most 26 while AlphaCounter is on.
    int MaxEntries() const { return maxEntries_; }
    void SetMaxEntries(int entries);
    bool NetUser() const { return netUser_; }
    void SetNetUser(bool on);
    std::string User() const { return user_; }
    void SetUser(const std::string& user) { user_ = user; }
    std::string RegPath() const { return regPath_; }
    void SetRegPath(const std::string& path) { regPath_ = path; }
    TEffRegRootKey RegRoot() const { return regRoot_; }
    void SetRegRoot(TEffRegRootKey root) { regRoot_ = root; }
    // itAuto means the key store.
    TEffIniTarget Target() const { return target_; }
    void SetTarget(TEffIniTarget target) { target_ = target == itAuto ? itRegistry : target; }

    // The ini file's path: the program's name with ".INI" when none is set; a name without
    // extension gets ".INI"; placed in the prefix's folder unless ppFixed.
    std::string IniFileName();
    // The key: RegPath with a trailing "\" or the application's default key, under its root.
    std::string RegKey() const;
    std::string SectionName(const std::string& section);
    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def);
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void DeleteKey(const std::string& section, const std::string& ident);
    virtual std::string GetUserName() const;

private:
    QString IniFileText() const;
    void SetIniFileText(const QString& text);
    QString UserText() const;
    void SetUserText(const QString& text);
    QString RegPathText() const;
    void SetRegPathText(const QString& text);
    bool ToKeyStore() const { return target_ != itIniFile; }
    // RegPath with a trailing "\", or the application's default key.
    std::string KeyPath() const;

    bool alphaCounter_ = false, common_ = true, netUser_ = false;
    std::string iniFile_, user_, regPath_, lastSection_;
    TEffPathPrefix iniPrefix_ = ppWindows;
    int maxEntries_ = 16;
    TEffRegRootKey regRoot_ = rpCurrentUser;
    TEffIniTarget target_ = itRegistry;
};

// Many logical timers from one timer of MinInterval milliseconds.
class TEffTimerPool : public TEffComponent {
    Q_OBJECT
    Q_PROPERTY(int MinInterval READ MinInterval WRITE SetMinInterval)
public:
    using TEffTimerPoolEvent = std::function<void(TEffTimerPool* sender, int index, int count)>;
    using THandler = std::function<void()>;
    static constexpr int kMinInterval = 50, kMaxInterval = 10000;

    explicit TEffTimerPool(QObject* owner = nullptr);
    ~TEffTimerPool() override;

    // 50 .. 10000; changed only while the pool is inactive.
    int MinInterval() const { return minInterval_; }
    void SetMinInterval(int ms);
    TEffTimerPoolEvent OnTimer;

    // A new entry firing every `interval` ms (a multiple of MinInterval), `maxCount` times
    // (0: for ever); its own handler or the pool's OnTimer. Returns its index.
    int AddEntry(int interval, int maxCount = 0, THandler handler = {});
    void SetEntryEnabled(int index, bool enabled);
    bool EntryEnabled(int index) const;
    int EntryCount(int index) const;
    void RemoveEntry(int index);

    bool Active() const { return active_; }
    void SetActive(bool active);
    bool Paused() const { return paused_; }
    void SetPaused(bool paused) { paused_ = paused; }
    // One tick, as the timer runs it.
    void Tick();

private:
    struct Entry {
        bool Enabled = true;
        int Interval = 1;  // ticks
        int Counter = 0;
        int MaxCount = 0;
        THandler Handler;
    };
    int minInterval_ = 1000;
    bool active_ = false, inTick_ = false, paused_ = false;
    unsigned ticks_ = 0;
    std::vector<Entry> entries_;
    QTimer timer_;
};

// The property of Qt's application object that holds the program's title (Qt's display name
// would be appended to every window title).
inline constexpr const char* kApplicationTitleProperty = "applicationTitle";

// The effect controls' hand cursor, registered by the application object.
inline constexpr int crEffHand = -255;

// The program-wide object: an ini control, a timer pool of 50 ms, the one-instance lock and the
// log-file name; it registers the hand cursor.
class TEffApplication : public QObject {
    Q_OBJECT
public:
    explicit TEffApplication(const std::string& programName = {});
    ~TEffApplication() override;

    // True when another process of this program held the lock first.
    bool PrevInstance() const { return prevInstance_; }
    // "Software\" + key part + title (the program path when blank) + "\" + key part.
    std::string DefaultRegKey() const;
    // The title set here, else the program's as it is when asked: start-up sets it after this
    // object is made.
    std::string Title() const;
    void SetTitle(const std::string& title) { title_ = title; }
    void SetLogFile(const std::string& name);
    std::string LogFile() const { return logFile_; }
    TEffPathPrefix LogPrefix() const { return logPrefix_; }
    void SetLogPrefix(TEffPathPrefix prefix) { logPrefix_ = prefix; }

    std::string ProgramPath() const { return programPath_; }
    TEffIniCtrl& IniCtrl() { return *iniCtrl_; }
    TEffTimerPool& TimerPool() { return *timerPool_; }
    // The lock file that marks a running instance.
    std::string LockPath() const { return lockPath_; }

private:
    std::optional<std::string> title_;
    std::string programPath_, logFile_, lockPath_, keyBefore_, keyAfter_;
    TEffPathPrefix logPrefix_ = ppProgram;
    TEffIniCtrl* iniCtrl_;
    TEffTimerPool* timerPool_;
    int lockFd_ = -1;
    bool prevInstance_ = false;
};

// The global application object, made on first use and kept until the program ends.
TEffApplication& EffApplication();
