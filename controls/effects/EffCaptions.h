#pragma once
// Caption settings: three-dimensional text layers, position and rotation, and the caption with
// its font.

#include "controls/effects/EffGraphicObjects.h"
#include "controls/input/GdiTypes.h"

#include <QPoint>

class QPainter;

class TEff3DCaption : public TEffObject {
    Q_OBJECT
    Q_PROPERTY(eff::TEffDisabledStyle DisabledStyle READ DisabledStyle WRITE SetDisabledStyle)
    Q_PROPERTY(int LightDepth READ LightDepth WRITE SetLightDepth)
    Q_PROPERTY(int ShadowDepth READ ShadowDepth WRITE SetShadowDepth)
    Q_PROPERTY(TColor LightColor READ LightColor WRITE SetLightColor)
    Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(eff::TEffThreeDStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Tracing READ Tracing WRITE SetTracing)
public:
    explicit TEff3DCaption(QObject* parent = nullptr) : TEffObject(parent) {}
    void Assign(const TEffObject* source) override;

    TEffDisabledStyle DisabledStyle() const { return disabledStyle_; }
    void SetDisabledStyle(TEffDisabledStyle style) { SetField(disabledStyle_, style); }
    // 0 .. 255.
    int LightDepth() const { return lightDepth_; }
    void SetLightDepth(int depth);
    int ShadowDepth() const { return shadowDepth_; }
    void SetShadowDepth(int depth);
    TColor LightColor() const { return lightColor_; }
    void SetLightColor(TColor color) { SetField(lightColor_, color); }
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color) { SetField(shadowColor_, color); }
    TEffThreeDStyle Style() const { return style_; }
    void SetStyle(TEffThreeDStyle style) { SetField(style_, style); }
    // Extra spacing between characters, in pixels.
    int Tracing() const { return tracing_; }
    void SetTracing(int tracing) { SetField(tracing_, tracing); }

protected:
    void Assign3D(const TEff3DCaption& other);

private:
    TEffDisabledStyle disabledStyle_ = dsAuto;
    int lightDepth_ = 1, shadowDepth_ = 1;
    TColor lightColor_ = clBtnHighlight, shadowColor_ = clBtnShadow;
    TEffThreeDStyle style_ = tdNone;
    int tracing_ = 0;
};

class TEffFxCaption : public TEff3DCaption {
    Q_OBJECT
    Q_PROPERTY(int Angle READ Angle WRITE SetAngle)
    Q_PROPERTY(int PosX READ PosX WRITE SetPosX)
    Q_PROPERTY(int PosY READ PosY WRITE SetPosY)
public:
    explicit TEffFxCaption(QObject* parent = nullptr) : TEff3DCaption(parent) {}
    void Assign(const TEffObject* source) override;

    // Degrees 0 .. 359: 360 is stored as 0.
    int Angle() const { return angle_; }
    void SetAngle(int angle);
    // 0 .. 65535.
    int PosX() const { return posX_; }
    void SetPosX(int x);
    int PosY() const { return posY_; }
    void SetPosY(int y);
    // Both at once and without notification: the layout stores what it computed.
    void SetPos(int x, int y);

private:
    int angle_ = 0, posX_ = 0, posY_ = 0;
};

// DrawCaption flag: "&" marks a mnemonic.
inline constexpr int kCaptionPrefix = 0x1;

class TEffCaption : public TEffObject {
    Q_OBJECT
    Q_PROPERTY(eff::TEffAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(TEffFxCaption* FontFx READ FontFx WRITE SetFontFx)
    Q_PROPERTY(bool MultiLine READ MultiLine WRITE SetMultiLine)
public:
    explicit TEffCaption(QObject* parent = nullptr);
    void Assign(const TEffObject* source) override;

    TEffAlignment Alignment() const { return alignment_; }
    void SetAlignment(TEffAlignment alignment) { SetField(alignment_, alignment); }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption) { SetField(caption_, caption); }
    TFont* Font() const { return font_; }
    void SetFont(TFont* font);
    TEffFxCaption* FontFx() const { return fontFx_; }
    void SetFontFx(TEffFxCaption* fx);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool multiLine) { SetField(multiLine_, multiLine); }

    // The caption with its effects in Rect (clipped to Rect moved by Offset); TextRect is where
    // the text went. Flags: those of DrawFxText, plus kCaptionPrefix for "&" processing.
    void DrawCaption(QPainter& canvas, const TRect& rect, TRect& textRect, QPoint offset, TColor backColor,
                     int flags) const;
    // The DrawText flags of the alignment and the settings.
    int TextFlags(int flags) const;

    void GetChange(TEffObject* sender) override;

private:
    TEffAlignment alignment_ = agCenter;
    QString caption_;
    TFont* font_;
    TEffFxCaption* fontFx_;
    bool multiLine_ = false;
};
