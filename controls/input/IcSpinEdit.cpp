#include "controls/input/IcSpinEdit.h"

#include "controls/input/IcSpinButton.h"
#include "controls/input/VisualRoutines.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <algorithm>
#include <cmath>

TIcUpDown::TIcUpDown(QWidget* parent) : QAbstractSpinBox(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setFrame(false);
    setAccessibleName(tr("Up and down"));
    lineEdit()->hide();
}

void TIcUpDown::stepBy(int steps)
{
    // Every press reports again: the position never leaves 0.
    if (changing_ || steps == 0) return;
    changing_ = true;
    emit Click(steps > 0 ? btNext : btPrev);
    changing_ = false;
}

QSize TIcUpDown::sizeHint() const { return QSize(style()->pixelMetric(QStyle::PM_ScrollBarExtent), 21); }

TIcSpinEdit::TIcSpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    lineEdit()->setText(QStringLiteral("0"));
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (!changing_) emit Change();
    });
    setMinimumHeight(MinimumEditHeight(fontMetrics().height()));
    buildSpinControl();
}

QString TIcSpinEdit::Text() const { return lineEdit()->text(); }
void TIcSpinEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void TIcSpinEdit::SetMaxLength(int value)
{
    maxLength_ = std::max(0, value);
    lineEdit()->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

char TIcSpinEdit::DecimalSeparator() const
{
    const QString point = locale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

long double TIcSpinEdit::Value() const
{
    return spin::ReadValue(Text().toStdString(), valueType_, minValue_, DecimalSeparator());
}

void TIcSpinEdit::SetValue(long double value)
{
    SetText(QString::fromStdString(
        spin::WriteValue(value, valueType_, decimal_, minValue_, maxValue_, DecimalSeparator())));
}

void TIcSpinEdit::SetMinValue(long double value) { minValue_ = value; }
void TIcSpinEdit::SetMaxValue(long double value) { maxValue_ = value; }

void TIcSpinEdit::SetDecimal(int value)
{
    value = std::clamp(value, 0, 255);
    if (value == decimal_) return;
    decimal_ = value;
    SetValue(Value());
}

void TIcSpinEdit::SetValueType(TValueType value)
{
    if (value == valueType_) return;
    const long double current = Value();
    valueType_ = value;
    if (value == vtInteger) increment_ = spin::IntegerIncrement(increment_);
    SetValue(current);
}

void TIcSpinEdit::SetEditorEnabled(bool value)
{
    editorEnabled_ = value;
    applyReadOnly();
}

void TIcSpinEdit::SetReadOnly(bool value)
{
    readOnly_ = value;
    applyReadOnly();
}

// Typing, pasting and cutting need the editor enabled and the field writable; spinning only the
// latter.
void TIcSpinEdit::applyReadOnly() { lineEdit()->setReadOnly(readOnly_ || !editorEnabled_); }

void TIcSpinEdit::SetAlignment(TAlignment value)
{
    alignment_ = value;
    const Qt::Alignment h = value == taRightJustify ? Qt::AlignRight : value == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    lineEdit()->setAlignment(h | Qt::AlignVCenter);
}

void TIcSpinEdit::SetButtonKind(TSpinButtonKind value)
{
    if (value == buttonKind_) return;
    buttonKind_ = value;
    buildSpinControl();
}

void TIcSpinEdit::buildSpinControl()
{
    delete button_;
    delete upDown_;
    if (buttonKind_ == bkDiagonal) {
        button_ = new TIcSpinButton(this);
        button_->SetFocusControl(this);
        connect(button_, &TIcSpinButton::TopClick, this, &TIcSpinEdit::UpClick);
        connect(button_, &TIcSpinButton::BottomClick, this, &TIcSpinEdit::DownClick);
        button_->show();
    } else {
        upDown_ = new TIcUpDown(this);
        connect(upDown_, &TIcUpDown::Click, this, [this](TUDBtnType b) {
            if (focusPolicy() & Qt::TabFocus && isEnabled() && !hasFocus()) setFocus(Qt::MouseFocusReason);
            b == btNext ? UpClick() : DownClick();
        });
        upDown_->show();
    }
    placeSpinControl();
}

void TIcSpinEdit::placeSpinControl()
{
    QRect control;
    if (button_) {
        control = ToQRect(spin::DiagonalButtonPlace(width(), height(), hasFrame()));
        button_->setGeometry(control);
    } else if (upDown_) {
        const int extent = upDown_->sizeHint().width();
        control = QRect(width() - extent - 1, 1, extent, std::max(height() - 2, 0));
        upDown_->setGeometry(control);
    }
    QRect edit = lineEdit()->geometry();
    edit.setRight(std::min(edit.right(), control.left() - 2));
    lineEdit()->setGeometry(edit);
}

void TIcSpinEdit::spin(long double delta)
{
    if (readOnly_) {
        QApplication::beep();
        return;
    }
    const QString before = Text();
    changing_ = true;
    SetValue(Value() + delta);
    changing_ = false;
    if (Text().compare(before, Qt::CaseInsensitive) != 0) {
        lineEdit()->setModified(true);
        emit Change();
    }
}

void TIcSpinEdit::UpClick() { spin(increment_); }
void TIcSpinEdit::DownClick() { spin(-increment_); }

void TIcSpinEdit::stepBy(int steps)
{
    for (int i = 0; i < std::abs(steps); ++i) steps > 0 ? UpClick() : DownClick();
}

bool TIcSpinEdit::IsValidChar(char32_t key) const
{
    return spin::ValidChar(key, valueType_, editorEnabled_, DecimalSeparator());
}

void TIcSpinEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        if (arrowKeys_) {
            event->key() == Qt::Key_Up ? UpClick() : DownClick();
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    const bool dialogKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                           event->key() == Qt::Key_Escape;
    if (!dialogKey && !event->text().isEmpty()) {
        for (const char32_t ch : event->text().toUcs4()) {
            if (!IsValidChar(ch)) {
                QApplication::beep();
                event->accept();
                return;
            }
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void TIcSpinEdit::focusOutEvent(QFocusEvent* event)
{
    const long double value = Value();
    if (spin::Bounded(value, minValue_, maxValue_) != value) SetValue(value);
    QAbstractSpinBox::focusOutEvent(event);
}

void TIcSpinEdit::focusInEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusInEvent(event);
    // Qt's own spin box selects on Tab whatever the setting.
    if (!autoSelect_)
        lineEdit()->deselect();
    else if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
        lineEdit()->selectAll();
}

void TIcSpinEdit::resizeEvent(QResizeEvent* event)
{
    QAbstractSpinBox::resizeEvent(event);
    placeSpinControl();
}

void TIcSpinEdit::changeEvent(QEvent* event)
{
    QAbstractSpinBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) setMinimumHeight(MinimumEditHeight(fontMetrics().height()));
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) placeSpinControl();
}

QSize TIcSpinEdit::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int h = QAbstractSpinBox::sizeHint().height();
    return QSize(metrics.horizontalAdvance(QStringLiteral("-000000000")) + h + 8, h);
}

QSize TIcSpinEdit::minimumSizeHint() const
{
    const int h = std::max(QAbstractSpinBox::minimumSizeHint().height(), MinimumEditHeight(fontMetrics().height()));
    return QSize(QFontMetrics(font()).horizontalAdvance(QStringLiteral("000")) + h + 6, h);
}
