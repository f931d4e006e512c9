#pragma once
// Mouse and key input delivered straight to a widget, as the window system would.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace tabtest {

inline void Mouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButtons held,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, held, modifiers);
    QApplication::sendEvent(&w, &e);
}

inline void Press(QWidget& w, QPoint at) { Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton); }
inline void Release(QWidget& w, QPoint at) { Mouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton); }
inline void Move(QWidget& w, QPoint at, bool held = false)
{
    Mouse(w, QEvent::MouseMove, at, held ? Qt::LeftButton : Qt::NoButton);
}
inline void Click(QWidget& w, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, modifiers);
    Mouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton, modifiers);
}

inline void Key(QWidget& w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(&w, &release);
}

}  // namespace tabtest
