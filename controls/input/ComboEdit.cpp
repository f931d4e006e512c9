#include "controls/input/ComboEdit.h"

#include "controls/input/FileEditRules.h"
#include "controls/input/VisualRoutines.h"
#include "platform/Guard.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace {

// The combo box arrow: a downward triangle of 7, 5, 3 and 1 pixels.
QImage dropDownArrow()
{
    QImage arrow(7, 4, QImage::Format_ARGB32);
    arrow.fill(Qt::transparent);
    for (const auto& row : speedbutton::DropMarkRows({0, 1}))
        for (int x = row.Left; x < row.Left + row.Width; ++x) arrow.setPixel(x, row.Y, qRgb(0, 0, 0));
    return arrow;
}

QImage ellipsis(int buttonWidth)
{
    const fileedit::TEllipsis e = fileedit::EllipsisDots(buttonWidth);
    QImage dots(e.Width, 4, QImage::Format_ARGB32);
    dots.fill(Qt::transparent);
    QPainter p(&dots);
    for (int x : e.Dots) p.fillRect(x, 1, 2, 2, Qt::black);
    return dots;
}

}  // namespace

TEditButton::TEditButton(QWidget* parent) : TIcSpeedButton(parent)
{
    SetFlat(true);
}

void TEditButton::paintEvent(QPaintEvent* event)
{
    TIcSpeedButton::paintEvent(event);
    if (State() == bsDown || State() == bsExclusive) return;
    QPainter p(this);
    p.fillRect(0, 0, 1, height() - 1, ToQColor(clBtnFace));
    p.fillRect(1, 1, 1, std::max(height() - 3, 0), ToQColor(clBtnHighlight));
}

void TEditButton::mousePressEvent(QMouseEvent* event)
{
    // The press brings the focus into the field first.
    if (event->button() == Qt::LeftButton) {
        QWidget* edit = parentWidget();
        if (edit && (edit->focusPolicy() & Qt::TabFocus) && edit->isEnabled() && !edit->hasFocus())
            edit->setFocus(Qt::MouseFocusReason);
    }
    TIcSpeedButton::mousePressEvent(event);
}

TCustomComboEdit::TCustomComboEdit(QWidget* parent) : QLineEdit(parent)
{
    button_ = new TEditButton(this);
    button_->setObjectName(QStringLiteral("Button"));
    button_->SetHint(tr("Browse"));
    connect(button_, &QAbstractButton::clicked, this, &TCustomComboEdit::EditButtonClick);
    button_->show();
    placeButton();
}

void TCustomComboEdit::SetButtonWidth(int value)
{
    value = std::max(value, 0);
    if (value == buttonWidth_) return;
    buttonWidth_ = value;
    button_->setVisible(value >= 2);
    if (glyphKind_ == gkEllipsis) RecreateGlyph();
    placeButton();
}

void TCustomComboEdit::SetReadOnly(bool value)
{
    readOnly_ = value;
    applyReadOnly();
}

void TCustomComboEdit::SetDirectInput(bool value)
{
    directInput_ = value;
    applyReadOnly();
}

// Typing, pasting and cutting need both direct input and a writable field.
void TCustomComboEdit::applyReadOnly() { setReadOnly(readOnly_ || !directInput_); }

void TCustomComboEdit::SetGlyphKind(TGlyphKind value)
{
    if (value == glyphKind_) return;
    glyphKind_ = value;
    RecreateGlyph();
}

void TCustomComboEdit::SetGlyph(const QImage& value)
{
    glyphKind_ = gkCustom;
    button_->SetGlyph(value);
}

void TCustomComboEdit::SetNumGlyphs(int value)
{
    button_->SetNumGlyphs(glyphKind_ == gkCustom ? value : glyphKind_ == gkDefault ? DefaultNumGlyphs() : 1);
}

void TCustomComboEdit::RecreateGlyph()
{
    switch (glyphKind_) {
    case gkDefault: {
        const QImage glyph = DefaultGlyph();
        button_->SetGlyph(glyph);
        button_->SetNumGlyphs(DefaultNumGlyphs());
        if (!glyph.isNull()) SetButtonWidth(std::max(glyph.width() / DefaultNumGlyphs() + 6, buttonWidth_));
        break;
    }
    case gkDropDown:
        button_->SetGlyph(dropDownArrow());
        button_->SetNumGlyphs(1);
        SetButtonWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
        break;
    case gkEllipsis:
        button_->SetGlyph(ellipsis(buttonWidth_));
        button_->SetNumGlyphs(1);
        break;
    case gkCustom:
        break;
    }
}

void TCustomComboEdit::placeButton()
{
    // Inside the frame, at the right edge.
    const int frame = hasFrame() ? 2 : 0;
    button_->setGeometry(width() - buttonWidth_ - frame, frame, buttonWidth_, std::max(height() - 2 * frame, 0));
    setTextMargins(0, 0, buttonWidth_ >= 2 ? buttonWidth_ : 0, 0);
}

void TCustomComboEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void TCustomComboEdit::EditButtonClick()
{
    if (readOnly_) return;
    guard::toApplication([this] { DoButtonClick(); });
}

void TCustomComboEdit::DoButtonClick() { emit ButtonClick(); }

void TCustomComboEdit::keyPressEvent(QKeyEvent* event)
{
    if (!clickKey_.isEmpty() && QKeySequence(event->keyCombination()) == clickKey_) {
        if (buttonWidth_ > 0) {
            EditButtonClick();
            event->accept();
            return;
        }
    }
    // Without direct input not even all of the text is selected.
    if (!directInput_ && event->matches(QKeySequence::SelectAll)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QSize TCustomComboEdit::sizeHint() const
{
    const QSize base = QLineEdit::sizeHint();
    return QSize(base.width(), std::max(base.height(), 21));
}
