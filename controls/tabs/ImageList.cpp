#include "controls/tabs/ImageList.h"

#include <QPainter>

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), width_(width), height_(height)
{
}

QImage TImageList::Fitted(const QImage& image) const
{
    if (image.size() == QSize(width_, height_)) return image.convertToFormat(QImage::Format_ARGB32);
    return image.scaled(width_, height_).convertToFormat(QImage::Format_ARGB32);
}

int TImageList::Add(const QImage& image)
{
    images_.append(Fitted(image));
    emit OnChange();
    return Count() - 1;
}

void TImageList::Replace(int index, const QImage& image)
{
    if (index < 0 || index >= Count()) return;
    images_[index] = Fitted(image);
    emit OnChange();
}

void TImageList::Clear()
{
    if (images_.isEmpty()) return;
    images_.clear();
    emit OnChange();
}

QImage TImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? images_[index] : QImage();
}

void TImageList::Draw(QPainter& painter, int x, int y, int index) const
{
    if (index < 0 || index >= Count()) return;
    painter.drawImage(x, y, images_[index]);
}
