#pragma once
// A page control over the painted tab strip: each tab shows one sheet in the display rectangle.
// A sheet with a grip can be torn off into a floating tool window of its own and docks back at
// its static position when that window closes.

#include "controls/tabs/TearTabControl.h"

#include <QPointer>
#include <vector>

class TTearTabSheet;

enum TFloatState { fsFloating, fsDocked };

class TTearPageControl : public TCustomTearTabControl {
    Q_OBJECT
    Q_PROPERTY(bool RemoveLastTab READ RemoveLastTab WRITE SetRemoveLastTab)
public:
    explicit TTearPageControl(QWidget* parent = nullptr);
    ~TTearPageControl() override;

    int PageCount() const { return int(pages_.size()); }
    TTearTabSheet* Pages(int index) const { return pages_.at(index); }
    int IndexOfPage(const TTearTabSheet* sheet) const;

    TTearTabSheet* ActivePage() const { return activePage_; }
    // A sheet of another page control is ignored; nullptr selects no tab.
    void SetActivePage(TTearTabSheet* sheet);

    // Whether the only remaining sheet may be torn off.
    bool RemoveLastTab() const { return removeLastTab_; }
    void SetRemoveLastTab(bool on) { removeLastTab_ = on; }
    bool CanFloat() const { return PageCount() > 1 || removeLastTab_; }

    // The next sheet with a tab after `current` (from the end without one), wrapping round;
    // nullptr when no other sheet has a tab.
    TTearTabSheet* FindNextPage(const TTearTabSheet* current, bool goForward) const;
    // Moves to that sheet as a user's choice would: asked first, then reported.
    void SelectNextPage(bool goForward);

signals:
    void OnFloatChange(TFloatState state);

protected:
    void Change() override;
    void TabTracked(int tabIndex) override;
    void AlignControls() override;
    void customEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TTearTabSheet;
    static constexpr int kDockedEvent = 1000 + 2;
    static constexpr int kFloatedEvent = 1000 + 3;

    std::vector<TTearTabSheet*> pages_;
    // Sheets torn off from here: still owned by this control, which frees them with itself.
    std::vector<QPointer<TTearTabSheet>> floatingSheets_;
    TTearTabSheet* activePage_ = nullptr;
    bool removeLastTab_ = false;
    bool changingPage_ = false;

    void InsertPage(TTearTabSheet* sheet);
    // With `activateNext`, an active sheet hands over to the next one with a tab.
    void RemovePage(TTearTabSheet* sheet, bool activateNext);
    void ChangeActivePage(TTearTabSheet* page);
    // The selected tab's sheet becomes the active page.
    void UpdateActivePage();
    void MovePage(TTearTabSheet* sheet, int newIndex);
    void RestoreStaticOrder();
    void ReapplyImages();
};

