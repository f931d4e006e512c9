#include "editor/AboutStandIns.h"

#include "controls/effects/EffFills.h"
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
    if (index < 0) return;
    while (parts_.size() <= index) parts_.append(QString());
    parts_[index] = text;
    window_.setWindowTitle(parts_.join(QString()));
}

AboutCaption MakeAboutCaption(QDialog& box)
{
    AboutCaption caption(box);
    caption.SetPart(0, QStringLiteral("Pellisar"));
    caption.SetPart(1, QString());
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
