#include "controls/tabs/HostStatusBar.h"

#include "platform/Painting.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

std::vector<QRect> StatusPanelRects(const std::vector<int>& widths, int barWidth, int barHeight)
{
    std::vector<QRect> rects;
    int left = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int right = i + 1 == widths.size() ? std::max(left, barWidth) : left + std::max(0, widths[i]);
        rects.push_back(painting::GdiRect(left, 0, right, barHeight));
        left = right;
    }
    return rects;
}

namespace {

// One painted panel as the bus sees it: static text with the panel's words.
class TStatusPanelAccessible : public QAccessibleInterface {
public:
    TStatusPanelAccessible(THostStatusBar* bar, int index) : bar_(bar), index_(index) {}

    bool isValid() const override { return bar_ && index_ < Shown(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return bar_ ? bar_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bar_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name) return {};
        return bar_->SimplePanel() ? bar_->SimpleText() : bar_->Panel(index_).Text;
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid()) return {};
        const QRect r = bar_->SimplePanel() ? bar_->rect() : bar_->PanelRect(index_);
        return QRect(bar_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invalid = !isValid();
        s.readOnly = true;
        s.invisible = bar_ && !bar_->isVisible();
        return s;
    }

private:
    QPointer<THostStatusBar> bar_;
    int index_;

    int Shown() const { return bar_->SimplePanel() ? 1 : bar_->PanelCount(); }
};

// The panels come first, then the controls placed on the bar.
class THostStatusBarAccessible : public QAccessibleWidget {
public:
    explicit THostStatusBarAccessible(THostStatusBar* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}
    ~THostStatusBarAccessible() override
    {
        for (QAccessibleInterface* panel : panels_)
            if (panel) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(panel));
    }

    int childCount() const override { return Shown() + QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) return nullptr;
        if (index >= Shown()) return QAccessibleWidget::child(index - Shown());
        if (index >= int(panels_.size())) panels_.resize(index + 1, nullptr);
        if (!panels_[index]) {
            panels_[index] = new TStatusPanelAccessible(Bar(), index);
            QAccessible::registerAccessibleInterface(panels_[index]);
        }
        return panels_[index];
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < int(panels_.size()) && i < Shown(); ++i)
            if (panels_[i] == child) return i;
        const int w = QAccessibleWidget::indexOfChild(child);
        return w < 0 ? -1 : Shown() + w;
    }

private:
    mutable std::vector<QAccessibleInterface*> panels_;

    THostStatusBar* Bar() const { return static_cast<THostStatusBar*>(widget()); }
    int Shown() const { return Bar()->SimplePanel() ? 1 : Bar()->PanelCount(); }
};

QAccessibleInterface* statusBarFactory(const QString&, QObject* object)
{
    if (auto* bar = qobject_cast<THostStatusBar*>(object)) return new THostStatusBarAccessible(bar);
    return nullptr;
}

void installAccessible() { QAccessible::installFactory(&statusBarFactory); }
Q_CONSTRUCTOR_FUNCTION(installAccessible)

}  // namespace

THostStatusBar::THostStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setAccessibleName(tr("Status bar"));
    // Children are placed by hand, over the panels; the grip would cover the last one.
    setSizeGripEnabled(false);
}

int THostStatusBar::AddPanel(int width, const QString& text)
{
    panels_.push_back({text, width});
    TextsChanged();
    return PanelCount() - 1;
}

void THostStatusBar::SetPanelText(int index, const QString& text)
{
    TStatusPanel& p = panels_.at(index);
    if (p.Text == text) return;
    p.Text = text;
    TextsChanged();
}

void THostStatusBar::SetPanelWidth(int index, int width)
{
    TStatusPanel& p = panels_.at(index);
    if (p.Width == width) return;
    p.Width = width;
    update();
}

QRect THostStatusBar::PanelRect(int index) const
{
    std::vector<int> widths;
    for (const TStatusPanel& p : panels_) widths.push_back(p.Width);
    return StatusPanelRects(widths, width(), height()).at(index);
}

void THostStatusBar::SetSimplePanel(bool simple)
{
    if (simple == simplePanel_) return;
    simplePanel_ = simple;
    TextsChanged();
}

void THostStatusBar::SetSimpleText(const QString& text)
{
    if (text == simpleText_) return;
    simpleText_ = text;
    TextsChanged();
}

void THostStatusBar::TextsChanged()
{
    // What a screen reader reads: the texts a person sees on the bar.
    QStringList texts;
    if (simplePanel_) texts << simpleText_;
    else
        for (const TStatusPanel& p : panels_) texts << p.Text;
    setAccessibleDescription(texts.join(QStringLiteral(" | ")));
    update();
}

QSize THostStatusBar::sizeHint() const
{
    return {QStatusBar::sizeHint().width(), std::max(QStatusBar::sizeHint().height(), fontMetrics().height() + 6)};
}

void THostStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painting::BeginPlainPaint(painter);
    painter.fillRect(rect(), painting::ToQColor(clBtnFace));
    auto panel = [&](const QRect& r, const QString& text) {
        if (r.width() <= 0) return;
        // A sunken frame: shadow on the top and left, light on the bottom and right.
        const QRect f = r.adjusted(0, 2, -2, 0);
        painter.setPen(painting::ToQColor(clBtnShadow));
        painting::DrawLineTo(painter, f.left(), f.bottom(), f.left(), f.top());
        painting::DrawLineTo(painter, f.left(), f.top(), f.right() + 1, f.top());
        painter.setPen(painting::ToQColor(clBtnHighlight));
        painting::DrawLineTo(painter, f.right(), f.top() + 1, f.right(), f.bottom() + 1);
        painting::DrawLineTo(painter, f.left() + 1, f.bottom(), f.right(), f.bottom());
        const QRect textRect = f.adjusted(3, 1, -2, -1);
        painter.setPen(painting::ToQColor(clBtnText));
        painter.setClipRect(textRect);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter.setClipping(false);
    };
    if (simplePanel_) {
        panel(rect(), simpleText_);
        return;
    }
    for (int i = 0; i < PanelCount(); ++i) panel(PanelRect(i), panels_[i].Text);
}
