#pragma once
// The glyph of a speed button: a strip of 1 to 5 images, one per state, and the images made
// from it (grey, embossed), kept in image lists shared by every button of the process.

#include "controls/input/SpeedButtonRules.h"

#include <QImage>
#include <QList>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

// Images of one size; freed slots are reused before the list grows.
class TGlyphList {
public:
    TGlyphList(int width, int height) : width_(width), height_(height) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Add(const QImage& image);
    void Delete(int index);
    const QImage& Image(int index) const { return images_[index]; }
    int Count() const { return count_; }

private:
    int width_, height_;
    QList<QImage> images_;
    std::vector<bool> used_;
    int count_ = 0;
};

// The lists by image size; a list with no image left in use is freed.
class TGlyphCache {
public:
    TGlyphList* GetList(int width, int height);
    void ReturnList(TGlyphList* list);
    bool Empty() const { return lists_.empty(); }

private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

class TIcButtonGlyph {
public:
    TIcButtonGlyph() = default;
    ~TIcButtonGlyph();
    TIcButtonGlyph(const TIcButtonGlyph&) = delete;
    TIcButtonGlyph& operator=(const TIcButtonGlyph&) = delete;

    const QImage& Glyph() const { return original_; }
    // Takes the strip; its count of images follows from its shape, its transparent colour is
    // its bottom-left pixel when that one is opaque.
    void SetGlyph(const QImage& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    TColor TransparentColor() const { return transparentColor_; }

    // The size of one image; 0 x 0 without a glyph.
    TSize ImageSize() const;
    // The image shown in that state, made on first use.
    const QImage& StateImage(TButtonState state);
    void Draw(QPainter& canvas, TPoint at, TButtonState state);
    // Drops every image made (the glyph or the system colours changed).
    void Invalidate();

    std::function<void()> OnChange;

    // The process-wide cache, for tests: none while no glyph image exists.
    static const TGlyphCache* Cache();

private:
    QImage slice(int index) const;
    QImage makeImage(TButtonState state) const;

    QImage original_;
    TColor transparentColor_ = clFuchsia;
    int numGlyphs_ = 1;
    TGlyphList* list_ = nullptr;
    int indexes_[5] = {-1, -1, -1, -1, -1};
};
