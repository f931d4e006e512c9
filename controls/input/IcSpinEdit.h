#pragma once
// A numeric field whose value is kept in its text, with a diagonal spin button (or a standard
// up-down control) inside its frame; and that up-down control on its own.

#include "controls/input/SpinRules.h"

#include <QAbstractSpinBox>
#include <QPointer>

class TIcSpinButton;

enum TSpinButtonKind { bkStandard, bkDiagonal };
enum TUDBtnType { btNext, btPrev };

// The up-down control: each press of an arrow reports once, its position always back at 0.
class TIcUpDown : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TIcUpDown(QWidget* parent = nullptr);
    void stepBy(int steps) override;
    QSize sizeHint() const override;

signals:
    void Click(TUDBtnType button);

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    bool changing_ = false;
};

class TIcSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
    Q_PROPERTY(double Value READ DoubleValue WRITE SetDoubleValue)
    Q_PROPERTY(int Decimal READ Decimal WRITE SetDecimal)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)
    Q_PROPERTY(bool ArrowKeys READ ArrowKeys WRITE SetArrowKeys)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)

public:
    explicit TIcSpinEdit(QWidget* parent = nullptr);

    long double Value() const;
    void SetValue(long double value);
    double DoubleValue() const { return static_cast<double>(Value()); }
    void SetDoubleValue(double value) { SetValue(value); }
    long double MinValue() const { return minValue_; }
    void SetMinValue(long double value);
    long double MaxValue() const { return maxValue_; }
    void SetMaxValue(long double value);
    long double Increment() const { return increment_; }
    void SetIncrement(long double value) { increment_ = value; }
    // A stored form keeps the bounds, the increment and the value only when they are not 0, 0, 1, 0.
    bool IsMinValueStored() const { return minValue_ != 0; }
    bool IsMaxValueStored() const { return maxValue_ != 0; }
    bool IsIncrementStored() const { return increment_ != 1; }
    bool IsValueStored() const { return Value() != 0; }
    int Decimal() const { return decimal_; }
    void SetDecimal(int value);
    TValueType ValueType() const { return valueType_; }
    void SetValueType(TValueType value);
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool value);
    bool ArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool value) { arrowKeys_ = value; }
    // Entering the field selects its text.
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    // The longest text that can be typed; 0 for no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TSpinButtonKind ButtonKind() const { return buttonKind_; }
    void SetButtonKind(TSpinButtonKind value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    QString Text() const;
    void SetText(const QString& text);
    // The decimal separator of the field's locale.
    char DecimalSeparator() const;

    void UpClick();
    void DownClick();

    TIcSpinButton* Button() const { return button_; }
    TIcUpDown* UpDown() const { return upDown_; }

    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The text changed, by typing, by a write of Value or once per spin that changed it.
    void Change();

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    virtual bool IsValidChar(char32_t key) const;

private:
    void spin(long double delta);
    void buildSpinControl();
    void placeSpinControl();
    void applyReadOnly();
    void rewrite();

    long double minValue_ = 0, maxValue_ = 0, increment_ = 1;
    int decimal_ = 2;
    TValueType valueType_ = vtInteger;
    TAlignment alignment_ = taLeftJustify;
    TSpinButtonKind buttonKind_ = bkDiagonal;
    bool editorEnabled_ = true;
    bool arrowKeys_ = true;
    int maxLength_ = 0;
    bool autoSelect_ = true;
    bool readOnly_ = false;
    bool changing_ = false;
    QPointer<TIcSpinButton> button_;
    QPointer<TIcUpDown> upDown_;
};
