#pragma once
// A label whose caption is drawn raised, recessed or with a drop shadow, optionally rotated to any
// angle or laid along an arc, and which can take another font colour while the mouse is over it.

#include "controls/input/SpeedButtonRules.h"
#include "platform/Colors.h"

#include <QLabel>
#include <optional>
#include <vector>

enum TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
enum TRotation { roNone, roFlat, roCurve };
enum TCenterPoint {
    cpUpperLeft, cpUpperCenter, cpUpperRight, cpLeftCenter, cpCenter, cpRightCenter,
    cpLowerLeft, cpLowerCenter, cpLowerRight
};

namespace styledlabel {

// Any angle in degrees brought into 0..359.
int NormalizeAngle(int angle);

// One drawing of the caption: where, relative to the base position, and in which colour.
struct TextPass {
    int dx, dy;
    TColor color;
    bool operator==(const TextPass&) const = default;
};

struct PassStyle {
    TTextStyle style = tsRecessed;
    bool lightTextStyle = false;
    TColor highlight = clBtnHighlight, shadow = clBtnShadow, font = clWindowText;
    int shadowDepth = 2;
    bool enabled = true, rightAligned = false;
    TRotation rotation = roNone;
};

// The drawings in order, the caption in its own colour last.
std::vector<TextPass> Passes(const PassStyle& s);

// Where a rotated caption starts: the point and how the text sits on it.
struct FlatOrigin {
    int x, y;
    bool centered;  // the point is the middle of the text, else its start
    bool baseline;  // the point is on the baseline, else the top of the cell
};
// `textWidth` of the caption, `textHeight` of "Pp", `shadow` the depth with a drop shadow else 0.
FlatOrigin FlatPlacement(int angle, TAlignment alignment, int right, int bottom, int textWidth, int textHeight,
                         int shadow);

// The point a rotation or arc refers to.
QPoint ReferencePoint(TCenterPoint point, int width, int height);
// The radii of an arc: horizontal, vertical.
QPoint ArcRadii(TCenterPoint point, int width, int height);

}  // namespace styledlabel

class TStyledLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Angle READ Angle WRITE SetAngle)
    Q_PROPERTY(TColor FlyByColor READ FlyByColor WRITE SetFlyByColor)
    Q_PROPERTY(bool FlyByEnabled READ FlyByEnabled WRITE SetFlyByEnabled)
    Q_PROPERTY(bool LightTextStyle READ LightTextStyle WRITE SetLightTextStyle)
    Q_PROPERTY(TColor HighlightColor READ HighlightColor WRITE SetHighlightColor)
    Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowDepth READ ShadowDepth WRITE SetShadowDepth)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TColor FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
public:
    explicit TStyledLabel(const QString& caption = {}, QWidget* parent = nullptr);

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // Degrees, 0..359; a non-zero angle switches AutoSize off.
    int Angle() const { return angle_; }
    void SetAngle(int angle);
    TCenterPoint CenterPoint() const { return centerPoint_; }
    void SetCenterPoint(TCenterPoint point);
    // roFlat also centres the rotation.
    TRotation Rotation() const { return rotation_; }
    void SetRotation(TRotation rotation);
    TTextStyle TextStyle() const { return textStyle_; }
    void SetTextStyle(TTextStyle style);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TColor FlyByColor() const { return flyByColor_; }
    void SetFlyByColor(TColor color);
    // Off puts back the colour saved when the mouse came over the label.
    bool FlyByEnabled() const { return flyByEnabled_; }
    void SetFlyByEnabled(bool enabled);
    bool LightTextStyle() const { return lightTextStyle_; }
    void SetLightTextStyle(bool light);
    TColor HighlightColor() const { return highlightColor_; }
    void SetHighlightColor(TColor color);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color);
    int ShadowDepth() const { return shadowDepth_; }
    void SetShadowDepth(int depth);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wrap);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);

    // Setters between these two act as while a stored form is read; Loaded settles the rotation.
    void BeginLoad() { loading_ = true; }
    void Loaded();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    virtual void MouseEnter();
    virtual void MouseLeave();
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    template <typename T> void Store(T& field, T value);
    void EnsureTrueType();
    void FitSize();
    int DrawFlags() const;
    styledlabel::PassStyle CurrentPassStyle() const;
    void DrawStraight(QPainter& canvas, const std::vector<styledlabel::TextPass>& passes) const;
    void DrawFlat(QPainter& canvas, const std::vector<styledlabel::TextPass>& passes) const;
    void DrawCurve(QPainter& canvas, const std::vector<styledlabel::TextPass>& passes) const;

    QString caption_;
    int angle_ = 0;
    TCenterPoint centerPoint_ = cpCenter;
    std::optional<TColor> savedColor_;  // the font colour before fly-by, while it is replaced
    bool flyByEnabled_ = false;
    TColor flyByColor_ = clHighlight;
    bool lightTextStyle_ = false;
    TTextStyle textStyle_ = tsRecessed;
    TRotation rotation_ = roNone;
    TColor highlightColor_ = clBtnHighlight, shadowColor_ = clBtnShadow;
    int shadowDepth_ = 2;
    TAlignment alignment_ = taLeftJustify;
    TColor color_ = clBtnFace, fontColor_ = clWindowText;
    bool transparent_ = false, autoSize_ = true, wordWrap_ = false, showAccelChar_ = true;
    bool loading_ = false, replacingFont_ = false;
};
