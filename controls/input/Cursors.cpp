#include "controls/input/Cursors.h"

#include <map>

namespace {
std::map<int, QCursor>& table()
{
    static std::map<int, QCursor> cursors;
    return cursors;
}
}  // namespace

void RegisterScreenCursor(int id, const QCursor& cursor) { table()[id] = cursor; }

QCursor ScreenCursor(int id)
{
    const auto it = table().find(id);
    return it == table().end() ? QCursor(Qt::ArrowCursor) : it->second;
}

void RegisterInputCursors()
{
    RegisterScreenCursor(crHandCursor, QCursor(Qt::PointingHandCursor));
    RegisterScreenCursor(crDragCursor, QCursor(Qt::ClosedHandCursor));
}
