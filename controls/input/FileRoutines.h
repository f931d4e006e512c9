#pragma once
// Path routines of the input controls: plain byte text, no Qt.

#include <string>
#include <string_view>

// True when the name is an existing folder (links followed).
bool DirExists(const std::string& name);
// Not empty and free of < > " [ ] | and of NUL, which no file name can hold here.
bool ValidFileName(std::string_view name);
// Names have one form here: both return the path as it is.
std::string ShortToLongPath(const std::string& path);
std::string LongToShortPath(const std::string& path);
