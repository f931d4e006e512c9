#pragma once
// An application's title bar of three parts (company, application name, caption text), each
// with its own font and active and inactive colours, over a horizontal gradient. The window text
// is composed of the same parts, so the window list shows the same words.

#include "controls/input/CaptionHost.h"
#include "controls/input/CaptionLayout.h"
#include "platform/Colors.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QPaintDevice;
class TPaintedCaption;

enum TFontKind { fkCustom, fkSystem, fkSystemI, fkSystemB, fkSystemBI, fkAutoHeight };
enum TGradEnabled { geAlways, geNever, geWhenActive, geSmart };

// One part of the caption.
class TCompanyText {
public:
    explicit TCompanyText(TPaintedCaption& owner);
    virtual ~TCompanyText() = default;
    TCompanyText(const TCompanyText&) = delete;
    TCompanyText& operator=(const TCompanyText&) = delete;

    virtual QString Caption() const { return caption_; }
    // Stores the text and composes the window text again.
    virtual void SetCaption(const QString& value);
    TColor ColorActive() const { return colorActive_; }
    void SetColorActive(TColor value) { colorActive_ = value; }
    TColor ColorInactive() const { return colorInactive_; }
    void SetColorInactive(TColor value) { colorInactive_ = value; }
    QFont Font() const { return font_; }
    // Switches FontKind to fkCustom; under fkAutoHeight the font's height is matched instead.
    void SetFont(const QFont& value);
    TFontKind FontKind() const { return fontKind_; }
    void SetFontKind(TFontKind value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);

    // Applies FontKind with this system caption font.
    void ApplyFontKind(const QFont& systemFont);

protected:
    TPaintedCaption& owner_;
    QString caption_;

private:
    TColor colorActive_ = clCaptionText;
    TColor colorInactive_ = clInactiveCaptionText;
    QFont font_;
    TFontKind fontKind_ = fkSystem;
    bool visible_ = true;
};

class TAppNameText : public TCompanyText {
public:
    using TCompanyText::TCompanyText;
};

class TCaptionText : public TCompanyText {
public:
    using TCompanyText::TCompanyText;
    // Read back from the window's current text: what follows the company and application parts.
    QString Caption() const override;
};

class TPaintedCaption : public QObject {
    Q_OBJECT
public:
    // `form` must be a top-level window (Exception otherwise); it owns the component.
    explicit TPaintedCaption(QWidget* form);
    // Unless the window goes too, its text becomes the caption part alone.
    ~TPaintedCaption() override;

    TCompanyText& CompanyText() { return *company_; }
    TAppNameText& AppNameText() { return *appName_; }
    TCaptionText& CaptionText() { return *caption_; }

    TColor ColorLeftActive() const { return colorLeftActive_; }
    void SetColorLeftActive(TColor value) { colorLeftActive_ = value; }
    TColor ColorLeftInActive() const { return colorLeftInActive_; }
    void SetColorLeftInActive(TColor value) { colorLeftInActive_ = value; }
    TColor ColorRightActive() const { return colorRightActive_; }
    void SetColorRightActive(TColor value) { colorRightActive_ = value; }
    TColor ColorRightInActive() const { return colorRightInActive_; }
    void SetColorRightInActive(TColor value) { colorRightInActive_ = value; }
    TGradEnabled Enabled() const { return enabled_; }
    void SetEnabled(TGradEnabled value) { enabled_ = value; }
    TJustification Justification() const { return justification_; }
    void SetJustification(TJustification value) { justification_ = value; }
    // 1 to 256: below 1 is refused, above 256 becomes 256.
    int NumColors() const { return numColors_; }
    void SetNumColors(int value);

    // Called on each paint before the parts are drawn; the rectangle is the text area.
    std::function<void(TPaintedCaption* sender, QPainter& canvas, QRect& rect)> OnDrawCaption;

    // The window text from the three parts.
    void ComposeWindowText();
    // The platform's caption font (bold and italic come from the parts' font kinds).
    QFont SystemFont() const { return systemFont_; }
    void RefreshSystemFont();
    QWidget* Form() const { return form_; }
    TCaptionHost* Host() const { return host_.get(); }
    // Paints the title bar for the given state (what the bar shows, and tests).
    void PaintCaption(QPainter& canvas, const TCaptionArea& area) const;
    // Whether a title bar shows the gradient, for the display's colour depth.
    static bool GradientShown(TGradEnabled enabled, bool active, int bitsPerPixel);

private:
    QPointer<QWidget> form_;
    QFont systemFont_;
    std::unique_ptr<TCompanyText> company_;
    std::unique_ptr<TAppNameText> appName_;
    std::unique_ptr<TCaptionText> caption_;
    TColor colorLeftActive_ = clBlack;
    TColor colorLeftInActive_ = clBlack;
    TColor colorRightActive_ = clActiveCaption;
    TColor colorRightInActive_ = clInactiveCaption;
    TGradEnabled enabled_ = geSmart;
    TJustification justification_ = jAuto;
    int numColors_ = 64;
    std::unique_ptr<TCaptionHost> host_;

    TCaptionPartText PartText(const TCompanyText& part, const QString& text, QPaintDevice* device) const;
};
