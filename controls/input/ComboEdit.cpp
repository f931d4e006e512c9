#include "controls/input/ComboEdit.h"

#include "controls/input/VisualRoutines.h"
#include "platform/Guard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>

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

// The application's style with a caret of its own width.
class CaretStyle : public QProxyStyle {
public:
    explicit CaretStyle(int width)
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), width_(width)
    {
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        return metric == PM_TextCursorWidth ? width_ : QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    int width_;
};

bool canTakeFocus(const QWidget* w) { return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled(); }

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
    noAction_ = false;
    if (event->button() == Qt::LeftButton) {
        // The press brings the focus into the field first; a press that closes the pop-up does
        // only that.
        auto* edit = qobject_cast<TCustomComboEdit*>(parentWidget());
        if (edit && canTakeFocus(edit) && !edit->hasFocus()) edit->setFocus(Qt::MouseFocusReason);
        if (edit && edit->PopupVisible()) {
            edit->PopupCloseUp(true);
            noAction_ = true;
        }
    }
    TIcSpeedButton::mousePressEvent(event);
}

TComboPopup::TComboPopup(QWidget* field)
    : QFrame(field, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
}

TCustomComboEdit::TCustomComboEdit(QWidget* parent) : QLineEdit(parent)
{
    button_ = new TEditButton(this);
    button_->setObjectName(QStringLiteral("Button"));
    // A hint from the start, so the button always has a name a screen reader can say.
    button_->SetHint(tr("Browse"));
    button_->setFocusPolicy(Qt::NoFocus);
    connect(button_, &QAbstractButton::clicked, this, &TCustomComboEdit::EditButtonClick);
    button_->show();
    setMinimumHeight(minimumHeight());
    resize(width(), std::max(21, minimumHeight()));
    placeButton();
}

TCustomComboEdit::~TCustomComboEdit()
{
    // The widget lets go of its caret style before the style goes.
    if (caretStyle_) setStyle(nullptr);
}

void TCustomComboEdit::SetButtonWidth(int value)
{
    value = std::max(value, 0);
    const int inside = width() - (hasFrame() ? 4 : 0);
    if (value == buttonWidth_ || value >= inside) return;
    buttonWidth_ = value;
    button_->setVisible(value >= 2);
    RecreateGlyph();
    placeButton();
}

bool TCustomComboEdit::IsButtonWidthStored() const
{
    const QImage& glyph = button_->Glyph();
    const int glyphWidth = glyph.isNull() ? 0 : glyph.width();
    return buttonWidth_ != fileedit::ImpliedButtonWidth(glyphKind_, glyphWidth, DefaultNumGlyphs(),
                                                        style()->pixelMetric(QStyle::PM_ScrollBarExtent));
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

void TCustomComboEdit::SetAlignment(TAlignment value)
{
    if (value == alignment_) return;
    alignment_ = value;
    const Qt::Alignment h = value == taRightJustify ? Qt::AlignRight : value == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    setAlignment(h | Qt::AlignVCenter);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind value)
{
    if (value == glyphKind_) return;
    glyphKind_ = value;
    RecreateGlyph();
    // The kind sets the width its glyph needs; a drop-down button is as wide as a scroll bar.
    const QImage& glyph = button_->Glyph();
    if (value == gkDefault && !glyph.isNull())
        SetButtonWidth(std::max(glyph.width() / DefaultNumGlyphs() + 6, buttonWidth_));
    else if (value == gkDropDown)
        SetButtonWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
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
        break;
    }
    case gkDropDown:
        button_->SetGlyph(dropDownArrow());
        button_->SetNumGlyphs(1);
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
    button_->setGeometry(ToQRect(fileedit::ButtonPlace(width(), height(), buttonWidth_, hasFrame())));
    // The text stops two pixels short of the button.
    setTextMargins(0, 0, buttonWidth_ + 2, 0);
}

int TCustomComboEdit::minimumHeight() const
{
    const int text = std::min(QFontMetrics(QApplication::font()).height(), fontMetrics().height());
    return MinimumEditHeight(text);
}

void TCustomComboEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void TCustomComboEdit::EditButtonClick()
{
    if (button_->TakeNoAction() || readOnly_) return;
    guard::toApplication([this] { DoButtonClick(); });
}

void TCustomComboEdit::DoButtonClick()
{
    emit ButtonClick();
    if (!popup_) return;
    if (popupVisible_)
        PopupCloseUp(true);
    else
        PopupDropDown(true);
}

void TCustomComboEdit::SetPopup(TComboPopup* popup)
{
    if (popup_ == popup) return;
    if (popupVisible_) PopupCloseUp(false);
    popup_ = popup;
    if (!popup) return;
    connect(popup, &TComboPopup::CloseUp, this, [this](bool accept) {
        if (popupVisible_) PopupCloseUp(accept);
    });
    connect(popup, &TComboPopup::Changed, this, [this] { PopupChange(); });
}

void TCustomComboEdit::PopupDropDown(bool disableEdit)
{
    if (!popup_ || popupVisible_) return;
    if (!popup_->testAttribute(Qt::WA_Resized)) popup_->adjustSize();
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->geometry();
    const TPoint at = fileedit::PopupOrigin(
        {topLeft.x(), topLeft.y(), topLeft.x() + width(), topLeft.y() + height()},
        {popup_->width(), popup_->height()}, {screen.left(), screen.top(), screen.right() + 1, screen.bottom() + 1},
        popupAlign_);
    SetPopupValue(text().isEmpty() ? QVariant() : QVariant(text()));
    if (canTakeFocus(this)) setFocus(Qt::PopupFocusReason);
    ShowPopup(QPoint(at.X, at.Y));
    popupVisible_ = true;
    // A read-only field shows no caret.
    if (disableEdit) setReadOnly(true);
    qApp->installEventFilter(this);
}

void TCustomComboEdit::PopupCloseUp(bool accept)
{
    if (!popupVisible_) return;
    popupVisible_ = false;
    qApp->removeEventFilter(this);
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    QVariant value = GetPopupValue();
    HidePopup();
    if (canTakeFocus(this) && isVisible()) setFocus(Qt::PopupFocusReason);
    applyReadOnly();
    update();
    if (accept && AcceptPopup(value) && EditCanModify()) {
        AcceptValue(value);
        if (hasFocus()) selectAll();
    }
}

void TCustomComboEdit::ShowPopup(QPoint origin)
{
    popup_->move(origin);
    popup_->show();
    popup_->raise();
}

void TCustomComboEdit::HidePopup()
{
    if (popup_) popup_->hide();
}

void TCustomComboEdit::AcceptValue(const QVariant& value)
{
    const QString taken = value.isNull() ? QString() : value.toString();
    if (taken == text()) return;
    setText(taken);
    setModified(true);
}

void TCustomComboEdit::SetPopupValue(const QVariant& value)
{
    if (popup_) popup_->SetValue(value);
}

QVariant TCustomComboEdit::GetPopupValue() const
{
    return popup_ ? popup_->Value() : QVariant(QString());
}

bool TCustomComboEdit::ownsWidget(const QWidget* widget) const
{
    for (; widget; widget = widget->parentWidget())
        if (widget == button_ || widget == popup_) return true;
    return false;
}

bool TCustomComboEdit::eventFilter(QObject* watched, QEvent* event)
{
    // While the pop-up is open, a press anywhere but on the button or in the pop-up (the field
    // itself included) closes it without taking its value, as does the window going inactive.
    if (popupVisible_) {
        const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
        if (press && watched->isWidgetType() && !ownsWidget(static_cast<QWidget*>(watched)))
            PopupCloseUp(false);
        else if (event->type() == QEvent::WindowDeactivate && watched == window())
            PopupCloseUp(false);
    }
    return QLineEdit::eventFilter(watched, event);
}

void TCustomComboEdit::keyPressEvent(QKeyEvent* event)
{
    if (!clickKey_.isEmpty() && QKeySequence(event->keyCombination()) == clickKey_) {
        if (buttonWidth_ > 0) {
            EditButtonClick();
            event->accept();
            return;
        }
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (popupVisible_ && (enter || event->key() == Qt::Key_Escape)) {
        PopupCloseUp(enter);
        event->accept();
        return;
    }
    // Without direct input not even all of the text is selected.
    if (!directInput_ && event->matches(QKeySequence::SelectAll)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCustomComboEdit::focusInEvent(QFocusEvent* event)
{
    applyCaret();
    QLineEdit::focusInEvent(event);
}

void TCustomComboEdit::focusOutEvent(QFocusEvent* event)
{
    if (popupVisible_) PopupCloseUp(false);
    QLineEdit::focusOutEvent(event);
}

void TCustomComboEdit::applyCaret()
{
    const int wanted = fileedit::CaretWidth(font().bold());
    if (style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this) == wanted) return;
    if (QApplication::style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this) == wanted) {
        setStyle(nullptr);
        caretStyle_.reset();
        return;
    }
    auto next = std::make_unique<CaretStyle>(wanted);
    setStyle(next.get());
    caretStyle_ = std::move(next);
}

void TCustomComboEdit::applyDisabledColour()
{
    // Disabled text in grey, unless grey is the background.
    QPalette p = palette();
    const QColor grey = ToQColor(clGrayText);
    const QColor shown = p.color(QPalette::Disabled, QPalette::Base) == grey ? p.color(QPalette::Active, QPalette::Text) : grey;
    if (p.color(QPalette::Disabled, QPalette::Text) == shown) return;
    p.setColor(QPalette::Disabled, QPalette::Text, shown);
    setPalette(p);
}

void TCustomComboEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        setMinimumHeight(minimumHeight());
        if (hasFocus()) applyCaret();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            if (popupVisible_) PopupCloseUp(false);
            applyDisabledColour();
        }
        break;
    default:
        break;
    }
}

QSize TCustomComboEdit::sizeHint() const
{
    const QSize base = QLineEdit::sizeHint();
    return QSize(base.width(), std::max({base.height(), 21, minimumHeight()}));
}

QSize TCustomComboEdit::minimumSizeHint() const
{
    const QSize base = QLineEdit::minimumSizeHint();
    return QSize(base.width() + buttonWidth_ + 2, minimumHeight());
}
