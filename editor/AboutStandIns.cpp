#include "editor/AboutStandIns.h"

#include "controls/effects/EffFills.h"
#include "controls/input/IcGradientCaption.h"
#include "controls/tabs/StyledLabel.h"

#include <QDialog>
#include <QEvent>
#include <QPainter>

namespace {

class GradientFill : public QWidget {
public:
    explicit GradientFill(QWidget* parent) : QWidget(parent)
    {
        fill_.SetStyle(sfGradient);
        TEffGradient* gradient = fill_.Gradient();
        gradient->SetStyle(gstSquare);
        gradient->SetColorCount(61);
        gradient->SetColor(clWhite);
        gradient->SetEndColor(clGray);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        parent->installEventFilter(this);
        setGeometry(parent->rect());
        lower();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
        return false;
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter canvas(this);
        fill_.Fill(canvas, TRect{0, 0, width(), height()}, {}, clBtnFace);
    }

private:
    TEffFillObject fill_;
};

}  // namespace

void AboutCaption::SetPart(int index, const QString& text)
{
    TIcCaptionList& parts = caption_.Captions();
    if (index < 0 || index >= parts.Count()) return;
    parts[index].SetCaption(text);
    QString title;
    for (int i = 0; i < parts.Count(); ++i) title += parts[i].Caption();
    window_.setWindowTitle(title);
}

QString AboutCaption::Part(int index) const
{
    const TIcCaptionList& parts = caption_.Captions();
    return index >= 0 && index < parts.Count() ? parts[index].Caption() : QString();
}

AboutCaption MakeAboutCaption(QDialog& box)
{
    auto* gradient = new TIcGradientCaption(&box);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    font.setItalic(true);
    TIcCaption& company = gradient->Captions().Add();
    company.SetFont(font);
    company.SetFontColor(16773593);
    gradient->Captions().Add();
    TIcCaption& about = gradient->Captions().Add();
    font.setBold(false);
    font.setItalic(false);
    about.SetFont(font);
    about.SetFontColor(clCaptionText);
    gradient->SetGradientInactive(true);
    AboutCaption caption(box, *gradient);
    caption.SetPart(0, QStringLiteral("Pellisar"));
    caption.SetPart(2, QStringLiteral("About..."));
    return caption;
}

TStyledLabel* MakeEffectLabel(QWidget* parent, const QString& caption, int pixelSize)
{
    auto* label = new TStyledLabel(caption, parent);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setItalic(true);
    label->setFont(font);
    label->SetTextStyle(tsRaised);
    label->SetFontColor(clNavy);
    label->SetShadowColor(clGray);
    label->SetHighlightColor(clWhite);
    label->SetTransparent(true);
    return label;
}

QWidget* MakeGradientFill(QWidget* parent)
{
    return new GradientFill(parent);
}
