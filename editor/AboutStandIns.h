#pragma once
// The about box's and the splash's caption, effect labels and gradient fill, each made in one
// place. Stand-ins: the effect label, the fill control and the painted caption take their places
// here once they exist.

#include <QString>
#include <QStringList>
#include <QWidget>

class QDialog;
class TStyledLabel;

// The box's caption made of parts; shown, for now, as the window's own title.
class AboutCaption {
public:
    explicit AboutCaption(QWidget& window) : window_(window) {}
    void SetPart(int index, const QString& text);
    QString Part(int index) const { return index >= 0 && index < parts_.size() ? parts_[index] : QString(); }

private:
    QWidget& window_;
    QStringList parts_;
};

// Stand-in for the gradient caption.
AboutCaption MakeAboutCaption(QDialog& box);

// Stand-in for an effect label: a large raised serif caption.
TStyledLabel* MakeEffectLabel(QWidget* parent, const QString& caption, int pixelSize);

// Stand-in for the fill control: a square gradient of 61 colours from white to grey over the
// whole of `parent`, beneath its other children.
QWidget* MakeGradientFill(QWidget* parent);
