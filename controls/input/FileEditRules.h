#pragma once
// The rules of the file and folder fields that need no window: quoting of names, the name a text
// holds, dialog filters in Qt's form, folder lists, the button's glyph, width and place, and where
// a pop-up opens.

#include "controls/input/EditMetrics.h"
#include "controls/input/SpeedButtonRules.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
// Which edges of a field and its pop-up line up.
enum TEditPopupAlign { epaRight, epaLeft };

namespace fileedit {

inline constexpr int kDefaultButtonWidth = 21;
inline constexpr const char* kDefaultFilter = "All files (*.*)|*.*";
inline constexpr const char* kDefaultDialogTitle = "Browse";

// The button width a glyph kind implies (glyphWidth 0: no glyph); a stored form keeps ButtonWidth
// only when it differs, and the Glyph only for gkCustom.
int ImpliedButtonWidth(TGlyphKind kind, int glyphWidth, int numGlyphs, int scrollBarWidth);
constexpr bool GlyphStored(TGlyphKind kind) { return kind == gkCustom; }

// Where the button stands in a field of width x height, frame included: flush with the inside of
// a 3-D frame, or at the very edge without one.
TRect ButtonPlace(int width, int height, int buttonWidth, bool framed);

// The caret is one pixel wide, two in a bold font.
constexpr int CaretWidth(bool bold) { return bold ? 2 : 1; }

// Where a pop-up of that size opens for a field at `edit` (screen coordinates): under it, or above
// it when it would leave the screen at the bottom; its right (or left) edge on the field's, then
// kept within the screen's width.
TPoint PopupOrigin(const TRect& edit, TSize popup, const TRect& screen, TEditPopupAlign align);

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
