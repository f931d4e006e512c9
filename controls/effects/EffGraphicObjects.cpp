#include "controls/effects/EffGraphicObjects.h"

#include "controls/input/GdiTypes.h"
#include "platform/Painting.h"

TFont::TFont(QObject* parent) : TEffObject(parent) {}

int TFont::MulDivHeight(int points) { return MulDiv(points, 96, 72); }

void TFont::SetHeight(int height) { SetSize(MulDiv(height < 0 ? -height : height, 72, 96)); }

void TFont::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TFont*>(source);
    if (!other) AssignError(source);
    BeginUpdate();
    SetColor(other->color_);
    SetName(other->name_);
    SetSize(other->size_);
    SetStyle(other->style_);
    EndUpdate(true);
}

QFont TFont::ToQFont() const
{
    QFont font(name_);
    font.setPointSize(size_ > 0 ? size_ : 8);
    font.setBold(style_ & fsBold);
    font.setItalic(style_ & fsItalic);
    font.setUnderline(style_ & fsUnderline);
    font.setStrikeOut(style_ & fsStrikeOut);
    return font;
}

void TBrush::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TBrush*>(source);
    if (!other) AssignError(source);
    BeginUpdate();
    SetColor(other->color_);
    SetStyle(other->style_);
    Pattern = other->Pattern;
    EndUpdate(true);
}

QBrush TBrush::ToQBrush() const
{
    if (!Pattern.isNull()) return QBrush(Pattern);
    static constexpr Qt::BrushStyle kStyles[] = {Qt::SolidPattern, Qt::NoBrush, Qt::HorPattern, Qt::VerPattern,
                                                 Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern,
                                                 Qt::DiagCrossPattern};
    return QBrush(painting::ToQColor(color_), kStyles[style_]);
}

void TBitmap::Assign(const TEffObject* source)
{
    const auto* other = qobject_cast<const TBitmap*>(source);
    if (!other) AssignError(source);
    SetImage(other->image_);
}

void TBitmap::SetImage(const QImage& image)
{
    if (image == image_) return;
    image_ = image;
    Change();
}
