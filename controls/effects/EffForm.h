#pragma once
// The form helper: one per form. On show it restores the form's placement, colour and font
// through an ini control, keeps the form within its size limits (pixels or fractions of the
// screen) and plays the opening effect; it saves those settings when the form is destroyed. It
// accepts files dropped from the desktop and turns window events into its own events.
//
// Create it before any other component that places the form on show (a form storage): the
// watcher installed first sees the show last, so the effect opens onto the placed window.

#include "controls/effects/EffApplication.h"
#include "controls/effects/EffFormRules.h"

#include <QPoint>
#include <QPointer>
#include <QSize>
#include <functional>
#include <string>
#include <vector>

// Size types of OnSize.
inline constexpr int SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;

// The values a size-limit handler may change, filled with what the helper would set.
struct TEffTrackInfo {
    int MaxTrackWidth = 0, MaxTrackHeight = 0, MinTrackWidth = 0, MinTrackHeight = 0;
};
struct TEffMaximizeInfo {
    int Width = 0, Height = 0, Left = 0, Top = 0;
};

class TEffForm : public TEffWndProcComponent {
    Q_OBJECT
public:
    enum TEffIniUse { ioUseLink, ioUseGlobal, ioNone };
    Q_ENUM(TEffIniUse)
    enum TEffFormIniSaveOption { soColor = 1, soFont = 2, soPos = 4, soSize = 8, soState = 16 };
    Q_DECLARE_FLAGS(TEffFormIniSaveOptions, TEffFormIniSaveOption)
    Q_FLAG(TEffFormIniSaveOptions)
    enum TEffDlgEffect { deNone, deExplode, deExplodeExt };
    Q_ENUM(TEffDlgEffect)
    enum TEffFormOption { foAutoCenter = 1, foAutoShow = 2, foTryAdaptRes = 4, foRestoreOnce = 8 };
    Q_DECLARE_FLAGS(TEffFormOptions, TEffFormOption)
    Q_FLAG(TEffFormOptions)

private:
    Q_PROPERTY(TEffIniUse IniUse READ IniUse WRITE SetIniUse)
    Q_PROPERTY(QString Section READ SectionText WRITE SetSectionText)
    Q_PROPERTY(QString IniKey READ IniKeyText WRITE SetIniKeyText)
    Q_PROPERTY(TEffFormIniSaveOptions IniSaveOptions READ IniSaveOptions WRITE SetIniSaveOptions)
    Q_PROPERTY(bool AcceptFiles READ AcceptFiles WRITE SetAcceptFiles)
    Q_PROPERTY(TEffDlgEffect Effect READ Effect WRITE SetEffect)
    Q_PROPERTY(TEffFormOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(int DesignPPI READ DesignPPI WRITE SetDesignPPI)
    Q_PROPERTY(int TrackMaxHeight READ TrackMaxHeight WRITE SetTrackMaxHeight)
    Q_PROPERTY(int TrackMaxWidth READ TrackMaxWidth WRITE SetTrackMaxWidth)
    Q_PROPERTY(int TrackMinHeight READ TrackMinHeight WRITE SetTrackMinHeight)
    Q_PROPERTY(int TrackMinWidth READ TrackMinWidth WRITE SetTrackMinWidth)
    Q_PROPERTY(int MaximizedHeight READ MaximizedHeight WRITE SetMaximizedHeight)
    Q_PROPERTY(int MaximizedWidth READ MaximizedWidth WRITE SetMaximizedWidth)
    Q_PROPERTY(int MaximizedPosX READ MaximizedPosX WRITE SetMaximizedPosX)
    Q_PROPERTY(int MaximizedPosY READ MaximizedPosY WRITE SetMaximizedPosY)

public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TSizeEvent = std::function<void(QObject* sender, int sizeType, int width, int height)>;
    using TMovingEvent = std::function<void(QObject* sender, int left, int top, bool& cancel)>;
    using TDisplayChangeEvent = std::function<void(QObject* sender, int colorDepth, int width, int height)>;
    using TDropEvent =
        std::function<void(QObject* sender, int count, const std::vector<std::string>& names, QPoint point)>;
    using TIntEvent = std::function<void(QObject* sender, int value)>;
    using TTextEvent = std::function<void(QObject* sender, const std::string& name)>;
    using TRefuseEvent = std::function<void(QObject* sender, bool& refuse)>;
    using TTrackInfoEvent = std::function<void(QObject* sender, TEffTrackInfo& info)>;
    using TMaximizeInfoEvent = std::function<void(QObject* sender, TEffMaximizeInfo& info)>;

    // Placed on `owner`, a form. Call Loaded() once the form is built.
    explicit TEffForm(QObject* owner = nullptr);
    ~TEffForm() override;

    TEffIniCtrl* IniLink() const { return iniLink_; }
    void SetIniLink(TEffIniCtrl* link) { iniLink_ = link; }
    TEffIniUse IniUse() const { return iniUse_; }
    void SetIniUse(TEffIniUse use) { iniUse_ = use; }
    std::string Section() const { return section_; }
    void SetSection(const std::string& section) { section_ = section; }
    // Default: the form's class name without its first letter; "Form" without a form.
    std::string IniKey() const { return iniKey_; }
    void SetIniKey(const std::string& key) { iniKey_ = key; }
    TEffFormIniSaveOptions IniSaveOptions() const { return saveOptions_; }
    void SetIniSaveOptions(TEffFormIniSaveOptions options) { saveOptions_ = options; }
    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool accept);
    TEffDlgEffect Effect() const { return effect_; }
    void SetEffect(TEffDlgEffect effect) { effect_ = effect; }
    TEffFormOptions Options() const { return options_; }
    void SetOptions(TEffFormOptions options) { options_ = options; }
    int DesignPPI() const { return designPPI_; }
    void SetDesignPPI(int ppi) { designPPI_ = ppi; }

    // The limits: pixels, or -1 .. -100 for the screen divided by that much; 0 is none. A
    // maximum below the minimum (or a minimum above the maximum) is refused.
    int TrackMaxHeight() const { return limits_.Value(flMaxTrackHeight); }
    int TrackMaxWidth() const { return limits_.Value(flMaxTrackWidth); }
    int TrackMinHeight() const { return limits_.Value(flMinTrackHeight); }
    int TrackMinWidth() const { return limits_.Value(flMinTrackWidth); }
    int MaximizedHeight() const { return limits_.Value(flMaximizedHeight); }
    int MaximizedWidth() const { return limits_.Value(flMaximizedWidth); }
    int MaximizedPosX() const { return limits_.Value(flMaximizedLeft); }
    int MaximizedPosY() const { return limits_.Value(flMaximizedTop); }
    void SetTrackMaxHeight(int v) { SetLimit(flMaxTrackHeight, v); }
    void SetTrackMaxWidth(int v) { SetLimit(flMaxTrackWidth, v); }
    void SetTrackMinHeight(int v) { SetLimit(flMinTrackHeight, v); }
    void SetTrackMinWidth(int v) { SetLimit(flMinTrackWidth, v); }
    void SetMaximizedHeight(int v) { SetLimit(flMaximizedHeight, v); }
    void SetMaximizedWidth(int v) { SetLimit(flMaximizedWidth, v); }
    void SetMaximizedPosX(int v) { SetLimit(flMaximizedLeft, v); }
    void SetMaximizedPosY(int v) { SetLimit(flMaximizedTop, v); }
    // A limit in pixels for the current screen.
    int ConvertedLimit(TEffFormLimit limit) const { return limits_.Converted(limit); }
    // The maximized frame size and position as last answered (the available screen area where
    // nothing is given). A maximized form takes the size as its largest when any is given; the
    // position is the window manager's.
    TEffMaximizeInfo MaximizeInfo() const { return maximizeInfo_; }

    void Activate() override;
    // The settings through the ini control of IniUse (ioNone: nothing is read or written).
    void SaveSettings();
    void RestoreSettings();
    // The screen changed: the limits are recomputed for it, then OnDisplayChange.
    void DisplayChanged();

    TNotifyEvent OnAPMResume, OnAPMCriticalResume, OnFontChange, OnMove, OnPaintIcon, OnSysColorChange,
        OnTimeChange, OnNoRestoreData;
    TRefuseEvent OnAPMSuspendRequest;
    TIntEvent OnCompacting, OnSpoolerStatus;
    TTextEvent OnDevModeChange, OnIniChange;
    TDisplayChangeEvent OnDisplayChange;
    TDropEvent OnFMDragDrop;
    TMaximizeInfoEvent OnMaximizeInfo;
    TTrackInfoEvent OnTrackInfo;
    TMovingEvent OnMoving;
    TSizeEvent OnSize;

protected:
    void WndProc(QEvent* event) override;

private:
    QString SectionText() const;
    void SetSectionText(const QString& text);
    QString IniKeyText() const;
    void SetIniKeyText(const QString& text);
    QWidget* Form() const;
    TEffIniCtrl* Storage();
    void SetLimit(TEffFormLimit limit, int value);
    QSize ScreenSize() const;
    void FormShow();
    // The size limits as the form gets them (the answer to a size-limit request); a maximized
    // form also takes its maximized size and place.
    void ApplyLimits();
    void LimitsLater();
    void ClampSize();
    void AdaptResolution();
    void Moved(QEvent* event);
    void Dropped(QEvent* event);
    void WatchScreen();

    QPointer<TEffIniCtrl> iniLink_;
    TEffIniUse iniUse_ = ioNone;
    std::string section_ = "Common";
    std::string iniKey_;
    TEffFormIniSaveOptions saveOptions_ = TEffFormIniSaveOptions(soPos | soSize | soState);
    bool acceptFiles_ = false;
    TEffDlgEffect effect_ = deNone;
    TEffFormOptions options_ = foAutoShow;
    int designPPI_ = 96;
    bool adapted_ = false, restored_ = false;
    TEffFormLimits limits_;
    TEffMaximizeInfo maximizeInfo_;
    bool designedTaken_ = false;
    QSize designedMin_, designedMax_;
    bool movingBack_ = false, formDestroyed_ = false;
    QPoint movedBackTo_;
    QMetaObject::Connection screenWatch_, primaryWatch_, destroyWatch_;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TEffForm::TEffFormIniSaveOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(TEffForm::TEffFormOptions)

using TEffIniUse = TEffForm::TEffIniUse;
using TEffDlgEffect = TEffForm::TEffDlgEffect;
using TEffFormIniSaveOption = TEffForm::TEffFormIniSaveOption;
using TEffFormOption = TEffForm::TEffFormOption;
using enum TEffForm::TEffIniUse;
using enum TEffForm::TEffDlgEffect;
using enum TEffForm::TEffFormIniSaveOption;
using enum TEffForm::TEffFormOption;

// The helper of the editor's windows: the opening effect under `iniKey`, nothing stored (their
// form storage keeps the placement).
void SetupOpeningEffForm(TEffForm& form, const std::string& iniKey);
