#pragma once
// A form's title bar painted by a component on it: a gradient from StartColor into the caption
// colour, the form's small icon, and a caption of segments, each with its own font and inactive
// colour, followed by FormCaption. When the room is short whole segments (glued runs together)
// are dropped from the left, or, right to left, cut off with "...".
//
//     auto* caption = new TIcGradientCaption(aboutBox);
//     TIcCaption& name = caption->Captions().Add();
//     name.SetCaption("Name"); name.SetFont(font); name.SetFontColor(RGB(217, 240, 255));
//     caption->SetGradientInactive(true);

#include "controls/input/CaptionHost.h"
#include "controls/input/CaptionLayout.h"
#include "platform/Colors.h"

#include <QFont>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TIcGradientCaption;

// One segment of the caption.
class TIcCaption {
public:
    explicit TIcCaption(TIcGradientCaption& owner);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    // The segment's font and its colour while the window is active. Setting either clears
    // ParentFont; ParentFont True copies the caption's font again.
    QFont Font() const { return font_; }
    void SetFont(const QFont& value);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // Kept or dropped together with the next segment.
    bool GlueNext() const { return glueNext_; }
    void SetGlueNext(bool value);
    // The text colour while the window is inactive.
    TColor InactiveColor() const { return inactiveColor_; }
    void SetInactiveColor(TColor value);

    void Assign(const TIcCaption& source);
    // Inactive colour clInactiveCaptionText, visible, parent font.
    void RestoreDefaults();

private:
    friend class TIcGradientCaption;
    TIcGradientCaption& owner_;
    QString caption_;
    QFont font_;
    TColor fontColor_ = clCaptionText;
    bool parentFont_ = true;
    bool visible_ = true;
    bool glueNext_ = false;
    TColor inactiveColor_ = clInactiveCaptionText;

    void Changed();
};

class TIcCaptionList {
public:
    explicit TIcCaptionList(TIcGradientCaption& owner) : owner_(owner) {}
    int Count() const { return static_cast<int>(items_.size()); }
    TIcCaption& operator[](int index) { return *items_.at(static_cast<size_t>(index)); }
    const TIcCaption& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
    // A new segment at the end, in a copy of the caption's font.
    TIcCaption& Add();
    void Delete(int index);
    void Clear();

private:
    TIcGradientCaption& owner_;
    std::vector<std::unique_ptr<TIcCaption>> items_;
};

class TIcGradientCaption : public QObject {
    Q_OBJECT
public:
    // `form`: the top-level window whose title bar this paints; it owns the component.
    explicit TIcGradientCaption(QWidget* form);
    ~TIcGradientCaption() override;

    // The stored flag, and only with a top-level window as owner.
    bool Active() const;
    void SetActive(bool value);
    // The window is the active window (the foreground program's).
    bool WindowActive() const;

    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor value);
    TIcCaptionList& Captions() { return captions_; }
    const TIcCaptionList& Captions() const { return captions_; }
    // The caption font (the platform's caption font while DefaultFont) and its colour.
    QFont Font() const { return font_; }
    void SetFont(const QFont& value);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value);
    bool DefaultFont() const { return defaultFont_; }
    void SetDefaultFont(bool value);
    // Shown when the right button is released over the title bar; cleared when it is deleted.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* value) { popupMenu_ = value; }
    THideDirection HideDirection() const { return hideDirection_; }
    void SetHideDirection(THideDirection value);
    bool GradientActive() const { return gradientActive_; }
    void SetGradientActive(bool value);
    bool GradientInactive() const { return gradientInactive_; }
    void SetGradientInactive(bool value);
    TColor FontInactiveColor() const { return fontInactiveColor_; }
    void SetFontInactiveColor(TColor value);
    // Drawn after the segments, in the caption font.
    QString FormCaption() const { return formCaption_; }
    void SetFormCaption(const QString& value);
    int GradientSteps() const { return gradientSteps_; }
    void SetGradientSteps(int value);

    std::function<void(TIcGradientCaption*)> OnActivate;
    std::function<void(TIcGradientCaption*)> OnDeactivate;

    TCaptionHost* Host() const { return host_.get(); }
    // Paints the title bar as it looks in the given state (what the bar shows, and tests).
    void PaintCaption(QPainter& canvas, const TCaptionArea& area) const;
    // Repaints what is shown now.
    void Update();

private:
    friend class TIcCaption;
    friend class TIcCaptionList;
    QPointer<QWidget> form_;
    bool active_ = true;
    TColor startColor_ = clWindowText;
    TIcCaptionList captions_;
    QFont font_;
    TColor fontColor_ = clCaptionText;
    bool defaultFont_ = true;
    QPointer<QMenu> popupMenu_;
    THideDirection hideDirection_ = hdLeftToRight;
    bool gradientInactive_ = false;
    bool gradientActive_ = true;
    TColor fontInactiveColor_ = clInactiveCaptionText;
    QString formCaption_;
    int gradientSteps_ = 64;
    std::unique_ptr<TCaptionHost> host_;

    // Whether the current state paints a gradient.
    bool ShowsGradient() const;
    void ApplyDefaultFont();
    void FontChanged();
};
