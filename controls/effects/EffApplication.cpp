#include "controls/effects/EffApplication.h"

#include "controls/effects/EffUtils.h"
#include "controls/input/Cursors.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"
#include "platform/QtText.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

EffEOneInstError::EffEOneInstError(int kind, const std::string& name)
    : Exception(kind == 0 ? name + ":\rInvalid owner (<>TForm) or second instance on a form"
                          : name + ":\rAlready one " + name + " control in this project!")
{
}

bool CheckOneInstance(const QObject* owner, const QMetaObject& componentClass, bool allowDataModule)
{
    // A form is a top-level widget here; a data module is a plain object that owns components.
    const auto* widget = qobject_cast<const QWidget*>(owner);
    const bool form = widget && widget->isWindow();
    if (!owner || (!form && !(allowDataModule && !widget))) return true;
    int count = 0;
    for (const QObject* child : owner->findChildren<QObject*>())
        if (child->metaObject()->inherits(&componentClass)) ++count;
    return count > 1;
}

// The component that watches a form.

void TEffWndProcComponent::SetEnabled(bool enabled)
{
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (enabled) Activate();
    else Deactivate();
}

void TEffWndProcComponent::Activate()
{
    if (enabled_ && !Hooked()) Hook();
}

bool TEffWndProcComponent::Hook()
{
    QWidget* target = TargetHandle();
    if (!target || Hooked()) return false;
    target_ = target;
    target->installEventFilter(this);
    if (hookApplication_) {
        if (QWidget* main = target->window(); main && main != target) {
            mainWindow_ = main;
            main->installEventFilter(this);
        }
    }
    return true;
}

void TEffWndProcComponent::Unhook()
{
    if (target_) target_->removeEventFilter(this);
    if (mainWindow_) mainWindow_->removeEventFilter(this);
    target_.clear();
    mainWindow_.clear();
}

bool TEffWndProcComponent::eventFilter(QObject* watched, QEvent* event)
{
    try {
        if (watched == target_ && !destroying_) {
            if (event->type() == QEvent::Destroy) destroying_ = true;
            WndProc(event);
        } else if (watched == mainWindow_) {
            AppHook(event);
        }
    } catch (...) {
        // A watcher's failure never stops the form's own handling.
    }
    return false;
}

// The ini control.

void TEffIniCtrl::SetAlphaCounter(bool on)
{
    alphaCounter_ = on;
    if (on && maxEntries_ > 26) maxEntries_ = 26;
}

void TEffIniCtrl::SetMaxEntries(int entries)
{
    if (entries < 0 || entries > 255 || (alphaCounter_ && entries > 26)) return;
    maxEntries_ = entries;
}

void TEffIniCtrl::SetNetUser(bool on)
{
    netUser_ = on;
    if (on) user_ = GetUserName();
}

std::string TEffIniCtrl::GetUserName() const { return ::GetUserName(); }

QString TEffIniCtrl::IniFileText() const { return qttext::toQString(iniFile_); }
void TEffIniCtrl::SetIniFileText(const QString& text) { iniFile_ = qttext::fromQString(text, true); }
QString TEffIniCtrl::UserText() const { return qttext::toQString(user_); }
void TEffIniCtrl::SetUserText(const QString& text) { user_ = qttext::fromQString(text, true); }
QString TEffIniCtrl::RegPathText() const { return qttext::toQString(regPath_); }
void TEffIniCtrl::SetRegPathText(const QString& text) { regPath_ = qttext::fromQString(text, true); }

std::string TEffIniCtrl::IniFileName()
{
    if (iniFile_.empty())
        iniFile_ = apppaths::changeFileExt(EffApplication().ProgramPath(), ".INI");
    std::string name = iniFile_;
    if (apppaths::extractFileExt(name).empty()) name += ".INI";
    if (iniPrefix_ != ppFixed) name = GetSpecialPath(iniPrefix_, true) + apppaths::extractFileName(name);
    return name;
}

std::string RootKeyName(TEffRegRootKey root)
{
    static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                                         "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    return root >= rpClassesRoot && root <= rpDynData ? kRoots[root] : kRoots[rpCurrentUser];
}

std::string TEffIniCtrl::KeyPath() const
{
    std::string key = IsBlankStr(regPath_) ? EffApplication().DefaultRegKey() : regPath_;
    if (!key.empty() && key.back() != '\\') key += '\\';
    return key;
}

std::string TEffIniCtrl::RegKey() const { return RootKeyName(regRoot_) + "\\" + KeyPath(); }

std::string TEffIniCtrl::SectionName(const std::string& section)
{
    if (IsBlankStr(section)) return lastSection_.empty() ? "Common" : lastSection_;
    std::string name;
    if (ToKeyStore()) name = section == "#ROOT" ? "" : section;
    else if (common_) name = section;
    else name = section + "." + (netUser_ ? GetUserName() : user_);
    lastSection_ = name;
    return name;
}

TEffRegIniFile::TEffRegIniFile(TEffRegRootKey root, const std::string& path) : root_(root), path_(path)
{
    (void)keystore::createKey(KeyName());
}

std::string TEffRegIniFile::KeyName() const { return keyOf(""); }

std::string TEffRegIniFile::keyOf(const std::string& section) const
{
    std::string key = RootKeyName(root_) + "\\" + path_;
    if (!section.empty()) {
        if (key.back() != '\\') key += '\\';
        key += section;
    }
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

std::string TEffRegIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& def) const
{
    return keystore::readValue(keyOf(section), ident).value_or(def);
}

void TEffRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    if (!keystore::writeValue(keyOf(section), ident, value)) throw ERegistryException("Failed to set data for '" + ident + "'");
}

int TEffRegIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) const
{
    int value = def;
    return bytetext::parseInt(ReadString(section, ident, ""), value) ? value : def;
}

void TEffRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value)
{
    WriteString(section, ident, std::to_string(value));
}

bool TEffRegIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TEffRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteInteger(section, ident, value ? 1 : 0);
}

void TEffRegIniFile::DeleteKey(const std::string& section, const std::string& ident)
{
    // As the registry's own, a value that cannot be removed is no error.
    (void)keystore::deleteValue(keyOf(section), ident);
}

std::string TEffIniCtrl::ReadString(const std::string& section, const std::string& ident, const std::string& def)
{
    const std::string name = SectionName(section);
    if (ToKeyStore()) return TEffRegIniFile(regRoot_, KeyPath()).ReadString(name, ident, def);
    ::IniFile ini(IniFileName());
    ini.load();
    return ini.readString(name, ident, def);
}

void TEffIniCtrl::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    const std::string name = SectionName(section);
    if (ToKeyStore()) {
        TEffRegIniFile(regRoot_, KeyPath()).WriteString(name, ident, value);
        return;
    }
    ::IniFile ini(IniFileName());
    ini.load();
    ini.writeString(name, ident, value);
    if (!ini.save()) throw Exception("Cannot create file " + ini.path());
}

void TEffIniCtrl::DeleteKey(const std::string& section, const std::string& ident)
{
    const std::string name = SectionName(section);
    if (ToKeyStore()) {
        TEffRegIniFile(regRoot_, KeyPath()).DeleteKey(name, ident);
        return;
    }
    ::IniFile ini(IniFileName());
    ini.load();
    ini.deleteKey(name, ident);
    if (!ini.save()) throw Exception("Cannot create file " + ini.path());
}

// The timer pool.

TEffTimerPool::TEffTimerPool(QObject* owner) : TEffComponent(owner)
{
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        try {
            Tick();
        } catch (...) {
            // A handler's failure ends that tick only.
        }
    });
}

TEffTimerPool::~TEffTimerPool() { timer_.stop(); }

void TEffTimerPool::SetMinInterval(int ms)
{
    if (active_) return;
    minInterval_ = std::clamp(ms, kMinInterval, kMaxInterval);
}

int TEffTimerPool::AddEntry(int interval, int maxCount, THandler handler)
{
    if (interval < minInterval_ || interval % minInterval_ != 0)
        throw Exception("Interval does'nt fit to given MinInterval!");
    Entry entry;
    entry.Interval = interval / minInterval_;
    entry.MaxCount = std::max(0, maxCount);
    entry.Handler = std::move(handler);
    entries_.push_back(std::move(entry));
    return static_cast<int>(entries_.size()) - 1;
}

void TEffTimerPool::SetEntryEnabled(int index, bool enabled)
{
    if (index >= 0 && index < static_cast<int>(entries_.size())) entries_[static_cast<std::size_t>(index)].Enabled = enabled;
}

bool TEffTimerPool::EntryEnabled(int index) const
{
    return index >= 0 && index < static_cast<int>(entries_.size()) && entries_[static_cast<std::size_t>(index)].Enabled;
}

int TEffTimerPool::EntryCount(int index) const
{
    return index >= 0 && index < static_cast<int>(entries_.size()) ? entries_[static_cast<std::size_t>(index)].Counter : 0;
}

void TEffTimerPool::RemoveEntry(int index)
{
    if (index >= 0 && index < static_cast<int>(entries_.size())) entries_.erase(entries_.begin() + index);
}

void TEffTimerPool::SetActive(bool active)
{
    active_ = false;
    timer_.stop();
    const bool any = std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) { return e.Enabled; });
    if (!active || !any) return;
    timer_.start(minInterval_);
    ticks_ = 1;
    active_ = true;
}

void TEffTimerPool::Tick()
{
    // A handler that pumps events must not start the next tick inside this one.
    if (inTick_) return;
    inTick_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inTick_};
    if (!paused_) {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            Entry& e = entries_[i];
            if (!e.Enabled || ticks_ % static_cast<unsigned>(e.Interval) != 0) continue;
            e.Counter = e.Counter == INT32_MAX ? 0 : e.Counter + 1;
            if (e.MaxCount > 0 && e.Counter >= e.MaxCount) e.Enabled = false;
            const int counter = e.Counter;
            if (e.Handler) {
                const THandler handler = e.Handler;  // the handler may change the entries
                handler();
            } else if (OnTimer) {
                OnTimer(this, static_cast<int>(i), counter);
            }
        }
    }
    ++ticks_;
}

// The application object.

namespace {

std::string runtimeFolder()
{
    if (const char* dir = getenv("XDG_RUNTIME_DIR"); dir && *dir) return dir;
    const std::string dir = "/tmp/vantrel-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    // Anyone may make this name first: use it only as our own private folder, not through a link.
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 077) != 0)
        return {};
    return dir;
}

std::string ownProgramName()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? apppaths::extractFileName(std::string(path, static_cast<std::size_t>(n))) : "program";
}

}  // namespace

TEffApplication::TEffApplication(const std::string& programName)
    : iniCtrl_(new TEffIniCtrl(this)), timerPool_(new TEffTimerPool(this))
{
    const std::string name = programName.empty() ? ownProgramName() : programName;
    programPath_ = apppaths::programFolder() + "/" + name;
    SetLogFile("");
    // One lock file per program name: held while this process runs, released by the system
    // when it ends however it ends.
    const std::string folder = runtimeFolder();
    lockPath_ = folder.empty() ? std::string() : folder + "/" + name + ".lock";
    // A planted link is not followed: then there is no lock, never someone else's file.
    lockFd_ = lockPath_.empty() ? -1 : open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ >= 0 && flock(lockFd_, LOCK_EX | LOCK_NB) != 0) prevInstance_ = errno == EWOULDBLOCK;
    timerPool_->SetMinInterval(50);
    RegisterScreenCursor(crEffHand, QCursor(Qt::PointingHandCursor));
}

TEffApplication::~TEffApplication()
{
    if (lockFd_ >= 0) close(lockFd_);
}

std::string TEffApplication::DefaultRegKey() const
{
    std::string key = "Software\\";
    if (!IsBlankStr(keyBefore_)) key += keyBefore_ + "\\";
    const std::string title = Title();
    key += IsBlankStr(title) ? programPath_ : title;
    key += "\\";
    if (!IsBlankStr(keyAfter_)) key += keyAfter_ + "\\";
    return key;
}

std::string TEffApplication::Title() const
{
    if (title_) return *title_;
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app) return {};
    const QString title = app->property(kApplicationTitleProperty).toString();
    return qttext::fromQString(title.isEmpty() ? QCoreApplication::applicationName() : title, true);
}

void TEffApplication::SetLogFile(const std::string& name)
{
    std::string file = name.empty() ? apppaths::changeFileExt(programPath_, ".LOG") : name;
    if (apppaths::extractFileExt(file).empty()) file += ".LOG";
    if (logPrefix_ != ppFixed) file = GetSpecialPath(logPrefix_, true) + apppaths::extractFileName(file);
    logFile_ = file;
}

TEffApplication& EffApplication()
{
    static TEffApplication* application = new TEffApplication();  // lives until the program ends
    return *application;
}
