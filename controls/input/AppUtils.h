#pragma once
// Ini and key-store routines of the form storage: the storage object, the default names, and the
// window-placement writer and reader.

#include "controls/input/GdiTypes.h"
#include "platform/IniFile.h"

#include <QSize>
#include <QtCore/qnamespace.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QObject;
class QWidget;

// What the ini routines read and write through: an ini file, or the key store under one key
// (its sections become sub-keys). Opened for one save or restore.
class TIniStorage {
public:
    enum class Kind { IniFile, Registry };

    // A file name without a folder lives in $XDG_CONFIG_HOME/vantrel.
    static std::unique_ptr<TIniStorage> OpenIniFile(const std::string& fileName);
    static std::unique_ptr<TIniStorage> OpenRegistry(const std::string& key);

    Kind GetKind() const { return kind_; }
    const std::string& Path() const { return ini_.path(); }
    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) const;
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);
    void EraseSection(std::string_view section);
    // Writes atomically; false when it cannot, or when the file existed but could not be read
    // (saving then would lose what it holds).
    [[nodiscard]] bool Save() const;

private:
    TIniStorage(Kind kind, std::string path, std::string key);
    std::string sectionName(std::string_view section) const;

    Kind kind_;
    std::string key_;
    IniFile ini_;
    bool readable_ = true;
};

// A missing storage reads defaults and writes nothing.
std::string IniReadString(const TIniStorage* storage, std::string_view section, std::string_view ident,
                          std::string_view def);
// Ini file: a value quoted at both ends (both " or both ') gets one more pair of double quotes, as
// reading takes one pair off. CR and LF are written as blanks: they would start new lines.
void IniWriteString(TIniStorage* storage, std::string_view section, std::string_view ident, std::string_view value);
int IniReadInteger(const TIniStorage* storage, std::string_view section, std::string_view ident, int def);
void IniWriteInteger(TIniStorage* storage, std::string_view section, std::string_view ident, int value);

// A form: its class name; a control: its form's class name and its name; another component
// owned by a form: "Form.Name"; anything else: its name.
std::string GetDefaultSection(const QObject* component);
// The program file name with ".INI" in place of its extension.
std::string GetDefaultIniName();
// "Software\" [company "\"] and the application title or the program name.
std::string GetDefaultIniRegKey();
void SetRegistryCompanyName(std::string name);
void SetRegistryUseAppTitle(bool value);

// "(WxH)" of the primary screen.
std::string ScreenSuffix();
void WritePosStr(TIniStorage* storage, std::string_view section, std::string_view ident, std::string_view value);
std::string ReadPosStr(const TIniStorage* storage, std::string_view section, std::string_view ident);

// Where a form is designed to open: where it was put, or centred on its screen. It belongs to
// the form, so every component on it reads the same.
enum TFormPosition { poDesigned, poScreenCenter };
TFormPosition FormPosition(const QWidget* form);
void SetFormPosition(QWidget* form, TFormPosition position);

// The largest size of a form that is maximized with the given maximized frame size (a 0 leaves
// that side at `max`), within min .. max; a form that is not maximized keeps `max`. The window
// manager keeps a maximized window within it; a geometry given to it would end its state.
QSize MaximizedSizeLimit(const QWidget* form, QSize frameSize, QSize min, QSize max);

// ShowCmd values of a stored placement.
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3;
// Its Flags: a minimized window that goes back to maximized.
constexpr int WPF_RESTORETOMAXIMIZED = 2;

// Where a restored window goes: onto the available area it overlaps most, else the fallback one
// (index into `screens`), shrunk to it when it may be resized, moved in on every side.
TRect FitWindowRect(const TRect& rect, const std::vector<TRect>& screens, std::size_t fallback, bool sizeable);

// The window's show command: minimized, maximized (also full screen) or normal.
int FormShowCmd(const QWidget* form);
// The rectangle the window has when neither minimized nor maximized.
TRect FormNormalRect(const QWidget* form);
// Sets that rectangle; a maximized or minimized window stays so.
void SetFormNormalRect(QWidget* form, const TRect& rect);
// FitWindowRect over the available areas of all screens, the form's own as the fallback; the
// window's frame, as far as it is known yet, goes onto the screen too.
TRect FitFormRect(const QWidget* form, const TRect& rect, bool sizeable);
// The window state a stored show command gives (normal, minimized, maximized); any other
// command keeps `current`.
Qt::WindowStates ShowCmdState(int showCmd, Qt::WindowStates current);

// Keys "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos", "NormPos" (the last two also under the
// screen-suffixed name). NormPos is the normal rectangle, also while the window is maximized;
// MinMaxPos has no icon position (-1,-1) and the maximized position only while maximized.
void WriteFormPlacement(const QWidget* form, TIniStorage* storage, std::string_view section);
// True when a stored position was applied. A maximized (or minimized) form gets the stored
// rectangle as the normal one it returns to, and stays as it is shown.
bool ReadFormPlacement(QWidget* form, const TIniStorage* storage, std::string_view section, bool loadState,
                       bool loadPosition);
