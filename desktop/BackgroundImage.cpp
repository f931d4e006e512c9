#include "desktop/BackgroundImage.h"

#include "platform/Errors.h"
#include "platform/QtText.h"

#include <QFileDialog>

namespace {

PictureFileChooser& chooserSlot()
{
    static PictureFileChooser c;
    return c;
}

bool qtChooser(const std::string& title, std::string& path)
{
    const QString f = QFileDialog::getOpenFileName(nullptr, qttext::toQString(title), QString(),
                                                   QStringLiteral("Pictures (*.bmp *.png *.jpg *.jpeg *.gif *.ico);;All files (*)"));
    if (f.isEmpty()) return false;
    const QByteArray b = f.toLocal8Bit();
    path.assign(b.constData(), static_cast<std::size_t>(b.size()));
    return true;
}

}  // namespace

void SetPictureFileChooser(PictureFileChooser chooser) { chooserSlot() = std::move(chooser); }

QImage& BackgroundImage()
{
    static QImage image;
    return image;
}

bool SelectBackgroundImage()
{
    std::string path;
    const auto& chooser = chooserSlot() ? chooserSlot() : PictureFileChooser(qtChooser);
    if (!chooser("Select a background image...", path)) return false;
    QImage loaded;
    if (!loaded.load(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()))))
        throw Exception("Invalid picture: " + path);
    BackgroundImage() = loaded;
    return true;
}
