#include "controls/tabs/TearTabSheet.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QVBoxLayout>
#include <cstdlib>

using painting::ToQColor;

TTearTabSheet::TTearTabSheet(QWidget* parent) : QWidget(parent)
{
    QWidget::setVisible(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (auto* control = qobject_cast<TTearPageControl*>(parent)) control->InsertPage(this);
}

TTearTabSheet::~TTearTabSheet()
{
    if (pageControl_) pageControl_->RemovePage(this, true);
    if (TFloatingForm* window = floatingForm_) {
        // The window goes with its sheet; the sheet leaves it first so that it is freed once.
        window->sheet_ = nullptr;
        if (parentWidget() == window) setParent(nullptr);
        delete window;
    }
}

void TTearTabSheet::SetPageControl(TTearPageControl* control)
{
    if (control == pageControl_) return;
    if (pageControl_) {
        pageControl_->RemovePage(this, true);
        QWidget::setVisible(false);
    }
    if (control) control->InsertPage(this);
}

void TTearTabSheet::SetCaption(const QString& caption)
{
    if (caption == caption_) return;
    caption_ = caption;
    setAccessibleName(caption);
    if (tabShowing_) pageControl_->Tabs().Put(TabIndex(), caption);
    if (floatingForm_) {
        floatingForm_->setWindowTitle(caption);
        floatingForm_->setAccessibleName(caption);
    }
}

int TTearTabSheet::PageIndex() const
{
    return pageControl_ ? pageControl_->IndexOfPage(this) : -1;
}

void TTearTabSheet::SetPageIndex(int index)
{
    if (!pageControl_) return;
    const int last = pageControl_->PageCount() - 1;
    // A negative position is as invalid as one past the end.
    if (index < 0 || index > last)
        throw EListError(std::to_string(index) + " is an invalid PageIndex value.  PageIndex must be between 0 and " +
                         std::to_string(last));
    pageControl_->MovePage(this, index);
}

int TTearTabSheet::TabIndex() const
{
    if (!tabShowing_ || !pageControl_) return -1;
    int tab = 0;
    for (int i = 0; i < pageControl_->PageCount(); ++i) {
        TTearTabSheet* sheet = pageControl_->Pages(i);
        if (sheet == this) return tab;
        if (sheet->tabShowing_) ++tab;
    }
    return -1;
}

void TTearTabSheet::UpdateTabShowing()
{
    const bool showing = pageControl_ && tabVisible_;
    if (showing == tabShowing_) return;
    if (showing) {
        tabShowing_ = true;
        pageControl_->Tabs().Insert(TabIndex(), caption_, this);
        if (imageIndex_ != -1) pageControl_->SetTabImageIndex(TabIndex(), imageIndex_);
    } else {
        const int tab = TabIndex();
        tabShowing_ = false;
        pageControl_->Tabs().Delete(tab);
    }
    pageControl_->UpdateActivePage();
}

void TTearTabSheet::SetTabVisible(bool visible)
{
    if (visible == tabVisible_) return;
    tabVisible_ = visible;
    UpdateTabShowing();
}

void TTearTabSheet::SetImageIndex(int index)
{
    if (tabShowing_) pageControl_->SetTabImageIndex(TabIndex(), index);
    imageIndex_ = index;
}

void TTearTabSheet::SetDragable(bool on)
{
    if (on == dragable_) return;
    dragable_ = on;
    UpdateGripMargins();
}

TColor TTearTabSheet::Color() const
{
    if (color_) return *color_;
    // A torn-off page keeps the colour it had.
    const TTearPageControl* owner = pageControl_ ? pageControl_ : oldPageControl_.data();
    return owner ? owner->Color() : clBtnFace;
}

void TTearTabSheet::SetColor(TColor color)
{
    if (color_ == color) return;
    color_ = color;
    update();
}

void TTearTabSheet::SetGripAlign(TGripAlign align)
{
    if (align == gripAlign_) return;
    gripAlign_ = align;
    UpdateGripMargins();
}

void TTearTabSheet::UpdateGripMargins()
{
    const int g = dragable_ && !floating_ ? kGripWidth : 0;
    switch (gripAlign_) {
    case gaLeft: setContentsMargins(g, 0, 0, 0); break;
    case gaRight: setContentsMargins(0, 0, g, 0); break;
    case gaTop: setContentsMargins(0, g, 0, 0); break;
    case gaBottom: setContentsMargins(0, 0, 0, g); break;
    }
    update();
}

QRect TTearTabSheet::ClientRect() const
{
    return contentsRect();
}

QRect TTearTabSheet::GripRect() const
{
    if (!dragable_ || floating_) return {};
    const int w = width(), h = height(), g = kGripWidth;
    switch (gripAlign_) {
    case gaLeft: return {0, 0, g, h};
    case gaRight: return {w - g, 0, g, h};
    case gaTop: return {0, 0, w, g};
    case gaBottom: return {0, h - g, w, g};
    }
    return {};
}

QRect TTearTabSheet::GripHitRect() const
{
    if (!dragable_ || floating_) return {};
    const int w = width(), h = height(), g = kGripWidth, l = kGripLength;
    switch (gripAlign_) {
    case gaLeft: return painting::GdiRect(0, 0, g, l);
    case gaRight: return painting::GdiRect(w - g, h - l, w, h);
    case gaTop: return painting::GdiRect(w - l, 0, w, g);
    case gaBottom: return painting::GdiRect(0, h - g, l, h);
    }
    return {};
}

void TTearTabSheet::setVisible(bool visible)
{
    // Showing a docked sheet makes it the active page, which shows it.
    if (visible && pageControl_ && !pageControl_->changingPage_ && pageControl_->ActivePage() != this) {
        pageControl_->SetActivePage(this);
        return;
    }
    QWidget::setVisible(visible);
}

void TTearTabSheet::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) update();
}

// ---- painting ----

void TTearTabSheet::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painting::BeginPlainPaint(painter);
    painter.fillRect(rect(), ToQColor(Color()));
    if (dragable_ && !floating_) DrawGrip(painter);
}

void TTearTabSheet::DrawGrip(QPainter& painter) const
{
    const QRect strip = GripRect();
    painter.fillRect(strip, ToQColor(clBtnFace));
    const QColor light = ToQColor(clBtnHighlight);
    const QColor dot = ToQColor(isEnabled() ? clActiveCaption : clInactiveCaption);
    const bool upright = gripAlign_ == gaLeft || gripAlign_ == gaRight;
    const int length = upright ? height() : width();
    const int across = gripAlign_ == gaRight ? width() - 5 : gripAlign_ == gaBottom ? height() - 5 : 0;
    const bool fromFarEnd = gripAlign_ == gaRight || gripAlign_ == gaTop;
    const auto drawDot = [&](int o, int p) {
        const int x = upright ? o : p, y = upright ? p : o;
        painter.fillRect(x, y, 2, 2, dot);
        painter.fillRect(x, y, 1, 1, light);
    };
    for (int i = 0; i < 5; ++i) {
        const int p = fromFarEnd ? length - 4 * i - 4 : 4 * i;
        drawDot(across, p);
        drawDot(across + 3, p + 2);
    }
}

// ---- tearing off ----

void TTearTabSheet::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (!pageControl_ || !pageControl_->CanFloat()) return;
    const QPoint at = event->position().toPoint();
    if (!floating_ && dragable_ && GripHitRect().contains(at)) {
        gripPressed_ = true;
        floatSize_ = size();
        dragPos_ = dragOffset_ = at;
    }
}

void TTearTabSheet::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (gripPressed_) {
        const QPoint moved = at - dragPos_;
        if (std::abs(moved.x()) >= kDragThreshold || std::abs(moved.y()) >= kDragThreshold) {
            gripPressed_ = false;
            dragging_ = true;
        }
    }
    if (dragging_) {
        dragPos_ = at;
        ShowDragFrame();
    }
}

void TTearTabSheet::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (dragging_) {
        if (dragFrame_) dragFrame_->hide();
        dragging_ = false;
        FloatAt(floatRect_);
    } else if (gripPressed_) {
        gripPressed_ = false;
        update();
    }
}

void TTearTabSheet::ShowDragFrame()
{
    floatRect_ = QRect(mapToGlobal(dragPos_ - dragOffset_), floatSize_);
    if (!dragFrame_) {
        dragFrame_ = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
        dragFrame_->setAccessibleName(tr("Drag frame"));
    }
    dragFrame_->setGeometry(floatRect_);
    dragFrame_->show();
}

void TTearTabSheet::FloatSheet()
{
    floatSize_ = size();
    FloatAt(QRect(mapToGlobal(QPoint(0, 0)), floatSize_));
}

void TTearTabSheet::FloatAt(const QRect& floatRect)
{
    if (!pageControl_ || floating_ || !pageControl_->CanFloat()) return;
    TTearPageControl* old = pageControl_;
    oldPageControl_ = old;
    floatRect_ = floatRect;
    old->RemovePage(this, false);
    old->floatingSheets_.emplace_back(this);
    floating_ = true;
    UpdateGripMargins();
    old->SelectNextPage(true);
    QCoreApplication::postEvent(old, new QEvent(QEvent::Type(TTearPageControl::kFloatedEvent)));

    if (!floatingForm_) {
        floatingForm_ = new TFloatingForm(this);
        floatingForm_->setWindowTitle(caption_);
        floatingForm_->resize(floatSize_);
    }
    floatingForm_->move(floatRect_.topLeft());
    emit OnFloatChange(fsFloating);
    floatingForm_->layout()->addWidget(this);
    floatingForm_->show();
    QWidget::setVisible(true);
}

void TTearTabSheet::DockSheet()
{
    if (!floating_) return;
    TTearPageControl* old = oldPageControl_;
    if (!old) return;  // nothing to return to: it stays in its window
    if (floatingForm_) {
        floatingForm_->hide();
        floatingForm_->layout()->removeWidget(this);
    }
    floating_ = false;
    std::erase(old->floatingSheets_, QPointer<TTearTabSheet>(this));
    QWidget::setVisible(false);
    setParent(old);
    old->InsertPage(this);
    QCoreApplication::postEvent(old, new QEvent(QEvent::Type(TTearPageControl::kDockedEvent)));
    old->SetActivePage(this);
    oldPageControl_ = nullptr;
    emit OnFloatChange(fsDocked);
}

// ---- the floating window ----

TFloatingForm::TFloatingForm(TTearTabSheet* sheet) : QWidget(nullptr, Qt::Tool), sheet_(sheet)
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(664, 82);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (sheet) setAccessibleName(sheet->Caption());
}

TFloatingForm::~TFloatingForm()
{
    if (sheet_ && sheet_->floatingForm_ == this) sheet_->floatingForm_ = nullptr;
}

void TFloatingForm::closeEvent(QCloseEvent* event)
{
    if (sheet_ && sheet_->oldPageControl_) {
        sheet_->DockSheet();
        event->accept();
        return;
    }
    // A sheet with no page control left to return to keeps its window.
    event->ignore();
    hide();
}
