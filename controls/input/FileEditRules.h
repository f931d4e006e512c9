#pragma once
// The rules of the file and folder fields that need no window: quoting of names, the name a text
// holds, dialog filters in Qt's form, folder lists and the ellipsis glyph.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fileedit {

// A name holding a blank, and not already beginning with a double quote, between double quotes.
std::string QuotedName(std::string_view name);

// The name a field's text holds: the whole text when it names an existing file, else the first
// token of the text read as a command line (quotes removed).
std::string ClipFileName(const std::string& text, const std::function<bool(const std::string&)>& fileExists);

// "Desc|*.*;*.x|Other|*.y" as Qt's "Desc (* *.x);;Other (*.y)": "*.*" matches every name, so it
// becomes "*"; a description's own trailing "(...)" gives way to the patterns.
std::string ToQtFilter(std::string_view filter);
// The Qt filter of a 1-based index into the pairs; the first when out of range.
std::string QtFilterAt(std::string_view filter, int index);

// The folder part of a name ("/" for a name in the root, empty without a folder).
std::string FolderOf(const std::string& name);
// The file part after the last "/".
std::string FilePartOf(const std::string& name);

// A folder taken into a folder field's text: it replaces the text unless several folders are
// kept and the text holds some, then it is added after ";".
std::string WithFolder(const std::string& text, const std::string& folder, bool multiple);

// The ellipsis glyph of a button of that width: its width (at least 1) and the left edges of
// its three 2 x 2 dots.
struct TEllipsis {
    int Width = 1;
    std::vector<int> Dots;
};
TEllipsis EllipsisDots(int buttonWidth);

}  // namespace fileedit
