#include "controls/input/IcButtonGlyph.h"

#include "controls/input/VisualRoutines.h"

#include <QPainter>
#include <algorithm>

namespace {

std::unique_ptr<TGlyphCache> gCache;

QRgb rgbOf(TColor color) { return ToQColor(color).rgb() & RGB_MASK; }

}  // namespace

int TGlyphList::Add(const QImage& image)
{
    const auto free = std::find(used_.begin(), used_.end(), false);
    int index = static_cast<int>(free - used_.begin());
    if (free == used_.end()) {
        images_.append(image);
        used_.push_back(true);
    } else {
        images_[index] = image;
        *free = true;
    }
    ++count_;
    return index;
}

void TGlyphList::Delete(int index)
{
    if (index < 0 || index >= static_cast<int>(used_.size()) || !used_[index]) return;
    used_[index] = false;
    images_[index] = QImage();
    --count_;
}

TGlyphList* TGlyphCache::GetList(int width, int height)
{
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
    lists_.push_back(std::make_unique<TGlyphList>(width, height));
    return lists_.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list)
{
    if (!list || list->Count() > 0) return;
    std::erase_if(lists_, [list](const auto& held) { return held.get() == list; });
}

TIcButtonGlyph::~TIcButtonGlyph()
{
    Invalidate();
    if (gCache && gCache->Empty()) gCache.reset();
}

const TGlyphCache* TIcButtonGlyph::Cache() { return gCache.get(); }

void TIcButtonGlyph::SetGlyph(const QImage& glyph)
{
    Invalidate();
    original_ = glyph.isNull() ? QImage() : glyph.convertToFormat(QImage::Format_ARGB32);
    transparentColor_ = clFuchsia;
    if (!original_.isNull()) {
        const QRgb corner = original_.pixel(0, original_.height() - 1);
        if (qAlpha(corner) == 255) transparentColor_ = RGB(qRed(corner), qGreen(corner), qBlue(corner));
        numGlyphs_ = speedbutton::GlyphCountOf(original_.width(), original_.height());
    }
    if (OnChange) OnChange();
}

void TIcButtonGlyph::SetNumGlyphs(int value)
{
    value = speedbutton::ClampNumGlyphs(value);
    if (value == numGlyphs_) return;
    Invalidate();
    numGlyphs_ = value;
    if (OnChange) OnChange();
}

TSize TIcButtonGlyph::ImageSize() const
{
    if (original_.isNull()) return {};
    return {original_.width() / numGlyphs_, original_.height()};
}

void TIcButtonGlyph::Invalidate()
{
    if (!list_) return;
    for (int& index : indexes_) {
        list_->Delete(index);
        index = -1;
    }
    gCache->ReturnList(list_);
    list_ = nullptr;
}

QImage TIcButtonGlyph::slice(int index) const
{
    const TSize size = ImageSize();
    QImage part = original_.copy(index * size.Width, 0, size.Width, size.Height);
    const QRgb key = rgbOf(transparentColor_);
    for (int y = 0; y < part.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
        for (int x = 0; x < part.width(); ++x)
            if (qAlpha(line[x]) == 255 && (line[x] & RGB_MASK) == key) line[x] = 0;
    }
    return part;
}

QImage TIcButtonGlyph::makeImage(TButtonState state) const
{
    const speedbutton::TGlyphSource source = speedbutton::GlyphSourceFor(state, numGlyphs_);
    QImage image = slice(source.Index);
    if (source.How == speedbutton::TGlyphSource::Embossed) {
        QImage embossed(image.size(), QImage::Format_ARGB32);
        embossed.fill(Qt::transparent);
        QPainter painter(&embossed);
        ImageListDrawDisabled({image}, painter, 0, 0, 0, clBtnHighlight, clBtnShadow, true);
        return embossed;
    }
    if (source.How == speedbutton::TGlyphSource::Grey) {
        const QRgb face = rgbOf(clBtnFace);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = line[x];
                if (qAlpha(p) == 0 || (p & RGB_MASK) == face) continue;
                const int grey = speedbutton::GreyLevel(qRed(p), qGreen(p), qBlue(p));
                line[x] = qRgba(grey, grey, grey, qAlpha(p));
            }
        }
    }
    return image;
}

const QImage& TIcButtonGlyph::StateImage(TButtonState state)
{
    static const QImage none;
    if (original_.isNull()) return none;
    if (!list_) {
        if (!gCache) gCache = std::make_unique<TGlyphCache>();
        const TSize size = ImageSize();
        list_ = gCache->GetList(size.Width, size.Height);
    }
    int& index = indexes_[state];
    if (index < 0) index = list_->Add(makeImage(state));
    return list_->Image(index);
}

void TIcButtonGlyph::Draw(QPainter& canvas, TPoint at, TButtonState state)
{
    const QImage& image = StateImage(state);
    if (!image.isNull()) canvas.drawImage(at.X, at.Y, image);
}
