#include "editor/AboutParts.h"

#include "controls/effects/EffLabels.h"
#include "controls/input/IcGradientCaption.h"
#include "controls/tabs/StyledLabel.h"

#include <QDialog>

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
    // By name, as stored; the sans face standing in for it draws it where it is not installed.
    QFont font(QStringLiteral("MS Sans Serif"));
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

TEffLabel* MakeEffectLabel(QWidget* parent, const QString& caption, int pixelSize)
{
    auto* label = new TEffLabel(parent);
    label->BeginLoad();
    label->SetCaption(caption);
    TFont* font = label->Font();
    font->SetName(QStringLiteral("DejaVu Serif"));
    font->SetHeight(-pixelSize);
    font->SetStyle(TFontStyles(fsBold) | fsItalic);
    font->SetColor(clNavy);
    label->FontFx()->SetStyle(tdRaisedShadow);
    label->SetTransparent(true);
    label->SetAutoSize(true);
    label->EndLoad();
    return label;
}

TStyledLabel* MakeStyledLabel(QWidget* parent, const QString& caption, int pixelSize)
{
    auto* label = new TStyledLabel(caption, parent);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(pixelSize);
    label->setFont(font);
    label->SetTransparent(true);
    return label;
}

QWidget* MakeGradientFill(QWidget* parent)
{
    auto* fill = new TEffFill(parent);
    fill->setObjectName(QStringLiteral("EffFill1"));
    TEffGradient* gradient = fill->FillObject()->Gradient();
    gradient->SetStyle(gstSquare);
    gradient->SetColorCount(61);
    gradient->SetColor(clWhite);
    gradient->SetEndColor(clGray);
    fill->FillObject()->SetStyle(sfGradient);
    fill->setAttribute(Qt::WA_TransparentForMouseEvents);
    CoverParent(*fill);
    return fill;
}
