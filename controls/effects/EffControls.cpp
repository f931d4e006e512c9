#include "controls/effects/EffControls.h"

#include "controls/effects/EffCaptions.h"
#include "controls/effects/EffDraw.h"
#include "controls/effects/EffFills.h"
#include "controls/effects/EffText.h"
#include "platform/Painting.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QSet>
#include <QWheelEvent>

namespace {

QRect qrect(const TRect& r) { return painting::GdiRect(r.Left, r.Top, r.Right, r.Bottom); }

TRect clientRect(const QWidget& w) { return {0, 0, w.width(), w.height()}; }

void sendToChildren(QWidget& parent, QEvent::Type type)
{
    for (QObject* child : parent.children()) {
        if (!child->isWidgetType()) continue;
        QEvent e(type);
        QCoreApplication::sendEvent(child, &e);
    }
}

}  // namespace

// --- the list link ---------------------------------------------------------------------------

TEffListLink::TEffListLink(std::function<void(QObject*)> changed) : changed_(std::move(changed))
{
    link_.OnChange = [this](QObject* sender) { changed_(sender); };
}

TEffListLink::~TEffListLink()
{
    QObject::disconnect(destroyed_);
    if (list_ && link_.Container()) list_->Detach(link_);
}

void TEffListLink::SetImageList(TEffCustomImageList* list)
{
    if (list == list_) return;
    QObject::disconnect(destroyed_);
    if (list_ && link_.Container()) list_->Detach(link_);
    list_ = list;
    if (list_) {
        list_->Attach(link_);
        // The list's own part is gone by the time this runs: only forget it.
        destroyed_ = QObject::connect(list_, &QObject::destroyed, [this] {
            list_ = nullptr;
            changed_(nullptr);
        });
    }
    changed_(list_);
}

void TEffListLink::SetIndex(int& field, int value)
{
    if (value < 0 || value == field) return;
    field = value;
    if (list_) changed_(list_);
}

bool TEffListLink::IsEmpty() const { return !list_ || !list_->HasImage(listIndex_, imageIndex_); }

void TEffListLink::CopyImageTo(TEffShapeFill& fill) const
{
    QImage image;
    if (!IsEmpty()) list_->GetBitmap(listIndex_, imageIndex_, &image);
    fill.SetListBitmap(image);
}

QString TEffListLink::Internal() const
{
    if (!list_) return {};
    if (list_ == &SharedContainer().BitmapList()) return QString::fromStdString(ListFileSignature(lkBitmapList));
    if (list_ == &SharedContainer().ImageList()) return QString::fromStdString(ListFileSignature(lkImageList));
    return {};
}

void TEffListLink::SetInternal(const QString& name) { SetImageList(SharedImageList(name.toStdString())); }

// --- the painted line ------------------------------------------------------------------------

TEffBaseControl::TEffBaseControl(QWidget* parent)
    : QWidget(parent), link_([this](QObject* sender) { GetImageListChange(sender); }), reported_(geometry())
{
    setMouseTracking(true);  // OnMouseMove comes with no button held too
}

TEffBaseControl::~TEffBaseControl()
{
    // No change of an attribute object may reach a control half destroyed.
    for (const QPointer<TEffObject>& object : owned_)
        if (object) object->OnChange = nullptr;
}

TColor TEffBaseControl::Color() const
{
    const QWidget* parent = parentWidget();
    if (!parentColor_ || !parent) return color_;
    if (const auto* control = qobject_cast<const TEffBaseControl*>(parent)) return control->Color();
    if (const auto* control = qobject_cast<const TEffCustomControl*>(parent)) return control->Color();
    return painting::FromQColor(parent->palette().color(parent->backgroundRole()));
}

void TEffBaseControl::SetColor(TColor color)
{
    const bool followed = parentColor_;
    parentColor_ = false;
    if (color == color_ && !followed) return;
    color_ = color;
    GetChange(this);
    // Children that follow this colour follow it now.
    for (TEffBaseControl* child : findChildren<TEffBaseControl*>(Qt::FindDirectChildrenOnly))
        if (child->ParentColor()) child->GetChange(this);
}

void TEffBaseControl::SetParentColor(bool parentColor)
{
    if (parentColor == parentColor_) return;
    parentColor_ = parentColor;
    GetChange(this);
}

bool TEffBaseControl::ShowHint() const
{
    if (!parentShowHint_) return showHint_;
    const QWidget* parent = parentWidget();
    const QVariant inherited = parent ? parent->property("ShowHint") : QVariant();
    return inherited.isValid() ? inherited.toBool() : true;
}

void TEffBaseControl::SetShowHint(bool show)
{
    if (show == showHint_ && !parentShowHint_) return;
    showHint_ = show;
    parentShowHint_ = false;
}

void TEffBaseControl::SetParentShowHint(bool parentShowHint)
{
    if (parentShowHint == parentShowHint_) return;
    if (!parentShowHint) showHint_ = ShowHint();  // keeps what it showed until set otherwise
    parentShowHint_ = parentShowHint;
}

void TEffBaseControl::SetAlign(TAlign align)
{
    if (align == align_) return;
    align_ = align;
    WatchParent();
    Realign();
}

void TEffBaseControl::WatchParent()
{
    QWidget* parent = align_ == alNone ? nullptr : parentWidget();
    if (watched_ == parent) return;
    if (watched_) watched_->removeEventFilter(this);
    watched_ = parent;
    if (parent) parent->installEventFilter(this);
}

void TEffBaseControl::Realign()
{
    if (QWidget* parent = parentWidget()) AlignControls(*parent);
}

bool TEffBaseControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watched_ && event->type() == QEvent::Resize) Realign();
    return QWidget::eventFilter(watched, event);
}

void TEffBaseControl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange) {
        WatchParent();
        if (align_ != alNone) Realign();
    }
    if ((event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange) && parentColor_)
        GetChange(this);
}

bool TEffBaseControl::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        if (!ShowHint()) return true;  // asked for, but not shown
        break;
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        if (align_ != alNone) Realign();
        break;
    default: break;
    }
    return QWidget::event(event);
}

void TEffBaseControl::contextMenuEvent(QContextMenuEvent* event)
{
    if (!popupMenu_) {
        QWidget::contextMenuEvent(event);
        return;
    }
    popupMenu_->popup(event->globalPos());
    event->accept();
}

void TEffBaseControl::EndLoad()
{
    loading_ = false;
    Loaded();
}

void TEffBaseControl::DoBoundsChange(TEffBoundsFlags flags)
{
    if (OnBoundsChange) OnBoundsChange(this, flags);
}

void TEffBaseControl::GetChange(QObject*)
{
    if (!loading_) update();
}

void TEffBaseControl::MouseEnter()
{
    if (OnMouseEnter) OnMouseEnter(this);
}

void TEffBaseControl::MouseExit()
{
    if (OnMouseExit) OnMouseExit(this);
}

void TEffBaseControl::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    MouseEnter();
}

void TEffBaseControl::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    MouseExit();
}

void TEffBaseControl::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    ReportBounds();
}

void TEffBaseControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ReportBounds();
    // A new height along the top moves the others down (the aligning itself changes nothing again).
    if (align_ != alNone) Realign();
}

// A move and a resize come as two events with the new geometry already in place: the first
// reports both, the second finds nothing new.
void TEffBaseControl::ReportBounds()
{
    const QRect now = geometry();
    TEffBoundsFlags flags = 0;
    if (now.size() != reported_.size()) flags |= bcResized;
    if (now.topLeft() != reported_.topLeft()) flags |= bcMoved;
    reported_ = now;
    if (flags && !loading_) DoBoundsChange(flags);
}

namespace {
void tellMouse(const TEffBaseControl::TMouseEvent& handler, TEffBaseControl* sender, const QMouseEvent& event,
               Qt::MouseButton button)
{
    const QPoint at = event.position().toPoint();
    if (handler) handler(sender, button, event.modifiers(), at.x(), at.y());
}
}  // namespace

void TEffBaseControl::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
    tellMouse(OnMouseDown, this, *event, event->button());
}

void TEffBaseControl::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is a press and a release of the left button over the control.
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QWidget::mouseReleaseEvent(event);
    tellMouse(OnMouseUp, this, *event, event->button());
    if (click && OnClick) OnClick(this);
}

void TEffBaseControl::mouseMoveEvent(QMouseEvent* event)
{
    if (!OnMouseMove) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    Qt::MouseButton held = Qt::NoButton;
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
        if (event->buttons() & button) {
            held = button;
            break;
        }
    tellMouse(OnMouseMove, this, *event, held);
    event->accept();
}

void TEffBaseControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
}

TEffBaseGraphicControl::TEffBaseGraphicControl(QWidget* parent) : TEffBaseControl(parent)
{
    resize(30, 30);
}

void TEffBaseGraphicControl::SetTransparent(bool transparent)
{
    if (transparent == transparent_) return;
    // An opaque control paints every pixel itself: Qt then leaves the parent beneath alone.
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    transparent_ = transparent;
    QEvent redraw(kEffRedrawEvent);
    QCoreApplication::sendEvent(this, &redraw);
}

void TEffBaseGraphicControl::Redraw()
{
    if (Loading() || painting_) return;
    // Opaque: this control alone repaints. Transparent: the parent's background is painted first.
    update();
}

bool TEffBaseGraphicControl::CanUseParentBack() const
{
    const auto* parent = qobject_cast<const TEffCustomControl*>(parentWidget());
    return transparent_ && parent && parent->BackChainAvailable();
}

void TEffBaseGraphicControl::GetChange(QObject*) { Redraw(); }

bool TEffBaseGraphicControl::event(QEvent* event)
{
    if (event->type() == kEffRedrawEvent) {
        Redraw();
        return true;
    }
    if (event->type() == kEffParentBackChangedEvent) {
        if (!Loading() && CanUseParentBack()) GetChange(nullptr);
        return true;
    }
    return TEffBaseControl::event(event);
}

TEffGraphicControl::TEffGraphicControl(QWidget* parent) : TEffBaseGraphicControl(parent)
{
    bevel_ = Own(new TEffBevel);
}

void TEffGraphicControl::SetBevel(const TEffBevel* bevel)
{
    if (bevel && bevel != bevel_) bevel_->Assign(bevel);
}

void TEffGraphicControl::paintEvent(QPaintEvent*)
{
    if (Loading() || (IsEmpty() && BevelWidth() == 0)) return;
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    TRect inner;
    bevel_->PaintBevel(canvas, clientRect(*this), inner, Transparent());
}

// --- the container line ----------------------------------------------------------------------

TEffCustomControl::TEffCustomControl(QWidget* parent)
    : QWidget(parent), link_([this](QObject* sender) { GetImageListChange(sender); })
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 40);
}

void TEffCustomControl::SetTransparent(bool transparent)
{
    if (transparent == transparent_) return;
    transparent_ = transparent;
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    GetChange(this);
}

void TEffCustomControl::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    GetChange(this);
}

void TEffCustomControl::EndLoad()
{
    loading_ = false;
    update();
}

void TEffCustomControl::DoMouseWheel(int x, int y, int notches)
{
    if (OnMouseWheel) OnMouseWheel(this, x, y, notches);
}

void TEffCustomControl::PaintBackground(QPainter& canvas)
{
    const TRect client = clientRect(*this);
    if (IsTransparentActive() && CopyBack(canvas, client, GetBackOffset({0, 0}))) return;
    FillSolidRect(canvas, client, color_);
}

void TEffCustomControl::GetChange(QObject*)
{
    if (repaintOnChange_ && !loading_) update();
}

void TEffCustomControl::BroadcastBackChanged() { sendToChildren(*this, kEffParentBackChangedEvent); }

void TEffCustomControl::paintEvent(QPaintEvent*)
{
    if (loading_) return;
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    PaintBackground(canvas);
}

void TEffCustomControl::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (!IsTransparentActive()) return;
    update();
    BroadcastBackChanged();
}

void TEffCustomControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
    if (!IsTransparentActive()) return;
    for (QObject* child : children())
        if (child->isWidgetType()) static_cast<QWidget*>(child)->update();
}

void TEffCustomControl::wheelEvent(QWheelEvent* event)
{
    const QPoint at = event->position().toPoint();
    // Whole notches of 120, rounded toward zero.
    DoMouseWheel(at.x(), at.y(), event->angleDelta().y() / 120);
    event->accept();
}

void TEffCustomControl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !transparent_) update();
}

bool TEffCustomControl::event(QEvent* event)
{
    if (event->type() != kEffParentBackChangedEvent) return QWidget::event(event);
    if (!loading_) {
        update();
        if (IsTransparentActive()) BroadcastBackChanged();
    }
    return true;
}

TEffCustomPanel::TEffCustomPanel(QWidget* parent) : TEffCustomControl(parent) { SetColor(clBtnFace); }

const QImage* TEffCustomPanel::GetBackBitmap() const
{
    return BackChainAvailable() ? ParentControl()->GetBackBitmap() : nullptr;
}

bool TEffCustomPanel::BackChainAvailable() const
{
    const TEffCustomControl* parent = ParentControl();
    return parent && Transparent() && parent->BackChainAvailable();
}

bool TEffCustomPanel::CopyBack(QPainter& canvas, const TRect& destination, QPoint offset) const
{
    const QImage* back = GetBackBitmap();
    if (Loading() || !back) return false;
    const QRect from(offset, QSize(RectWidth(destination), RectHeight(destination)));
    canvas.drawImage(qrect(destination), *back, from);
    return true;
}

QPoint TEffCustomPanel::GetBackOffset(QPoint point) const
{
    const TEffCustomControl* parent = ParentControl();
    return parent ? parent->GetBackOffset(point + pos()) : point + pos();
}

void TEffCustomPanel::resizeEvent(QResizeEvent* event)
{
    TEffCustomControl::resizeEvent(event);
    if (!Loading() && OnResize) OnResize(this);
}

TEffCustomBevelPanel::TEffCustomBevelPanel(QWidget* parent) : TEffCustomPanel(parent), bevel_(new TEffBevel(this))
{
    bevel_->OnChange = [this](TEffObject* sender) { GetChange(sender); };
}

void TEffCustomBevelPanel::SetBevel(const TEffBevel* bevel)
{
    if (bevel && bevel != bevel_) bevel_->Assign(bevel);
}

void TEffCustomBevelPanel::GetChange(QObject* sender)
{
    if (sender == bevel_) {
        // The children keep inside the bevel.
        const int w = bevel_->BevelExtend();
        setContentsMargins(w, w, w, w);
    }
    TEffCustomPanel::GetChange(sender);
}

TRect TEffCustomBevelPanel::PaintFrame(QPainter& canvas, bool transparent)
{
    TRect inner;
    bevel_->PaintBevel(canvas, clientRect(*this), inner, transparent);
    return inner;
}

void TEffCustomBevelPanel::paintEvent(QPaintEvent*)
{
    if (Loading()) return;
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    PaintBackground(canvas);
    PaintFrame(canvas, Transparent());
}

TEffCustomExtPanel::TEffCustomExtPanel(QWidget* parent)
    : TEffCustomBevelPanel(parent), fontFx_(new TEffFxCaption(this)), font_(new TFont(this))
{
    fontFx_->OnChange = [this](TEffObject* sender) { GetChange(sender); };
    font_->OnChange = [this](TEffObject* sender) { GetChange(sender); };
}

void TEffCustomExtPanel::SetCaption(const QString& caption)
{
    if (caption == caption_) return;
    caption_ = caption;
    setAccessibleName(caption);
    GetChange(this);
}

void TEffCustomExtPanel::SetCaptionAlignment(TEffAlignment alignment)
{
    if (alignment == alignment_) return;
    alignment_ = alignment;
    GetChange(this);
}

void TEffCustomExtPanel::GetChange(QObject* sender)
{
    // Only outline fonts turn: a bitmap font drops the angle, an angle asks for an outline font.
    if (fontFx_->Angle() != 0 && !IsTrueTypeFont(font_->ToQFont())) {
        if (sender == font_) fontFx_->SetAngle(0);
        else if (sender == fontFx_) font_->SetName(QStringLiteral("Arial"));
    }
    TEffCustomBevelPanel::GetChange(sender);
    if (sender == fontFx_) sendToChildren(*this, QEvent::FontChange);
}

void TEffCustomExtPanel::DrawCaption(QPainter& canvas, const TRect& rect, TEffAlignment alignment)
{
    const int textFlags = AlignmentTextFlags(alignment) | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX;
    const QFont font = font_->ToQFont();
    TRect textRect = rect;
    if (fontFx_->Angle() != 0 && alignment != agTopLeft)
        DrawFxTextCalc(font, alignment, caption_, fontFx_, textRect, textFlags, rect);
    canvas.setBrush(Qt::NoBrush);
    canvas.setFont(font);
    canvas.setPen(painting::ToQColor(font_->Color()));
    DrawFxText(canvas, caption_, fontFx_, rect, EnabledTextFlags(*this), textFlags, textRect);
}

void TEffCustomExtPanel::paintEvent(QPaintEvent*)
{
    if (Loading()) return;
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    PaintBackground(canvas);
    DrawCaption(canvas, PaintFrame(canvas, IsTransparentActive()), alignment_);
}

namespace {

class ParentCover : public QObject {
public:
    explicit ParentCover(QWidget& control) : QObject(&control), control_(control)
    {
        control.parentWidget()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == control_.parentWidget() && event->type() == QEvent::Resize)
            control_.setGeometry(control_.parentWidget()->rect());
        return false;
    }

private:
    QWidget& control_;
};

}  // namespace

void AlignControls(QWidget& parent)
{
    // Placing one control resizes it, which asks for the same parent's round again: one at a time.
    static QSet<const QWidget*> aligning;
    if (aligning.contains(&parent)) return;
    aligning.insert(&parent);
    const auto fit = [](int wanted, int room) { return std::clamp(wanted, 0, std::max(0, room)); };
    QRect room = parent.contentsRect();
    const QList<TEffBaseControl*> controls = parent.findChildren<TEffBaseControl*>(Qt::FindDirectChildrenOnly);
    for (TAlign kind : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TEffBaseControl* c : controls) {
            if (c->Align() != kind || c->isHidden()) continue;
            // Each strip is cut from the room left, so the room never turns inside out.
            QRect place = room;
            const int height = fit(c->height(), room.height()), width = fit(c->width(), room.width());
            switch (kind) {
            case alTop:
                place.setHeight(height);
                room.setTop(room.top() + height);
                break;
            case alBottom:
                place.setTop(room.bottom() + 1 - height);
                room.setBottom(room.bottom() - height);
                break;
            case alLeft:
                place.setWidth(width);
                room.setLeft(room.left() + width);
                break;
            case alRight:
                place.setLeft(room.right() + 1 - width);
                room.setRight(room.right() - width);
                break;
            default: break;
            }
            c->setGeometry(place);
        }
    }
    aligning.remove(&parent);
}

void CoverParent(QWidget& control)
{
    control.lower();
    control.setGeometry(control.parentWidget()->rect());
    new ParentCover(control);
}
