#include "printing/ScriptPrinter.h"

#include "platform/DateTime.h"
#include "printing/QtPrintSink.h"
#include "printing/RichPrinter.h"

#include <QPageRanges>
#include <QPrintDialog>
#include <algorithm>

namespace {
std::u32string U32(const std::string& utf8) { return QString::fromStdString(utf8).toStdU32String(); }
}  // namespace

bool TWidgetPrintDialog::Execute(QPrinter& printer)
{
    QPrintDialog dialog(&printer, owner_);
    dialog.setAccessibleName(dialog.windowTitle());
    return dialog.exec() == QDialog::Accepted;
}

void DrawScriptHeading(TPrintSink& sink, const TRect& area, const std::string& fileName, const std::string& dateTime)
{
    const int x0 = area.Left, right = area.Right;
    TPrintFont font{"Times New Roman", 8, true, true, false, false, clBlue};
    // The block's height, to centre it in the margin (its top line when the margin is smaller).
    sink.SetFont(font);
    int height = sink.TextHeight() + 2;
    font.size = 10;
    sink.SetFont(font);
    height += 2 * sink.TextHeight();
    const int top = area.Top + std::max(0, (RectHeight(area) - height) / 2);
    font.size = 8;
    sink.SetFont(font);
    sink.TextOut(x0, top + 2, U32(dateTime));
    int y = top + sink.TextHeight();
    sink.Line(x0, y, right, y, 1);
    y += 2;
    font.size = 10;
    for (const auto& [label, value] : {std::pair<std::string, std::string>{"Subject: ", "FTP Vantrel source"},
                                       {"Filename: ", fileName}}) {
        font.bold = true;
        sink.SetFont(font);
        const int c = sink.TextWidth(U"_____Subject: ") + 5;
        const std::u32string text = U32(label);
        sink.TextOut(x0 + c - sink.TextWidth(text) - 5, y, text);
        const int height = sink.TextHeight();
        font.bold = false;
        sink.SetFont(font);
        sink.TextOut(x0 + c, y, U32(value));
        y += height;
    }
    sink.Line(x0, y, right, y, 1);
}

TScriptPrinter::TScriptPrinter(std::function<std::string()> fileName, std::unique_ptr<TPrintDialogSeam> dialog)
    : dialog_(std::move(dialog))
{
    auto sink = std::make_unique<TQtPrintSink>();
    sink_ = sink.get();
    printer_ = std::make_unique<TRichPrinter>(std::move(sink));
    TRichPrinter& p = *printer_;
    p.Header = "{$TITLE}";
    p.Footer = "Page {$PAGE}";
    p.HeaderFormat = p.FooterFormat = ">100";
    p.PageBorders = pbBottom;
    p.Options_Dialog = poMargins;
    // The form's header font: Courier New of height -42 at the screen's 96 pixels per inch.
    TPrintFont headerFont;
    headerFont.size = 42 * 72.0 / 96.0;
    p.SetFont_HeaderFooter(headerFont);
    p.OnNewPage = [fileName = std::move(fileName)](TRichPrinter& printer) {
        DrawScriptHeading(printer.Sink(), printer.HeaderArea(), fileName(), datetime::dateTimeText(datetime::now()));
    };
}

TScriptPrinter::~TScriptPrinter() = default;

bool TScriptPrinter::Print(const QTextDocument& document, std::string& error)
{
    QPrinter& chosen = sink_->Printer();
    if (!dialog_ || !dialog_->Execute(chosen)) return true;
    // The dialog only notes its choices; the pages and their order are the job's to honour, and
    // copies too where the device makes none itself (a PDF file).
    TPageChoice choice;
    if (chosen.printRange() == QPrinter::PageRange)
        for (const QPageRanges::Range& r : chosen.pageRanges().toRangeList()) choice.ranges.emplace_back(r.from, r.to);
    choice.copies = chosen.supportsMultipleCopies() ? 1 : std::max(1, chosen.copyCount());
    choice.collate = chosen.collateCopies();
    choice.lastPageFirst = chosen.pageOrder() == QPrinter::LastPageFirst;
    printer_->PageChoice = choice;
    try {
        printer_->PrintRichEdit(document);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}
