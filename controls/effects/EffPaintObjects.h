#pragma once
// The bevel, gradient and transparency settings of the effect controls.

#include "controls/effects/EffObject.h"
#include "controls/input/GdiTypes.h"

#include <vector>

class QPainter;

class TEffBevel : public TEffObject {
    Q_OBJECT
    Q_PROPERTY(eff::TEffBevelStyle StyleInner READ StyleInner WRITE SetStyleInner)
    Q_PROPERTY(eff::TEffBevelStyle StyleOuter READ StyleOuter WRITE SetStyleOuter)
    Q_PROPERTY(int WidthInner READ WidthInner WRITE SetWidthInner)
    Q_PROPERTY(int WidthOuter READ WidthOuter WRITE SetWidthOuter)
    Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(eff::TEffFrameSides BorderSides READ BorderSides WRITE SetBorderSides)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(int BorderInnerWidth READ BorderInnerWidth WRITE SetBorderInnerWidth)
    Q_PROPERTY(eff::TEffEdgeStyle EdgeStyle READ EdgeStyle WRITE SetEdgeStyle)
    Q_PROPERTY(TColor LightColor READ LightColor WRITE SetLightColor)
    Q_PROPERTY(eff::TEffBevelMode Mode READ Mode WRITE SetMode)
    Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(eff::TEffBorderStyle StandardStyle READ StandardStyle WRITE SetStandardStyle)
public:
    static constexpr int kMaxBevelWidth = 50, kMaxBorderWidth = 255;

    explicit TEffBevel(QObject* parent = nullptr);
    void Assign(const TEffObject* source) override;

    TEffBevelStyle StyleInner() const { return styleInner_; }
    void SetStyleInner(TEffBevelStyle style) { SetStyle(styleInner_, styleOuter_, style); }
    TEffBevelStyle StyleOuter() const { return styleOuter_; }
    void SetStyleOuter(TEffBevelStyle style) { SetStyle(styleOuter_, styleInner_, style); }
    // 0 .. 50.
    int WidthInner() const { return widthInner_; }
    void SetWidthInner(int width);
    int WidthOuter() const { return widthOuter_; }
    void SetWidthOuter(int width);
    TColor BorderColor() const { return colors_[0]; }
    void SetBorderColor(TColor color) { SetColor(0, color); }
    TEffFrameSides BorderSides() const { return borderSides_; }
    void SetBorderSides(TEffFrameSides sides) { SetField(borderSides_, sides); }
    // 0 .. 255.
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    int BorderInnerWidth() const { return borderInnerWidth_; }
    void SetBorderInnerWidth(int width);
    TEffEdgeStyle EdgeStyle() const { return edgeStyle_; }
    void SetEdgeStyle(TEffEdgeStyle style) { SetField(edgeStyle_, style); }
    TColor LightColor() const { return colors_[1]; }
    void SetLightColor(TColor color) { SetColor(1, color); }
    TEffBevelMode Mode() const { return mode_; }
    void SetMode(TEffBevelMode mode) { SetField(mode_, mode); }
    TColor ShadowColor() const { return colors_[2]; }
    void SetShadowColor(TColor color) { SetColor(2, color); }
    TEffBorderStyle StandardStyle() const { return standardStyle_; }
    void SetStandardStyle(TEffBorderStyle style);

    // The bevel's whole width in pixels.
    int BevelExtend() const { return extend_; }
    // Paints the bevel into Rect; Inner is what lies inside it.
    void PaintBevel(QPainter& canvas, const TRect& rect, TRect& inner, bool transparent) const;

protected:
    void Change() override;

private:
    void SetStyle(TEffBevelStyle& mine, TEffBevelStyle& other, TEffBevelStyle style);
    void SetColor(int index, TColor color);
    void BorderBand(QPainter& canvas, TRect& rect, int width, bool transparent) const;
    int ComputeExtend() const;

    TEffBevelStyle styleInner_ = bvNone, styleOuter_ = bvNone;
    int widthInner_ = 1, widthOuter_ = 1;
    TColor colors_[3] = {clBtnFace, clBtnHighlight, clBtnShadow};  // border, light, shadow
    TEffFrameSides borderSides_ = TEffFrameSides(fsBottom | fsLeft | fsRight | fsTop);
    int borderWidth_ = 0, borderInnerWidth_ = 0;
    TEffEdgeStyle edgeStyle_ = etEtched;
    TEffBevelMode mode_ = bmCustom;
    TEffBorderStyle standardStyle_ = lsSingleLowered;
    int extend_ = 0;
};

class TEffGradient : public TEffObject {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int ColorCount READ ColorCount WRITE SetColorCount)
    Q_PROPERTY(eff::TEffGradientStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(TColor EndColor READ EndColor WRITE SetEndColor)
    Q_PROPERTY(bool PaletteRealize READ PaletteRealize WRITE SetPaletteRealize)
public:
    static constexpr int kMinColorCount = 2, kMaxColorCount = 236;

    explicit TEffGradient(QObject* parent = nullptr);
    void Assign(const TEffObject* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    // 2 .. 236; other values (a hand-edited file) are brought into that range.
    int ColorCount() const { return colorCount_; }
    void SetColorCount(int count);
    TEffGradientStyle Style() const { return style_; }
    void SetStyle(TEffGradientStyle style) { SetField(style_, style); }
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor color) { SetField(endColor_, color); }
    // There are no palettes here: the flag is kept and stored, and changes nothing.
    bool PaletteRealize() const { return paletteRealize_; }
    void SetPaletteRealize(bool realize) { SetField(paletteRealize_, realize); }

    // The step colours, plain RGB, from Color to EndColor.
    const std::vector<TColor>& Colors() const { return colors_; }

protected:
    void Change() override;

private:
    void ComputeColors();

    TColor color_ = clBlue, endColor_ = clBlack;
    int colorCount_ = 16;
    TEffGradientStyle style_ = gstVertical;
    bool paletteRealize_ = false;
    std::vector<TColor> colors_;
};

class TEffTransparent : public TEffObject {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(eff::TEffTransparentMode Mode READ Mode WRITE SetMode)
public:
    explicit TEffTransparent(QObject* parent = nullptr) : TEffObject(parent) {}
    void Assign(const TEffObject* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color) { SetField(color_, color); }
    TEffTransparentMode Mode() const { return mode_; }
    void SetMode(TEffTransparentMode mode) { SetField(mode_, mode); }

private:
    TColor color_ = clBtnFace;
    TEffTransparentMode mode_ = tpNone;
};
