#include "controls/effects/EffForm.h"

#include "controls/effects/EffGraphicObjects.h"
#include "controls/effects/EffScreen.h"
#include "controls/effects/EffText.h"
#include "controls/effects/EffUtils.h"
#include "controls/input/AppUtils.h"
#include "platform/Guard.h"
#include "platform/Painting.h"
#include "platform/QtText.h"

#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QMoveEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

// The local files among dropped items, as the file system spells them: nothing upper-cased,
// nothing cut short.
std::vector<std::string> DroppedFileNames(const QMimeData* data)
{
    std::vector<std::string> names;
    if (!data || !data->hasUrls()) return names;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return names;
}

int SizeType(const QWidget* form)
{
    const Qt::WindowStates state = form->windowState();
    return state & Qt::WindowMinimized                             ? SIZE_MINIMIZED
           : state & (Qt::WindowMaximized | Qt::WindowFullScreen) ? SIZE_MAXIMIZED
                                                                  : SIZE_RESTORED;
}

void FontOf(const QWidget* form, TFont& font)
{
    const QFont f = form->font();
    font.SetName(f.family());
    font.SetSize(f.pointSize() > 0 ? f.pointSize() : 8);
    font.SetColor(painting::FromQColor(form->palette().color(QPalette::WindowText)));
    TFontStyles style;
    if (f.bold()) style |= fsBold;
    if (f.italic()) style |= fsItalic;
    if (f.underline()) style |= fsUnderline;
    if (f.strikeOut()) style |= fsStrikeOut;
    font.SetStyle(style);
}

}  // namespace

TEffForm::TEffForm(QObject* owner) : TEffWndProcComponent(owner)
{
    const QWidget* form = Form();
    const std::string className = form ? form->metaObject()->className() : "";
    iniKey_ = className.size() > 1 ? className.substr(1) : "Form";
    const QSize screen = ScreenSize();
    limits_.Recompute(screen.width(), screen.height());
}

TEffForm::~TEffForm()
{
    if (QWidget* form = Form(); form && acceptFiles_ && Hooked() && !formDestroyed_) form->setAcceptDrops(false);
}

QString TEffForm::SectionText() const { return qttext::toQString(section_); }
void TEffForm::SetSectionText(const QString& text) { section_ = qttext::fromQString(text, true); }
QString TEffForm::IniKeyText() const { return qttext::toQString(iniKey_); }
void TEffForm::SetIniKeyText(const QString& text) { iniKey_ = qttext::fromQString(text, true); }

QWidget* TEffForm::Form() const
{
    auto* w = qobject_cast<QWidget*>(parent());
    return w && w->isWindow() ? w : nullptr;
}

QSize TEffForm::ScreenSize() const
{
    const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    return screen ? screen->size() : QSize();
}

TEffIniCtrl* TEffForm::Storage()
{
    switch (iniUse_) {
    case ioUseGlobal: return &EffApplication().IniCtrl();
    case ioUseLink:
        // A form with exactly one ini control links to it.
        if (!iniLink_ && parent()) {
            const auto controls = parent()->findChildren<TEffIniCtrl*>();
            if (controls.size() == 1) iniLink_ = controls.front();
        }
        return iniLink_;
    case ioNone: break;
    }
    return nullptr;
}

void TEffForm::SetAcceptFiles(bool accept)
{
    if (accept == acceptFiles_) return;
    acceptFiles_ = accept;
    if (QWidget* form = Form(); form && Hooked()) form->setAcceptDrops(accept);
}

void TEffForm::SetLimit(TEffFormLimit limit, int value)
{
    if (limits_.Value(limit) == value) return;
    const QSize screen = ScreenSize();
    if (limits_.Set(limit, value, screen.width(), screen.height())) ApplyLimits();
}

void TEffForm::Activate()
{
    TEffWndProcComponent::Activate();
    QWidget* form = Form();
    if (!form || !Hooked()) return;
    if (acceptFiles_) form->setAcceptDrops(true);
    // The form's children, this one among them, are gone before it sees its own destruction as
    // an event; its destroyed signal comes while it still is a whole window.
    if (!destroyWatch_)
        destroyWatch_ = connect(form, &QObject::destroyed, this, [this] {
            if (Enabled()) guard::toApplication([this] { SaveSettings(); });
            formDestroyed_ = true;
        });
    WatchScreen();
    ApplyLimits();
}

void TEffForm::WatchScreen()
{
    if (!qGuiApp || primaryWatch_) return;
    const auto watch = [this] {
        disconnect(screenWatch_);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            screenWatch_ = connect(screen, &QScreen::geometryChanged, this, [this] { DisplayChanged(); });
    };
    watch();
    primaryWatch_ = connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this, watch] {
        watch();
        DisplayChanged();
    });
}

void TEffForm::DisplayChanged()
{
    if (!Enabled()) return;
    guard::toApplication([this] {
        const QSize screen = ScreenSize();
        limits_.Recompute(screen.width(), screen.height());
        ApplyLimits();
        if (OnDisplayChange) OnDisplayChange(this, GetColorDepth(), screen.width(), screen.height());
    });
}

void TEffForm::ApplyLimits()
{
    QWidget* form = Form();
    if (!form || !Hooked() || !Enabled()) return;
    // A form without limits or handlers keeps whatever limits it has (another component's too).
    if (!designedTaken_ && !limits_.Any() && !OnTrackInfo && !OnMaximizeInfo) return;
    if (!designedTaken_) {
        designedMin_ = form->minimumSize();
        designedMax_ = form->maximumSize();
        designedTaken_ = true;
    }
    const auto pick = [this](TEffFormLimit limit, int platform) {
        return limits_.Converted(limit) > 0 ? limits_.Converted(limit) : platform;
    };
    TEffTrackInfo track{designedMax_.width(), designedMax_.height(), designedMin_.width(), designedMin_.height()};
    if (OnTrackInfo) {
        OnTrackInfo(this, track);
    } else {
        track = {pick(flMaxTrackWidth, track.MaxTrackWidth), pick(flMaxTrackHeight, track.MaxTrackHeight),
                 pick(flMinTrackWidth, track.MinTrackWidth), pick(flMinTrackHeight, track.MinTrackHeight)};
    }
    const int minW = std::max(track.MinTrackWidth, 0), minH = std::max(track.MinTrackHeight, 0);
    const int maxW = std::clamp(track.MaxTrackWidth, minW, QWIDGETSIZE_MAX);
    const int maxH = std::clamp(track.MaxTrackHeight, minH, QWIDGETSIZE_MAX);

    const QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    TEffMaximizeInfo maximized{area.width(), area.height(), area.x(), area.y()};
    const bool given = OnMaximizeInfo || limits_.Converted(flMaximizedWidth) > 0 ||
                       limits_.Converted(flMaximizedHeight) > 0 || limits_.Converted(flMaximizedLeft) > 0 ||
                       limits_.Converted(flMaximizedTop) > 0;
    if (OnMaximizeInfo) {
        OnMaximizeInfo(this, maximized);
    } else {
        maximized = {pick(flMaximizedWidth, maximized.Width), pick(flMaximizedHeight, maximized.Height),
                     pick(flMaximizedLeft, maximized.Left), pick(flMaximizedTop, maximized.Top)};
    }
    maximizeInfo_ = maximized;
    // The window manager maximizes here, and any geometry given to a maximized window ends its
    // maximized state. What can be applied is the size: a maximized form with its own maximized
    // size gets it as its largest, which the window manager keeps to; the place stays its own.
    const bool placeMaximized =
        given && (form->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) ==
                     Qt::WindowMaximized;
    const QSize max = placeMaximized ? MaximizedSizeLimit(form, {maximized.Width, maximized.Height}, {minW, minH}, {maxW, maxH})
                                     : QSize(maxW, maxH);
    form->setMinimumSize(minW, minH);
    form->setMaximumSize(max);
}

void TEffForm::LimitsLater()
{
    QTimer::singleShot(0, this, [this] { guard::toApplication([this] { ApplyLimits(); }); });
}

void TEffForm::ClampSize()
{
    QWidget* form = Form();
    if (!form || form->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const auto clamp = [this](int v, TEffFormLimit min, TEffFormLimit max) {
        if (limits_.Converted(max) > 0) v = std::min(v, limits_.Converted(max));
        if (limits_.Converted(min) > 0) v = std::max(v, limits_.Converted(min));
        return v;
    };
    const QSize size(clamp(form->width(), flMinTrackWidth, flMaxTrackWidth),
                     clamp(form->height(), flMinTrackHeight, flMaxTrackHeight));
    if (size != form->size()) form->resize(size);
}

void TEffForm::AdaptResolution()
{
    adapted_ = true;
    QWidget* form = Form();
    const QScreen* screen = form && form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!form || !screen || designPPI_ <= 0) return;
    const int ppi = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    if (ppi == designPPI_) return;
    for (QWidget* control : form->findChildren<QWidget*>()) {
        if (control->isWindow()) continue;
        const QRect g = control->geometry();
        control->setGeometry(MulDiv(g.x(), ppi, designPPI_), MulDiv(g.y(), ppi, designPPI_),
                             MulDiv(g.width(), ppi, designPPI_), MulDiv(g.height(), ppi, designPPI_));
    }
}

void TEffForm::FormShow()
{
    if (options_.testFlag(foRestoreOnce) && restored_) return;
    RestoreSettings();
    restored_ = true;
    ApplyLimits();
    ClampSize();
    // A form shown maximized gets its maximized size and place once the window is up.
    LimitsLater();
    if (options_.testFlag(foTryAdaptRes) && !adapted_) AdaptResolution();
}

void TEffForm::SaveSettings()
{
    TEffIniCtrl* ini = Storage();
    const QWidget* form = Form();
    if (!ini || !form) return;
    ini->WriteString(section_, iniKey_, PlacementString({0, FormShowCmd(form), FormNormalRect(form)}));
    const std::string colorKey = iniKey_ + "Color", fontKey = iniKey_ + "Font";
    if (saveOptions_.testFlag(soColor))
        ini->WriteString(section_, colorKey, ColorToString(painting::FromQColor(form->palette().color(QPalette::Window))));
    else
        ini->DeleteKey(section_, colorKey);
    if (saveOptions_.testFlag(soFont)) {
        TFont font;
        FontOf(form, font);
        ini->WriteString(section_, fontKey, FontToString(font));
    } else {
        ini->DeleteKey(section_, fontKey);
    }
}

void TEffForm::RestoreSettings()
{
    TEffIniCtrl* ini = Storage();
    QWidget* form = Form();
    if (!ini || !form) return;
    // A form that opens centred reads its value even when nothing of it is kept: without one it
    // is centred (foAutoCenter) and OnNoRestoreData tells.
    if (saveOptions_ & (soPos | soSize | soState) || FormPosition(form) == poScreenCenter) {
        TEffPlacement placement;
        if (ParsePlacement(ini->ReadString(section_, iniKey_, ""), placement)) {
            const bool position = saveOptions_.testFlag(soPos), size = saveOptions_.testFlag(soSize);
            if (position || size) {
                const TRect r = RestoredRect(placement.Normal, FormNormalRect(form), position, size);
                // Pulled onto a screen on every side, size kept: a window saved on a screen that is
                // gone, or half off one, opens where it can be seen.
                if (RectWidth(r) > 0 && RectHeight(r) > 0) SetFormNormalRect(form, FitFormRect(form, r, false));
            }
            if (saveOptions_.testFlag(soState)) {
                // Restoring never shows or hides the form; without foAutoShow it keeps its state.
                const int showCmd = options_.testFlag(foAutoShow) ? placement.ShowCmd : SW_HIDE;
                form->setWindowState(ShowCmdState(showCmd, form->windowState()));
            }
        } else {
            if (options_.testFlag(foAutoCenter)) CenterOnScreen(form);
            if (OnNoRestoreData) OnNoRestoreData(this);
        }
    }
    if (saveOptions_.testFlag(soColor)) {
        TColor color;
        const std::string text = ini->ReadString(section_, iniKey_ + "Color", "");
        if (!text.empty() && StringToColor(text, color)) {
            QPalette palette = form->palette();
            palette.setColor(QPalette::Window, painting::ToQColor(color));
            form->setPalette(palette);
        }
    }
    if (saveOptions_.testFlag(soFont)) {
        const std::string text = ini->ReadString(section_, iniKey_ + "Font", "");
        if (!text.empty()) {
            TFont font;
            FontOf(form, font);
            StringToFont(text, font);
            form->setFont(font.ToQFont());
            QPalette palette = form->palette();
            palette.setColor(QPalette::WindowText, painting::ToQColor(font.Color()));
            form->setPalette(palette);
        }
    }
}

void TEffForm::Moved(QEvent* event)
{
    auto* move = static_cast<QMoveEvent*>(event);
    QWidget* form = Form();
    if (!form) return;
    if (movingBack_) {
        // The move that undid a cancelled one is no move of the user's.
        if (move->pos() == movedBackTo_) {
            movingBack_ = false;
            return;
        }
        movingBack_ = false;
    }
    if (OnMoving) {
        bool cancel = false;
        OnMoving(this, move->pos().x(), move->pos().y(), cancel);
        if (cancel && move->oldPos() != move->pos()) {
            // Positions here are the frame's, as move() takes them.
            movingBack_ = true;
            movedBackTo_ = move->oldPos();
            form->move(move->oldPos());
            return;
        }
    }
    if (OnMove) OnMove(this);
}

void TEffForm::Dropped(QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event);
    if (!acceptFiles_) return;
    const std::vector<std::string> names = DroppedFileNames(drop->mimeData());
    if (names.empty()) return;
    drop->acceptProposedAction();
    if (OnFMDragDrop) OnFMDragDrop(this, static_cast<int>(names.size()), names, drop->position().toPoint());
}

void TEffForm::WndProc(QEvent* event)
{
    QWidget* form = Form();
    if (!Enabled() || !form) return;
    switch (event->type()) {
    case QEvent::Show:
        // A window the window manager brings back from an icon is not being opened.
        if (event->spontaneous()) break;
        guard::toApplication([this] { FormShow(); });
        if (effect_ == deExplode) ExplodeEffect(form);
        else if (effect_ == deExplodeExt) ExplodeExtEffect(form);
        break;
    case QEvent::Move: Moved(event); break;
    case QEvent::Resize:
        if (OnSize) OnSize(this, SizeType(form), form->width(), form->height());
        break;
    case QEvent::WindowStateChange: {
        // Minimizing and restoring from an icon change no size, but they are size changes here.
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const bool wasIcon = change->oldState() & Qt::WindowMinimized;
        const bool isIcon = form->windowState() & Qt::WindowMinimized;
        if (wasIcon != isIcon && OnSize) OnSize(this, SizeType(form), form->width(), form->height());
        // Maximized or back: the limits of the new state, once the window manager has placed it.
        if ((change->oldState() ^ form->windowState()) & (Qt::WindowMaximized | Qt::WindowMinimized)) LimitsLater();
        break;
    }
    case QEvent::ApplicationPaletteChange:
        if (OnSysColorChange) OnSysColorChange(this);
        break;
    case QEvent::ApplicationFontChange:
        if (OnFontChange) OnFontChange(this);
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (acceptFiles_ && !DroppedFileNames(drag->mimeData()).empty()) drag->acceptProposedAction();
        break;
    }
    case QEvent::Drop: Dropped(event); break;
    default: break;
    }
}

void SetupOpeningEffForm(TEffForm& form, const std::string& iniKey)
{
    form.SetEffect(deExplode);
    form.SetIniSaveOptions({});
    form.SetIniKey(iniKey);
}
