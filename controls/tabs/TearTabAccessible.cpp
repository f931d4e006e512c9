#include "controls/tabs/TearTabAccessible.h"

#include "controls/tabs/TabScrollButton.h"
#include "controls/tabs/TearTabControl.h"

#include <QAccessibleWidget>
#include <algorithm>
#include <vector>

class TTabItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TTabItemAccessible(TCustomTearTabControl* strip, int index) : strip_(strip), index_(index) {}

    bool isValid() const override { return strip_ && index_ < strip_->Tabs().Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return strip_ ? strip_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(strip_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name) return {};
        return strip_->Tabs().Get(index_).trimmed();
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid()) return {};
        const QRect r = strip_->TabRect(index_);
        return QRect(strip_->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = strip_->TabStop();
        s.selected = strip_->TabIndex() == index_ || strip_->items_[index_].pressed;
        s.focused = strip_->TabIndex() == index_ && strip_->hasFocus();
        s.invisible = !strip_->isVisible();
        // Scrolled out of the row, or under its arrows.
        s.offscreen = !strip_->layout_.tabClip.contains(strip_->layout_.tabs[index_].center());
        s.disabled = !strip_->isEnabled();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && isValid() && strip_->isEnabled()) SelectFromBus(*strip_, index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<TCustomTearTabControl> strip_;
    int index_;

    static void SelectFromBus(TCustomTearTabControl& strip, int index);
};

// The bus selects a tab the way a click does: asked first, then reported.
void TTabItemAccessible::SelectFromBus(TCustomTearTabControl& strip, int index)
{
    strip.SelectTabByUser(index);
}

namespace {

class TTabListAccessible : public QAccessibleWidget {
public:
    explicit TTabListAccessible(TCustomTearTabControl* strip) : QAccessibleWidget(strip, QAccessible::PageTabList) {}
    ~TTabListAccessible() override
    {
        for (QAccessibleInterface* item : items_)
            if (item) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(item));
    }

    // The tabs come first, then the child widgets (the pages, the scroll arrows while shown).
    int childCount() const override { return Tabs() + int(Widgets().size()); }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiSelectable = Strip()->MultiSelect() && Strip()->ButtonStyle();
        return s;
    }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) return nullptr;
        if (index >= Tabs()) return Widgets()[index - Tabs()];
        if (index >= int(items_.size())) items_.resize(index + 1, nullptr);
        if (!items_[index]) {
            items_[index] = new TTabItemAccessible(Strip(), index);
            QAccessible::registerAccessibleInterface(items_[index]);
        }
        return items_[index];
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < int(items_.size()) && i < Tabs(); ++i)
            if (items_[i] == child) return i;
        const auto widgets = Widgets();
        const auto it = std::find(widgets.begin(), widgets.end(), child);
        return it == widgets.end() ? -1 : Tabs() + int(it - widgets.begin());
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const int tab = Strip()->IndexOfTabAt(Strip()->mapFromGlobal(QPoint(x, y)));
        return tab >= 0 ? child(tab) : QAccessibleWidget::childAt(x, y);
    }

private:
    mutable std::vector<QAccessibleInterface*> items_;

    TCustomTearTabControl* Strip() const { return static_cast<TCustomTearTabControl*>(widget()); }
    int Tabs() const { return Strip()->Tabs().Count(); }
    std::vector<QAccessibleInterface*> Widgets() const
    {
        std::vector<QAccessibleInterface*> out;
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
            QAccessibleInterface* w = QAccessibleWidget::child(i);
            if (!w) continue;
            auto* arrow = qobject_cast<QWidget*>(w->object());
            if (arrow && dynamic_cast<TTabScrollButton*>(arrow) && !arrow->isVisibleTo(Strip())) continue;
            out.push_back(w);
        }
        return out;
    }
};

QAccessibleInterface* TabStripFactory(const QString&, QObject* object)
{
    if (auto* strip = qobject_cast<TCustomTearTabControl*>(object)) return new TTabListAccessible(strip);
    return nullptr;
}

}  // namespace

void InstallTearTabAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(TabStripFactory);
        return true;
    }();
    (void)installed;
}
