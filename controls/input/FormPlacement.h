#pragma once
// Components a form owns to remember, between runs, where and how its window was shown
// (TFormPlacement) and chosen properties of its controls (TFormStorage). Placed on a form (its
// parent), they restore on the form's first show and save when it closes.

#include "controls/input/AppUtils.h"
#include "controls/input/PropsStorage.h"
#include "controls/input/WindowHook.h"

#include <QObject>
#include <QSize>
#include <QStringList>
#include <memory>
#include <string>

class QWidget;
class TIniStorage;

class TFormPlacement;

// Size limits of the owner form: tracking sizes become its minimum and maximum size, a maximized
// size its largest while it is maximized. The maximized position belongs to the window manager
// here and is only kept. A value of 0 leaves that limit alone.
class TWinMinMaxInfo : public QObject {
    Q_OBJECT
    Q_PROPERTY(int MaxPosLeft READ MaxPosLeft WRITE SetMaxPosLeft)
    Q_PROPERTY(int MaxPosTop READ MaxPosTop WRITE SetMaxPosTop)
    Q_PROPERTY(int MaxSizeHeight READ MaxSizeHeight WRITE SetMaxSizeHeight)
    Q_PROPERTY(int MaxSizeWidth READ MaxSizeWidth WRITE SetMaxSizeWidth)
    Q_PROPERTY(int MaxTrackHeight READ MaxTrackHeight WRITE SetMaxTrackHeight)
    Q_PROPERTY(int MaxTrackWidth READ MaxTrackWidth WRITE SetMaxTrackWidth)
    Q_PROPERTY(int MinTrackHeight READ MinTrackHeight WRITE SetMinTrackHeight)
    Q_PROPERTY(int MinTrackWidth READ MinTrackWidth WRITE SetMinTrackWidth)
public:
    explicit TWinMinMaxInfo(TFormPlacement* owner);

    int MaxPosLeft() const { return values_[0]; }
    int MaxPosTop() const { return values_[1]; }
    int MaxSizeHeight() const { return values_[2]; }
    int MaxSizeWidth() const { return values_[3]; }
    int MaxTrackHeight() const { return values_[4]; }
    int MaxTrackWidth() const { return values_[5]; }
    int MinTrackHeight() const { return values_[6]; }
    int MinTrackWidth() const { return values_[7]; }
    void SetMaxPosLeft(int v) { SetValue(0, v); }
    void SetMaxPosTop(int v) { SetValue(1, v); }
    void SetMaxSizeHeight(int v) { SetValue(2, v); }
    void SetMaxSizeWidth(int v) { SetValue(3, v); }
    void SetMaxTrackHeight(int v) { SetValue(4, v); }
    void SetMaxTrackWidth(int v) { SetValue(5, v); }
    void SetMinTrackHeight(int v) { SetValue(6, v); }
    void SetMinTrackWidth(int v) { SetValue(7, v); }

    // All eight values are 0.
    bool DefaultMinMaxInfo() const;
    void Assign(const TWinMinMaxInfo& source);

private:
    void SetValue(int index, int value);
    TFormPlacement* owner_;
    int values_[8] = {};
};

class TFormPlacement : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(QString IniFileName READ IniFileNameText WRITE SetIniFileNameText)
    Q_PROPERTY(QString IniSection READ IniSectionText WRITE SetIniSectionText)
    Q_PROPERTY(bool UseRegistry READ UseRegistry WRITE SetUseRegistry)
    Q_PROPERTY(TPlacementOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(bool PreventResize READ PreventResize WRITE SetPreventResize)
    Q_PROPERTY(TWinMinMaxInfo* MinMaxInfo READ MinMaxInfo)
public:
    enum TPlacementOption { fpState = 1, fpPosition = 2, fpActiveControl = 4 };
    Q_DECLARE_FLAGS(TPlacementOptions, TPlacementOption)
    Q_FLAG(TPlacementOptions)
    // Where the owner form is designed to open (the form's own setting).
    using TFormPosition = ::TFormPosition;
    static constexpr TFormPosition poDesigned = ::poDesigned, poScreenCenter = ::poScreenCenter;

    explicit TFormPlacement(QObject* owner);
    ~TFormPlacement() override;

    bool Active() const { return active_; }
    void SetActive(bool value) { active_ = value; }
    // Empty: the program's ".INI" (or, with the registry, its key).
    std::string IniFileName() const;
    void SetIniFileName(std::string name) { iniFileName_ = std::move(name); }
    // Empty: the owner's default section (a form's class name).
    std::string IniSection() const;
    void SetIniSection(std::string section) { iniSection_ = std::move(section); }
    bool UseRegistry() const { return useRegistry_; }
    void SetUseRegistry(bool value) { useRegistry_ = value; }
    TPlacementOptions Options() const { return options_; }
    void SetOptions(TPlacementOptions value) { options_ = value; }
    // Keeps the form at its current size, without a maximize button.
    bool PreventResize() const { return preventResize_; }
    void SetPreventResize(bool value);
    TWinMinMaxInfo* MinMaxInfo() const { return minMaxInfo_; }
    // On the form while PreventResize is set or MinMaxInfo holds a value; its after-message
    // handler gives the form its size limits whenever the form shows or changes its state.
    TIcWindowHook* WindowHook() const { return hook_; }
    // A centred form opens centred until a stored position is applied; then it is designed.
    TFormPosition FormPosition() const { return ::FormPosition(Form()); }
    void SetFormPosition(TFormPosition value) { ::SetFormPosition(Form(), value); }

    // Saves only after a restore (or when inactive): a form that never showed stores nothing.
    // Throws std::runtime_error when the file cannot be written.
    void SaveFormPlacement();
    void RestoreFormPlacement();
    // The owner form calls this first in its destructor: saves, when not saved yet, with
    // "Visible" = 1.
    void FormDestroying();

    std::function<void()> OnSavePlacement;
    std::function<void()> OnRestorePlacement;

protected:
    virtual void SavePlacement();
    virtual void RestorePlacement();
    QWidget* Form() const;
    TIniStorage* Storage() const { return storage_.get(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool restored_ = false;

private:
    QString IniFileNameText() const { return QString::fromStdString(iniFileName_); }
    void SetIniFileNameText(const QString& v) { iniFileName_ = v.toStdString(); }
    QString IniSectionText() const { return QString::fromStdString(iniSection_); }
    void SetIniSectionText(const QString& v) { iniSection_ = v.toStdString(); }
    void guarded(void (TFormPlacement::*action)());
    void ForgetCloseLater(int loopLevel, unsigned close);
    friend class TWinMinMaxInfo;
    // Applies PreventResize and the size limits to the form, and attaches or detaches the hook.
    void UpdateSizeLimits();
    // The size-limit answer: fixed at the current size for PreventResize (once the form is
    // visible), else the tracking limits and, while maximized, the maximized size.
    void ApplySizeLimits();
    void HookMessage(THookMessage& message);

    bool active_ = true;
    std::string iniFileName_;
    std::string iniSection_;
    bool useRegistry_ = false;
    TPlacementOptions options_;
    std::unique_ptr<TIniStorage> storage_;
    bool saved_ = false;
    bool destroying_ = false;
    bool closing_ = false;
    bool preventResize_ = false;
    bool defaultMaximize_ = false;
    bool shown_ = false;
    unsigned closes_ = 0;
    bool limitsTaken_ = false;
    QSize designedMin_, designedMax_;
    TWinMinMaxInfo* minMaxInfo_;
    TIcWindowHook* hook_;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TFormPlacement::TPlacementOptions)

class TFormStorage : public TFormPlacement {
    Q_OBJECT
    Q_PROPERTY(QStringList StoredProps READ StoredProps WRITE SetStoredProps)
public:
    explicit TFormStorage(QObject* owner);

    // "Component.Property" lines; each names a component of the owner form once it is built.
    QStringList StoredProps() const;
    void SetStoredProps(const QStringList& lines);

protected:
    void SavePlacement() override;
    void RestorePlacement() override;

private:
    void attach();
    TPropsStorage propsStorage();
    TStoredList stored_;
    bool attached_ = false;
};

// The two forms that keep their state: the editor's main window and the script wizard.
void SetupEditorFormStorage(TFormStorage& storage);
void SetupWizardFormStorage(TFormStorage& storage);
