#include "editor/Animation.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

QPixmap Blank(QSize size, QColor background)
{
    QPixmap frame(size);
    frame.fill(background);
    return frame;
}

// A sheet of paper flying from one folder to the other, eight steps.
std::vector<QPixmap> WorkingFrames()
{
    const QSize size(96, 48);
    auto folder = [](QPainter& p, int x) {
        p.setPen(QColor(0x80, 0x60, 0x00));
        p.setBrush(QColor(0xF0, 0xC8, 0x40));
        p.drawRect(x, 22, 24, 18);
        p.drawRect(x, 18, 10, 4);
    };
    std::vector<QPixmap> frames;
    for (int i = 0; i < 8; ++i) {
        QPixmap frame = Blank(size, Qt::transparent);
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        folder(p, 6);
        folder(p, 66);
        const double t = i / 7.0;
        const int x = int(12 + t * 60), y = int(24 - std::sin(t * std::numbers::pi) * 20);
        p.save();
        p.translate(x + 5, y + 6);
        p.rotate(-20 + 40 * t);
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(-5, -6, 10, 12);
        p.drawLine(-3, -3, 3, -3);
        p.drawLine(-3, 0, 3, 0);
        p.drawLine(-3, 3, 1, 3);
        p.restore();
        frames.push_back(frame);
    }
    return frames;
}

// A storm: clouds gather, a bolt strikes and flashes twice, the sky clears; sixteen steps.
std::vector<QPixmap> LightningFrames()
{
    const QSize size(64, 64);
    const QPointF bolt[] = {{34, 14}, {24, 34}, {32, 34}, {22, 58}, {44, 28}, {35, 28}, {42, 14}};
    std::vector<QPixmap> frames;
    for (int i = 0; i < 16; ++i) {
        const bool strike = i >= 5 && i <= 10, flash = i == 6 || i == 9;
        const int dark = i < 5 ? i * 20 : i <= 10 ? 100 : 100 - (i - 10) * 18;
        QPixmap frame = Blank(size, flash ? QColor(0xFF, 0xFF, 0xE0) : QColor(0x90 - dark / 2, 0xB0 - dark / 2, 0xF0 - dark));
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xA0 - dark / 2, 0xA0 - dark / 2, 0xA8 - dark / 2));
        p.drawEllipse(QRectF(4, 2, 30, 18));
        p.drawEllipse(QRectF(20, 0, 34, 20));
        p.drawEllipse(QRectF(36, 4, 24, 16));
        if (strike) {
            p.setPen(QPen(QColor(0xC0, 0x80, 0x00), 1));
            p.setBrush(i % 2 ? QColor(0xFF, 0xFF, 0x60) : QColor(0xFF, 0xE0, 0x20));
            p.drawPolygon(bolt, int(std::size(bolt)));
        }
        frames.push_back(frame);
    }
    return frames;
}

}  // namespace

std::vector<QPixmap> AnimationFrames(const std::string& fileName)
{
    const std::string name = bytetext::toLower(apppaths::extractFileName(fileName));
    if (name == "working.avi") return WorkingFrames();
    if (name == "lightng2.avi") return LightningFrames();
    return {};
}

TAnimate::TAnimate(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(tr("Animation"));
    timer_.setInterval(DefaultFrameInterval);
    connect(&timer_, &QTimer::timeout, this, &TAnimate::Step);
}

void TAnimate::SetFileName(const std::string& fileName)
{
    Stop();
    fileName_ = fileName;
    frames_ = AnimationFrames(fileName);
    frame_ = 0;
    if (!frames_.empty()) ShowFrame(1);
    updateGeometry();
    update();
}

void TAnimate::Play(int from, int to, int repeat)
{
    Stop();
    from_ = std::max(from, 1);
    to_ = std::min(to, FrameCount());
    if (from_ > to_) return;
    repeatsLeft_ = repeat;
    ShowFrame(from_);
    timer_.start();
}

void TAnimate::Step()
{
    if (frame_ < to_) {
        ShowFrame(frame_ + 1);
        return;
    }
    if (repeatsLeft_ == 1) {
        Stop();
        return;
    }
    if (repeatsLeft_ > 1) --repeatsLeft_;
    ShowFrame(from_);
}

void TAnimate::Stop()
{
    if (!timer_.isActive()) return;
    timer_.stop();
    emit Stopped();
}

void TAnimate::SetActive(bool active)
{
    if (active) Play(1, FrameCount(), 0);
    else Stop();
}

void TAnimate::ShowFrame(int frame)
{
    frame_ = frame;
    update();
    emit FrameShown(frame);
}

QSize TAnimate::sizeHint() const
{
    return frames_.empty() ? QSize(32, 32) : frames_.front().size();
}

void TAnimate::paintEvent(QPaintEvent*)
{
    if (frame_ < 1 || frame_ > FrameCount()) return;
    QPainter p(this);
    const QPixmap& picture = frames_[std::size_t(frame_ - 1)];
    p.drawPixmap((width() - picture.width()) / 2, (height() - picture.height()) / 2, picture);
}
