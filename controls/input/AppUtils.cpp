#include "controls/input/AppUtils.h"

#include "controls/input/TextRoutines.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/KeyStore.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

std::string companyName;
bool useAppTitle = false;

std::string programFileName()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("Vantrel") : exe.filename().string();
}

std::string withoutLineBreaks(std::string_view value)
{
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool quotedAtBothEnds(std::string_view v)
{
    return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

std::string rectText(int a, int b, int c, int d)
{
    return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d);
}

// The words of a position value, each a number or `def` when it is not one.
void readNumbers(const std::string& value, int* out, const int* defaults)
{
    static const TCharSet delimiters = MakeCharSet(" ,");
    for (int i = 0; i < 4; ++i) {
        int v = 0;
        out[i] = bytetext::parseInt(ExtractWord(i + 1, value, delimiters), v) ? v : defaults[i];
    }
}

int pixelsPerInch()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

TRect toTRect(const QRect& r) { return TRect{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

long long overlap(const TRect& a, const TRect& b)
{
    const long long w = std::min(a.Right, b.Right) - std::max(a.Left, b.Left);
    const long long h = std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top);
    return w > 0 && h > 0 ? w * h : 0;
}

bool sizeable(const QWidget* form) { return form->minimumSize() != form->maximumSize(); }

constexpr Qt::WindowStates notNormal = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

}  // namespace

TIniStorage::TIniStorage(Kind kind, std::string path, std::string key)
    : kind_(kind), key_(std::move(key)), ini_(std::move(path))
{
    readable_ = ini_.load();
}

std::unique_ptr<TIniStorage> TIniStorage::OpenIniFile(const std::string& fileName)
{
    const std::string path =
        fileName.find('/') == std::string::npos ? apppaths::configFolder() + "/" + fileName : fileName;
    return std::unique_ptr<TIniStorage>(new TIniStorage(Kind::IniFile, path, {}));
}

std::unique_ptr<TIniStorage> TIniStorage::OpenRegistry(const std::string& key)
{
    return std::unique_ptr<TIniStorage>(new TIniStorage(Kind::Registry, keystore::storePath(), key));
}

std::string TIniStorage::sectionName(std::string_view section) const
{
    if (kind_ == Kind::IniFile) return std::string(section);
    return "HKEY_CURRENT_USER\\" + key_ + (section.empty() ? "" : "\\" + std::string(section));
}

std::string TIniStorage::ReadString(std::string_view section, std::string_view ident, std::string_view def) const
{
    return ini_.readString(sectionName(section), ident, def);
}

void TIniStorage::WriteString(std::string_view section, std::string_view ident, std::string_view value)
{
    ini_.writeString(sectionName(section), ident, withoutLineBreaks(value));
}

void TIniStorage::EraseSection(std::string_view section) { ini_.eraseSection(sectionName(section)); }

bool TIniStorage::Save() const { return readable_ && ini_.save(); }

std::string IniReadString(const TIniStorage* storage, std::string_view section, std::string_view ident,
                          std::string_view def)
{
    if (!storage) return std::string(def);
    if (storage->GetKind() == TIniStorage::Kind::Registry) return storage->ReadString(section, ident, def);
    // A profile read takes one pair of matching quotes off the value.
    std::string v = storage->ReadString(section, ident, def);
    if (quotedAtBothEnds(v)) v = v.substr(1, v.size() - 2);
    return v;
}

void IniWriteString(TIniStorage* storage, std::string_view section, std::string_view ident, std::string_view value)
{
    if (!storage) return;
    const std::string v = withoutLineBreaks(value);
    if (storage->GetKind() == TIniStorage::Kind::IniFile && quotedAtBothEnds(bytetext::trim(v)))
        storage->WriteString(section, ident, "\"" + bytetext::trim(v) + "\"");
    else
        storage->WriteString(section, ident, v);
}

int IniReadInteger(const TIniStorage* storage, std::string_view section, std::string_view ident, int def)
{
    int v = 0;
    return bytetext::parseInt(IniReadString(storage, section, ident, {}), v) ? v : def;
}

void IniWriteInteger(TIniStorage* storage, std::string_view section, std::string_view ident, int value)
{
    IniWriteString(storage, section, ident, std::to_string(value));
}

std::string GetDefaultSection(const QObject* component)
{
    if (!component) return {};
    const std::string name = component->objectName().toStdString();
    if (const auto* widget = qobject_cast<const QWidget*>(component)) {
        if (widget->isWindow()) return widget->metaObject()->className();
        const QWidget* form = widget->window();
        if (form && form != widget) return std::string(form->metaObject()->className()) + name;
        return widget->parent() ? widget->parent()->objectName().toStdString() + name : name;
    }
    const auto* owner = qobject_cast<const QWidget*>(component->parent());
    if (owner && owner->isWindow()) return std::string(owner->metaObject()->className()) + "." + name;
    return name;
}

std::string GetDefaultIniName() { return apppaths::changeFileExt(programFileName(), ".INI"); }

std::string GetDefaultIniRegKey()
{
    std::string key = "Software\\";
    if (!companyName.empty()) key += companyName + "\\";
    const std::string title = QCoreApplication::applicationName().toStdString();
    if (useAppTitle && !title.empty()) return key + title;
    return key + apppaths::changeFileExt(programFileName(), "");
}

void SetRegistryCompanyName(std::string name) { companyName = std::move(name); }
void SetRegistryUseAppTitle(bool value) { useAppTitle = value; }

std::string ScreenSuffix()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize();
    return "(" + std::to_string(size.width()) + "x" + std::to_string(size.height()) + ")";
}

void WritePosStr(TIniStorage* storage, std::string_view section, std::string_view ident, std::string_view value)
{
    IniWriteString(storage, section, std::string(ident) + ScreenSuffix(), value);
    IniWriteString(storage, section, ident, value);
}

std::string ReadPosStr(const TIniStorage* storage, std::string_view section, std::string_view ident)
{
    std::string v = IniReadString(storage, section, std::string(ident) + ScreenSuffix(), {});
    return v.empty() ? IniReadString(storage, section, ident, {}) : v;
}

TRect FitWindowRect(const TRect& rect, const std::vector<TRect>& screens, std::size_t fallback, bool sizeable)
{
    if (screens.empty()) return rect;
    std::size_t best = fallback < screens.size() ? fallback : 0;
    long long bestArea = 0;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const long long a = overlap(rect, screens[i]);
        if (a > bestArea) {
            bestArea = a;
            best = i;
        }
    }
    const TRect& screen = screens[best];
    TRect r = rect;
    if (sizeable) {
        if (RectWidth(r) > RectWidth(screen)) r.Right = r.Left + RectWidth(screen);
        if (RectHeight(r) > RectHeight(screen)) r.Bottom = r.Top + RectHeight(screen);
    }
    return FitRectIntoScreen(r, screen);
}

namespace {
constexpr const char* kPositionProperty = "Position";
}

TFormPosition FormPosition(const QWidget* form)
{
    return form && form->property(kPositionProperty).toInt() == poScreenCenter ? poScreenCenter : poDesigned;
}

void SetFormPosition(QWidget* form, TFormPosition position)
{
    if (form) form->setProperty(kPositionProperty, static_cast<int>(position));
}

QSize MaximizedSizeLimit(const QWidget* form, QSize frameSize, QSize min, QSize max)
{
    if (!form || (form->windowState() & notNormal) != Qt::WindowMaximized) return max;
    const QSize frame = form->frameGeometry().size() - form->geometry().size();
    const auto side = [](int given, int frame, int low, int high) {
        return given > 0 ? std::clamp(given - frame, std::min(low, high), high) : high;
    };
    return {side(frameSize.width(), frame.width(), min.width(), max.width()),
            side(frameSize.height(), frame.height(), min.height(), max.height())};
}

int FormShowCmd(const QWidget* form)
{
    const Qt::WindowStates state = form->windowState();
    return state & Qt::WindowMinimized                             ? SW_SHOWMINIMIZED
           : state & (Qt::WindowMaximized | Qt::WindowFullScreen) ? SW_SHOWMAXIMIZED
                                                                  : SW_SHOWNORMAL;
}

TRect FormNormalRect(const QWidget* form)
{
    QRect normal = form->windowState() & notNormal ? form->normalGeometry() : form->geometry();
    if (!normal.isValid()) normal = form->geometry();
    return toTRect(normal);
}

// A maximized window keeps the normal rectangle aside in Qt and would not take it as such.
void SetFormNormalRect(QWidget* form, const TRect& r)
{
    const Qt::WindowStates shown = form->windowState();
    if (shown & notNormal) form->setWindowState(shown & ~notNormal);
    form->setGeometry(r.Left, r.Top, RectWidth(r), RectHeight(r));
    if (shown & notNormal) form->setWindowState(shown);
}

TRect FitFormRect(const QWidget* form, const TRect& rect, bool sizeable)
{
    std::vector<TRect> screens;
    std::size_t fallback = 0;
    const QScreen* own = form->screen();
    for (const QScreen* s : QGuiApplication::screens()) {
        if (s == own) fallback = screens.size();
        screens.push_back(toTRect(s->availableGeometry()));
    }
    // The frame goes onto the screen with the window, so its title bar can still be taken.
    const QRect frame = form->frameGeometry(), client = form->geometry();
    const int left = client.left() - frame.left(), top = client.top() - frame.top();
    const int right = frame.right() - client.right(), bottom = frame.bottom() - client.bottom();
    const TRect outer =
        FitWindowRect({rect.Left - left, rect.Top - top, rect.Right + right, rect.Bottom + bottom}, screens, fallback, sizeable);
    return {outer.Left + left, outer.Top + top, outer.Right - right, outer.Bottom - bottom};
}

Qt::WindowStates ShowCmdState(int showCmd, Qt::WindowStates current)
{
    const Qt::WindowStates normal = current & ~notNormal;
    switch (showCmd) {
    case 1: case 5: case 9: return normal;
    case 2: case 6: case 7: return normal | Qt::WindowMinimized;
    case 3: return normal | Qt::WindowMaximized;
    default: return current;
    }
}

void WriteFormPlacement(const QWidget* form, TIniStorage* storage, std::string_view section)
{
    if (!form) return;
    const Qt::WindowStates state = form->windowState();
    const bool maximized = (state & notNormal) == Qt::WindowMaximized;
    // A minimized window that was maximized goes back to maximized.
    const bool restoreToMaximized = (state & Qt::WindowMinimized) && (state & Qt::WindowMaximized);
    IniWriteInteger(storage, section, "Flags", restoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0);
    IniWriteInteger(storage, section, "ShowCmd", FormShowCmd(form));
    IniWriteInteger(storage, section, "PixelsPerInch", pixelsPerInch());
    // There are no icon positions here; a maximized window's position is where it is now.
    const QPoint at = form->frameGeometry().topLeft();
    WritePosStr(storage, section, "MinMaxPos", rectText(-1, -1, maximized ? at.x() : -1, maximized ? at.y() : -1));
    const TRect r = FormNormalRect(form);
    WritePosStr(storage, section, "NormPos", rectText(r.Left, r.Top, r.Right, r.Bottom));
}

namespace {

bool readPosition(QWidget* form, const TIniStorage* storage, std::string_view section)
{
    const std::string minMax = ReadPosStr(storage, section, "MinMaxPos");
    const std::string norm = ReadPosStr(storage, section, "NormPos");
    const int ppi = IniReadInteger(storage, section, "PixelsPerInch", pixelsPerInch());
    if ((minMax.empty() && norm.empty()) || ppi != pixelsPerInch()) return false;
    const QRect g = form->windowState() & notNormal ? form->normalGeometry() : form->geometry();
    const int defaults[4] = {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
    int n[4];
    readNumbers(norm, n, defaults);
    TRect r{n[0], n[1], n[2], n[3]};
    if (!sizeable(form)) r = TRect{r.Left, r.Top, r.Left + g.width(), r.Top + g.height()};
    if (r.Right <= r.Left || r.Bottom <= r.Top) return false;
    SetFormNormalRect(form, FitFormRect(form, r, sizeable(form)));
    return true;
}

}  // namespace

bool ReadFormPlacement(QWidget* form, const TIniStorage* storage, std::string_view section, bool loadState,
                       bool loadPosition)
{
    if (!form || !(loadState || loadPosition)) return false;
    const bool placed = loadPosition && readPosition(form, storage, section);
    if (loadState) {
        Qt::WindowStates state = ShowCmdState(IniReadInteger(storage, section, "ShowCmd", 0), form->windowState());
        if ((state & Qt::WindowMinimized) && (IniReadInteger(storage, section, "Flags", 0) & WPF_RESTORETOMAXIMIZED))
            state |= Qt::WindowMaximized;
        form->setWindowState(state);
    }
    form->update();
    return placed;
}
