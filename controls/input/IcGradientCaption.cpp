#include "controls/input/IcGradientCaption.h"

#include "controls/input/VisualRoutines.h"
#include "platform/Painting.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// Measured on the device painted on: its resolution may differ from the screen's.
TextWidthFunction WidthIn(const QFont& font, QPaintDevice* device)
{
    return [metrics = QFontMetrics(font, device)](std::string_view text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    };
}

}  // namespace

// ---- TIcCaption ----

TIcCaption::TIcCaption(TIcGradientCaption& owner) : owner_(owner), font_(owner.font_), fontColor_(owner.fontColor_) {}

void TIcCaption::Changed() { owner_.Update(); }

void TIcCaption::SetCaption(const QString& value)
{
    if (value == caption_) return;
    caption_ = value;
    Changed();
}

void TIcCaption::SetFont(const QFont& value)
{
    font_ = value;
    parentFont_ = false;
    Changed();
}

void TIcCaption::SetFontColor(TColor value)
{
    fontColor_ = value;
    parentFont_ = false;
    Changed();
}

void TIcCaption::SetParentFont(bool value)
{
    if (value == parentFont_) return;
    parentFont_ = value;
    if (value) {
        font_ = owner_.font_;
        fontColor_ = owner_.fontColor_;
    }
    Changed();
}

void TIcCaption::SetVisible(bool value)
{
    if (value == visible_) return;
    visible_ = value;
    Changed();
}

void TIcCaption::SetGlueNext(bool value)
{
    if (value == glueNext_) return;
    glueNext_ = value;
    Changed();
}

void TIcCaption::SetInactiveColor(TColor value)
{
    if (value == inactiveColor_) return;
    inactiveColor_ = value;
    // Not seen while the window is active.
    if (!owner_.WindowActive()) Changed();
}

void TIcCaption::Assign(const TIcCaption& source)
{
    caption_ = source.caption_;
    font_ = source.font_;
    fontColor_ = source.fontColor_;
    parentFont_ = source.parentFont_;
    visible_ = source.visible_;
    glueNext_ = source.glueNext_;
    inactiveColor_ = source.inactiveColor_;
    Changed();
}

void TIcCaption::RestoreDefaults()
{
    inactiveColor_ = clInactiveCaptionText;
    visible_ = true;
    parentFont_ = false;  // so that the next line copies the font again
    SetParentFont(true);
}

// ---- TIcCaptionList ----

TIcCaption& TIcCaptionList::Add()
{
    items_.push_back(std::make_unique<TIcCaption>(owner_));
    owner_.Update();
    return *items_.back();
}

void TIcCaptionList::Delete(int index)
{
    items_.erase(items_.begin() + index);
    owner_.Update();
}

void TIcCaptionList::Clear()
{
    items_.clear();
    owner_.Update();
}

// ---- TIcGradientCaption ----

TIcGradientCaption::TIcGradientCaption(QWidget* form) : QObject(form), form_(form), captions_(*this)
{
    ApplyDefaultFont();
    SetActive(true);
}

TIcGradientCaption::~TIcGradientCaption()
{
    OnActivate = nullptr;
    OnDeactivate = nullptr;
    host_.reset();
}

bool TIcGradientCaption::Active() const { return active_ && form_ && form_->isWindow(); }

void TIcGradientCaption::SetActive(bool value)
{
    const bool was = active_;
    active_ = value;
    if (form_ && form_->isWindow()) {
        if (value && !host_)
            host_ = std::make_unique<TCaptionHost>(form_, [this](QPainter& canvas, const TCaptionArea& area) {
                PaintCaption(canvas, area);
            });
        else if (host_)
            host_->SetAttached(value);
        if (value && host_) {
            host_->OnContextMenu = [this](const QPoint& at) {
                if (popupMenu_) popupMenu_->popup(at);
            };
        }
    }
    Update();
    if (was == value) return;
    if (value && OnActivate) OnActivate(this);
    if (!value && OnDeactivate) OnDeactivate(this);
}

bool TIcGradientCaption::WindowActive() const { return Active() && host_ && host_->WindowActive(); }

bool TIcGradientCaption::ShowsGradient() const { return WindowActive() ? gradientActive_ : gradientInactive_; }

void TIcGradientCaption::Update()
{
    if (Active() && host_) host_->Repaint();
}

void TIcGradientCaption::SetStartColor(TColor value)
{
    if (value == startColor_) return;
    startColor_ = value;
    if (ShowsGradient()) Update();
}

void TIcGradientCaption::ApplyDefaultFont()
{
    const bool tool = form_ && (form_->windowFlags() & Qt::WindowType_Mask) == Qt::Tool;
    font_ = TCaptionHost::CaptionFont(tool);
    fontColor_ = clCaptionText;
    FontChanged();
}

void TIcGradientCaption::FontChanged()
{
    for (int i = 0; i < captions_.Count(); ++i) {
        TIcCaption& segment = captions_[i];
        if (!segment.parentFont_) continue;
        segment.font_ = font_;
        segment.fontColor_ = fontColor_;
    }
    Update();
}

void TIcGradientCaption::SetFont(const QFont& value)
{
    font_ = value;
    defaultFont_ = false;
    FontChanged();
}

void TIcGradientCaption::SetFontColor(TColor value)
{
    fontColor_ = value;
    defaultFont_ = false;
    FontChanged();
}

void TIcGradientCaption::SetDefaultFont(bool value)
{
    if (value == defaultFont_) return;
    defaultFont_ = value;
    if (value) ApplyDefaultFont();
}

void TIcGradientCaption::SetHideDirection(THideDirection value)
{
    if (value == hideDirection_) return;
    hideDirection_ = value;
    Update();
}

void TIcGradientCaption::SetGradientActive(bool value)
{
    if (value == gradientActive_) return;
    gradientActive_ = value;
    if (WindowActive()) Update();
}

void TIcGradientCaption::SetGradientInactive(bool value)
{
    if (value == gradientInactive_) return;
    gradientInactive_ = value;
    if (!WindowActive()) Update();
}

void TIcGradientCaption::SetFontInactiveColor(TColor value)
{
    if (value == fontInactiveColor_) return;
    fontInactiveColor_ = value;
    if (!WindowActive()) Update();
}

void TIcGradientCaption::SetFormCaption(const QString& value)
{
    if (value == formCaption_) return;
    formCaption_ = value;
    Update();
}

void TIcGradientCaption::SetGradientSteps(int value)
{
    if (value == gradientSteps_) return;
    gradientSteps_ = value;
    if (ShowsGradient()) Update();
}

void TIcGradientCaption::PaintCaption(QPainter& canvas, const TCaptionArea& area) const
{
    painting::BeginPlainPaint(canvas);
    const QRect bar = area.Bar;
    const bool active = area.Active;
    // The gradient starts a quarter of the width left of the bar, so the bar opens in a blend.
    const TColor end = active ? clActiveCaption : clInactiveCaption;
    if (active ? gradientActive_ : gradientInactive_)
        GradientFillRect(canvas, TRect{bar.left() - bar.width() / 4, bar.top(), bar.right() + 1, bar.bottom() + 1},
                         startColor_, end, gdLeftToRight, gradientSteps_);
    else
        canvas.fillRect(bar, ToQColor(end));

    if (!area.Icon.isEmpty()) {
        TCaptionHost::SmallIcon(form_).paint(&canvas, area.Icon);
    }
    if (formCaption_.isEmpty() && captions_.Count() == 0) return;

    std::vector<TCaptionSegmentText> segments;
    segments.reserve(static_cast<size_t>(captions_.Count()));
    for (int i = 0; i < captions_.Count(); ++i) {
        const TIcCaption& segment = captions_[i];
        segments.push_back({Utf8(segment.caption_), segment.visible_, segment.glueNext_, WidthIn(segment.font_, canvas.device())});
    }
    const QRect text = area.Text.adjusted(2, 0, 0, 0);
    const auto pieces = LayoutSegmentedCaption(segments, Utf8(formCaption_), WidthIn(font_, canvas.device()), text.left(),
                                               text.right() + 1, hideDirection_);
    const auto colourOf = [&](int piece) {
        if (piece == TCaptionPieceDraw::kFormCaption) return active ? fontColor_ : fontInactiveColor_;
        const TIcCaption& segment = captions_[piece];
        return active ? segment.fontColor_ : segment.inactiveColor_;
    };
    canvas.save();
    canvas.setClipRect(text);
    for (const auto& piece : pieces) {
        const bool own = piece.Piece != TCaptionPieceDraw::kFormCaption && !piece.ComponentFont;
        canvas.setFont(own ? captions_[piece.Piece].font_ : font_);
        canvas.setPen(ToQColor(colourOf(piece.ColourOf >= 0 ? piece.ColourOf : piece.Piece)));
        canvas.drawText(QRect(piece.Left, text.top(), text.right() + 1 - piece.Left, text.height()),
                        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromStdString(piece.Text));
    }
    canvas.restore();
}
