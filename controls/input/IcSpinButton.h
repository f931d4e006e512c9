#pragma once
// A square button cut along its diagonal into an upper "up" and a lower "down" half, with
// auto-repeat while a half is held. It takes no keyboard focus: its focus control does.

#include "controls/input/SpinRules.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class QTimer;

class TIcSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TIcSpinButton(QWidget* parent = nullptr);
    ~TIcSpinButton() override;

    const QImage& UpGlyph() const { return upGlyph_; }
    // A null image puts the default arrow back.
    void SetUpGlyph(const QImage& value);
    const QImage& DownGlyph() const { return downGlyph_; }
    void SetDownGlyph(const QImage& value);
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* value) { focusControl_ = value; }

    TSpinButtonState DownState() const { return state_; }
    const QTimer* RepeatTimer() const { return repeatTimer_; }
    // One tick of the repeat timer.
    void TimerExpired();

    QSize sizeHint() const override { return QSize(20, 20); }

signals:
    void TopClick();
    void BottomClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void clickHalf(TSpinButtonState half);
    void setState(TSpinButtonState state);
    void cancelDrag();
    void drawFaces();
    QImage face(TSpinButtonState state) const;

    TSpinButtonState state_ = sbNotDown;
    TSpinButtonState lastState_ = sbNotDown;
    QImage upGlyph_, downGlyph_;
    bool dragging_ = false;
    bool invalidate_ = true;
    QImage faces_[3];
    QTimer* repeatTimer_ = nullptr;
    QPointer<QWidget> focusControl_;
};
