#pragma once
// A list of equally sized images that controls draw by index; it tells its users when it changes.

#include <QImage>
#include <QList>
#include <QObject>

class QPainter;

class TImageList : public QObject {
    Q_OBJECT
public:
    TImageList(int width, int height, QObject* parent = nullptr);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return int(images_.size()); }
    // Adds an image (scaled to the list's size) and returns its index.
    int Add(const QImage& image);
    void Replace(int index, const QImage& image);
    void Clear();
    QImage Image(int index) const;
    // Draws image `index` with its top-left at (x, y); an index outside the list draws nothing.
    void Draw(QPainter& painter, int x, int y, int index) const;

signals:
    void OnChange();

private:
    int width_, height_;
    QList<QImage> images_;

    QImage Fitted(const QImage& image) const;
};
