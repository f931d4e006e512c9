#pragma once
// The printer's device: Qt Print Support, a CUPS printer or a PDF file, at 600 pixels per inch.

#include "printing/PrintSink.h"

#include <QFont>
#include <QPainter>
#include <QPrinter>

class TQtPrintSink : public TPrintSink {
public:
    TQtPrintSink();
    ~TQtPrintSink() override;

    QPrinter& Printer() { return printer_; }

    TPageGeometry Geometry() const override;
    void SetTitle(const std::string& title) override;
    void SetOrientation(TPrinterOrientation orientation) override;
    TPrinterOrientation Orientation() const override;
    bool BeginDoc() override;
    bool NewPage() override;
    bool EndDoc() override;
    void AbortDoc() override;
    bool PrintsToFile() const override;
    void SetFont(const TPrintFont& font) override;
    int TextWidth(std::u32string_view text) override;
    int TextHeight() override;
    void TextOut(int x, int y, std::u32string_view text) override;
    void Line(int x1, int y1, int x2, int y2, int penWidth) override;
    void StretchDraw(const TRect& rect, const QImage& image) override;

private:
    QPrinter printer_;
    QPainter painter_;
    QFont font_;
    QColor color_;
};
