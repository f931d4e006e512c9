#include "editor/EditorRules.h"

bool KeyMarksChanged(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
    case Qt::Key_Insert:
        return false;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return false;
    // The keypad flag only says where the key sits; it is no shift state.
    const Qt::KeyboardModifiers shift =
        modifiers & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
    return shift != Qt::ShiftModifier && shift != Qt::AltModifier && shift != Qt::ControlModifier;
}

std::string UnderscoreBlanksInName(std::string_view path)
{
    std::string out(path);
    const std::size_t slash = out.rfind('/');
    for (std::size_t i = slash == std::string::npos ? 0 : slash + 1; i < out.size(); ++i)
        if (out[i] == ' ') out[i] = '_';
    return out;
}
