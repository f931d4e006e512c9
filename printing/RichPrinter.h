#pragma once
// The rich-text printer: prints a text document line by line on a printer or into a PDF file,
// keeping each character's font, with margins, tab expansion, word wrap, line spacing, header and
// footer columns with macros, a logo and page borders, and a progress dialog. Margins, unit,
// orientation and plain-text mode are read from the key store at the start of each job. The
// layout runs on a TPrintSink, so tests measure with fixed metrics and need no printer.

#include "platform/Errors.h"
#include "printing/PageRecorder.h"
#include "printing/PrintSink.h"
#include "printing/RichPrintLayout.h"

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTextDocument;
class TRichPrntProgDlg;

class ELinePrinter : public Exception {
public:
    using Exception::Exception;
};

enum TPageBorderStyle : unsigned { pbTop = 1, pbBottom = 2, pbLeft = 4, pbRight = 8 };
using TPageBorders = unsigned;
// Page-setup dialog options; stored for the form, read by nothing here.
enum TPageSetupFlags : unsigned {
    poDisableMargins = 1,
    poMargins = 2,
    poDisableOrientation = 4,
    poDisablePaper = 8,
    poDisablePrinter = 16
};
using TPageOptions = unsigned;

// A run of characters in one font.
struct TTextRun {
    std::u32string text;
    TPrintFont font;
};
// One line of the document (a paragraph): its runs, and the font its plain-text form uses.
using TStyledLine = std::vector<TTextRun>;
struct TPrintDocument {
    std::vector<TStyledLine> lines;
    TPrintFont plainFont;
};
// The lines of a document as they stand, without touching any view of it.
TPrintDocument ReadPrintDocument(const QTextDocument& document);

class TRichPrinter {
public:
    using Event = std::function<void(TRichPrinter&)>;

    explicit TRichPrinter(std::unique_ptr<TPrintSink> sink);
    ~TRichPrinter();
    TRichPrinter(const TRichPrinter&) = delete;
    TRichPrinter& operator=(const TRichPrinter&) = delete;

    // What the job and its page events draw on: the device, through the pages chosen.
    TPrintSink& Sink() { return *recorder_; }

    // Prints the whole document as one job. On any failure the job is aborted, the progress
    // dialog closed, and the failure raised (ELinePrinter for the printer's own).
    void PrintRichEdit(const QTextDocument& document);
    void Print(const TPrintDocument& document);
    void LoadSettings();
    std::string ExpandMacros(std::string_view text) const;

    bool Printing() const { return printing_; }
    int PageNumber() const { return page_; }
    int LineNumber() const { return line_; }

    double MarginTop() const { return marginTop_; }
    double MarginBottom() const { return marginBottom_; }
    double MarginLeft() const { return marginLeft_; }
    double MarginRight() const { return marginRight_; }
    void SetMarginTop(double value);
    void SetMarginBottom(double value);
    void SetMarginLeft(double value);
    void SetMarginRight(double value);
    double GutterTop() const;
    double GutterBottom() const;
    double GutterLeft() const;
    double GutterRight() const;

    TMeasureUnit MeasureUnit() const { return unit_; }
    void SetMeasureUnit(TMeasureUnit unit);
    TLineSpacing LineSpacing() const { return spacing_; }
    void SetLineSpacing(TLineSpacing spacing);
    TPrinterOrientation Orientation() const { return sink_->Orientation(); }
    void SetOrientation(TPrinterOrientation orientation);
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    const TPrintFont& Font_HeaderFooter() const { return headerFont_; }
    void SetFont_HeaderFooter(const TPrintFont& font);

    double LogoTop = 0, LogoLeft = 0, LogoWidth = 25, LogoHeight = 20;
    QImage BitmapLogo;
    unsigned TabSize = 8;
    bool WordWrap = true;
    std::string Header = "{$TITLE}", Footer = "Page {$PAGE}";
    std::string HeaderFormat = ">100", FooterFormat = ">100";
    TPageBorders PageBorders = 0;
    bool ShowProgress = true;
    bool PlainText = false;
    double BorderOffset = 2;
    TPageOptions Options_Dialog = 0;
    short PaperLength = 0, PaperWidth = 0;  // stored only
    // The pages a job hands to the device, how often and in which order.
    TPageChoice PageChoice;

    // During a job, in printable-area pixels: the top and the bottom margin as far as they lie in
    // the printable area and outside the page borders, where header and footer go.
    TRect HeaderArea() const;
    TRect FooterArea() const;

    Event OnBeginDoc, OnEndDoc, OnAbortDoc, OnNewLine, OnNewPage;

    // The progress dialog while a job shows it; null otherwise.
    TRichPrntProgDlg* ProgressDialog() const { return progress_.get(); }

private:
    std::unique_ptr<TPrintSink> sink_;
    std::unique_ptr<TPageRecorder> recorder_;
    std::unique_ptr<TRichPrntProgDlg> progress_;
    double marginTop_ = 30, marginBottom_ = 25, marginLeft_ = 25, marginRight_ = 15;
    TMeasureUnit unit_ = TMeasureUnit::muMillimeters;
    TLineSpacing spacing_ = TLineSpacing::lsSingleSpace;
    std::string title_;
    TPrintFont headerFont_;

    // The running job.
    bool printing_ = false;
    int page_ = 0;
    int line_ = 0;
    int y_ = 0;         // from the top of the text area
    int offsetX_ = 0;
    int lineStep_ = 0;
    TRect textArea_;    // in printable-area pixels
    int bottomLimit_ = 0;
    bool pastChoice_ = false;  // the last page chosen is done: the rest is not laid out

    void SetMargin(double& margin, double value, const char* side);
    int PixelsX(double length) const;
    int PixelsY(double length) const;
    void ComputeTextArea();
    void RunJob(const TPrintDocument& document);
    void PrintUnit(const TStyledLine& line);
    void PrintLine(const TStyledLine& line);
    void NewPage();
    void PageFurniture();
    void DrawColumns(const std::string& texts, const std::string& formats, const TRect& area);
    void DrawBorders();
    void ShowProgressText(const std::string& status);
    void CloseProgress();
    void Fire(const Event& event);
};
