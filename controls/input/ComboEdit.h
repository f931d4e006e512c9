#pragma once
// A single-line field with a small button at its right edge inside its frame: the button (or
// its key, Alt + cursor-down by default) runs the field's action unless the field is read-only;
// with DirectInput off the text can only be set through the button. A descendant may give the
// field a pop-up that the button drops under it and closes again.

#include "controls/input/FileEditRules.h"
#include "controls/input/IcSpeedButton.h"

#include <QFrame>
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>
#include <QVariant>
#include <memory>
#include <utility>

class QProxyStyle;

// The flat button inside the field, with a light line along its left edge.
class TEditButton : public TIcSpeedButton {
    Q_OBJECT
public:
    explicit TEditButton(QWidget* parent = nullptr);
    // Set by a press that closed the field's pop-up: the click that follows does nothing.
    bool NoAction() const { return noAction_; }
    bool TakeNoAction() { return std::exchange(noAction_, false); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool noAction_ = false;
};

// A field's pop-up: a window of its own that shows without taking the focus from the field. The
// value is the field's text, or a null value for an empty text.
class TComboPopup : public QFrame {
    Q_OBJECT
public:
    explicit TComboPopup(QWidget* field);
    virtual QVariant Value() const = 0;
    virtual void SetValue(const QVariant& value) = 0;

signals:
    // The pop-up's value changed while it is open.
    void Changed();
    // The pop-up asks to be closed, taking its value or not.
    void CloseUp(bool accept);
};

class TCustomComboEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int ButtonWidth READ ButtonWidth WRITE SetButtonWidth)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool DirectInput READ DirectInput WRITE SetDirectInput)

public:
    explicit TCustomComboEdit(QWidget* parent = nullptr);
    ~TCustomComboEdit() override;

    TEditButton* Button() const { return button_; }
    int ButtonWidth() const { return buttonWidth_; }
    // Taken only when narrower than the field's inside; the button shows from a width of 2.
    void SetButtonWidth(int value);
    bool IsButtonWidthStored() const;
    QString ButtonHint() const { return button_->Hint(); }
    void SetButtonHint(const QString& value) { button_->SetHint(value); }
    QKeySequence ClickKey() const { return clickKey_; }
    void SetClickKey(const QKeySequence& value) { clickKey_ = value; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind value);
    // Setting a glyph makes the kind gkCustom; only that kind's glyph is stored.
    void SetGlyph(const QImage& value);
    bool IsGlyphStored() const { return fileedit::GlyphStored(glyphKind_); }
    int NumGlyphs() const { return button_->NumGlyphs(); }
    void SetNumGlyphs(int value);

    // What the button and the click key run (when the field is not read-only).
    void EditButtonClick();

    // The pop-up, when a descendant gave the field one.
    TComboPopup* Popup() const { return popup_; }
    bool PopupVisible() const { return popupVisible_; }
    TEditPopupAlign PopupAlign() const { return popupAlign_; }
    void SetPopupAlign(TEditPopupAlign value) { popupAlign_ = value; }
    // Opens the pop-up under the field with the text as its value; `disableEdit` keeps the text
    // from typing while it is open.
    virtual void PopupDropDown(bool disableEdit);
    // Closes it; with `accept` its value becomes the text when the field takes it.
    void PopupCloseUp(bool accept);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void ButtonClick();

protected:
    // The field's own action; the base tells OnButtonClick, then opens or closes the pop-up.
    virtual void DoButtonClick();
    // The class's default glyph and its number of images; none in the base.
    virtual QImage DefaultGlyph() const { return {}; }
    virtual int DefaultNumGlyphs() const { return 1; }
    void RecreateGlyph();

    // The pop-up protocol, for descendants that have one.
    void SetPopup(TComboPopup* popup);
    virtual void ShowPopup(QPoint origin);
    virtual void HidePopup();
    virtual bool AcceptPopup(QVariant& /*value*/) { return true; }
    virtual void AcceptValue(const QVariant& value);
    virtual void SetPopupValue(const QVariant& value);
    virtual QVariant GetPopupValue() const;
    virtual void PopupChange() {}
    // The framework's may-modify test: a value from the button or pop-up needs a writable field.
    bool EditCanModify() const { return !readOnly_; }

    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeButton();
    void applyReadOnly();
    void applyCaret();
    void applyDisabledColour();
    int minimumHeight() const;
    bool ownsWidget(const QWidget* widget) const;

    QPointer<TEditButton> button_;
    QPointer<TComboPopup> popup_;
    int buttonWidth_ = fileedit::kDefaultButtonWidth;
    QKeySequence clickKey_{Qt::ALT | Qt::Key_Down};
    bool readOnly_ = false;
    bool directInput_ = true;
    bool popupVisible_ = false;
    TAlignment alignment_ = taLeftJustify;
    TEditPopupAlign popupAlign_ = epaRight;
    TGlyphKind glyphKind_ = gkCustom;
    std::unique_ptr<QProxyStyle> caretStyle_;
};
