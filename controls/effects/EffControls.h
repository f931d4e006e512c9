#pragma once
// The bases of the effect library's visible controls. Two lines share one set of ideas: painted
// controls without children (TEffBaseControl and below, what the windows put up: fills, label
// fills, images) and containers that hold children (TEffCustomControl and below). Both add a link
// to an image list, transparency, owned attribute objects whose changes land in one handler, and
// mouse-enter and -exit events.
//
// Redraw rule: a control that is not transparent repaints only itself (it paints every pixel); a
// transparent one lets its parent repaint the background beneath it first. Between BeginLoad and
// EndLoad nothing repaints; EndLoad repaints once.

#include "controls/effects/EffContainers.h"
#include "controls/effects/EffPaintObjects.h"
#include "controls/effects/EffText.h"

#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>

class TEffShapeFill;
class TEffFxCaption;

// The library's own control messages: redraw yourself; the parent's background changed.
inline constexpr QEvent::Type kEffRedrawEvent = QEvent::Type(0xB000 + 205);
inline constexpr QEvent::Type kEffParentBackChangedEvent = QEvent::Type(0xB000 + 206);

// What a bounds change did.
enum TEffBoundsFlag { bcResized = 1, bcMoved = 2 };
using TEffBoundsFlags = int;

// A control's link to an image or bitmap list (not owned): which list item, which image, and a
// change link that reports every change of the list. A list that is destroyed unlinks itself.
class TEffListLink {
public:
    explicit TEffListLink(std::function<void(QObject* sender)> changed);
    ~TEffListLink();
    TEffListLink(const TEffListLink&) = delete;
    TEffListLink& operator=(const TEffListLink&) = delete;

    TEffCustomImageList* ImageList() const { return list_; }
    void SetImageList(TEffCustomImageList* list);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index) { SetIndex(imageIndex_, index); }
    int ListIndex() const { return listIndex_; }
    void SetListIndex(int index) { SetIndex(listIndex_, index); }
    // No list, or the list has no image at (ListIndex, ImageIndex).
    bool IsEmpty() const;
    // The image into the fill's list bitmap; an empty link clears it.
    void CopyImageTo(TEffShapeFill& fill) const;

    // A link to one of the two shared lists is stored by its name, "EFFBML30" or "EFFIML30"
    // (empty for any other link); reading a name links the shared list it names, or nothing.
    QString Internal() const;
    void SetInternal(const QString& name);
    // The list is stored as a reference only when it is none of the shared ones.
    bool StoresImageList() const { return list_ && Internal().isEmpty(); }

private:
    void SetIndex(int& field, int value);
    std::function<void(QObject*)> changed_;
    TEffChangeLink link_;
    TEffCustomImageList* list_ = nullptr;
    QMetaObject::Connection destroyed_;
    int imageIndex_ = 0, listIndex_ = 0;
};

// The painted line's base. The settings every painted control of the library publishes are
// declared here; "Enabled" and "Visible" are the widget's own (the storage finds names in any case).
class TEffBaseControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE SetAbout)
    Q_PROPERTY(eff::TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(QMenu* PopupMenu READ PopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(int ListIndex READ ListIndex WRITE SetListIndex)
    Q_PROPERTY(QString Internal READ Internal WRITE SetInternal)
public:
    using TNotifyEvent = std::function<void(TEffBaseControl* sender)>;
    using TBoundsEvent = std::function<void(TEffBaseControl* sender, TEffBoundsFlags flags)>;
    // The button, the modifier keys held and the point in the control.
    using TMouseEvent = std::function<void(TEffBaseControl* sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers shift, int x, int y)>;

    explicit TEffBaseControl(QWidget* parent = nullptr);
    ~TEffBaseControl() override;

    TNotifyEvent OnMouseEnter, OnMouseExit, OnClick, OnDblClick;
    TBoundsEvent OnBoundsChange;
    // A move comes with the buttons held (NoButton when none is).
    TMouseEvent OnMouseDown, OnMouseMove, OnMouseUp;

    QString About() const { return {}; }
    void SetAbout(const QString&) {}
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    // The parent's colour until a colour of its own is set.
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    // Whether the tool tip shows. With ParentShowHint the parent's ShowHint decides; a parent
    // without one shows tool tips.
    bool ShowHint() const;
    void SetShowHint(bool show);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool parentShowHint);
    // Pops up at the pointer when the control is asked for its context menu (a right click).
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    // A linked list is a stored reference only when it is none of the shared lists, which
    // "Internal" names.
    Q_INVOKABLE bool StoresImageList() const { return link_.StoresImageList(); }

    TEffCustomImageList* ImageList() const { return link_.ImageList(); }
    void SetImageList(TEffCustomImageList* list) { link_.SetImageList(list); }
    // Negative and unchanged values are ignored; a new value repaints only when a list is linked.
    int ImageIndex() const { return link_.ImageIndex(); }
    void SetImageIndex(int index) { link_.SetImageIndex(index); }
    int ListIndex() const { return link_.ListIndex(); }
    void SetListIndex(int index) { link_.SetListIndex(index); }
    const TEffListLink& ListLink() const { return link_; }
    QString Internal() const { return link_.Internal(); }
    void SetInternal(const QString& name) { link_.SetInternal(name); }

    // The control's colour (of its background when it is not transparent); setting it ends ParentColor.
    TColor Color() const;
    void SetColor(TColor color);

    // The bracket around the setters of a window being built; EndLoad runs Loaded.
    void BeginLoad() { loading_ = true; }
    void EndLoad();
    bool Loading() const { return loading_; }

protected:
    virtual void DoBoundsChange(TEffBoundsFlags flags);
    virtual bool CanUseParentBack() const { return false; }
    // Every owned attribute object reports here.
    virtual void GetChange(QObject* sender);
    // Nothing of its own to draw.
    virtual bool IsEmpty() const { return true; }
    virtual void GetImageListChange(QObject* sender) { GetChange(sender); }
    virtual void MouseEnter();
    virtual void MouseExit();
    virtual void Loaded() { update(); }

    // Makes the control the attribute object's owner: its changes reach the handler.
    template <class T>
    T* Own(T* object, void (TEffBaseControl::*handler)(QObject*) = &TEffBaseControl::GetChange)
    {
        object->setParent(this);
        object->OnChange = [this, handler](TEffObject* sender) { (this->*handler)(sender); };
        owned_.push_back(object);
        return object;
    }

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void ReportBounds();
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Watches the parent's size while the control is aligned.
    void WatchParent();
    void Realign();
    TEffListLink link_;
    std::vector<QPointer<TEffObject>> owned_;
    bool pressed_ = false;
    TColor color_ = clBtnFace;
    bool parentColor_ = true, showHint_ = false, parentShowHint_ = true;
    TAlign align_ = alNone;
    QPointer<QWidget> watched_;
    QPointer<QMenu> popupMenu_;
    bool loading_ = false;
    QRect reported_;  // the bounds last reported, so one geometry change is one call
};

// Adds transparency (on by default) and the redraw rule.
class TEffBaseGraphicControl : public TEffBaseControl {
    Q_OBJECT
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
public:
    explicit TEffBaseGraphicControl(QWidget* parent = nullptr);

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    // Answers the redraw message: the rule above.
    void Redraw();

protected:
    bool CanUseParentBack() const override;
    void GetChange(QObject* sender) override;
    bool event(QEvent* event) override;

    // Raised while a paint is under way: a change made meanwhile starts no second paint.
    bool painting_ = false;

private:
    bool transparent_ = true;
};

// Adds an owned bevel painted over the client area.
class TEffGraphicControl : public TEffBaseGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TEffBevel* Bevel READ Bevel WRITE SetBevel)
public:
    explicit TEffGraphicControl(QWidget* parent = nullptr);

    TEffBevel* Bevel() const { return bevel_; }
    // Takes the bevel's values; the owned bevel stays.
    void SetBevel(const TEffBevel* bevel);
    int BevelWidth() const { return bevel_->BevelExtend(); }
    int BevelWidth2() const { return 2 * BevelWidth(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TEffBevel* bevel_;
};

// The container line: a control holding children, opaque by default. A transparent container
// can take its background from a bitmap its parent hands down the chain of nested containers.
class TEffCustomControl : public QWidget {
    Q_OBJECT
public:
    using TMouseWheelEvent = std::function<void(TEffCustomControl* sender, int x, int y, int notches)>;

    explicit TEffCustomControl(QWidget* parent = nullptr);

    TMouseWheelEvent OnMouseWheel;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool RepaintOnChange() const { return repaintOnChange_; }
    void SetRepaintOnChange(bool repaint) { repaintOnChange_ = repaint; }
    TEffCustomImageList* ImageList() const { return link_.ImageList(); }
    void SetImageList(TEffCustomImageList* list) { link_.SetImageList(list); }
    int ImageIndex() const { return link_.ImageIndex(); }
    void SetImageIndex(int index) { link_.SetImageIndex(index); }
    int ListIndex() const { return link_.ListIndex(); }
    void SetListIndex(int index) { link_.SetListIndex(index); }
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    void BeginLoad() { loading_ = true; }
    void EndLoad();
    bool Loading() const { return loading_; }

    bool IsTransparentActive() const { return transparent_ && BackChainAvailable(); }
    // The background chain: the bitmap at its root, whether it reaches here, and where this
    // control lies in it.
    virtual const QImage* GetBackBitmap() const { return nullptr; }
    virtual bool BackChainAvailable() const { return false; }
    // Copies the background under `destination` (of the canvas) from the chain's bitmap at the offset.
    virtual bool CopyBack(QPainter& canvas, const TRect& destination, QPoint offset) const { return false; }
    virtual QPoint GetBackOffset(QPoint point) const { return point; }

protected:
    virtual void DoMouseWheel(int x, int y, int notches);
    virtual void PaintBackground(QPainter& canvas);
    virtual void GetChange(QObject* sender);
    virtual void GetImageListChange(QObject* sender) { GetChange(sender); }
    // Tells the child controls the background changed.
    void BroadcastBackChanged();

    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    TEffListLink link_;
    TColor color_ = clBtnFace;
    bool transparent_ = false, repaintOnChange_ = true, loading_ = false;
};

// A panel: button-face colour, a resize event, and the background chain through its parent.
class TEffCustomPanel : public TEffCustomControl {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TEffCustomPanel* sender)>;
    explicit TEffCustomPanel(QWidget* parent = nullptr);

    TNotifyEvent OnResize;

    const QImage* GetBackBitmap() const override;
    bool BackChainAvailable() const override;
    bool CopyBack(QPainter& canvas, const TRect& destination, QPoint offset) const override;
    QPoint GetBackOffset(QPoint point) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TEffCustomControl* ParentControl() const { return qobject_cast<TEffCustomControl*>(parentWidget()); }
};

// A panel with an owned bevel; its children lie inside the bevel.
class TEffCustomBevelPanel : public TEffCustomPanel {
    Q_OBJECT
public:
    explicit TEffCustomBevelPanel(QWidget* parent = nullptr);
    TEffBevel* Bevel() const { return bevel_; }
    void SetBevel(const TEffBevel* bevel);

protected:
    void GetChange(QObject* sender) override;
    void paintEvent(QPaintEvent* event) override;
    // The area inside the bevel (after the background is painted).
    TRect PaintFrame(QPainter& canvas, bool transparent);

private:
    TEffBevel* bevel_;
};

// A bevel panel whose caption is drawn with effects.
class TEffCustomExtPanel : public TEffCustomBevelPanel {
    Q_OBJECT
public:
    explicit TEffCustomExtPanel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TEffAlignment CaptionAlignment() const { return alignment_; }
    void SetCaptionAlignment(TEffAlignment alignment);
    TEffFxCaption* FontFx() const { return fontFx_; }
    TFont* Font() const { return font_; }

protected:
    virtual void DrawCaption(QPainter& canvas, const TRect& rect, TEffAlignment alignment);
    void GetChange(QObject* sender) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    TEffAlignment alignment_ = agCenter;
    TEffFxCaption* fontFx_;
    TFont* font_;
};

// A status bar: tells the labels on it how far down to move their text.
class TEffCustomStatusBar : public TEffCustomExtPanel {
    Q_OBJECT
public:
    using TEffCustomExtPanel::TEffCustomExtPanel;
    virtual int LabelOffset() const { return 0; }
};

// The DrawFxText flags of a control's enabled state: a disabled one draws greyed (sunken by default).
inline int EnabledTextFlags(const QWidget& control) { return control.isEnabled() ? kFxEnabled : kFxAuto3D; }

// Places the parent's aligned painted controls, in the order they were made: those along the
// top, then the bottom, the left and the right edge, each taking its strip of the room left,
// then those that take all the room that is left. Hidden ones take none.
void AlignControls(QWidget& parent);

// Lays `control` over the whole of its parent, beneath the parent's other children, and keeps it
// there when the parent is resized (a background fill).
void CoverParent(QWidget& control);
