#pragma once
// The about box's and the splash's caption, effect labels and gradient fill, each made in one
// place.

#include <QString>
#include <QStringList>
#include <QWidget>

class QDialog;
class TIcGradientCaption;
class TEffLabel;
class TStyledLabel;

// The box's gradient caption of three parts; the window's title (what the window list shows) is
// their text too.
class AboutCaption {
public:
    AboutCaption(QWidget& window, TIcGradientCaption& caption) : window_(window), caption_(caption) {}
    void SetPart(int index, const QString& text);
    QString Part(int index) const;
    TIcGradientCaption& Caption() const { return caption_; }

private:
    QWidget& window_;
    TIcGradientCaption& caption_;
};

// "Pellisar" bold italic in a light blue, an empty part, "About..." regular; a gradient while
// inactive too.
AboutCaption MakeAboutCaption(QDialog& box);

// An effect label: a large bold italic serif caption in navy with a raised shadow.
TEffLabel* MakeEffectLabel(QWidget* parent, const QString& caption, int pixelSize);

// A 3-D label at its defaults (recessed, here transparent) in "Times New Roman" of that many
// pixels; where that face is not installed, the serif face standing in for it draws it.
TStyledLabel* MakeStyledLabel(QWidget* parent, const QString& caption, int pixelSize);

// A fill control with a square gradient of 61 colours from white to grey over the whole of
// `parent`, beneath its other children.
QWidget* MakeGradientFill(QWidget* parent);
