#pragma once
// The window on screen while the editor builds its main window: borderless, on top, centred.

#include <QWidget>

class QFrame;
class QLabel;
class TAnimate;
class TEffLabel;
class TStyledLabel;

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    // Starts the "working" animation at once.
    explicit TSplashForm(QWidget* parent = nullptr);

    TEffLabel* TitleLabel() const { return title_; }
    QLabel* PreparingLabel() const { return preparing_; }
    TAnimate* Animate1() const { return animate1_; }

private:
    QFrame* bevel_;
    TEffLabel* title_;
    QLabel* preparing_;
    TAnimate* animate1_;
};
