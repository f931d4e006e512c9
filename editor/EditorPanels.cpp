#include "editor/EditorPanels.h"

#include <QSplitter>
#include <algorithm>

void TScriptsPanel::SetWidth(int value)
{
    if (value <= 0 || value == width()) return;
    auto* splitter = qobject_cast<QSplitter*>(parentWidget());
    if (!splitter) {
        resize(value, height());
        return;
    }
    const int index = splitter->indexOf(this);
    QList<int> sizes = splitter->sizes();
    int total = 0;
    for (int s : sizes) total += s;
    // Before the splitter is laid out its sizes are 0: the window's width stands in for them.
    if (total <= 0) total = std::max(splitter->width(), window()->width());
    const int others = static_cast<int>(sizes.size()) - 1;
    if (index < 0 || others < 1) return;
    const int share = std::max(total - value, 0) / others;
    for (int i = 0; i < sizes.size(); ++i) sizes[i] = i == index ? value : share;
    splitter->setSizes(sizes);
}

void TFillObject::SetBitmap(const QString& file)
{
    if (file == file_) return;
    (void)LoadBitmap(file);
}

bool TFillObject::LoadBitmap(const QString& file)
{
    QPixmap picture;
    if (!file.isEmpty() && !picture.load(file)) return false;
    file_ = file;
    picture_ = picture;
    emit Changed();
    return true;
}

TToolbarFill::TToolbarFill(QWidget* target) : TEffFill(target), file_(new TFillObject(this))
{
    setObjectName(QStringLiteral("EffFill1"));
    Bevel()->SetMode(bmStandard);
    Bevel()->SetStandardStyle(lsSingleLowered);
    PaintedFill()->SetTileMode(tmTile);
    PaintedFill()->SetStyle(sfBitmap);
    connect(file_, &TFillObject::Changed, this,
            [this] { PaintedFill()->Bitmap()->SetImage(file_->Picture().toImage().convertToFormat(QImage::Format_RGB32)); });
    // Beneath the buttons, over the whole bar.
    CoverParent(*this);
}
