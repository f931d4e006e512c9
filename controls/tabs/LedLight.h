#pragma once
// A small coloured light, on or off, optionally blinking. Its pictures are resource images whose
// lime face is recoloured with the on and off colours.

#include "platform/Painting.h"

#include <QPixmap>
#include <QWidget>

class QTimer;

enum class TLEDStyle { LEDSmall, LEDLarge, LEDSqSmall, LEDSqLarge, LEDVertical, LEDHorizontal };

class TLedLight : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TColor TrueColor READ TrueColor WRITE SetTrueColor)
    Q_PROPERTY(TColor FalseColor READ FalseColor WRITE SetFalseColor)
    Q_PROPERTY(bool Blink READ Blink WRITE SetBlink)
    Q_PROPERTY(bool Value READ Value WRITE SetValue)
    Q_PROPERTY(int Interval READ Interval WRITE SetInterval)
public:
    explicit TLedLight(QWidget* parent = nullptr);
    ~TLedLight() override;

    TColor TrueColor() const { return trueColor_; }
    void SetTrueColor(TColor color);
    TColor FalseColor() const { return falseColor_; }
    void SetFalseColor(TColor color);
    bool Blink() const { return blink_; }
    void SetBlink(bool blink);
    bool Value() const { return value_; }
    void SetValue(bool value);
    // In ms; 0 or less: the light does not alternate.
    int Interval() const { return interval_; }
    void SetInterval(int ms);
    TLEDStyle LEDStyle() const { return style_; }
    void SetLEDStyle(TLEDStyle style);

    // True while the on-picture is shown.
    bool ShowsOn() const { return showOn_; }
    QSize sizeHint() const override;

signals:
    void OnTimer();
    void OnMouseEnter();
    void OnMouseLeave();
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TColor trueColor_ = clLime;
    TColor falseColor_ = clSilver;
    bool blink_ = true;
    bool value_ = false;
    TLEDStyle style_ = TLEDStyle::LEDSmall;
    int interval_ = 1000;
    bool showOn_ = false;
    QPixmap onPicture_, offPicture_;
    // Exists only while blinking.
    QTimer* timer_ = nullptr;

    void MakePictures();
    void SetFaceColor(TColor& face, TColor color);
    void Show(bool on);
    void StartTimer();
    void StopTimer();
    void Tick();
    void UpdateAccessibleName();
};
