#pragma once
// The animation control of the splash and the about box. The design names video files; here
// each name stands for a frame sequence of our own, drawn in code.

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

// Our frames for an animation file, chosen by the file's name alone ("working.avi",
// "lightng2.avi", in any case); none for another name.
std::vector<QPixmap> AnimationFrames(const std::string& fileName);

class TAnimate : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultFrameInterval = 80;  // ms

    explicit TAnimate(QWidget* parent = nullptr);

    const std::string& FileName() const { return fileName_; }
    // Stops any play and takes the frames of that file; the first one is shown.
    void SetFileName(const std::string& fileName);
    int FrameCount() const { return int(frames_.size()); }
    // Time between frames; tests shorten it.
    void SetFrameInterval(int ms) { timer_.setInterval(ms); }

    // Plays frames `from` to `to` (counted from 1) `repeat` times, 0 until stopped. Frames
    // outside the sequence are left out; with none left nothing plays.
    void Play(int from, int to, int repeat);
    void Stop();
    bool Active() const { return timer_.isActive(); }
    // On: plays the whole sequence until stopped.
    void SetActive(bool active);
    // The frame on show, from 1; 0 before any.
    int Frame() const { return frame_; }

    QSize sizeHint() const override;

signals:
    void FrameShown(int frame);
    // A play ended, by itself or by Stop.
    void Stopped();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowFrame(int frame);
    void Step();

    std::string fileName_;
    std::vector<QPixmap> frames_;
    QTimer timer_;
    int frame_ = 0, from_ = 0, to_ = 0, repeatsLeft_ = 0;
};
