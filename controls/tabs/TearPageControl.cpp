#include "controls/tabs/TearPageControl.h"

#include "controls/tabs/TearTabSheet.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolTip>
#include <algorithm>

namespace {

// The first control of the page in tab order that takes the focus.
QWidget* FirstFocusableIn(QWidget* page)
{
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain())
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page))
            return w;
    return nullptr;
}

}  // namespace

TTearPageControl::TTearPageControl(QWidget* parent) : TCustomTearTabControl(parent)
{
    setAccessibleName(tr("Pages"));
}

TTearPageControl::~TTearPageControl()
{
    // The sheets outlive their page in the list only as children being freed.
    for (TTearTabSheet* sheet : pages_) {
        sheet->pageControl_ = nullptr;
        sheet->tabShowing_ = false;
    }
    pages_.clear();
    activePage_ = nullptr;
    for (const QPointer<TTearTabSheet>& sheet : floatingSheets_) delete sheet.data();
}

int TTearPageControl::IndexOfPage(const TTearTabSheet* sheet) const
{
    const auto it = std::find(pages_.begin(), pages_.end(), sheet);
    return it == pages_.end() ? -1 : int(it - pages_.begin());
}

void TTearPageControl::InsertPage(TTearTabSheet* sheet)
{
    pages_.push_back(sheet);
    sheet->pageControl_ = this;
    if (sheet->parentWidget() != this) sheet->setParent(this);
    sheet->setGeometry(DisplayRect());
    sheet->UpdateGripMargins();
    sheet->UpdateTabShowing();
}

void TTearPageControl::RemovePage(TTearTabSheet* sheet, bool activateNext)
{
    const int index = IndexOfPage(sheet);
    if (index < 0) return;
    const bool wasActive = sheet == activePage_;
    TTearTabSheet* next = FindNextPage(sheet, true);
    if (sheet->tabShowing_) {
        const int tab = sheet->TabIndex();
        sheet->tabShowing_ = false;
        Tabs().Delete(tab);
    }
    pages_.erase(pages_.begin() + index);
    sheet->pageControl_ = nullptr;
    if (sheet == activePage_) ChangeActivePage(nullptr);
    UpdateActivePage();
    if (wasActive && activateNext && next) SetActivePage(next);
}

void TTearPageControl::SetActivePage(TTearTabSheet* sheet)
{
    if (sheet && sheet->pageControl_ != this) return;
    ChangeActivePage(sheet);
    if (!sheet) SetTabIndex(-1);
    else if (sheet == activePage_) SetTabIndex(sheet->TabIndex());
}

void TTearPageControl::ChangeActivePage(TTearTabSheet* page)
{
    TTearTabSheet* const old = activePage_;
    if (page == old) return;
    QWidget* focus = QApplication::focusWidget();
    const bool focusInOld = old && focus && (focus == old || old->isAncestorOf(focus));
    changingPage_ = true;
    if (page) {
        page->setGeometry(DisplayRect());
        page->raise();
        page->QWidget::setVisible(true);
    }
    if (focusInOld) {
        // The focus follows into the new page's first control, else stays on the tabs.
        if (QWidget* first = page ? FirstFocusableIn(page) : nullptr) first->setFocus(Qt::TabFocusReason);
        else setFocus();
    }
    if (old) old->QWidget::setVisible(false);
    activePage_ = page;
    changingPage_ = false;
}

void TTearPageControl::UpdateActivePage()
{
    const int tab = TabIndex();
    auto* sheet = tab >= 0 ? static_cast<TTearTabSheet*>(Tabs().GetObject(tab)) : nullptr;
    SetActivePage(sheet);
}

void TTearPageControl::Change()
{
    UpdateActivePage();
    TCustomTearTabControl::Change();
}

TTearTabSheet* TTearPageControl::FindNextPage(const TTearTabSheet* current, bool goForward) const
{
    const int count = PageCount();
    if (count == 0) return nullptr;
    int start = IndexOfPage(current);
    if (start < 0) start = goForward ? count - 1 : 0;
    int i = start;
    do {
        i = goForward ? (i + 1) % count : (i + count - 1) % count;
        TTearTabSheet* sheet = pages_[i];
        if (sheet != current && sheet->tabShowing_) return sheet;
    } while (i != start);
    return nullptr;
}

void TTearPageControl::SelectNextPage(bool goForward)
{
    TTearTabSheet* page = FindNextPage(activePage_, goForward);
    if (!page || page == activePage_ || !CanChange()) return;
    SetTabIndex(page->TabIndex());
    Change();
}

void TTearPageControl::TabTracked(int tabIndex)
{
    QToolTip::hideText();
    // The tab's own sheet gives the hint: hidden tabs make tab and page positions differ.
    if (tabIndex < 0 || tabIndex >= Tabs().Count()) return;
    if (auto* sheet = qobject_cast<TTearTabSheet*>(Tabs().GetObject(tabIndex)))
        setToolTip(sheet->TabHint().trimmed());
}

void TTearPageControl::AlignControls()
{
    const QRect display = DisplayRect();
    for (TTearTabSheet* sheet : pages_) sheet->setGeometry(display);
}

void TTearPageControl::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
            const bool back = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
            SelectNextPage(!back);
            event->accept();
            return;
        }
    }
    TCustomTearTabControl::keyPressEvent(event);
}

void TTearPageControl::MovePage(TTearTabSheet* sheet, int newIndex)
{
    const int oldIndex = IndexOfPage(sheet);
    if (oldIndex < 0 || oldIndex == newIndex) return;
    const int oldTab = sheet->TabIndex();
    pages_.erase(pages_.begin() + oldIndex);
    pages_.insert(pages_.begin() + newIndex, sheet);
    if (sheet->tabShowing_) Tabs().Move(oldTab, sheet->TabIndex());
}

void TTearPageControl::RestoreStaticOrder()
{
    // A sheet with a static place moves in front of the first earlier one whose place lies
    // beyond its own; equal places keep their order, and sheets without one (-1) stay put.
    for (int i = 0; i < PageCount(); ++i) {
        TTearTabSheet* sheet = pages_[i];
        const int place = sheet->staticPageIndex_;
        if (place < 0) continue;
        for (int j = 0; j < i; ++j) {
            if (pages_[j]->staticPageIndex_ > place) {
                MovePage(sheet, j);
                break;
            }
        }
    }
    ReapplyImages();
}

void TTearPageControl::ReapplyImages()
{
    for (TTearTabSheet* sheet : pages_)
        if (sheet->tabShowing_) SetTabImageIndex(sheet->TabIndex(), sheet->imageIndex_);
}

void TTearPageControl::customEvent(QEvent* event)
{
    switch (int(event->type())) {
    case kImageRefreshEvent:
        setUpdatesEnabled(false);
        ReapplyImages();
        setUpdatesEnabled(true);
        break;
    case kFloatedEvent:
        emit OnFloatChange(fsFloating);
        break;
    case kDockedEvent:
        RestoreStaticOrder();
        emit OnFloatChange(fsDocked);
        break;
    default:
        TCustomTearTabControl::customEvent(event);
    }
}
