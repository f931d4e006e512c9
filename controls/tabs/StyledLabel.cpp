#include "controls/tabs/StyledLabel.h"

#include "platform/Painting.h"

#include <QEvent>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>
#include <numbers>

namespace styledlabel {

int NormalizeAngle(int angle)
{
    angle %= 360;
    return angle < 0 ? angle + 360 : angle;
}

std::vector<TextPass> Passes(const PassStyle& s)
{
    std::vector<TextPass> passes;
    if (s.style == tsRaised || s.style == tsRecessed) {
        const bool raised = s.style == tsRaised;
        const TColor first = raised ? s.shadow : s.highlight, second = raised ? s.highlight : s.shadow;
        if (!(raised && s.lightTextStyle)) passes.push_back({1, 1, first});
        if (!(!raised && s.lightTextStyle)) passes.push_back({-1, -1, second});
    } else if (s.style == tsShadow) {
        const bool shifted = s.rightAligned && s.rotation != roCurve;
        passes.push_back({shifted ? 0 : s.shadowDepth, s.shadowDepth, s.shadow});
    }
    // Straight right-aligned text makes room for its shadow on the left, so the shadow stays inside.
    const bool roomForShadow = s.style == tsShadow && s.rightAligned && s.rotation == roNone;
    passes.push_back({roomForShadow ? -s.shadowDepth : 0, 0, s.enabled ? s.font : clGrayText});
    return passes;
}

FlatOrigin FlatPlacement(int angle, TAlignment alignment, int right, int bottom, int textWidth, int textHeight,
                         int shadow)
{
    FlatOrigin o{right / 2, bottom / 2, false, true};
    const double t = std::numbers::pi / 2 + angle * std::numbers::pi / 180;
    const int dx = int(std::lround(std::cos(t) * textHeight / 4));
    switch (angle) {
    case 0:
    case 360:
        if (alignment == taCenter) o.centered = true;
        else o.x = alignment == taRightJustify ? right - textWidth - shadow : shadow;
        o.y -= textHeight / 2;
        o.baseline = false;
        break;
    case 180:
        o.x = alignment == taCenter ? right - (right - textWidth) / 2
              : alignment == taRightJustify ? textWidth : right - shadow;
        o.y -= textHeight / 4;
        break;
    case 90:
        o.x -= dx;
        o.y = alignment == taCenter ? bottom - (bottom - textWidth) / 2
              : alignment == taRightJustify ? textWidth + shadow : bottom - shadow;
        break;
    case 270:
        o.x -= dx;
        o.y = alignment == taCenter ? (bottom - textWidth) / 2
              : alignment == taRightJustify ? bottom - textWidth - shadow : shadow;
        break;
    default:
        o.x -= dx;
        o.y += int(std::lround(std::sin(t) * textHeight / 4));
        o.centered = true;
    }
    return o;
}

QPoint ReferencePoint(TCenterPoint point, int width, int height)
{
    const int xs[3] = {0, width / 2, width}, ys[3] = {0, height / 2, height};
    switch (point) {
    case cpUpperLeft: return {xs[0], ys[0]};
    case cpUpperCenter: return {xs[1], ys[0]};
    case cpUpperRight: return {xs[2], ys[0]};
    case cpLeftCenter: return {xs[0], ys[1]};
    case cpCenter: return {xs[1], ys[1]};
    case cpRightCenter: return {xs[2], ys[1]};
    case cpLowerLeft: return {xs[0], ys[2]};
    case cpLowerCenter: return {xs[1], ys[2]};
    case cpLowerRight: return {xs[2], ys[2]};
    }
    return {xs[1], ys[1]};
}

QPoint ArcRadii(TCenterPoint point, int width, int height)
{
    switch (point) {
    case cpUpperCenter:
    case cpLowerCenter: return {width / 2, height};
    case cpLeftCenter:
    case cpRightCenter: return {width, height / 2};
    case cpCenter: return {width / 2, height / 2};
    default: return {width, height};
    }
}

}  // namespace styledlabel

namespace {

QString WithoutAccelerators(const QString& caption)
{
    static const QRegularExpression single(QStringLiteral("&(.)"));
    QString plain = caption;
    return plain.replace(single, QStringLiteral("\\1"));
}

// Draws `text` at `at`, turned by `angle` degrees anticlockwise, placed on the point as the
// placement says.
void DrawTurned(QPainter& canvas, QPoint at, double angle, const QString& text, bool centered, bool baseline)
{
    const QFontMetrics metrics = canvas.fontMetrics();
    canvas.save();
    canvas.translate(at);
    canvas.rotate(-angle);
    canvas.drawText(QPoint(centered ? -metrics.horizontalAdvance(text) / 2 : 0, baseline ? 0 : metrics.ascent()), text);
    canvas.restore();
}

}  // namespace

TStyledLabel::TStyledLabel(const QString& caption, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    SetCaption(caption);
}

template <typename T> void TStyledLabel::Store(T& field, T value)
{
    if (field == value) return;
    field = value;
    update();
}

void TStyledLabel::SetCaption(const QString& caption)
{
    if (caption == caption_ && !caption.isEmpty()) return;
    caption_ = caption;
    setText(caption);
    setAccessibleName(showAccelChar_ ? WithoutAccelerators(caption) : caption);
    FitSize();
    update();
}

void TStyledLabel::SetAngle(int angle)
{
    angle = styledlabel::NormalizeAngle(angle);
    if (angle == angle_) return;
    angle_ = angle;
    if (angle_ != 0) {
        autoSize_ = false;
        if (!loading_) EnsureTrueType();
    }
    if (rotation_ != roNone) update();
}

void TStyledLabel::SetCenterPoint(TCenterPoint point) { Store(centerPoint_, point); }

void TStyledLabel::SetRotation(TRotation rotation)
{
    if (rotation == rotation_) return;
    rotation_ = rotation;
    if (rotation_ == roFlat) centerPoint_ = cpCenter;
    if (rotation_ != roNone && !loading_) EnsureTrueType();
    update();
}

void TStyledLabel::SetTextStyle(TTextStyle style) { Store(textStyle_, style); }
void TStyledLabel::SetAlignment(TAlignment alignment) { Store(alignment_, alignment); }
void TStyledLabel::SetFlyByColor(TColor color) { Store(flyByColor_, color); }

void TStyledLabel::SetFlyByEnabled(bool enabled)
{
    if (enabled == flyByEnabled_) return;
    flyByEnabled_ = enabled;
    if (!enabled && savedColor_) {
        SetFontColor(*savedColor_);
        savedColor_.reset();
    }
}

void TStyledLabel::SetLightTextStyle(bool light) { Store(lightTextStyle_, light); }
void TStyledLabel::SetHighlightColor(TColor color) { Store(highlightColor_, color); }
void TStyledLabel::SetShadowColor(TColor color) { Store(shadowColor_, color); }
void TStyledLabel::SetShadowDepth(int depth) { Store(shadowDepth_, depth); }
void TStyledLabel::SetColor(TColor color) { Store(color_, color); }
void TStyledLabel::SetFontColor(TColor color) { Store(fontColor_, color); }
void TStyledLabel::SetTransparent(bool transparent) { Store(transparent_, transparent); }

void TStyledLabel::SetAutoSize(bool autoSize)
{
    if (autoSize == autoSize_) return;
    autoSize_ = autoSize;
    FitSize();
}

void TStyledLabel::SetWordWrap(bool wrap)
{
    if (wrap == wordWrap_) return;
    wordWrap_ = wrap;
    FitSize();
    update();
}

void TStyledLabel::SetShowAccelChar(bool show)
{
    if (show == showAccelChar_) return;
    showAccelChar_ = show;
    setAccessibleName(show ? WithoutAccelerators(caption_) : caption_);
    FitSize();
    update();
}

void TStyledLabel::Loaded()
{
    loading_ = false;
    if (angle_ != 0 && rotation_ == roNone) rotation_ = roFlat;
    if (rotation_ != roNone) EnsureTrueType();
    FitSize();
    update();
}

void TStyledLabel::EnsureTrueType()
{
    if (painting::IsTrueTypeFont(font())) return;
    QFont arial = font();
    arial.setFamily(QLatin1String(painting::TrueTypeReplacement));
    replacingFont_ = true;
    setFont(arial);
    replacingFont_ = false;
}

void TStyledLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() != QEvent::FontChange) return;
    if (!loading_ && !replacingFont_ && !painting::IsTrueTypeFont(font())) angle_ = 0;
    FitSize();
}

int TStyledLabel::DrawFlags() const
{
    int flags = Qt::AlignTop | Qt::TextExpandTabs;
    flags |= alignment_ == taCenter ? Qt::AlignHCenter : alignment_ == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
    if (wordWrap_) flags |= Qt::TextWordWrap;
    if (showAccelChar_) flags |= Qt::TextShowMnemonic;
    return flags;
}

QSize TStyledLabel::sizeHint() const
{
    const int wrapWidth = wordWrap_ ? std::max(width(), 1) : 0x7fff;
    const QRect needed = fontMetrics().boundingRect(QRect(0, 0, wrapWidth, 0x7fff), DrawFlags(), caption_);
    return needed.size().expandedTo(QSize(1, fontMetrics().height()));
}

void TStyledLabel::FitSize()
{
    if (autoSize_ && !loading_) resize(sizeHint());
}

styledlabel::PassStyle TStyledLabel::CurrentPassStyle() const
{
    return {textStyle_, lightTextStyle_, highlightColor_, shadowColor_, fontColor_, shadowDepth_,
            isEnabled(), alignment_ == taRightJustify, rotation_};
}

void TStyledLabel::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    if (!transparent_) canvas.fillRect(rect(), painting::ToQColor(color_));
    // Exact one-pixel passes need hard glyph edges.
    QFont plain = font();
    plain.setStyleStrategy(QFont::NoAntialias);
    canvas.setFont(plain);
    const std::vector<styledlabel::TextPass> passes = styledlabel::Passes(CurrentPassStyle());
    if (rotation_ == roCurve) DrawCurve(canvas, passes);
    else if (rotation_ == roFlat) DrawFlat(canvas, passes);
    else DrawStraight(canvas, passes);
}

void TStyledLabel::DrawStraight(QPainter& canvas, const std::vector<styledlabel::TextPass>& passes) const
{
    for (const styledlabel::TextPass& pass : passes) {
        canvas.setPen(painting::ToQColor(pass.color));
        canvas.drawText(rect().translated(pass.dx, pass.dy), DrawFlags(), caption_);
    }
}

void TStyledLabel::DrawFlat(QPainter& canvas, const std::vector<styledlabel::TextPass>& passes) const
{
    const QFontMetrics metrics = canvas.fontMetrics();
    const int shadow = textStyle_ == tsShadow ? shadowDepth_ : 0;
    const styledlabel::FlatOrigin o =
        styledlabel::FlatPlacement(angle_, alignment_, width(), height(), metrics.horizontalAdvance(caption_),
                                   metrics.height(), shadow);
    canvas.setClipRect(rect());
    for (const styledlabel::TextPass& pass : passes) {
        canvas.setPen(painting::ToQColor(pass.color));
        DrawTurned(canvas, QPoint(o.x + pass.dx, o.y + pass.dy), angle_, caption_, o.centered, o.baseline);
    }
}

void TStyledLabel::DrawCurve(QPainter& canvas, const std::vector<styledlabel::TextPass>& passes) const
{
    const QPoint p = styledlabel::ReferencePoint(centerPoint_, width(), height());
    const QPoint radii = styledlabel::ArcRadii(centerPoint_, width(), height());
    // The step along the arc divides by the horizontal radius: without one there is no arc.
    if (radii.x() <= 0) return;
    const QFontMetrics metrics = canvas.fontMetrics();
    const int h = metrics.height();
    const double step = double(metrics.horizontalAdvance(QLatin1Char('w')) + 2) / radii.x();
    double a = angle_ * std::numbers::pi / 180;
    for (const QChar ch : caption_) {
        const int x = p.x() - int(std::lround(std::sin(a) * (radii.x() - h)));
        const int y = p.y() - int(std::lround(std::cos(a) * (radii.y() - h)));
        const double degrees = std::lround(a * 1800 / std::numbers::pi) / 10.0;
        for (const styledlabel::TextPass& pass : passes) {
            canvas.setPen(painting::ToQColor(pass.color));
            DrawTurned(canvas, QPoint(x + pass.dx, y + pass.dy), degrees, QString(ch), true, true);
        }
        a -= step;
    }
}

void TStyledLabel::MouseEnter()
{
    if (flyByEnabled_ && !savedColor_) {
        savedColor_ = fontColor_;
        SetFontColor(flyByColor_);
    }
    emit OnMouseEnter();
}

void TStyledLabel::MouseLeave()
{
    // Only a colour that was saved goes back: a label entered before fly-by was on keeps its own.
    if (savedColor_) {
        SetFontColor(*savedColor_);
        savedColor_.reset();
    }
    emit OnMouseLeave();
}

void TStyledLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    MouseEnter();
}

void TStyledLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    MouseLeave();
}
