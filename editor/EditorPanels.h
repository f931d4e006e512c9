#pragma once
// The editor window's parts whose settings the form storage keeps: the script list's panel
// (its width) and the toolbar's background fill (its picture).

#include "controls/effects/EffLabels.h"

#include <QObject>
#include <QPixmap>
#include <QString>
#include <QWidget>

// "Panel1": the script list's column. Its width is a writable property: set inside a splitter,
// the splitter gives the rest to its other side.
class TScriptsPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    using QWidget::QWidget;
    int Width() const { return width(); }
    void SetWidth(int value);
};

// The fill's settings: the picture the background is filled with, by its file.
class TFillObject : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Bitmap READ Bitmap WRITE SetBitmap)
public:
    using QObject::QObject;
    const QString& Bitmap() const { return file_; }
    // Empty clears the picture; a file that is no picture keeps the one there was.
    void SetBitmap(const QString& file);
    // False when the file is no picture.
    [[nodiscard]] bool LoadBitmap(const QString& file);
    const QPixmap& Picture() const { return picture_; }

signals:
    void Changed();

private:
    QString file_;
    QPixmap picture_;
};

// "EffFill1": the toolbar's background, an effect fill over the whole bar beneath its buttons,
// tiling the picture. What the form storage keeps of it is the picture's file: its FillObject
// property is that file's settings object, which hands the picture to the fill.
class TToolbarFill : public TEffFill {
    Q_OBJECT
    Q_PROPERTY(TFillObject* FillObject READ FillObject)
public:
    explicit TToolbarFill(QWidget* target);
    TFillObject* FillObject() const { return file_; }
    // The fill that paints.
    TEffFillObject* PaintedFill() const { return TEffFill::FillObject(); }

private:
    TFillObject* file_;
};
