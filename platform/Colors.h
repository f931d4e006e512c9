#pragma once
// Colour values as the controls and stored forms keep them, plain and without Qt: 0x00BBGGRR,
// the high bit marking a system colour whose index is the low byte.

#include <cstdint>

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                        clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                        clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                        clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;

inline constexpr TColor kSystemColor = 0x80000000;
inline constexpr TColor clScrollBar = kSystemColor | 0, clBackground = kSystemColor | 1,
                        clActiveCaption = kSystemColor | 2, clInactiveCaption = kSystemColor | 3,
                        clMenu = kSystemColor | 4, clWindow = kSystemColor | 5,
                        clWindowFrame = kSystemColor | 6, clMenuText = kSystemColor | 7,
                        clWindowText = kSystemColor | 8, clCaptionText = kSystemColor | 9,
                        clActiveBorder = kSystemColor | 10, clInactiveBorder = kSystemColor | 11,
                        clAppWorkSpace = kSystemColor | 12, clHighlight = kSystemColor | 13,
                        clHighlightText = kSystemColor | 14, clBtnFace = kSystemColor | 15,
                        clBtnShadow = kSystemColor | 16, clGrayText = kSystemColor | 17,
                        clBtnText = kSystemColor | 18, clInactiveCaptionText = kSystemColor | 19,
                        clBtnHighlight = kSystemColor | 20, cl3DDkShadow = kSystemColor | 21,
                        cl3DLight = kSystemColor | 22, clInfoText = kSystemColor | 23,
                        clInfoBk = kSystemColor | 24;
inline constexpr int kSystemColorCount = 25;

inline constexpr TColor RGB(int r, int g, int b)
{
    return TColor(r & 0xFF) | TColor(g & 0xFF) << 8 | TColor(b & 0xFF) << 16;
}
constexpr int GetRValue(TColor c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }

// The plain value of a colour with system colours at their classic values (unknown ones black),
// for code that runs without an application palette. Painted controls use painting::ColorToRGB,
// which follows the palette.
TColor ClassicColorToRGB(TColor color);
