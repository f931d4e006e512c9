#pragma once
// The about box: the program's name in large letters, its version and, every 20 seconds, a
// panel with a short lightning animation.

#include "editor/AboutParts.h"

#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>

class QFrame;
class QPushButton;
class TAnimate;
class TEffLabel;
class TStyledLabel;

class TFTPabout : public QDialog {
    Q_OBJECT
public:
    static constexpr int FirstInterval = 200, NextInterval = 20000, PanelPause = 1000;  // ms

    // `intervalScale` multiplies every wait and the frame time, so tests run the chain quickly.
    explicit TFTPabout(QWidget* parent = nullptr, double intervalScale = 1.0);

    AboutCaption& IcGradientCaption1() { return caption_; }
    TEffLabel* FtpLabel() const { return ftpLabel_; }
    TEffLabel* VantrelLabel() const { return vantrelLabel_; }
    static constexpr int StyledLabelCentre = 205;  // x of the 3-D labels' middle
    // The three 3-D labels, top to bottom: the name, "Version 1.5", what it is for.
    TStyledLabel* StyledLabel(int index) const { return styledLabels_.at(std::size_t(index)); }
    TStyledLabel* VersionLabel() const { return styledLabels_[1]; }
    QFrame* Panel2() const { return panel2_; }
    TAnimate* Animate1() const { return animate1_; }
    QPushButton* Button1() const { return button1_; }
    // Timer1 as the design counts it: its interval unscaled, and whether it runs.
    int Timer1Interval() const { return interval_; }
    bool Timer1Enabled() const { return timer1_.isActive(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Timer1Timer();
    void StartTimer1();
    int Scaled(int ms) const;
    // Runs `next` after the panel's pause; ends with the box's hiding.
    void AfterPause(std::function<void()> next);
    void PanelDown();

    double scale_;
    AboutCaption caption_;
    TEffLabel* ftpLabel_;
    TEffLabel* vantrelLabel_;
    std::array<TStyledLabel*, 3> styledLabels_{};
    QFrame* panel2_;
    TAnimate* animate1_;
    QPushButton* button1_;
    QTimer timer1_, pause_;
    std::function<void()> afterPause_;
    int interval_ = FirstInterval;
    bool downAfterPlay_ = false;  // the panel goes down once the play has ended
};
