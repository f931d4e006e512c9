#pragma once
// The font, brush and bitmap the attribute objects own, with the same change notification.

#include "controls/effects/EffObject.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QString>

class TFont : public TEffObject {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_PROPERTY(eff::TFontStyles Style READ Style WRITE SetStyle)
public:
    explicit TFont(QObject* parent = nullptr);
    void Assign(const TEffObject* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color) { SetField(color_, color); }
    // Pixels at 96 dots per inch, negative as the character height.
    int Height() const { return -MulDivHeight(size_); }
    void SetHeight(int height);
    QString Name() const { return name_; }
    void SetName(const QString& name) { SetField(name_, name); }
    // Points.
    int Size() const { return size_; }
    void SetSize(int size) { SetField(size_, size); }
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style) { SetField(style_, style); }

    QFont ToQFont() const;

private:
    static int MulDivHeight(int points);
    TColor color_ = clWindowText;
    QString name_ = QStringLiteral("Sans Serif");
    int size_ = 8;
    TFontStyles style_;
};

class TBrush : public TEffObject {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(eff::TBrushStyle Style READ Style WRITE SetStyle)
public:
    explicit TBrush(QObject* parent = nullptr) : TEffObject(parent) {}
    void Assign(const TEffObject* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color) { SetField(color_, color); }
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style) { SetField(style_, style); }
    // Its pattern; with a bitmap the pattern is the bitmap.
    QBrush ToQBrush() const;
    QImage Pattern;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

// Pixel data only: a bitmap is stored with its form, not as settings.
class TBitmap : public TEffObject {
    Q_OBJECT
public:
    explicit TBitmap(QObject* parent = nullptr) : TEffObject(parent) {}
    void Assign(const TEffObject* source) override;

    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image);
    bool Empty() const { return image_.isNull() || image_.width() == 0 || image_.height() == 0; }

private:
    QImage image_;
};
