#pragma once
// The screen's cursor table: controls name cursors by number, as their stored properties do.

#include <QCursor>

constexpr int crHandCursor = 14000;  // a hand, over clickable labels and buttons
constexpr int crDragCursor = 14001;  // a dragging hand

void RegisterScreenCursor(int id, const QCursor& cursor);
// The cursor registered under the id; the arrow for an id that has none.
QCursor ScreenCursor(int id);
// Registers the input controls' two cursors (the editor does it at start-up).
void RegisterInputCursors();
