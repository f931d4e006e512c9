#pragma once
// A painted tab strip whose tabs are always drawn by the control: inactive tabs take a colour and
// font of their own, tabs carry images, and vertical tabs can turn their text. A change of tab can
// be refused (OnChanging), rows wrap (MultiLine) or scroll with two arrows, tabs can look like
// buttons (ButtonStyle), and Ctrl+click presses further buttons (MultiSelect).

#include "controls/tabs/ImageList.h"
#include "controls/tabs/TabLayout.h"
#include "platform/Errors.h"
#include "platform/Painting.h"

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class TCustomTearTabControl;
class TTabScrollButton;

class EListError : public Exception {
public:
    using Exception::Exception;
};

class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// "Tab control access error" naming the operation that failed.
[[noreturn]] void RaiseTabError(const char* operation);

// The tab captions and the object each tab stands for, kept by the control.
class TTabStrings {
public:
    explicit TTabStrings(TCustomTearTabControl& control) : control_(control) {}

    int Count() const;
    QString Get(int index) const;
    QObject* GetObject(int index) const;
    void Put(int index, const QString& caption);
    void PutObject(int index, QObject* object);
    // An index past the end appends; a negative one fails.
    void Insert(int index, const QString& caption, QObject* object = nullptr);
    int Add(const QString& caption, QObject* object = nullptr);
    void Delete(int index);
    void Clear();
    // Moves a tab with its object and image; a selected tab stays selected.
    void Move(int from, int to);
    int IndexOfObject(const QObject* object) const;
    // While updating, changes are not laid out or painted; the last EndUpdate does both.
    void BeginUpdate();
    void EndUpdate();

private:
    TCustomTearTabControl& control_;
    int updateCount_ = 0;
};

class TCustomTearTabControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int TabIndex READ TabIndex WRITE SetTabIndex)
    Q_PROPERTY(int TabWidth READ TabWidth WRITE SetTabWidth)
    Q_PROPERTY(int TabHeight READ TabHeight WRITE SetTabHeight)
    Q_PROPERTY(bool MultiLine READ MultiLine WRITE SetMultiLine)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
    Q_PROPERTY(bool FlatButtons READ FlatButtons WRITE SetFlatButtons)
    Q_PROPERTY(bool FlatSeperators READ FlatSeperators WRITE SetFlatSeperators)
    Q_PROPERTY(bool HotTrack READ HotTrack WRITE SetHotTrack)
    Q_PROPERTY(bool ScrollOpposite READ ScrollOpposite WRITE SetScrollOpposite)
    Q_PROPERTY(bool VerticalTabs READ VerticalTabs WRITE SetVerticalTabs)
    Q_PROPERTY(bool ButtonStyle READ ButtonStyle WRITE SetButtonStyle)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TColor FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(TColor TabInactiveColor READ TabInactiveColor WRITE SetTabInactiveColor)
public:
    // Draws one tab in place of the control: caption, tab index, the tab's inner rectangle.
    using TDrawTearTabEvent =
        std::function<void(TCustomTearTabControl&, QPainter&, const QString&, int, const QRect&)>;

    explicit TCustomTearTabControl(QWidget* parent = nullptr);
    ~TCustomTearTabControl() override;

    TTabStrings& Tabs() { return tabs_; }
    const TTabStrings& Tabs() const { return tabs_; }

    // The selected tab, -1 for none. Setting it asks nobody and reports no change.
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int index);

    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);
    int TabImageIndex(int tab) const;
    void SetTabImageIndex(int tab, int image);

    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int width);
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int height);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool on);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool on);
    bool FlatButtons() const { return flatButtons_; }
    void SetFlatButtons(bool on);
    bool FlatSeperators() const { return flatSeperators_; }
    void SetFlatSeperators(bool on);
    bool HotTrack() const { return hotTrack_; }
    void SetHotTrack(bool on);
    bool ScrollOpposite() const { return scrollOpposite_; }
    void SetScrollOpposite(bool on);
    TTearTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TTearTabPosition position);
    bool VerticalTabs() const { return verticalTabs_; }
    void SetVerticalTabs(bool on);
    TTextRotation TextRotation() const { return textRotation_; }
    void SetTextRotation(TTextRotation rotation);
    bool ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(bool on);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool on);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);
    TColor TabInactiveColor() const { return inactiveColor_; }
    void SetTabInactiveColor(TColor color);
    QFont TabInactiveFont() const { return inactiveFont_; }
    void SetTabInactiveFont(const QFont& font);
    TColor TabInactiveFontColor() const { return inactiveFontColor_; }
    void SetTabInactiveFontColor(TColor color);

    TDrawTearTabEvent OnDrawTab;

    // Where the pages go.
    QRect DisplayRect() const;
    // A tab's rectangle as it is shown (the selected one grown), empty for no such tab.
    QRect TabRect(int index) const;
    int IndexOfTabAt(QPoint point) const;
    int HotTab() const { return hotTab_; }
    int RowCount() const { return layout_.rows; }
    // The first tab a single row shows while it runs past the edge (0 when every tab fits).
    int FirstVisibleTab() const { return layout_.firstVisible; }
    // The selected tab and, with MultiSelect on buttons, the ones Ctrl+click pressed, in tab order.
    std::vector<int> SelectedTabs() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void OnChange();
    void OnChanging(bool& allowChange);
    void OnTabTrack(int tabIndex);

protected:
    // True unless an OnChanging handler refuses.
    virtual bool CanChange();
    virtual void Change();
    // The mouse came over another tab (-1: none).
    virtual void TabTracked(int tabIndex) = 0;
    // Lays the children out inside the display rectangle.
    virtual void AlignControls() {}
    // A user's choice of tab: asked first, then selected and reported.
    bool SelectTabByUser(int index);
    // Style changes rebuild the strip, then post kImageRefreshEvent to the control.
    void RecreateWnd();
    // The layout after a change of tabs, size or font.
    void Relayout();
    static constexpr int kImageRefreshEvent = 1000 + 4;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TTabStrings;
    friend class TTabItemAccessible;
    struct TabItem {
        QString caption;
        QObject* object = nullptr;
        int image = -1;
        bool pressed = false;  // pressed by Ctrl+click besides the selected one (MultiSelect)
    };

    TTabStrings tabs_;
    std::vector<TabItem> items_;
    int tabIndex_ = -1;
    QPointer<TImageList> images_;
    QMetaObject::Connection imagesLink_;
    int tabWidth_ = 0, tabHeight_ = 0;
    bool multiLine_ = false, multiSelect_ = false, updating_ = false;
    bool flatButtons_ = false, flatSeperators_ = false, hotTrack_ = false, scrollOpposite_ = false;
    TTearTabPosition tabPosition_ = tpTopLeft;
    bool verticalTabs_ = false;
    TTextRotation textRotation_ = trHorizontal;
    bool buttonStyle_ = false;
    bool tabStop_ = true;
    int hotTab_ = -1;
    TColor color_ = clBtnFace;
    TColor fontColor_ = clWindowText;
    TColor inactiveColor_ = 0xA4A0A0;
    QFont inactiveFont_;
    TColor inactiveFontColor_ = clWindowText;
    TTabStripLayout layout_;
    int firstVisible_ = 0;
    TTabScrollButton* scrollBack_ = nullptr;
    TTabScrollButton* scrollForward_ = nullptr;

    TTabStripShape Shape() const;
    int TabLength(int index) const;
    int RowBreadth() const;
    void TrackTab(int tab);
    void CheckTabSize(int size) const;
    void ScrollTabs(int steps);
    void PlaceScrollButtons();
    bool MultiSelecting() const { return multiSelect_ && buttonStyle_; }
    void ClearPressedTabs();
    void UpdateAccessibleTabs();
    void AnnounceSelection();
    void DrawFrame(QPainter& painter) const;
    void DrawTabEdge(QPainter& painter, int index) const;
    void DrawItem(QPainter& painter, int index, QRect rect);
    void DrawTab(QPainter& painter, const QString& caption, int index, QRect rect);
};
