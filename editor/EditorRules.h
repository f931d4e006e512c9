#pragma once
// Window-free rules of the script editor.

#include <Qt>
#include <string>
#include <string_view>

// Does a key press, wherever the focus is in the editor window, mark the script changed: every
// key but the caret keys, Insert and F1 to F12, unless Shift, Alt or Ctrl alone is held.
bool KeyMarksChanged(int key, Qt::KeyboardModifiers modifiers);

// Save As stores names without blanks: each blank of the file-name part becomes "_", the folder
// part stays as it is.
std::string UnderscoreBlanksInName(std::string_view path);
