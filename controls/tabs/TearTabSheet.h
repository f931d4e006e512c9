#pragma once
// One page of a TTearPageControl, and the floating tool window that carries a torn-off page.

#include "controls/tabs/TearPageControl.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

class QRubberBand;
class TFloatingForm;

enum TGripAlign { gaLeft, gaRight, gaTop, gaBottom };

class TTearTabSheet : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int PageIndex READ PageIndex WRITE SetPageIndex)
    Q_PROPERTY(int StaticPageIndex READ StaticPageIndex WRITE SetStaticPageIndex)
    Q_PROPERTY(bool TabVisible READ TabVisible WRITE SetTabVisible)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(QString TabHint READ TabHint WRITE SetTabHint)
    Q_PROPERTY(bool Dragable READ Dragable WRITE SetDragable)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
public:
    // Width of the grip strip and length of the part of it that tears the sheet off.
    static constexpr int kGripWidth = 7;
    static constexpr int kGripLength = 20;
    // How far the mouse moves with the grip held before the sheet is dragged.
    static constexpr int kDragThreshold = 4;

    explicit TTearTabSheet(QWidget* parent = nullptr);
    ~TTearTabSheet() override;

    TTearPageControl* PageControl() const { return pageControl_; }
    // Joins a page control (appended) or, with nullptr, leaves its own.
    void SetPageControl(TTearPageControl* control);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // The position in the page control's list, -1 without one.
    int PageIndex() const;
    void SetPageIndex(int index);
    // -1 without a tab, else the number of sheets with tabs before this one.
    int TabIndex() const;
    int StaticPageIndex() const { return staticPageIndex_; }
    void SetStaticPageIndex(int index) { staticPageIndex_ = index; }
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool visible);
    bool TabShowing() const { return tabShowing_; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    QString TabHint() const { return tabHint_; }
    void SetTabHint(const QString& hint) { tabHint_ = hint; }
    bool Dragable() const { return dragable_; }
    void SetDragable(bool on);
    // The page's own colour once set; until then its page control's, as its selected tab has.
    TColor Color() const;
    void SetColor(TColor color);
    TGripAlign GripAlign() const { return gripAlign_; }
    void SetGripAlign(TGripAlign align);

    bool Floating() const { return floating_; }
    TFloatingForm* FloatingForm() const { return floatingForm_; }
    // The screen rectangle the floating window takes (the drag frame's last place).
    QRect FloatRect() const { return floatRect_; }
    bool Dragging() const { return dragging_; }
    bool GripPressed() const { return gripPressed_; }

    // The sheet's area inside the grip.
    QRect ClientRect() const;
    // The strip the grip takes and the part of it that tears the sheet off (empty without grip).
    QRect GripRect() const;
    QRect GripHitRect() const;

    // Tears the sheet off at its current screen place and size (when its page control allows).
    void FloatSheet();
    // Returns a floating sheet to the page control it came from.
    void DockSheet();

    void setVisible(bool visible) override;

signals:
    void OnFloatChange(TFloatState state);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TTearPageControl;
    friend class TFloatingForm;

    QPoint dragPos_, dragOffset_;
    bool gripPressed_ = false, dragging_ = false;
    QRect floatRect_;
    bool dragable_ = false;
    QSize floatSize_;
    QPointer<TTearPageControl> oldPageControl_;
    bool floating_ = false;
    QPointer<TFloatingForm> floatingForm_;
    TGripAlign gripAlign_ = gaLeft;
    TTearPageControl* pageControl_ = nullptr;
    int staticPageIndex_ = -1;
    bool tabVisible_ = true;
    bool tabShowing_ = false;
    int imageIndex_ = -1;
    QString tabHint_;
    QString caption_;
    std::optional<TColor> color_;
    std::unique_ptr<QRubberBand> dragFrame_;

    void UpdateTabShowing();
    void UpdateGripMargins();
    void FloatAt(const QRect& floatRect);
    void ShowDragFrame();
    void DrawGrip(QPainter& painter) const;
};

// The tool window a torn-off sheet floats in; closing it docks the sheet and frees the window.
class TFloatingForm : public QWidget {
    Q_OBJECT
public:
    explicit TFloatingForm(TTearTabSheet* sheet);
    ~TFloatingForm() override;

    TTearTabSheet* Sheet() const { return sheet_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class TTearTabSheet;
    QPointer<TTearTabSheet> sheet_;
};
