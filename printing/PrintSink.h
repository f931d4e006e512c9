#pragma once
// What the printer draws on and measures with: a real printer or PDF file (QtPrintSink), or a
// test's sink with fixed metrics. Coordinates are device pixels from the printable area's origin;
// a text point is the top-left of its cell.

#include "controls/input/GdiTypes.h"
#include "platform/Colors.h"

#include <string>
#include <string_view>

class QImage;

struct TPrintFont {
    std::string name = "Courier New";
    double size = 10;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    TColor color = clBlack;

    friend bool operator==(const TPrintFont&, const TPrintFont&) = default;
};

enum class TPrinterOrientation { poPortrait, poLandscape };

struct TPageGeometry {
    int pageWidth = 0, pageHeight = 0;            // the physical page
    int offsetLeft = 0, offsetTop = 0;            // unprintable strip at the left and the top
    int printableWidth = 0, printableHeight = 0;  // the printable area
    int pixelsPerInchX = 600, pixelsPerInchY = 600;
};

class TPrintSink {
public:
    virtual ~TPrintSink() = default;

    virtual TPageGeometry Geometry() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetOrientation(TPrinterOrientation orientation) = 0;
    // What the device holds now: what was set, or what the print dialog chose since.
    virtual TPrinterOrientation Orientation() const = 0;

    // Job steps; false when the device refused.
    [[nodiscard]] virtual bool BeginDoc() = 0;
    [[nodiscard]] virtual bool NewPage() = 0;
    [[nodiscard]] virtual bool EndDoc() = 0;
    virtual void AbortDoc() = 0;
    // Output goes to a file (its failure to end is a failure to print to a file).
    virtual bool PrintsToFile() const = 0;

    // Drawing and measuring in the current font (measuring also works outside a job).
    virtual void SetFont(const TPrintFont& font) = 0;
    virtual int TextWidth(std::u32string_view text) = 0;
    // The font's height with its external leading.
    virtual int TextHeight() = 0;
    virtual void TextOut(int x, int y, std::u32string_view text) = 0;
    virtual void Line(int x1, int y1, int x2, int y2, int penWidth) = 0;
    virtual void StretchDraw(const TRect& rect, const QImage& image) = 0;
};
