#include "controls/input/IcSpeedButton.h"

#include "controls/input/VisualRoutines.h"
#include "platform/Guard.h"
#include "platform/Painting.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <optional>

namespace {

// One dither pattern for every exclusive face, freed with the last button.
int gButtonCount = 0;
std::optional<QImage> gPattern;

const QImage& ditherPattern()
{
    if (!gPattern) gPattern = CreateTwoColorsBrushPattern(clBtnFace, clBtnHighlight);
    return *gPattern;
}

void fillRect(QPainter& p, int left, int top, int right, int bottom, TColor color)
{
    if (right > left && bottom > top) p.fillRect(painting::GdiRect(left, top, right, bottom), ToQColor(color));
}

// A one-pixel ring, then the rectangle shrinks inside it.
void frame3D(QPainter& p, TRect& r, TColor topLeft, TColor bottomRight)
{
    fillRect(p, r.Left, r.Top, r.Right - 1, r.Top + 1, topLeft);
    fillRect(p, r.Left, r.Top, r.Left + 1, r.Bottom - 1, topLeft);
    fillRect(p, r.Right - 1, r.Top, r.Right, r.Bottom, bottomRight);
    fillRect(p, r.Left, r.Bottom - 1, r.Right, r.Bottom, bottomRight);
    r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
}

QString withoutAccelerator(QString text)
{
    text.replace(QLatin1String("&&"), QString(QChar(0xE000)));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(0xE000), QLatin1Char('&'));
    return text;
}

int alignmentFlag(TAlignment alignment)
{
    switch (alignment) {
    case taLeftJustify: return Qt::AlignLeft;
    case taRightJustify: return Qt::AlignRight;
    case taCenter: break;
    }
    return Qt::AlignHCenter;
}

// A strip of the icon's normal and disabled pictures, side by side.
QImage iconStrip(const QIcon& icon, int extent)
{
    if (icon.isNull()) return {};
    QImage strip(2 * extent, extent, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.drawPixmap(0, 0, icon.pixmap(extent, extent, QIcon::Normal));
    p.drawPixmap(extent, 0, icon.pixmap(extent, extent, QIcon::Disabled));
    return strip;
}

}  // namespace

TIcSpeedButton::TIcSpeedButton(QWidget* parent) : QAbstractButton(parent)
{
    ++gButtonCount;
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    resize(25, 25);
    glyph_.OnChange = [this] {
        updateGeometry();
        update();
    };
    // Runs before any other receiver: the dialog's result is set first, then the action fires.
    connect(this, &QAbstractButton::clicked, this, &TIcSpeedButton::clicked_);
}

TIcSpeedButton::~TIcSpeedButton()
{
    if (repeatTimer_) repeatTimer_->stop();
    if (--gButtonCount == 0) gPattern.reset();
}

void TIcSpeedButton::SetCaption(const QString& value)
{
    if (value == text()) return;
    setText(value);
    syncAccessibleName();
    updateGeometry();
}

void TIcSpeedButton::SetHint(const QString& value)
{
    if (value == toolTip()) return;
    setToolTip(value);
    syncAccessibleName();
}

void TIcSpeedButton::syncAccessibleName()
{
    const QString caption = withoutAccelerator(text());
    setAccessibleName(caption.isEmpty() ? toolTip() : caption);
    setAccessibleDescription(caption.isEmpty() ? QString() : toolTip());
}

void TIcSpeedButton::SetAlignment(TAlignment value)
{
    if (!speedbutton::StoreChanged(alignment_, value)) return;
    update();
}

void TIcSpeedButton::SetAllowTimer(bool value)
{
    if (!speedbutton::StoreChanged(allowTimer_, value)) return;
    if (!value) stopRepeat();
}

void TIcSpeedButton::SetDropDownMenu(QMenu* value)
{
    if (!speedbutton::StoreChanged(dropDownMenu_, value)) return;
    updateGeometry();
    update();
}

void TIcSpeedButton::SetMenuPosition(TIcDropDownMenuPos value) { menuPosition_ = value; }

void TIcSpeedButton::SetFlat(bool value)
{
    if (!speedbutton::StoreChanged(flat_, value)) return;
    update();
}

void TIcSpeedButton::SetGlyph(const QImage& value) { glyph_.SetGlyph(value); }

void TIcSpeedButton::SetGrayedInactive(bool value)
{
    if (!speedbutton::StoreChanged(grayedInactive_, value)) return;
    update();
}

void TIcSpeedButton::SetInitPause(int value) { initPause_ = std::clamp(value, 0, 65535); }
void TIcSpeedButton::SetRepeatInterval(int value) { repeatInterval_ = std::clamp(value, 0, 65535); }

void TIcSpeedButton::SetLayout(TButtonLayout value)
{
    if (!speedbutton::StoreChanged(layout_, value)) return;
    updateGeometry();
    update();
}

void TIcSpeedButton::SetMargin(int value)
{
    if (!speedbutton::StoreChanged(margin_, std::max(value, -1))) return;
    update();
}

void TIcSpeedButton::SetSpacing(int value)
{
    if (!speedbutton::StoreChanged(spacing_, std::max(value, -1))) return;
    update();
}

void TIcSpeedButton::SetMarkDropDown(bool value)
{
    if (!speedbutton::StoreChanged(markDropDown_, value)) return;
    updateGeometry();
    update();
}

void TIcSpeedButton::SetStyle(TButtonStyle value)
{
    if (!speedbutton::StoreChanged(style_, value)) return;
    update();
}

void TIcSpeedButton::SetTransparent(bool value)
{
    if (!speedbutton::StoreChanged(transparent_, value)) return;
    update();
}

void TIcSpeedButton::SetWordWrap(bool value)
{
    if (!speedbutton::StoreChanged(wordWrap_, value)) return;
    updateGeometry();
    update();
}

void TIcSpeedButton::SetAllowAllUp(bool value)
{
    if (value == allowAllUp_) return;
    allowAllUp_ = value;
    updateExclusive();
}

void TIcSpeedButton::SetGroupIndex(int value)
{
    if (value == groupIndex_) return;
    groupIndex_ = value;
    updateExclusive();
}

void TIcSpeedButton::SetDown(bool value)
{
    if (groupIndex_ == 0) value = false;
    if (value == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = value;
    state_ = value ? bsExclusive : bsUp;
    if (!isEnabled()) state_ = bsDisabled;
    update();
    if (value) updateExclusive();
}

// The group's other buttons go up and take this one's AllowAllUp.
void TIcSpeedButton::updateExclusive()
{
    if (groupIndex_ == 0 || !parentWidget()) return;
    for (auto* other : parentWidget()->findChildren<TIcSpeedButton*>(Qt::FindDirectChildrenOnly))
        if (other != this) other->buttonPressed(groupIndex_, this);
}

void TIcSpeedButton::buttonPressed(int group, TIcSpeedButton* sender)
{
    if (group != groupIndex_) return;
    if (sender->down_ && down_) {
        down_ = false;
        state_ = isEnabled() ? bsUp : bsDisabled;
        update();
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TIcSpeedButton::SetAction(QAction* action, int glyphExtent)
{
    if (action_) disconnect(action_, nullptr, this, nullptr);
    action_ = action;
    actionGlyphExtent_ = glyphExtent;
    if (!action) return;
    connect(action, &QAction::changed, this, &TIcSpeedButton::syncAction);
    syncAction();
}

void TIcSpeedButton::syncAction()
{
    if (!action_) return;
    SetCaption(action_->iconText());
    SetHint(action_->toolTip());
    setEnabled(action_->isEnabled());
    setVisible(action_->isVisible());
    SetGlyph(iconStrip(action_->icon(), actionGlyphExtent_));
}

void TIcSpeedButton::Loaded()
{
    const TButtonState start = !isEnabled() ? bsDisabled : flat_ ? bsInactive : bsUp;
    glyph_.StateImage(start);
}

QString TIcSpeedButton::shownCaption(int width) const
{
    if (wordWrap_) return text();
    const QFontMetrics metrics(font());
    QStringList lines = text().split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const std::string bytes = line.toUtf8().toStdString();
        line = QString::fromUtf8(MinimizeText(bytes, metrics, width));
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    }
    return lines.join(QLatin1Char('\n'));
}

QSize TIcSpeedButton::sizeHint() const
{
    const TSize glyph = glyph_.ImageSize();
    const QString caption = text();
    QSize textSize;
    if (!caption.isEmpty())
        textSize = QFontMetrics(font()).boundingRect(QRect(0, 0, 4096, 4096), Qt::TextShowMnemonic, caption).size();
    const bool mark = dropMarkShown();
    int markWide = 0, markBeside = 0;
    if (mark) (glyph.Width > 0 && layout_ != blGlyphLeft ? markWide : markBeside) = glyph.Width > 0 ? 8 : 10;
    const int gap = glyph.Width > 0 && !caption.isEmpty() ? std::max(spacing_, 1) : 0;
    QSize need;
    if (layout_ == blGlyphTop || layout_ == blGlyphBottom)
        need = QSize(std::max(glyph.Width + markWide, textSize.width() + markBeside), glyph.Height + gap + textSize.height());
    else
        need = QSize(glyph.Width + markWide + gap + textSize.width() + markBeside, std::max(glyph.Height, textSize.height()));
    return need.expandedTo(QSize(17, 17)) + QSize(8, 8);
}

QSize TIcSpeedButton::minimumSizeHint() const { return QSize(25, 25).boundedTo(sizeHint()); }

void TIcSpeedButton::paintEvent(QPaintEvent*)
{
    if (!isEnabled()) {
        state_ = bsDisabled;
        dragging_ = false;
    } else if (state_ == bsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
    }
    const TButtonState painted = speedbutton::PaintedState(state_, flat_, mouseInControl_);

    QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(transparent_ ? QColor(Qt::transparent) : ToQColor(clBtnFace));
    {
        QPainter p(&buffer);
        painting::BeginPlainPaint(p);
        p.setFont(font());
        TRect r{0, 0, width(), height()};
        const speedbutton::TFrame frame = speedbutton::ButtonFrame(state_, painted, newLook(), flat_);
        if (frame.Drawn()) {
            for (const auto& ring : frame.Rings) frame3D(p, r, ring.TopLeft, ring.BottomRight);
            if (frame.ShadowLine) {
                fillRect(p, r.Left, r.Top, r.Right, r.Top + 1, clBtnShadow);
                fillRect(p, r.Left, r.Top, r.Left + 1, r.Bottom, clBtnShadow);
            }
            r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
        } else if (flat_) {
            r = {r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
        }
        if (state_ == bsExclusive && !flat_) p.fillRect(ToQRect(r), QBrush(ditherPattern()));
        const bool pressed = state_ == bsDown || state_ == bsExclusive;
        const TButtonState glyphState = state_ == bsDisabled || !grayedInactive_ ? state_ : painted;
        PaintGlyph(p, r, pressed ? TPoint{1, 1} : TPoint{}, dropMarkShown(), glyphState);
    }
    QPainter(this).drawImage(0, 0, buffer);
}

void TIcSpeedButton::PaintGlyph(QPainter& canvas, const TRect& rect, TPoint offset, bool dropMark, TButtonState state)
{
    const TRect client{rect.Left + offset.X, rect.Top + offset.Y, rect.Right + offset.X, rect.Bottom + offset.Y};
    const TSize glyph = glyph_.ImageSize();
    const TSize room = speedbutton::TextRoom({RectWidth(client), RectHeight(client)}, glyph, layout_, margin_,
                                             spacing_, dropMark);
    const QString caption = shownCaption(room.Width);
    const int wrap = wordWrap_ ? int(Qt::TextWordWrap) : 0;
    TSize textSize;
    if (!caption.isEmpty()) {
        const QRect measured = canvas.fontMetrics().boundingRect(
            QRect(0, 0, room.Width, 4096), Qt::AlignHCenter | alignmentFlag(alignment_) | wrap | Qt::TextShowMnemonic,
            caption);
        textSize = {measured.width(), measured.height()};
    }
    const auto placed = speedbutton::PlaceGlyphAndText(client, glyph, textSize, layout_, margin_, spacing_, dropMark);
    glyph_.Draw(canvas, placed.Glyph, state);

    const bool disabled = state == bsDisabled;
    if (!caption.isEmpty()) {
        const int flags = alignmentFlag(alignment_) | wrap | Qt::AlignVCenter | Qt::TextShowMnemonic;
        const QRect textRect = ToQRect(placed.Text);
        if (disabled) {
            canvas.setPen(Qt::white);
            canvas.drawText(textRect.translated(1, 1), flags, caption);
            canvas.setPen(QColor(128, 128, 128));
        } else {
            canvas.setPen(ToQColor(clBtnText));
        }
        canvas.drawText(textRect, flags, caption);
    }
    if (dropMark) {
        const auto drawMark = [&](TPoint at, TColor color) {
            for (const auto& row : speedbutton::DropMarkRows(at))
                canvas.fillRect(row.Left, row.Y, row.Width, 1, ToQColor(color));
        };
        if (disabled) {
            drawMark({placed.Mark.X + 1, placed.Mark.Y + 1}, clBtnHighlight);
            drawMark(placed.Mark, clBtnShadow);
        } else {
            drawMark(placed.Mark, clBtnText);
        }
    }
}

bool TIcSpeedButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void TIcSpeedButton::mousePressEvent(QMouseEvent* event)
{
    if (menuTracking_ || ignorePress_) return;
    if (isEnabled() && !mouseInControl_) {
        mouseInControl_ = true;
        update();
    }
    if (event->button() != Qt::LeftButton || !isEnabled()) return;
    if (state_ != bsExclusive) {
        state_ = bsDown;
        update();
    }
    dragging_ = true;
    if (dropDownMenu_) {
        const QPointer<TIcSpeedButton> self(this);
        showDropDownMenu();
        if (!self) return;
    }
    if (allowTimer_ && dragging_) {
        if (!repeatTimer_) {
            repeatTimer_ = new QTimer(this);
            repeatTimer_->setSingleShot(true);
            connect(repeatTimer_, &QTimer::timeout, this, &TIcSpeedButton::RepeatTimerExpired);
        }
        repeatTimer_->start(initPause_);
    }
}

void TIcSpeedButton::showDropDownMenu()
{
    const TPoint at = speedbutton::DropDownMenuPoint(menuPosition_, paLeft, width(), height());
    const QPoint global = mapToGlobal(QPoint(at.X, at.Y));
    const QPointer<TIcSpeedButton> self(this);
    const QPointer<QMenu> menu(dropDownMenu_);
    menuTracking_ = true;
    if (menuPopper_)
        menuPopper_(menu, global);
    else
        menu->exec(global);
    if (!self) return;
    // Released as by a button-up; the click that closed the menu is not a new press.
    release(mapFromGlobal(QCursor::pos()), false);
    menuTracking_ = false;
    ignorePress_ = true;
    QTimer::singleShot(0, this, [this] { ignorePress_ = false; });
}

void TIcSpeedButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) return;
    const bool inside = rect().contains(event->position().toPoint());
    const TButtonState next = down_ ? bsExclusive : inside ? bsDown : bsUp;
    if (next != state_) {
        state_ = next;
        update();
    }
}

void TIcSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_) return;
    release(event->position().toPoint(), true);
}

void TIcSpeedButton::release(const QPoint& pos, bool allowClick)
{
    dragging_ = false;
    stopRepeat();
    const bool inside = speedbutton::ReleasedInside(pos.x(), pos.y(), width(), height());
    if (groupIndex_ == 0) {
        state_ = bsUp;
        mouseInControl_ = inside && underMouse();
    } else {
        if (inside) SetDown(!down_);
        state_ = down_ ? bsExclusive : bsUp;
    }
    if (!isEnabled()) state_ = bsDisabled;
    update();
    if (inside && allowClick && !menuTracking_) Click();
}

void TIcSpeedButton::Click() { emit clicked(false); }

void TIcSpeedButton::clicked_()
{
    if (modalResult_ != 0) {
        if (auto* dialog = qobject_cast<QDialog*>(window())) {
            // Closes once every click handler has run.
            const int result = modalResult_;
            QMetaObject::invokeMethod(dialog, [dialog = QPointer<QDialog>(dialog), result] {
                if (dialog) dialog->done(result);
            }, Qt::QueuedConnection);
        }
    }
    if (action_) action_->trigger();
}

void TIcSpeedButton::RepeatTimerExpired()
{
    if (!repeatTimer_) return;
    // Nothing repeats once the button or its window has gone away, or the mouse is no longer held.
    const bool held = QGuiApplication::mouseButtons() & Qt::LeftButton;
    if (!dragging_ || !held || !isVisible() || !isEnabled() || !window()->isVisible()) {
        cancelDrag();
        return;
    }
    // No tick comes while a click runs (its handler may open a modal box).
    repeatTimer_->stop();
    const QPointer<TIcSpeedButton> self(this);
    if (state_ == bsDown) guard::toApplication([this] { Click(); });
    if (!self) return;
    const bool stillHeld = QGuiApplication::mouseButtons() & Qt::LeftButton;
    if (dragging_ && stillHeld && isVisible() && isEnabled() && window()->isVisible())
        repeatTimer_->start(repeatInterval_);
    else
        cancelDrag();
}

void TIcSpeedButton::stopRepeat()
{
    if (repeatTimer_) repeatTimer_->stop();
}

// The press ends without a click: hidden, disabled, or the mouse was taken away.
void TIcSpeedButton::cancelDrag()
{
    stopRepeat();
    if (!dragging_) return;
    dragging_ = false;
    state_ = !isEnabled() ? bsDisabled : down_ ? bsExclusive : bsUp;
    update();
}

void TIcSpeedButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is no press of its own.
    if (event->button() == Qt::LeftButton && down_) emit DblClick();
}

// No keyboard focus: keys are not this button's.
void TIcSpeedButton::keyPressEvent(QKeyEvent* event) { QWidget::keyPressEvent(event); }
void TIcSpeedButton::keyReleaseEvent(QKeyEvent* event) { QWidget::keyReleaseEvent(event); }

void TIcSpeedButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    DoMouseEnter();
}

void TIcSpeedButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    DoMouseLeave();
}

void TIcSpeedButton::DoMouseEnter()
{
    if (!isEnabled() || mouseInControl_ || !IsForegroundTask()) return;
    mouseInControl_ = true;
    if (flat_) update();
    emit MouseEnter();
}

void TIcSpeedButton::DoMouseLeave()
{
    if (!mouseInControl_ || dragging_) return;
    mouseInControl_ = false;
    if (flat_) update();
    emit MouseLeave();
}

void TIcSpeedButton::hideEvent(QHideEvent* event)
{
    cancelDrag();
    mouseInControl_ = false;
    QAbstractButton::hideEvent(event);
}

void TIcSpeedButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            cancelDrag();
            mouseInControl_ = false;
        }
        update();
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        glyph_.Invalidate();
        update();
    } else if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QAbstractButton::changeEvent(event);
}

bool TIcSpeedButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::UngrabMouse:
    case QEvent::WindowDeactivate:
    case QEvent::WindowBlocked:
        cancelDrag();
        break;
    default:
        break;
    }
    return QAbstractButton::event(event);
}
