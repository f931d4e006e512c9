#pragma once
// The painted labels and fills: the effect label (three-dimensional, turned text in a bevel), the
// label fill (a label whose letters show a fill) and the fill (a bevelled rectangle painted with a
// fill and an effect caption), the decoration of both programs' bars.

#include "controls/effects/EffCaptions.h"
#include "controls/effects/EffControls.h"
#include "controls/effects/EffFills.h"

#include <QImage>
#include <QPointer>

class TEffBaseLabel : public TEffBaseGraphicControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool MultiLine READ MultiLine WRITE SetMultiLine)
    Q_PROPERTY(eff::TEffAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
public:
    explicit TEffBaseLabel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // "&" marks the accelerator; false draws it as it is.
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool multiLine);
    TEffAlignment Alignment() const { return alignment_; }
    void SetAlignment(TEffAlignment alignment);
    // Takes the focus when the caption's accelerator is pressed.
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* control) { focusControl_ = control; }
    TFont* Font() const { return font_; }
    void SetFont(const TFont* font);
    // The label's font follows its parent's until the font is set.
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);

protected:
    // Changes of the font and of the text effects.
    virtual void GetFontChange(QObject* sender);
    virtual void DoAutoSize() {}
    void GetChange(QObject* sender) override;
    void Loaded() override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void TakeParentFont();
    void UpdateAccelerator();

    QString caption_;
    TFont* font_;
    QPointer<QWidget> focusControl_;
    TEffAlignment alignment_ = agTopLeft;
    int shortcut_ = 0;
    bool showAccelChar_ = true, autoSize_ = true, multiLine_ = false, parentFont_ = true;
    // Set while the parent's font is taken over: that is no change of the label's own font.
    bool takingParentFont_ = false;
};

class TEffCustomLabel : public TEffBaseLabel {
    Q_OBJECT
    Q_PROPERTY(TEffFxCaption* FontFx READ FontFx WRITE SetFontFx)
public:
    explicit TEffCustomLabel(QWidget* parent = nullptr);

    TEffBevel* Bevel() const { return bevel_; }
    void SetBevel(const TEffBevel* bevel);
    int BevelWidth() const { return bevel_->BevelExtend(); }
    TEffFxCaption* FontFx() const { return fontFx_; }
    void SetFontFx(const TEffFxCaption* fx);

    // The DrawText flags of the settings; NeedsMeasure: the text is placed as a measured block.
    int TextFlags() const;
    bool NeedsMeasure() const;

    QSize sizeHint() const override;

protected:
    void GetFontChange(QObject* sender) override;
    void DoAutoSize() override;
    bool IsEmpty() const override;
    void paintEvent(QPaintEvent* event) override;

    // The plain label: background, bevel and text. PaintText draws the caption into Rect.
    void PaintPlain(QPainter& canvas);
    void PaintText(QPainter& canvas, const TRect& rect, int fxFlags) const;
    // The same with other effects and colours (the face's pen, the brush of the colour styles).
    void PaintText(QPainter& canvas, const TRect& rect, int fxFlags, const TEffFxCaption& fx, const QColor& face,
                   const QColor& back) const;
    // The area inside the bevel, which is painted (transparent like the label, or when it has the label's colour).
    TRect PaintLabelBevel(QPainter& canvas, const TRect& rect) const;

private:
    TEffBevel* bevel_;
    TEffFxCaption* fontFx_;
};

class TEffLabel : public TEffCustomLabel {
    Q_OBJECT
public:
    using TEffCustomLabel::TEffCustomLabel;
};

class TEffCustomLabelFill : public TEffCustomLabel {
    Q_OBJECT
    Q_PROPERTY(TColor BrushBackColor READ BrushBackColor WRITE SetBrushBackColor)
    Q_PROPERTY(TEffFillObject* FillObject READ FillObject WRITE SetFillObject)
public:
    explicit TEffCustomLabelFill(QWidget* parent = nullptr);

    // The background under a brush fill.
    TColor BrushBackColor() const { return brushBackColor_; }
    void SetBrushBackColor(TColor color);
    TEffFillObject* FillObject() const { return fill_; }
    void SetFillObject(const TEffFillObject* fill);

    // The fill as last rendered (the area inside the bevel); null until painted after a change.
    const QImage& BackBitmap() const { return back_; }

protected:
    void DoBoundsChange(TEffBoundsFlags flags) override;
    void GetChange(QObject* sender) override;
    void GetImageListChange(QObject* sender) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void RenderBack(int width, int height);
    // The letters' face shows the fill; shadows and highlights keep their colours.
    void PaintFilledText(QPainter& canvas, const TRect& area) const;

    QImage back_;
    TColor brushBackColor_ = clBtnFace;
    TEffFillObject* fill_;
};

class TEffLabelFill : public TEffCustomLabelFill {
    Q_OBJECT
    Q_PROPERTY(QWidget* FocusControl READ FocusControl WRITE SetFocusControl)
    Q_PROPERTY(TEffCustomImageList* ImageList READ ImageList WRITE SetImageList)
public:
    using TEffCustomLabelFill::TEffCustomLabelFill;
};

class TEffFill : public TEffGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TEffCaption* Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TEffFillObject* FillObject READ FillObject WRITE SetFillObject)
    Q_PROPERTY(TEffCustomImageList* ImageList READ ImageList WRITE SetImageList)
public:
    explicit TEffFill(QWidget* parent = nullptr);

    TEffCaption* Caption() const { return caption_; }
    void SetCaption(const TEffCaption* caption);
    TEffFillObject* FillObject() const { return fill_; }
    void SetFillObject(const TEffFillObject* fill);

protected:
    void GetChange(QObject* sender) override;
    bool IsEmpty() const override;
    void GetImageListChange(QObject* sender) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TEffCaption* caption_;
    TEffFillObject* fill_;
};

// A bar's title: bold serif letters filled with a horizontal gradient from the active-caption
// colour, a raised shadow, centred, not sized to its text, over whatever lies beneath it.
TEffLabelFill* NewBarTitle(const QString& caption, QWidget* parent = nullptr);
