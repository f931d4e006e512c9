#pragma once
// The height rule the one-line fields share, plain and without Qt.

// The system's thin border; a sunken 3-D frame is two of them on each side.
inline constexpr int kBorderHeight = 1;

// The least height of a one-line field whose characters are textHeight high: its frame, and one
// pixel so that descenders are not clipped.
constexpr int MinimumEditHeight(int textHeight) { return textHeight + 4 * kBorderHeight + 1; }
