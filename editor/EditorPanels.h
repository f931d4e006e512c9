#pragma once
// The editor window's parts whose settings the form storage keeps: the script list's panel
// (its width) and the toolbar's background fill (its picture).

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

// "EffFill1": fills a widget's background with its fill object's picture, tiled, in place of the
// style's panel (which would draw from the brush's colour alone).
class TToolbarFill : public QObject {
    Q_OBJECT
    Q_PROPERTY(TFillObject* FillObject READ FillObject)
public:
    explicit TToolbarFill(QWidget* target);
    TFillObject* FillObject() const { return fill_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* target_;
    TFillObject* fill_;
};
