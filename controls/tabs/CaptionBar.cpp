#include "controls/tabs/CaptionBar.h"

#include "platform/Errors.h"
#include "platform/Painting.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QScreen>

namespace {

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// The height of a font's characters without the room for accents above them.
int CellHeight(const QFont& font) { return QFontInfo(font).pixelSize(); }

}  // namespace

// ---- TCompanyText ----

TCompanyText::TCompanyText(TPaintedCaption& owner) : owner_(owner), font_(owner.SystemFont()) {}

void TCompanyText::SetCaption(const QString& value)
{
    if (value == caption_) return;
    caption_ = value;
    owner_.ComposeWindowText();
}

void TCompanyText::SetFont(const QFont& value)
{
    font_ = value;
    if (fontKind_ == fkAutoHeight)
        ApplyFontKind(owner_.SystemFont());
    else
        fontKind_ = fkCustom;
}

void TCompanyText::SetFontKind(TFontKind value)
{
    fontKind_ = value;
    ApplyFontKind(owner_.SystemFont());
}

void TCompanyText::SetVisible(bool value)
{
    if (value == visible_) return;
    visible_ = value;
    owner_.ComposeWindowText();
}

void TCompanyText::ApplyFontKind(const QFont& systemFont)
{
    switch (fontKind_) {
    case fkCustom: return;
    case fkSystem:
    case fkSystemI:
    case fkSystemB:
    case fkSystemBI:
        font_ = systemFont;
        if (fontKind_ == fkSystemI || fontKind_ == fkSystemBI) font_.setItalic(true);
        if (fontKind_ == fkSystemB || fontKind_ == fkSystemBI) font_.setBold(true);
        return;
    case fkAutoHeight: {
        // Own face, the system font's character height; a second step when the first falls short.
        const int want = CellHeight(systemFont);
        font_.setPixelSize(std::max(1, want));
        const int got = CellHeight(font_);
        if (got < want) font_.setPixelSize(want + (want - got));
        return;
    }
    }
}

QString TCaptionText::Caption() const
{
    QWidget* form = owner_.Form();
    if (!form) return {};
    const TCaptionPartText company{Utf8(owner_.CompanyText().Caption()), owner_.CompanyText().Visible(), {}};
    const TCaptionPartText application{Utf8(owner_.AppNameText().Caption()), owner_.AppNameText().Visible(), {}};
    return QString::fromStdString(CaptionPartFromText(Utf8(form->windowTitle()), company, application));
}

// ---- TPaintedCaption ----

TPaintedCaption::TPaintedCaption(QWidget* form) : QObject(form), form_(form)
{
    if (!form || !form->isWindow()) throw Exception("A painted caption needs a window as its owner.");
    systemFont_ = TCaptionHost::CaptionFont(false);
    host_ = std::make_unique<TCaptionHost>(form, [this](QPainter& canvas, const TCaptionArea& area) {
        PaintCaption(canvas, area);
    });
    host_->OnSettingsChanged = [this] { RefreshSystemFont(); };
    company_ = std::make_unique<TCompanyText>(*this);
    appName_ = std::make_unique<TAppNameText>(*this);
    caption_ = std::make_unique<TCaptionText>(*this);
}

TPaintedCaption::~TPaintedCaption()
{
    OnDrawCaption = nullptr;
    if (form_ && !TCaptionHost::WindowBeingDestroyed(form_)) {
        const QString alone = caption_->Caption();
        host_.reset();
        form_->setWindowTitle(alone);
    }
    host_.reset();
}

void TPaintedCaption::SetNumColors(int value)
{
    if (value < 1) return;
    numColors_ = std::min(value, 256);
}

void TPaintedCaption::RefreshSystemFont()
{
    systemFont_ = TCaptionHost::CaptionFont(host_ && host_->ToolWindow());
    for (TCompanyText* part : {static_cast<TCompanyText*>(company_.get()), static_cast<TCompanyText*>(appName_.get()),
                               static_cast<TCompanyText*>(caption_.get())})
        part->ApplyFontKind(systemFont_);
    if (host_) host_->Repaint();
}

TCaptionPartText TPaintedCaption::PartText(const TCompanyText& part, const QString& text, QPaintDevice* device) const
{
    // Measured on the device painted on (its resolution may differ from the screen's).
    return {Utf8(text), part.Visible(), [metrics = QFontMetrics(part.Font(), device)](std::string_view t) {
                return metrics.horizontalAdvance(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
            }};
}

void TPaintedCaption::ComposeWindowText()
{
    // Parts are made one after the other; the text is whole once the last exists.
    if (!form_ || !company_ || !appName_ || !caption_) return;
    const TCaptionPartText parts[3] = {PartText(*company_, company_->Caption(), nullptr),
                                       PartText(*appName_, appName_->Caption(), nullptr),
                                       PartText(*caption_, caption_->TCompanyText::Caption(), nullptr)};
    form_->setWindowTitle(QString::fromStdString(ComposeCaptionText(parts)));
}

bool TPaintedCaption::GradientShown(TGradEnabled enabled, bool active, int bitsPerPixel)
{
    switch (enabled) {
    case geAlways: return true;
    case geNever: return false;
    case geWhenActive: return active;
    case geSmart: return active ? bitsPerPixel >= 8 : bitsPerPixel > 8;
    }
    return false;
}

void TPaintedCaption::PaintCaption(QPainter& canvas, const TCaptionArea& area) const
{
    painting::BeginPlainPaint(canvas);
    const bool active = area.Active;
    const TColor left = painting::ColorToRGB(active ? colorLeftActive_ : colorLeftInActive_);
    const TColor right = painting::ColorToRGB(active ? colorRightActive_ : colorRightInActive_);
    const TColor solid = active ? clActiveCaption : clInactiveCaption;
    const QScreen* screen = form_ && form_->screen() ? form_->screen() : QApplication::primaryScreen();
    const bool gradient = GradientShown(enabled_, active, screen ? screen->depth() : 24);

    canvas.fillRect(area.Bar, painting::ToQColor(gradient ? right : solid));
    const QRect text = area.Text;
    if (gradient) {
        for (const TGradientBand& band : GradientBands(text.left(), text.right() + 1, numColors_, left, right))
            canvas.fillRect(painting::GdiRect(band.Left, text.top(), band.Right, text.bottom() + 1),
                            painting::ToQColor(band.Color));
    } else {
        canvas.fillRect(text, painting::ToQColor(solid));
    }
    if (!area.Icon.isEmpty()) {
        TCaptionHost::SmallIcon(form_).paint(&canvas, area.Icon);
    }

    QRect textRect = text;
    if (OnDrawCaption) {
        canvas.save();
        canvas.setFont(systemFont_);
        OnDrawCaption(const_cast<TPaintedCaption*>(this), canvas, textRect);
        canvas.restore();
    }

    const TCompanyText* parts[3] = {company_.get(), appName_.get(), caption_.get()};
    QPaintDevice* device = canvas.device();
    const TCaptionPartText texts[3] = {PartText(*company_, company_->Caption(), device),
                                       PartText(*appName_, appName_->Caption(), device),
                                       PartText(*caption_, caption_->Caption(), device)};
    canvas.save();
    canvas.setClipRect(textRect);
    for (const TCaptionPartDraw& draw :
         LayoutPartCaption(texts, textRect.left(), textRect.right() + 1, justification_)) {
        const TCompanyText& part = *parts[draw.Part];
        const QFontMetrics metrics(part.Font(), device);
        const int room = textRect.right() + 1 - draw.Left;
        if (room <= 0) break;
        canvas.setFont(part.Font());
        canvas.setPen(painting::ToQColor(active ? part.ColorActive() : part.ColorInactive()));
        const QString shown = metrics.elidedText(QString::fromStdString(texts[draw.Part].Text), Qt::ElideRight, room);
        canvas.drawText(QRect(draw.Left, textRect.top(), room, textRect.height()),
                        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
    canvas.restore();
}
