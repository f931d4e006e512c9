#pragma once
// One of the two arrows at the end of a single row of tabs that runs past the edge; held down,
// it repeats.

#include <QAbstractButton>

class TTabScrollButton : public QAbstractButton {
public:
    TTabScrollButton(bool forward, QWidget* parent);

    bool Forward() const { return forward_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool forward_;
};
