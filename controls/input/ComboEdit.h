#pragma once
// A single-line field with a small button at its right edge inside its frame: the button (or
// its key, Alt + cursor-down by default) runs the field's action unless the field is read-only;
// with DirectInput off the text can only be set through the button.

#include "controls/input/IcSpeedButton.h"

#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

// The flat button inside the field, with a light line along its left edge.
class TEditButton : public TIcSpeedButton {
    Q_OBJECT
public:
    explicit TEditButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

class TCustomComboEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int ButtonWidth READ ButtonWidth WRITE SetButtonWidth)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool DirectInput READ DirectInput WRITE SetDirectInput)

public:
    explicit TCustomComboEdit(QWidget* parent = nullptr);

    TEditButton* Button() const { return button_; }
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int value);
    QString ButtonHint() const { return button_->Hint(); }
    void SetButtonHint(const QString& value) { button_->SetHint(value); }
    QKeySequence ClickKey() const { return clickKey_; }
    void SetClickKey(const QKeySequence& value) { clickKey_ = value; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool value);
    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind value);
    // Setting a glyph makes the kind gkCustom.
    void SetGlyph(const QImage& value);
    int NumGlyphs() const { return button_->NumGlyphs(); }
    void SetNumGlyphs(int value);

    // What the button and the click key run (when the field is not read-only).
    void EditButtonClick();

    QSize sizeHint() const override;

signals:
    void ButtonClick();

protected:
    // The field's own action; the base tells OnButtonClick.
    virtual void DoButtonClick();
    // The class's default glyph and its number of images; none in the base.
    virtual QImage DefaultGlyph() const { return {}; }
    virtual int DefaultNumGlyphs() const { return 1; }
    void RecreateGlyph();
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButton();
    void applyReadOnly();

    QPointer<TEditButton> button_;
    int buttonWidth_ = 21;
    QKeySequence clickKey_{Qt::ALT | Qt::Key_Down};
    bool readOnly_ = false;
    bool directInput_ = true;
    TGlyphKind glyphKind_ = gkCustom;
};
