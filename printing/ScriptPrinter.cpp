#include "printing/ScriptPrinter.h"

#include "platform/DateTime.h"
#include "printing/QtPrintSink.h"
#include "printing/RichPrinter.h"

#include <QPrintDialog>

namespace {
std::u32string U32(const std::string& utf8) { return QString::fromStdString(utf8).toStdU32String(); }
}  // namespace

bool TWidgetPrintDialog::Execute(QPrinter& printer)
{
    QPrintDialog dialog(&printer, owner_);
    dialog.setAccessibleName(dialog.windowTitle());
    return dialog.exec() == QDialog::Accepted;
}

void DrawScriptHeading(TPrintSink& sink, const std::string& fileName, const std::string& dateTime)
{
    constexpr int x0 = 120;
    const int right = sink.Geometry().printableWidth - 240;
    TPrintFont font{"Times New Roman", 8, true, true, false, false, clBlue};
    sink.SetFont(font);
    sink.TextOut(x0, 2, U32(dateTime));
    int y = sink.TextHeight();
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
    p.OnNewPage = [this, fileName = std::move(fileName)](TRichPrinter&) {
        DrawScriptHeading(*sink_, fileName(), datetime::dateTimeText(datetime::now()));
    };
}

TScriptPrinter::~TScriptPrinter() = default;

bool TScriptPrinter::Print(const QTextDocument& document, std::string& error)
{
    if (!dialog_ || !dialog_->Execute(sink_->Printer())) return true;
    try {
        printer_->PrintRichEdit(document);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}
