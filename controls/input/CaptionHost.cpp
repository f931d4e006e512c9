#include "controls/input/CaptionHost.h"

#include "platform/Painting.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QWhatsThis>
#include <QWindow>
#include <algorithm>

namespace {

QColor C(TColor color) { return painting::ToQColor(color); }

// The classic raised (or pressed) edge of a button or window frame.
void DrawEdge(QPainter& canvas, const QRect& r, bool raised)
{
    const TColor outerLight = raised ? cl3DLight : cl3DDkShadow, outerDark = raised ? cl3DDkShadow : clBtnHighlight;
    const TColor innerLight = raised ? clBtnHighlight : clBtnShadow, innerDark = raised ? clBtnShadow : cl3DLight;
    const auto frame = [&](const QRect& f, TColor light, TColor dark) {
        if (f.width() < 2 || f.height() < 2) return;
        canvas.fillRect(f.left(), f.top(), f.width() - 1, 1, C(light));
        canvas.fillRect(f.left(), f.top(), 1, f.height() - 1, C(light));
        canvas.fillRect(f.left(), f.bottom(), f.width(), 1, C(dark));
        canvas.fillRect(f.right(), f.top(), 1, f.height(), C(dark));
    };
    frame(r, outerLight, outerDark);
    frame(r.adjusted(1, 1, -1, -1), innerLight, innerDark);
}

constexpr int kCornerLength = 16;  // how far from a corner a frame edge sizes both ways

}  // namespace

// One side of the resize frame; near its ends it sizes two ways. It paints its part of the frame.
class TCaptionGrip : public QWidget {
public:
    TCaptionGrip(TCaptionHost& host, Qt::Edge side, QWidget* parent) : QWidget(parent), host_(host), side_(side)
    {
        setMouseTracking(true);
        setAccessibleName(QStringLiteral("Window frame"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter canvas(this);
        painting::BeginPlainPaint(canvas);
        canvas.translate(-pos());
        const QRect whole = parentWidget()->rect();
        canvas.fillRect(whole, C(host_.WindowActive() ? clActiveBorder : clInactiveBorder));
        DrawEdge(canvas, whole, true);
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (sizing_) {
            SizeTo(event->globalPosition().toPoint());
            return;
        }
        setCursor(CursorFor(EdgesAt(event->position().toPoint())));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !host_.Sizeable()) return;
        edges_ = EdgesAt(event->position().toPoint());
        QWindow* handle = window()->windowHandle();
        if (handle && handle->startSystemResize(edges_)) return;
        sizing_ = true;
        from_ = event->globalPosition().toPoint();
        startGeometry_ = window()->geometry();
    }
    void mouseReleaseEvent(QMouseEvent*) override { sizing_ = false; }

private:
    TCaptionHost& host_;
    Qt::Edge side_;
    Qt::Edges edges_;
    bool sizing_ = false;
    QPoint from_;
    QRect startGeometry_;

    Qt::Edges EdgesAt(const QPoint& at) const
    {
        Qt::Edges edges = side_;
        const bool horizontal = side_ == Qt::TopEdge || side_ == Qt::BottomEdge;
        const int along = horizontal ? at.x() : at.y() + y();
        const int length = horizontal ? width() : parentWidget()->height();
        if (along < kCornerLength) edges |= horizontal ? Qt::LeftEdge : Qt::TopEdge;
        if (along >= length - kCornerLength) edges |= horizontal ? Qt::RightEdge : Qt::BottomEdge;
        return edges;
    }
    Qt::CursorShape CursorFor(Qt::Edges edges) const
    {
        if (!host_.Sizeable()) return Qt::ArrowCursor;
        const bool left = edges & Qt::LeftEdge, right = edges & Qt::RightEdge;
        const bool top = edges & Qt::TopEdge, bottom = edges & Qt::BottomEdge;
        if ((top && left) || (bottom && right)) return Qt::SizeFDiagCursor;
        if ((top && right) || (bottom && left)) return Qt::SizeBDiagCursor;
        return left || right ? Qt::SizeHorCursor : Qt::SizeVerCursor;
    }
    // Our own sizing, for platforms that cannot size a frameless window themselves.
    void SizeTo(const QPoint& global)
    {
        QWidget* w = window();
        const QPoint d = global - from_;
        QRect g = startGeometry_;
        const QSize least = w->minimumSize().expandedTo(QSize(64, host_.Metrics().CaptionHeight + 16));
        if (edges_ & Qt::LeftEdge) g.setLeft(std::min(g.left() + d.x(), g.right() - least.width()));
        if (edges_ & Qt::RightEdge) g.setRight(std::max(g.right() + d.x(), g.left() + least.width()));
        if (edges_ & Qt::TopEdge) g.setTop(std::min(g.top() + d.y(), g.bottom() - least.height()));
        if (edges_ & Qt::BottomEdge) g.setBottom(std::max(g.bottom() + d.y(), g.top() + least.height()));
        w->setGeometry(g);
    }
};

// ---- TCaptionButton ----

TCaptionButton::TCaptionButton(TCaptionButtonKind kind, QWidget* parent) : QAbstractButton(parent), kind_(kind)
{
    setFocusPolicy(Qt::NoFocus);
    SetRestoreLook(false);
}

void TCaptionButton::SetRestoreLook(bool value)
{
    restore_ = value;
    QString name;
    switch (kind_) {
    case cbClose: name = tr("Close"); break;
    case cbMinimize: name = value ? tr("Restore") : tr("Minimize"); break;
    case cbMaximize: name = value ? tr("Restore") : tr("Maximize"); break;
    case cbHelp: name = tr("Help"); break;
    }
    setAccessibleName(name);
    setToolTip(name);
    update();
}

void TCaptionButton::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    painting::BeginPlainPaint(canvas);
    const QRect r = rect();
    canvas.fillRect(r, C(clBtnFace));
    DrawEdge(canvas, r, !isDown());
    const int shift = isDown() ? 1 : 0;
    const QColor ink = C(isEnabled() ? clBtnText : clGrayText);
    // The glyph sits in a square of the face's height, centred.
    const int size = std::max(4, (std::min(r.width(), r.height()) - 4) * 2 / 3 / 2 * 2);
    const int x0 = (r.width() - size) / 2 + shift, y0 = (r.height() - size) / 2 + shift;
    const auto box = [&](int x, int y, int w, int h) {
        canvas.fillRect(x, y, w, 2, ink);
        canvas.fillRect(x, y + h - 1, w, 1, ink);
        canvas.fillRect(x, y, 1, h, ink);
        canvas.fillRect(x + w - 1, y, 1, h, ink);
    };
    switch (kind_) {
    case cbClose:
        for (int i = 0; i < size; ++i) {
            canvas.fillRect(x0 + i, y0 + i, 2, 1, ink);
            canvas.fillRect(x0 + size - 2 - i, y0 + i, 2, 1, ink);
        }
        break;
    case cbMinimize:
        if (restore_) {
            box(x0 + size / 3, y0, size - size / 3, size - size / 3);
            box(x0, y0 + size / 3, size - size / 3, size - size / 3);
        } else {
            canvas.fillRect(x0 + 1, y0 + size - 2, size - 3, 2, ink);
        }
        break;
    case cbMaximize:
        if (restore_) {
            box(x0 + size / 3, y0, size - size / 3, size - size / 3);
            canvas.fillRect(x0, y0 + size / 3, size - size / 3, size - size / 3, C(clBtnFace));
            box(x0, y0 + size / 3, size - size / 3, size - size / 3);
        } else {
            box(x0, y0, size, size);
        }
        break;
    case cbHelp: {
        QFont font = canvas.font();
        font.setBold(true);
        font.setPixelSize(std::max(6, r.height() - 3));
        canvas.setFont(font);
        canvas.setPen(ink);
        canvas.drawText(r.translated(shift, shift), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
}

// ---- TCaptionBar ----

TCaptionBar::TCaptionBar(TCaptionHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCaptionBar::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    host_.Paint(canvas);
}

void TCaptionBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) rightDown_ = true;
    if (event->button() == Qt::LeftButton) dragFrom_ = event->globalPosition().toPoint();
}

void TCaptionBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint at = event->globalPosition().toPoint();
    if (dragging_) {
        window()->move(window()->pos() + at - dragFrom_);
        dragFrom_ = at;
        return;
    }
    // Moving starts only after a drag, so a double click still reaches us.
    if ((at - dragFrom_).manhattanLength() < QApplication::startDragDistance()) return;
    if (window()->isMaximized()) return;
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemMove()) return;
    dragging_ = true;
}

void TCaptionBar::mouseReleaseEvent(QMouseEvent* event)
{
    dragging_ = false;
    if (event->button() == Qt::RightButton && rightDown_) {
        rightDown_ = false;
        if (host_.OnContextMenu) host_.OnContextMenu(event->globalPosition().toPoint());
    }
}

void TCaptionBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) host_.ToggleMaximized();
}

// ---- TCaptionHost ----

TCaptionHost::TCaptionHost(QWidget* window, Painter painter, QObject* parent)
    : QObject(parent), window_(window), painter_(std::move(painter))
{
    savedFlags_ = window->windowFlags();
    untouched_ = savedFlags_.testFlag(Qt::FramelessWindowHint);
    hook_.SetActive(false);
    hook_.BeforeMessage = [this](TIcWindowHook*, THookMessage& message, bool&) { BeforeMessage(message); };
    hook_.SetWinControl(window);
    SetAttached(true);
}

TCaptionHost::~TCaptionHost()
{
    hook_.SetActive(false);
    if (window_ && attached_ && !WindowBeingDestroyed(window_)) {
        Detach();
        return;
    }
    delete bar_;
    for (auto& grip : grips_) delete grip;
}

QIcon TCaptionHost::SmallIcon(const QWidget* window)
{
    QIcon icon = window ? window->windowIcon() : QIcon();
    if (icon.isNull()) icon = QApplication::windowIcon();
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_TitleBarMenuButton);
    return icon;
}

bool TCaptionHost::WindowBeingDestroyed(const QWidget* window)
{
    // While an object deletes its children, the entries of those already deleted (and of the one
    // being deleted) are null in its child list; at no other time is one null.
    return window && window->children().contains(nullptr);
}

void TCaptionHost::SetAttached(bool value)
{
    if (value == attached_ || untouched_ || !window_) return;
    if (value)
        Attach();
    else
        Detach();
}

void TCaptionHost::Attach()
{
    QWidget* w = window_;
    const bool visible = w->isVisible();
    tool_ = (savedFlags_ & Qt::WindowType_Mask) == Qt::Tool;
    savedMargins_ = w->contentsMargins();
    w->setWindowFlag(Qt::FramelessWindowHint, true);
    bar_ = new TCaptionBar(*this, w);
    bar_->setObjectName(QStringLiteral("CaptionBar"));
    bar_->setAccessibleName(w->windowTitle());
    const Qt::Edge sides[4] = {Qt::TopEdge, Qt::BottomEdge, Qt::LeftEdge, Qt::RightEdge};
    for (int i = 0; i < 4; ++i) grips_[i] = new TCaptionGrip(*this, sides[i], w);
    ReadButtons();
    active_ = w->isActiveWindow();
    attached_ = true;
    hook_.SetActive(true);
    RefreshMetrics();
    bar_->show();
    if (visible) w->show();
}

void TCaptionHost::Detach()
{
    hook_.SetActive(false);
    attached_ = false;
    QWidget* w = window_;
    delete bar_;
    for (auto& grip : grips_) delete grip;
    w->setContentsMargins(savedMargins_);
    const bool visible = w->isVisible();
    w->setWindowFlags(savedFlags_);
    if (visible) w->show();
}

void TCaptionHost::ReadButtons()
{
    const Qt::WindowFlags f = savedFlags_;
    const Qt::WindowFlags type = f & Qt::WindowType_Mask;
    const bool custom = f.testFlag(Qt::CustomizeWindowHint);
    const bool systemMenu = !custom || f.testAnyFlags(Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const bool dialog = type == Qt::Dialog || type == Qt::Sheet;
    const bool minimize = custom ? f.testFlag(Qt::WindowMinimizeButtonHint) : type == Qt::Window;
    const bool maximize = custom ? f.testFlag(Qt::WindowMaximizeButtonHint) : type == Qt::Window;
    const bool help = custom && f.testFlag(Qt::WindowContextHelpButtonHint);
    buttons_ = enabledButtons_ = 0;
    if (!systemMenu) return;
    buttons_ = cbClose;
    if (!tool_) {
        if (help && (dialog || (!minimize && !maximize))) buttons_ |= cbHelp;
        // Minimise and maximise come as a pair; the one without its hint is shown disabled.
        if (!dialog && (minimize || maximize)) buttons_ |= cbMinimize | cbMaximize;
    }
    enabledButtons_ = buttons_;
    if (!minimize) enabledButtons_ &= ~cbMinimize;
    if (!maximize) enabledButtons_ &= ~cbMaximize;

    const TCaptionButtonKind order[] = {cbClose, cbMaximize, cbMinimize, cbHelp};
    for (TCaptionButtonKind kind : order) {
        if (!(buttons_ & kind)) continue;
        auto* button = new TCaptionButton(kind, bar_);
        button->setEnabled(enabledButtons_ & kind);
        connect(button, &QAbstractButton::clicked, this, [this, kind] {
            if (!window_) return;
            switch (kind) {
            case cbClose: window_->close(); break;
            case cbMinimize: window_->showMinimized(); break;
            case cbMaximize: ToggleMaximized(); break;
            case cbHelp: QWhatsThis::enterWhatsThisMode(); break;
            }
        });
    }
}

bool TCaptionHost::Sizeable() const
{
    return window_ && window_->minimumSize() != window_->maximumSize() && !window_->isMaximized();
}

QFont TCaptionHost::CaptionFont(bool toolWindow)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    // Every attribute is the caption font's own: a painter must not fill any in from a widget.
    font.setResolveMask(QFont::AllPropertiesResolved);
    if (toolWindow && font.pointSizeF() > 0) font.setPointSizeF(std::max(6.0, font.pointSizeF() - 1));
    return font;
}

TCaptionMetrics TCaptionHost::MetricsFor(const QFont& captionFont, bool toolWindow, bool sizeable)
{
    TCaptionMetrics m;
    const int text = QFontMetrics(captionFont).height();
    m.CaptionHeight = std::max(toolWindow ? 15 : 18, text + 5);
    m.ButtonWidth = m.CaptionHeight - 2;
    m.Frame = sizeable ? 4 : 3;
    m.SmallIcon = std::min(16, m.CaptionHeight - 2);
    return m;
}

void TCaptionHost::RefreshMetrics()
{
    if (!attached_) return;
    metrics_ = MetricsFor(CaptionFont(tool_), tool_, window_->minimumSize() != window_->maximumSize());
    Layout();
}

void TCaptionHost::Layout()
{
    if (!attached_ || !window_) return;
    QWidget* w = window_;
    const bool full = w->isMaximized() || w->isFullScreen();
    const int f = full ? 0 : metrics_.Frame;
    const int ch = metrics_.CaptionHeight;
    w->setContentsMargins(savedMargins_ + QMargins(f, f + ch, f, f));
    const int width = w->width(), height = w->height();
    bar_->setGeometry(f, f, std::max(0, width - 2 * f), ch);
    const QRect sides[4] = {{0, 0, width, f}, {0, height - f, width, f}, {0, f, f, height - 2 * f}, {width - f, f, f, height - 2 * f}};
    for (int i = 0; i < 4; ++i) {
        grips_[i]->setGeometry(sides[i]);
        grips_[i]->setVisible(f > 0);
        grips_[i]->raise();
    }
    bar_->raise();
    // Buttons from the right inside the bar less 2 pixels; 2 more separate the close button.
    const int bw = metrics_.ButtonWidth - 2, bh = ch - 4;
    int x = bar_->width() - 2;
    const bool restore = w->isMaximized() || w->isMinimized();
    for (auto* button : bar_->findChildren<TCaptionButton*>(Qt::FindDirectChildrenOnly)) {
        x -= bw;
        button->setGeometry(x, 2, bw, bh);
        if (button->Kind() == cbClose) x -= 2;
        if (button->Kind() == cbMinimize) button->SetRestoreLook(w->isMinimized());
        if (button->Kind() == cbMaximize) button->SetRestoreLook(restore && !w->isMinimized());
    }
    bar_->update();
}

TCaptionButton* TCaptionHost::Button(TCaptionButtonKind kind) const
{
    if (!bar_) return nullptr;
    for (auto* button : bar_->findChildren<TCaptionButton*>(Qt::FindDirectChildrenOnly))
        if (button->Kind() == kind) return button;
    return nullptr;
}

TCaptionArea TCaptionHost::Area() const
{
    TCaptionArea area;
    area.Active = active_;
    area.ToolWindow = tool_;
    if (!bar_) return area;
    area.Bar = bar_->rect();
    const int ch = area.Bar.height();
    const Qt::WindowFlags type = savedFlags_ & Qt::WindowType_Mask;
    const bool icon = (buttons_ & cbClose) && !tool_ && type != Qt::Dialog && type != Qt::Sheet;
    int left = 0;
    if (icon) {
        const int s = metrics_.SmallIcon;
        area.Icon = QRect(1 + (ch - s) / 2, (ch - s) / 2, s, s);
        left = ch;
    }
    int right = area.Bar.right() + 1 - 2;
    for (auto* button : bar_->findChildren<TCaptionButton*>(Qt::FindDirectChildrenOnly))
        right = std::min(right, button->x() - 2);
    area.Text = QRect(left, 0, std::max(0, right - left), ch);
    return area;
}

void TCaptionHost::Repaint()
{
    if (bar_) bar_->update();
}

void TCaptionHost::Paint(QPainter& canvas)
{
    const TCaptionArea area = Area();
    if (painter_)
        painter_(canvas, area);
    else
        canvas.fillRect(area.Bar, C(active_ ? clActiveCaption : clInactiveCaption));
}

void TCaptionHost::ToggleMaximized()
{
    if (!window_ || !(enabledButtons_ & cbMaximize)) return;
    if (window_->isMaximized())
        window_->showNormal();
    else
        window_->showMaximized();
}

void TCaptionHost::BeforeMessage(THookMessage& message)
{
    switch (message.Event->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
        const bool active = message.Event->type() == QEvent::WindowActivate;
        if (active == active_) break;
        active_ = active;
        Repaint();
        for (auto& grip : grips_)
            if (grip) grip->update();
        if (OnActivationChanged) OnActivationChanged(active);
        break;
    }
    case QEvent::Resize:
    case QEvent::WindowStateChange: Layout(); break;
    case QEvent::WindowTitleChange:
        if (bar_) bar_->setAccessibleName(window_->windowTitle());
        Repaint();
        break;
    case QEvent::WindowIconChange: Repaint(); break;
    case QEvent::ApplicationFontChange:
    case QEvent::StyleChange:
    case QEvent::ThemeChange:
        RefreshMetrics();
        if (OnSettingsChanged) OnSettingsChanged();
        break;
    default: break;
    }
}
