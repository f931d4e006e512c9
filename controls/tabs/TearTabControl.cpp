#include "controls/tabs/TearTabControl.h"

#include "controls/tabs/ImageList.h"
#include "controls/tabs/TabDrawing.h"
#include "controls/tabs/TabScrollButton.h"
#include "controls/tabs/TearTabAccessible.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace {

constexpr int kTextPadding = 6;   // each side of a caption along the tab
constexpr int kImageMargin = 5;   // before an image
constexpr int kRowPadding = 6;    // across a row, beyond the text or image

}  // namespace

void RaiseTabError(const char* operation)
{
    throw EListError(std::string("Tab control access error\nViolation occured in ") + operation);
}

// ---- TTabStrings ----

int TTabStrings::Count() const
{
    return int(control_.items_.size());
}

QString TTabStrings::Get(int index) const
{
    if (index < 0 || index >= Count()) RaiseTabError("TTabStrings.Get");
    return control_.items_[index].caption;
}

QObject* TTabStrings::GetObject(int index) const
{
    if (index < 0 || index >= Count()) RaiseTabError("TTabStrings.GetObject");
    return control_.items_[index].object;
}

void TTabStrings::Put(int index, const QString& caption)
{
    if (index < 0 || index >= Count()) RaiseTabError("TTabStrings.Put");
    control_.items_[index].caption = caption;
    if (updateCount_ == 0) control_.Relayout();
}

void TTabStrings::PutObject(int index, QObject* object)
{
    if (index < 0 || index >= Count()) RaiseTabError("TTabStrings.PutObject");
    control_.items_[index].object = object;
}

void TTabStrings::Insert(int index, const QString& caption, QObject* object)
{
    if (index < 0) RaiseTabError("TTabStrings.Insert");
    index = std::min(index, Count());
    auto& items = control_.items_;
    items.insert(items.begin() + index, {caption, object, -1});
    int& sel = control_.tabIndex_;
    if (items.size() == 1) sel = 0;  // the first tab of a strip is selected
    else if (sel >= index) ++sel;
    if (updateCount_ == 0) control_.Relayout();
}

int TTabStrings::Add(const QString& caption, QObject* object)
{
    Insert(Count(), caption, object);
    return Count() - 1;
}

void TTabStrings::Delete(int index)
{
    if (index < 0 || index >= Count()) RaiseTabError("TTabStrings.Delete");
    auto& items = control_.items_;
    items.erase(items.begin() + index);
    int& sel = control_.tabIndex_;
    if (sel == index) sel = -1;
    else if (sel > index) --sel;
    if (control_.hotTab_ >= Count()) control_.hotTab_ = -1;
    if (updateCount_ == 0) control_.Relayout();
}

void TTabStrings::Clear()
{
    control_.items_.clear();
    control_.tabIndex_ = -1;
    control_.hotTab_ = -1;
    if (updateCount_ == 0) control_.Relayout();
}

void TTabStrings::Move(int from, int to)
{
    if (from < 0 || from >= Count() || to < 0 || to >= Count()) RaiseTabError("TTabStrings.Move");
    if (from == to) return;
    auto& items = control_.items_;
    const auto item = items[from];
    items.erase(items.begin() + from);
    items.insert(items.begin() + to, item);
    int& sel = control_.tabIndex_;
    if (sel == from) sel = to;
    else if (from < sel && sel <= to) --sel;
    else if (to <= sel && sel < from) ++sel;
    if (updateCount_ == 0) control_.Relayout();
}

int TTabStrings::IndexOfObject(const QObject* object) const
{
    for (int i = 0; i < Count(); ++i)
        if (control_.items_[i].object == object) return i;
    return -1;
}

void TTabStrings::BeginUpdate()
{
    if (updateCount_++ == 0) {
        control_.updating_ = true;
        control_.setUpdatesEnabled(false);
    }
}

void TTabStrings::EndUpdate()
{
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    control_.updating_ = false;
    control_.setUpdatesEnabled(true);
    control_.Relayout();
}

// ---- TCustomTearTabControl ----

TCustomTearTabControl::TCustomTearTabControl(QWidget* parent) : QWidget(parent), tabs_(*this)
{
    InstallTearTabAccessibility();
    resize(289, 193);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(tr("Tabs"));
    scrollBack_ = new TTabScrollButton(false, this);
    scrollForward_ = new TTabScrollButton(true, this);
    connect(scrollBack_, &QAbstractButton::clicked, this, [this] { ScrollTabs(-1); });
    connect(scrollForward_, &QAbstractButton::clicked, this, [this] { ScrollTabs(1); });
    Relayout();
}

TCustomTearTabControl::~TCustomTearTabControl() = default;

TTabStripShape TCustomTearTabControl::Shape() const
{
    return {tabPosition_, verticalTabs_, multiLine_ || verticalTabs_, buttonStyle_, scrollOpposite_};
}

int TCustomTearTabControl::RowBreadth() const
{
    if (tabHeight_ > 0) return tabHeight_;
    int extent = std::max(QFontMetrics(font()).height(), QFontMetrics(inactiveFont_).height());
    if (images_) extent = std::max(extent, images_->Height());
    return extent + kRowPadding;
}

int TCustomTearTabControl::TabLength(int index) const
{
    if (tabWidth_ > 0) return tabWidth_;
    const QString text = items_[index].caption.trimmed();
    int len = std::max(QFontMetrics(font()).horizontalAdvance(text),
                       QFontMetrics(inactiveFont_).horizontalAdvance(text)) +
              2 * kTextPadding;
    if (images_ && items_[index].image != -1) len += images_->Height() + kImageMargin;
    return len;
}

void TCustomTearTabControl::Relayout()
{
    if (updating_) return;
    std::vector<int> lengths;
    for (int i = 0; i < int(items_.size()); ++i) lengths.push_back(TabLength(i));
    layout_ = LayOutTabStrip(Shape(), size(), lengths, RowBreadth(), tabIndex_, firstVisible_);
    firstVisible_ = layout_.firstVisible;
    PlaceScrollButtons();
    AlignControls();
    UpdateAccessibleTabs();
    update();
}

void TCustomTearTabControl::PlaceScrollButtons()
{
    const bool shown = !layout_.scrollBack.isEmpty();
    if (shown) {
        scrollBack_->setGeometry(layout_.scrollBack);
        scrollForward_->setGeometry(layout_.scrollForward);
        scrollBack_->setEnabled(layout_.firstVisible > 0);
        scrollForward_->setEnabled(layout_.firstVisible < layout_.lastFirstVisible);
        scrollBack_->raise();
        scrollForward_->raise();
    }
    scrollBack_->setVisible(shown);
    scrollForward_->setVisible(shown);
}

void TCustomTearTabControl::ScrollTabs(int steps)
{
    const int first = std::clamp(firstVisible_ + steps, 0, layout_.lastFirstVisible);
    if (first == firstVisible_) return;
    firstVisible_ = first;
    Relayout();
}

void TCustomTearTabControl::RecreateWnd()
{
    Relayout();
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(kImageRefreshEvent)));
}

QRect TCustomTearTabControl::DisplayRect() const
{
    // The pages keep two pixels below the frame's top, as they always have.
    return layout_.display.adjusted(0, 2, 0, 0);
}

QRect TCustomTearTabControl::TabRect(int index) const
{
    if (index < 0 || index >= int(layout_.tabs.size())) return {};
    return ShownTabRect(Shape(), layout_.tabs[index], index == tabIndex_);
}

int TCustomTearTabControl::IndexOfTabAt(QPoint point) const
{
    return TabAtPoint(Shape(), layout_, tabIndex_, point);
}

QSize TCustomTearTabControl::sizeHint() const
{
    return {289, 193};
}

QSize TCustomTearTabControl::minimumSizeHint() const
{
    const int depth = layout_.band.height() + 8, across = layout_.band.width() + 8;
    return verticalTabs_ ? QSize(across, 40) : QSize(40, depth);
}

void TCustomTearTabControl::SetTabIndex(int index)
{
    if (index < -1 || index >= tabs_.Count()) index = -1;
    if (index == tabIndex_) return;
    tabIndex_ = index;
    // The selected tab comes into view, and its row next to the pages.
    firstVisible_ = FirstVisibleShowing(layout_, index);
    Relayout();
    AnnounceSelection();
}

bool TCustomTearTabControl::CanChange()
{
    bool allow = true;
    emit OnChanging(allow);
    return allow;
}

void TCustomTearTabControl::Change()
{
    emit OnChange();
}

bool TCustomTearTabControl::SelectTabByUser(int index)
{
    if (index < 0 || index >= tabs_.Count()) return false;
    if (index == tabIndex_) {
        ClearPressedTabs();  // a plain click on the selected button leaves it pressed alone
        if (const int first = FirstVisibleShowing(layout_, index); first != firstVisible_) {
            firstVisible_ = first;
            Relayout();
        }
        return false;
    }
    if (!CanChange()) return false;
    ClearPressedTabs();
    SetTabIndex(index);
    Change();
    return true;
}

std::vector<int> TCustomTearTabControl::SelectedTabs() const
{
    std::vector<int> out;
    for (int i = 0; i < int(items_.size()); ++i)
        if (i == tabIndex_ || items_[i].pressed) out.push_back(i);
    return out;
}

void TCustomTearTabControl::ClearPressedTabs()
{
    bool any = false;
    for (TabItem& item : items_) any |= std::exchange(item.pressed, false);
    if (any) update();
}

void TCustomTearTabControl::SetImages(TImageList* images)
{
    if (images == images_) return;
    disconnect(imagesLink_);
    images_ = images;
    if (images_) imagesLink_ = connect(images_, &TImageList::OnChange, this, [this] { Relayout(); });
    Relayout();
}

int TCustomTearTabControl::TabImageIndex(int tab) const
{
    if (tab < 0 || tab >= tabs_.Count()) RaiseTabError("TTearTabSheet.GetImageIndex");
    return items_[tab].image;
}

void TCustomTearTabControl::SetTabImageIndex(int tab, int image)
{
    if (tab < 0 || tab >= tabs_.Count()) RaiseTabError("TTearTabSheet.SetImageIndex");
    items_[tab].image = image;
    Relayout();
}

void TCustomTearTabControl::CheckTabSize(int size) const
{
    // Tab sizes are 16-bit values: beyond that is as far out of range as below zero.
    if (size < 0 || size > 32767)
        throw EInvalidOperation(std::string(metaObject()->className()) + " property out of range");
}

void TCustomTearTabControl::SetTabWidth(int width)
{
    CheckTabSize(width);
    if (width == tabWidth_) return;
    const bool sizeOnly = width != 0 && tabWidth_ != 0;
    tabWidth_ = width;
    if (sizeOnly) Relayout();
    else RecreateWnd();
}

void TCustomTearTabControl::SetTabHeight(int height)
{
    CheckTabSize(height);
    if (height == tabHeight_) return;
    tabHeight_ = height;
    Relayout();
}

void TCustomTearTabControl::SetMultiLine(bool on)
{
    if (on == multiLine_) return;
    multiLine_ = on;
    if (!on) scrollOpposite_ = false;
    RecreateWnd();
}

void TCustomTearTabControl::SetScrollOpposite(bool on)
{
    if (on == scrollOpposite_) return;
    scrollOpposite_ = on;
    if (on) multiLine_ = true;
    RecreateWnd();
}

void TCustomTearTabControl::SetMultiSelect(bool on)
{
    if (on == multiSelect_) return;
    multiSelect_ = on;
    if (!on) ClearPressedTabs();
    RecreateWnd();
}

void TCustomTearTabControl::SetFlatButtons(bool on)
{
    if (on == flatButtons_) return;
    flatButtons_ = on;
    RecreateWnd();
}

void TCustomTearTabControl::SetFlatSeperators(bool on)
{
    if (on == flatSeperators_) return;
    flatSeperators_ = on;
    update();
}

void TCustomTearTabControl::SetHotTrack(bool on)
{
    if (on == hotTrack_) return;
    hotTrack_ = on;
    update();
}

void TCustomTearTabControl::SetTabPosition(TTearTabPosition position)
{
    if (buttonStyle_) throw EInvalidOperation("Buttons are only supported when aligned along the top");
    if (position == tabPosition_) return;
    tabPosition_ = position;
    RecreateWnd();
}

void TCustomTearTabControl::SetVerticalTabs(bool on)
{
    if (buttonStyle_) throw EInvalidOperation("Buttons are only supported when aligned along the top");
    if (on == verticalTabs_) return;
    verticalTabs_ = on;
    RecreateWnd();
}

void TCustomTearTabControl::SetTextRotation(TTextRotation rotation)
{
    if (rotation == textRotation_) return;
    textRotation_ = rotation;
    RecreateWnd();
}

void TCustomTearTabControl::SetButtonStyle(bool on)
{
    if (on == buttonStyle_) return;
    buttonStyle_ = on;
    if (!on) ClearPressedTabs();
    verticalTabs_ = false;
    tabPosition_ = tpTopLeft;
    RecreateWnd();
}

void TCustomTearTabControl::SetTabStop(bool on)
{
    if (on == tabStop_) return;
    tabStop_ = on;
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
    RecreateWnd();
}

void TCustomTearTabControl::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    update();
}

void TCustomTearTabControl::SetFontColor(TColor color)
{
    if (color == fontColor_) return;
    fontColor_ = color;
    update();
}

void TCustomTearTabControl::SetTabInactiveColor(TColor color)
{
    if (color == inactiveColor_) return;
    inactiveColor_ = color;
    update();
}

void TCustomTearTabControl::SetTabInactiveFont(const QFont& font)
{
    if (font == inactiveFont_) return;
    inactiveFont_ = font;
    Relayout();
}

void TCustomTearTabControl::SetTabInactiveFontColor(TColor color)
{
    if (color == inactiveFontColor_) return;
    inactiveFontColor_ = color;
    update();
}

void TCustomTearTabControl::TrackTab(int tab)
{
    if (tab == hotTab_) return;
    const int old = hotTab_;
    hotTab_ = tab;
    emit OnTabTrack(tab);
    TabTracked(tab);
    if (hotTrack_) {
        update(TabRect(old));
        update(TabRect(tab));
    }
}

void TCustomTearTabControl::UpdateAccessibleTabs()
{
    if (!QAccessible::isActive()) return;
    QAccessibleEvent reorder(this, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reorder);
}

void TCustomTearTabControl::AnnounceSelection()
{
    if (!QAccessible::isActive() || tabIndex_ < 0) return;
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(tabIndex_);
    QAccessible::updateAccessibility(&selection);
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(tabIndex_);
        QAccessible::updateAccessibility(&focus);
    }
}

// ---- events ----

void TCustomTearTabControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void TCustomTearTabControl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) Relayout();
}

void TCustomTearTabControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int tab = IndexOfTabAt(event->position().toPoint());
    if (tab >= 0 && MultiSelecting() && (event->modifiers() & Qt::ControlModifier)) {
        // Ctrl+click presses or releases a further button; the selection stays.
        if (tab != tabIndex_) {
            items_[tab].pressed = !items_[tab].pressed;
            update(TabRect(tab));
            UpdateAccessibleTabs();
        }
    } else if (tab >= 0) {
        SelectTabByUser(tab);
    }
    event->accept();
}

void TCustomTearTabControl::mouseMoveEvent(QMouseEvent* event)
{
    TrackTab(IndexOfTabAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void TCustomTearTabControl::leaveEvent(QEvent* event)
{
    if (hotTrack_ && hotTab_ >= 0) update(TabRect(hotTab_));
    hotTab_ = -1;
    QWidget::leaveEvent(event);
}

void TCustomTearTabControl::keyPressEvent(QKeyEvent* event)
{
    const int count = tabs_.Count();
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        target = tabIndex_ > 0 ? tabIndex_ - 1 : -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        target = tabIndex_ + 1 < count ? tabIndex_ + 1 : -1;
        break;
    case Qt::Key_Home:
        target = count > 0 ? 0 : -1;
        break;
    case Qt::Key_End:
        target = count - 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (target >= 0) SelectTabByUser(target);
    event->accept();
}

void TCustomTearTabControl::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update(TabRect(tabIndex_));
}

void TCustomTearTabControl::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update(TabRect(tabIndex_));
}
