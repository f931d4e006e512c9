#include "controls/tabs/LedLight.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

struct StylePicture {
    const char* resource;
    int width, height;
};

const StylePicture kPictures[] = {
    {":/led/LEDSM", 16, 16},   {":/led/LEDLG", 22, 22}, {":/led/LEDSQSM", 16, 16},
    {":/led/LEDSQLG", 22, 22}, {":/led/LEDVT", 14, 22}, {":/led/LEDHZ", 22, 14},
};

QPixmap Recoloured(const QImage& picture, TColor face)
{
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    painting::FloodFillSurface(image, QPoint(image.width() / 2, image.height() / 2), clLime, face);
    return QPixmap::fromImage(image);
}

}  // namespace

TLedLight::TLedLight(QWidget* parent) : QWidget(parent)
{
    Q_INIT_RESOURCE(LedPictures);
    MakePictures();
    UpdateAccessibleName();
}

TLedLight::~TLedLight()
{
    StopTimer();
}

void TLedLight::MakePictures()
{
    const StylePicture& p = kPictures[int(style_)];
    QImage picture(QString::fromLatin1(p.resource));
    if (picture.isNull()) picture = QImage(p.width, p.height, QImage::Format_ARGB32);
    onPicture_ = Recoloured(picture, trueColor_);
    offPicture_ = Recoloured(picture, falseColor_);
    resize(p.width, p.height);
    updateGeometry();
}

QSize TLedLight::sizeHint() const
{
    const StylePicture& p = kPictures[int(style_)];
    return {p.width, p.height};
}

void TLedLight::Show(bool on)
{
    showOn_ = on;
    update();
}

void TLedLight::SetValue(bool value)
{
    if (value == value_) return;
    value_ = value;
    if (value_) {
        Show(true);
        if (blink_) StartTimer();
    } else {
        StopTimer();
        Show(false);
    }
    UpdateAccessibleName();
}

void TLedLight::SetBlink(bool blink)
{
    if (blink == blink_) return;
    Show(value_);
    blink_ = blink;
    if (blink_ && value_) StartTimer();
    else StopTimer();
    UpdateAccessibleName();
}

void TLedLight::SetInterval(int ms)
{
    if (ms == interval_) return;
    interval_ = ms;
    if (!timer_) return;
    if (interval_ > 0) timer_->start(interval_);
    else timer_->stop();
}

void TLedLight::SetTrueColor(TColor color)
{
    SetFaceColor(trueColor_, color);
}

void TLedLight::SetFalseColor(TColor color)
{
    SetFaceColor(falseColor_, color);
}

void TLedLight::SetFaceColor(TColor& face, TColor color)
{
    if (color == face) return;
    // Blinking restarts with the new pictures.
    const bool wasBlinking = blink_;
    SetBlink(false);
    face = color;
    MakePictures();
    SetBlink(wasBlinking);
    update();
}

void TLedLight::SetLEDStyle(TLEDStyle style)
{
    if (style == style_) return;
    style_ = style;
    MakePictures();
    update();
}

void TLedLight::StartTimer()
{
    if (timer_) return;
    showOn_ = true;
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("blinkTimer"));
    connect(timer_, &QTimer::timeout, this, &TLedLight::Tick);
    // A timer of interval 0 or less never fires: the light stays on.
    if (interval_ > 0) timer_->start(interval_);
}

void TLedLight::StopTimer()
{
    delete timer_;
    timer_ = nullptr;
}

void TLedLight::Tick()
{
    Show(!showOn_);
    emit OnTimer();
}

void TLedLight::UpdateAccessibleName()
{
    setAccessibleName(!value_ ? tr("Light off") : (blink_ ? tr("Light blinking") : tr("Light on")));
}

void TLedLight::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painting::BeginPlainPaint(painter);
    painter.drawPixmap(rect(), showOn_ ? onPicture_ : offPicture_);
}

void TLedLight::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    emit OnMouseEnter();
}

void TLedLight::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    emit OnMouseLeave();
}

void TLedLight::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit OnClick();
}
