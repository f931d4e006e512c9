#pragma once
// The editor's print command: its printer (RichPrinter1 as the editor sets it up), the print
// dialog behind a seam, and the heading block each page carries.

#include "printing/PrintSink.h"

#include <functional>
#include <memory>
#include <string>

class QPrinter;
class QTextDocument;
class QWidget;
class TQtPrintSink;
class TRichPrinter;

// Where a job goes: the print dialog, or a test's answer (a PDF file, say).
class TPrintDialogSeam {
public:
    virtual ~TPrintDialogSeam() = default;
    // False when the user cancelled.
    virtual bool Execute(QPrinter& printer) = 0;
};

class TWidgetPrintDialog : public TPrintDialogSeam {
public:
    explicit TWidgetPrintDialog(QWidget* owner) : owner_(owner) {}
    bool Execute(QPrinter& printer) override;

private:
    QWidget* owner_;
};

// The heading block of a printed script, in printer pixels: the date and time, a rule, the
// subject and the file name, a second rule; inside `area` (the top margin), centred in its height.
void DrawScriptHeading(TPrintSink& sink, const TRect& area, const std::string& fileName, const std::string& dateTime);

class TScriptPrinter {
public:
    // `fileName` gives the script's name when a page is printed.
    TScriptPrinter(std::function<std::string()> fileName, std::unique_ptr<TPrintDialogSeam> dialog);
    ~TScriptPrinter();

    TRichPrinter& RichPrinter1() { return *printer_; }
    void SetPrintDialog(std::unique_ptr<TPrintDialogSeam> dialog) { dialog_ = std::move(dialog); }

    // Asks the dialog, then prints the document; false with the message when the job failed
    // (a cancelled dialog is no failure).
    [[nodiscard]] bool Print(const QTextDocument& document, std::string& error);

private:
    TQtPrintSink* sink_;  // owned by printer_
    std::unique_ptr<TRichPrinter> printer_;
    std::unique_ptr<TPrintDialogSeam> dialog_;
};
