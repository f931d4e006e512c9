#pragma once
// A label that draws its caption with a drop shadow, focuses its FocusControl by the caption's
// accelerator, sizes itself to its text and tells when the mouse enters and leaves it.

#include "controls/input/SpeedButtonRules.h"

#include <QLabel>
#include <QPointer>

class QPainter;

// Draws the text in the shadow colour moved by the shadow, then in the text colour; with
// Qt::TextDontPrint it only measures. Returns the union of both rectangles.
QRect DrawShadowText(QPainter& painter, const QString& text, const QRect& rect, int flags, int shadowSize,
                     const QColor& shadowColor, const QColor& textColor, TShadowPosition position);

class TIcCustomLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(int ShadowSize READ ShadowSize WRITE SetShadowSize)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool ShowFocus READ ShowFocus WRITE SetShowFocus)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)

public:
    explicit TIcCustomLabel(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TColor Color() const { return color_; }
    // A colour of its own ends ParentColor; with ParentColor the parent's window colour fills.
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor value);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int value);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    bool MouseInControl() const { return mouseInControl_; }
    // The text's size as drawn (shadow included) within the given width.
    QSize TextExtent(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void MouseEnter();
    void MouseLeave();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

    virtual void DoMouseEnter();
    virtual void DoMouseLeave();

    int leftMargin_ = 0;
    int rightMargin_ = 0;

private:
    QRect drawText(QPainter& painter, QRect rect, int flags) const;
    int textFlags() const;
    void adjustBounds();
    void syncBuddy();
    void compareMouse();

    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    TColor shadowColor_ = clBtnHighlight;
    TShadowPosition shadowPos_ = spLeftTop;
    QPointer<QWidget> focusControl_;
    int shadowSize_ = 1;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool showFocus_ = false;
    bool transparent_ = false;
    bool mouseInControl_ = false;
    bool dragging_ = false;
};

class TIcLabel : public TIcCustomLabel {
    Q_OBJECT
public:
    using TIcCustomLabel::TIcCustomLabel;
};
