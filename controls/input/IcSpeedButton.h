#pragma once
// A painted speed button without keyboard focus: a glyph strip with a look per state, a flat
// look lit under the mouse, a drop-down menu, auto-repeat while held, groups of buttons of which
// one stays down, and a modal result for its dialog. It can carry a QAction, whose enabling,
// caption, hint and glyph it then follows and which it triggers.

#include "controls/input/IcButtonGlyph.h"

#include <QAbstractButton>
#include <QMenu>
#include <QPointer>
#include <functional>

class QAction;
class QTimer;

class TIcSpeedButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(bool AllowTimer READ AllowTimer WRITE SetAllowTimer)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(bool GrayedInactive READ GrayedInactive WRITE SetGrayedInactive)
    Q_PROPERTY(int InitPause READ InitPause WRITE SetInitPause)
    Q_PROPERTY(int RepeatInterval READ RepeatInterval WRITE SetRepeatInterval)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(bool MarkDropDown READ MarkDropDown WRITE SetMarkDropDown)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)

public:
    explicit TIcSpeedButton(QWidget* parent = nullptr);
    ~TIcSpeedButton() override;

    QString Caption() const { return text(); }
    void SetCaption(const QString& value);
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& value);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool Down() const { return down_; }
    void SetDown(bool value);
    QMenu* DropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(QMenu* value);
    TIcDropDownMenuPos MenuPosition() const { return menuPosition_; }
    void SetMenuPosition(TIcDropDownMenuPos value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    const QImage& Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const QImage& value);
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool value);
    int InitPause() const { return initPause_; }
    void SetInitPause(int value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    bool MarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool value);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int value) { glyph_.SetNumGlyphs(value); }
    int RepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(int value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    // The carried action: its enabling, visibility, caption (icon text), hint (tool tip) and
    // icon (a strip of its normal and disabled pictures) are followed; a click triggers it.
    QAction* Action() const { return action_; }
    void SetAction(QAction* action, int glyphExtent = 16);

    TButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    TIcButtonGlyph& ButtonGlyph() { return glyph_; }
    // The repeat timer, once made.
    const QTimer* RepeatTimer() const { return repeatTimer_; }
    // One tick of the repeat timer.
    void RepeatTimerExpired();

    // How the drop-down menu is shown (QMenu::exec at the global point by default); tests put
    // their own.
    using TMenuPopper = std::function<void(QMenu* menu, const QPoint& globalPos)>;
    void SetMenuPopper(TMenuPopper popper) { menuPopper_ = std::move(popper); }

    // Pre-makes the glyph image of the starting state.
    void Loaded();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void MouseEnter();
    void MouseLeave();
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    // Draws glyph, caption and drop-down mark into the rectangle, moved by offset.
    virtual void PaintGlyph(QPainter& canvas, const TRect& rect, TPoint offset, bool dropMark, TButtonState state);

private:
    void Click();
    void clicked_();
    void showDropDownMenu();
    void release(const QPoint& pos, bool allowClick);
    void stopRepeat();
    void cancelDrag();
    void updateExclusive();
    void buttonPressed(int group, TIcSpeedButton* sender);
    void syncAction();
    void syncAccessibleName();
    bool newLook() const { return style_ != bsWin31; }
    bool dropMarkShown() const { return markDropDown_ && dropDownMenu_; }
    QString shownCaption(int width) const;

    TIcButtonGlyph glyph_;
    TButtonState state_ = bsUp;
    TAlignment alignment_ = taCenter;
    TButtonLayout layout_ = blGlyphTop;
    TButtonStyle style_ = bsAutoDetect;
    TIcDropDownMenuPos menuPosition_ = dmpBottom;
    int groupIndex_ = 0;
    int spacing_ = 1;
    int margin_ = -1;
    int modalResult_ = 0;
    int initPause_ = 500;
    int repeatInterval_ = 100;
    bool down_ = false;
    bool dragging_ = false;
    bool flat_ = false;
    bool mouseInControl_ = false;
    bool allowAllUp_ = false;
    bool transparent_ = false;
    bool markDropDown_ = true;
    bool grayedInactive_ = true;
    bool menuTracking_ = false;
    bool ignorePress_ = false;
    bool allowTimer_ = false;
    bool wordWrap_ = false;
    QPointer<QMenu> dropDownMenu_;
    QPointer<QAction> action_;
    int actionGlyphExtent_ = 16;
    QTimer* repeatTimer_ = nullptr;
    TMenuPopper menuPopper_;
};
