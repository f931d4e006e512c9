#pragma once
// A title bar of our own for a top-level window: the window becomes frameless, a caption bar
// and a resize frame are laid over its margins, and the window system still moves and sizes it
// (startSystemMove / startSystemResize, with a fallback of our own where the platform has none).
// The caption's look is its owner's: the host hands it a painter and the areas to paint.

#include "controls/input/WindowHook.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMargins>
#include <QPointer>
#include <QWidget>
#include <functional>

class TCaptionBar;
class TCaptionGrip;

enum TCaptionButtonKind { cbClose = 1, cbMinimize = 2, cbMaximize = 4, cbHelp = 8 };

// Sizes of a title bar in the classic proportions, grown with the caption font.
struct TCaptionMetrics {
    int CaptionHeight = 18;
    int ButtonWidth = 16;
    int Frame = 4;                      // resize frame (0 when the window cannot be resized)
    int SmallIcon = 16;
};

// What a caption paints: the bar (its own coordinates), the text area between icon and buttons.
struct TCaptionArea {
    QRect Bar;
    QRect Text;
    QRect Icon;                         // empty when no icon is shown
    bool Active = false;
    bool ToolWindow = false;
};

// One caption button: our glyph on a classic raised face.
class TCaptionButton : public QAbstractButton {
    Q_OBJECT
public:
    TCaptionButton(TCaptionButtonKind kind, QWidget* parent);
    TCaptionButtonKind Kind() const { return kind_; }
    // Minimise and maximise show their restore look while the window is minimised or maximised.
    void SetRestoreLook(bool value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TCaptionButtonKind kind_;
    bool restore_ = false;
};

class TCaptionHost : public QObject {
    Q_OBJECT
public:
    using Painter = std::function<void(QPainter& canvas, const TCaptionArea& area)>;

    // Hosts a caption on `window` (a top-level widget); a window that is frameless already is left
    // untouched. Attached from the start.
    TCaptionHost(QWidget* window, Painter painter, QObject* parent = nullptr);
    ~TCaptionHost() override;

    QWidget* Window() const { return window_; }
    // Attached: frameless with our bar; detached: the window as it was, with the system's frame.
    bool Attached() const { return attached_; }
    void SetAttached(bool value);
    // The window is the active window (as its last activation event said).
    bool WindowActive() const { return active_; }
    bool ToolWindow() const { return tool_; }
    // cbClose... of the buttons shown; those whose window hint is absent are shown disabled.
    int Buttons() const { return buttons_; }
    TCaptionMetrics Metrics() const { return metrics_; }
    TCaptionArea Area() const;
    TCaptionBar* Bar() const { return bar_; }
    TCaptionButton* Button(TCaptionButtonKind kind) const;
    // Repaints the bar (the frame follows the activation on its own).
    void Repaint();
    // The caption font changed: rereads the sizes and lays the bar out again.
    void RefreshMetrics();

    // The right button was released over the bar after going down there.
    std::function<void(const QPoint& globalPos)> OnContextMenu;
    // The activation changed; the bar has been repainted.
    std::function<void(bool active)> OnActivationChanged;
    // The platform's fonts or look changed; the sizes have been read again.
    std::function<void()> OnSettingsChanged;

    // The caption font of the platform (bold when it gives none), the small one for tool windows.
    static QFont CaptionFont(bool toolWindow);
    static TCaptionMetrics MetricsFor(const QFont& captionFont, bool toolWindow, bool sizeable);
    // The window is deleting its children (so its components are going with it): nothing may
    // be restored on it any more.
    static bool WindowBeingDestroyed(const QWidget* window);
    // The window's icon, else the application's, else the platform's generic one.
    static QIcon SmallIcon(const QWidget* window);

private:
    friend class TCaptionBar;
    friend class TCaptionGrip;
    QPointer<QWidget> window_;
    Painter painter_;
    TIcWindowHook hook_;
    QPointer<TCaptionBar> bar_;
    QPointer<QWidget> grips_[4];
    bool attached_ = false;
    bool untouched_ = false;            // frameless of its own: no caption
    bool active_ = false;
    bool tool_ = false;
    int buttons_ = 0;
    int enabledButtons_ = 0;
    TCaptionMetrics metrics_;
    QMargins savedMargins_;
    Qt::WindowFlags savedFlags_;

    void Attach();
    void Detach();
    void ReadButtons();
    void Layout();
    void BeforeMessage(THookMessage& message);
    void ToggleMaximized();
    bool Sizeable() const;
    void Paint(QPainter& canvas);
};

// The bar: paints through the host, moves the window, maximises on a double click.
class TCaptionBar : public QWidget {
    Q_OBJECT
public:
    explicit TCaptionBar(TCaptionHost& host, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TCaptionHost& host_;
    bool rightDown_ = false;
    bool dragging_ = false;             // our own move, where the platform has none
    QPoint dragFrom_;
};
