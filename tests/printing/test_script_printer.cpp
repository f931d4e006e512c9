#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"
#include "platform/DateTime.h"
#include "platform/KeyStore.h"
#include "printing/RichPrintSettings.h"
#include "printing/RichPrinter.h"
#include "printing/RichPrntProgDlg.h"
#include "printing/ScriptPrinter.h"
#include "printing/ScrollingRichEdit.h"
#include "tests/printing/FakePrintSink.h"
#include "tests/support/XdgHome.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPrintDialog>
#include <QSpinBox>
#include <QTimer>
#include <QImage>
#include <QApplication>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The editor's questions: only failures are expected here.
struct QuietSeams : EditorSeams {
    std::vector<QString> failed;
    Answer AskYesNoCancel(const QString&) override { return Answer::Cancel; }
    bool Confirm(const QString&) override { return false; }
    void Inform(const QString&) override {}
    void Fail(const QString& text) override { failed.push_back(text); }
    QString SaveAsName(const QString&, const QString&) override { return {}; }
    QString PictureName() override { return {}; }
    bool Start(const std::vector<std::string>&, std::string&) override { return false; }
};

// The print dialog answered with a PDF file, or cancelled; `choose` makes the other choices
// on the printer as the dialog does.
struct PdfDialog : TPrintDialogSeam {
    QString path;
    bool accept = true;
    int asked = 0;
    std::function<void(QPrinter&)> choose;
    bool Execute(QPrinter& printer) override
    {
        ++asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(path);
        if (choose) choose(printer);
        return accept;
    }
};

// Runs a poppler tool; its standard output, or a failed test when it is missing or fails.
std::string Poppler(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString() << " did not run (poppler-utils)";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput().toStdString();
}

int PdfPages(const QString& pdf)
{
    const std::string info = Poppler("pdfinfo", {pdf});
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 6);
}

// The "Page n" footer of each sheet of a PDF, in sheet order.
std::vector<std::string> SheetFooters(const QString& pdf)
{
    std::vector<std::string> footers;
    const int pages = PdfPages(pdf);
    for (int p = 1; p <= pages; ++p) {
        const QString n = QString::number(p);
        const std::string text = Poppler("pdftotext", {"-f", n, "-l", n, pdf, "-"});
        const std::size_t at = text.find("Page ");
        footers.push_back(at == std::string::npos ? "(none)" : text.substr(at, text.find_first_of("\n ", at + 5) - at));
    }
    return footers;
}

// With VANTREL_SHOTS set to a folder, the sheets of a PDF are written there as pictures.
void Pictures(const QString& pdf, const std::string& name)
{
    const char* folder = std::getenv("VANTREL_SHOTS");
    if (!folder) return;
    Poppler("pdftoppm", {"-png", "-r", "60", pdf, QString::fromStdString(std::string(folder) + "/print-" + name)});
}

struct Box {
    double xMin = -1, yMin = -1, xMax = -1, yMax = -1;
};
// Where a word first stands on sheet 1, in points from the top left.
Box WordBox(const QString& pdf, const std::string& word)
{
    const std::string html = Poppler("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    const std::size_t end = html.find(">" + word + "</word>");
    if (end == std::string::npos) return {};
    const std::size_t start = html.rfind("<word", end);
    Box b;
    std::sscanf(html.c_str() + start, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &b.xMin, &b.yMin,
                &b.xMax, &b.yMax);
    return b;
}

bool ProgressShown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TRichPrntProgDlg*>(w) && w->isVisible()) return true;
    return false;
}

struct ScriptPrinting : ::testing::Test {
    XdgHome home;
    TempDir program;
    QuietSeams seams;
    std::unique_ptr<TScriptingEditor> editor;
    PdfDialog* dialog = nullptr;
    std::string script;

    void SetUp() override
    {
        apppaths::setProgramFolderForTesting(program.path());
        std::string text = "; Nightly upload of the reports\r\nHOST=127.0.0.1\r\nCONNECT\r\nSEND\treport.txt\r\n";
        for (int i = 0; i < 80; ++i) text += "; filler line " + std::to_string(i) + "\r\n";
        text += "DISCONNECT\r\n";
        script = program.write("Scripts/Nightly.ftp", text);
        editor = std::make_unique<TScriptingEditor>(seams);
        editor->show();
        editor->SelectScript("Nightly.ftp");
        auto d = std::make_unique<PdfDialog>();
        dialog = d.get();
        editor->ScriptPrinter().SetPrintDialog(std::move(d));
    }
    void TearDown() override
    {
        editor.reset();
        apppaths::setProgramFolderForTesting("");
    }
};

}  // namespace

TEST_F(ScriptPrinting, PrintsTheScriptIntoAPdfWithHeadingAndPageFooters)
{
    editor->Memo1()->SetRow(40);
    editor->Memo1()->SetCol(3);
    const int caret = editor->Memo1()->textCursor().position();
    const int scrolled = editor->Memo1()->verticalScrollBar()->value();
    dialog->path = QString::fromStdString(home.dir().file("Nightly.pdf"));
    editor->Action("IcSpeedButton8")->trigger();
    EXPECT_TRUE(seams.failed.empty()) << seams.failed.front().toStdString();
    EXPECT_EQ(editor->Memo1()->textCursor().position(), caret);
    EXPECT_EQ(editor->Memo1()->verticalScrollBar()->value(), scrolled);
    EXPECT_FALSE(ProgressShown());

    const std::string text = Poppler("pdftotext", {"-layout", dialog->path, "-"});
    for (const std::string& expected : {std::string("Subject:"), std::string("FTP Vantrel source"),
                                        std::string("Filename:"), script, std::string("; Nightly upload of the reports"),
                                        std::string("HOST=127.0.0.1"), std::string("SEND    report.txt"),
                                        std::string("Page 1"), std::string("Page 2"), std::string("DISCONNECT")})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_EQ(text.find("Page 3"), std::string::npos);
    const std::string info = Poppler("pdfinfo", {dialog->path});
    EXPECT_NE(info.find("Pages:           2\n"), std::string::npos) << info;
    Pictures(dialog->path, "script");
}

TEST_F(ScriptPrinting, TheDialogsChoicesShapeThePdf)
{
    struct Case {
        const char* name;
        std::function<void(QPrinter&)> choose;
        const char* pageSize;  // as pdfinfo gives it
        std::vector<std::string> sheets;  // empty: every page once, in order
    } cases[] = {
        {"portrait", [](QPrinter& p) { p.setPageOrientation(QPageLayout::Portrait); }, "595 x 842 pts",
         {"Page 1", "Page 2"}},
        {"landscape", [](QPrinter& p) { p.setPageOrientation(QPageLayout::Landscape); }, "842 x 595 pts", {}},
        {"pages 2 to 2",
         [](QPrinter& p) {
             p.setPrintRange(QPrinter::PageRange);
             p.setFromTo(2, 2);
         },
         "595 x 842 pts", {"Page 2"}},
        {"two copies collated",
         [](QPrinter& p) {
             p.setCopyCount(2);
             p.setCollateCopies(true);
         },
         "595 x 842 pts", {"Page 1", "Page 2", "Page 1", "Page 2"}},
        {"two copies not collated",
         [](QPrinter& p) {
             p.setCopyCount(2);
             p.setCollateCopies(false);
         },
         "595 x 842 pts", {"Page 1", "Page 1", "Page 2", "Page 2"}},
        {"last page first", [](QPrinter& p) { p.setPageOrder(QPrinter::LastPageFirst); }, "595 x 842 pts",
         {"Page 2", "Page 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog->path = QString::fromStdString(home.dir().file(std::string(c.name) + ".pdf"));
        // The printer keeps what the last dialog left; each case starts from the defaults.
        dialog->choose = [&](QPrinter& p) {
            p.setPageOrientation(QPageLayout::Portrait);
            p.setPrintRange(QPrinter::AllPages);
            p.setCopyCount(1);
            p.setCollateCopies(true);
            p.setPageOrder(QPrinter::FirstPageFirst);
            c.choose(p);
        };
        editor->PrintClick();
        ASSERT_TRUE(seams.failed.empty()) << seams.failed.front().toStdString();
        const std::string info = Poppler("pdfinfo", {dialog->path});
        EXPECT_NE(info.find(c.pageSize), std::string::npos) << info;
        std::vector<std::string> expected = c.sheets;
        if (expected.empty()) {
            for (int p = 1; p <= PdfPages(dialog->path); ++p) expected.push_back("Page " + std::to_string(p));
            EXPECT_GT(expected.size(), 2u);  // landscape holds fewer lines a page
        }
        EXPECT_EQ(SheetFooters(dialog->path), expected);
        Pictures(dialog->path, c.name);
    }
}

TEST_F(ScriptPrinting, TheRealPrintDialogsChoicesReachTheJob)
{
    // Qt's own dialog, filled in through its controls as a person would: pages 1 to 2, two
    // copies not collated, last page first.
    editor->ScriptPrinter().SetPrintDialog(std::make_unique<TWidgetPrintDialog>(editor.get()));
    const QString pdf = QString::fromStdString(home.dir().file("chosen.pdf"));
    std::string missing;
    QTimer filler;
    QDeadlineTimer deadline(20000);
    QObject::connect(&filler, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            // Whatever else is up (or nothing after the deadline) is closed: no test waits on it.
            if (deadline.hasExpired())
                if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) other->reject();
            return;
        }
        filler.stop();
        const auto control = [&](const char* name) -> QWidget* {
            QWidget* w = dialog->findChild<QWidget*>(name);
            if (!w) missing += std::string(missing.empty() ? "" : ", ") + name;
            return w;
        };
        // Never a real printer: the dialog's PDF file.
        auto* printers = qobject_cast<QComboBox*>(control("printers"));
        const int toFile = printers ? printers->findText("PDF", Qt::MatchContains) : -1;
        if (printers && toFile < 0) missing += "printers: a PDF file";
        auto* file = qobject_cast<QLineEdit*>(control("filename"));
        auto* range = qobject_cast<QAbstractButton*>(control("printRange"));
        auto* from = qobject_cast<QSpinBox*>(control("from"));
        auto* to = qobject_cast<QSpinBox*>(control("to"));
        auto* copies = qobject_cast<QSpinBox*>(control("copies"));
        auto* collate = qobject_cast<QAbstractButton*>(control("collate"));
        auto* reverse = qobject_cast<QAbstractButton*>(control("reverse"));
        if (!missing.empty()) {
            dialog->reject();
            return;
        }
        printers->setCurrentIndex(toFile);
        file->setText(pdf);
        range->setChecked(true);
        to->setValue(2);
        from->setValue(1);
        copies->setValue(2);
        collate->setChecked(false);
        reverse->setChecked(true);
        dialog->accept();
    });
    filler.start(50);
    editor->PrintClick();
    filler.stop();
    ASSERT_TRUE(missing.empty()) << "the print dialog has no control " << missing;
    ASSERT_TRUE(seams.failed.empty()) << seams.failed.front().toStdString();
    EXPECT_EQ(SheetFooters(pdf), (std::vector<std::string>{"Page 2", "Page 2", "Page 1", "Page 1"}));
    Pictures(pdf, "real-dialog");
}

TEST_F(ScriptPrinting, HeadingAndFooterStayInsideTheirMargins)
{
    struct Case {
        const char* name;
        std::vector<keystore::Value> settings;
        double top, bottom, left, right;  // the margins in points
    } cases[] = {
        {"the editor's millimetres", {}, 30 / 25.4 * 72, 25 / 25.4 * 72, 25 / 25.4 * 72, 15 / 25.4 * 72},
        {"stored inches",
         {{"", "CodeMeasurement", "2"}, {"", "CodeDirection", "1"}, {"", "MarginTop", "1.5"},
          {"", "MarginBottom", "0.75"}, {"", "MarginLeft", "1"}, {"", "MarginRight", "0.5"}},
         1.5 * 72, 0.75 * 72, 72, 0.5 * 72},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(keystore::storePath());
        for (keystore::Value& v : c.settings) v.key = richsettings::SettingsKey();
        if (!c.settings.empty()) ASSERT_TRUE(keystore::writeValues(c.settings));
        dialog->path = QString::fromStdString(home.dir().file(std::string(c.name) + ".pdf"));
        editor->PrintClick();
        ASSERT_TRUE(seams.failed.empty()) << seams.failed.front().toStdString();
        const std::vector<std::string> footers = SheetFooters(dialog->path);
        for (std::size_t i = 0; i < footers.size(); ++i) EXPECT_EQ(footers[i], "Page " + std::to_string(i + 1));
        const Box subject = WordBox(dialog->path, "Subject:");
        const Box footer = WordBox(dialog->path, "Page");
        ASSERT_GE(subject.yMin, 0);
        ASSERT_GE(footer.yMin, 0);
        // The heading block in the top margin, clear of the paper's edge; the footer in the bottom one.
        EXPECT_GT(subject.yMin, 10);
        EXPECT_LT(subject.yMax, c.top);
        EXPECT_GE(subject.xMin, c.left);
        EXPECT_GT(footer.yMin, 842 - c.bottom);
        EXPECT_LT(footer.yMax, 842);
        EXPECT_GE(footer.xMin, c.left);
        EXPECT_LE(footer.xMax, 595 - c.right);
        Pictures(dialog->path, std::string("margins-") + c.name);
    }
}

TEST_F(ScriptPrinting, TheFooterIsBlackInEveryJobOfTheSession)
{
    // The heading is blue; a later job must not start in the colour the last one ended in.
    for (int job = 1; job <= 2; ++job) {
        SCOPED_TRACE(job);
        dialog->path = QString::fromStdString(home.dir().file("job" + std::to_string(job) + ".pdf"));
        editor->PrintClick();
        ASSERT_TRUE(seams.failed.empty());
        const std::string picture = home.dir().file("job" + std::to_string(job));
        Poppler("pdftoppm", {"-png", "-r", "40", "-f", "1", "-l", "1", "-singlefile", dialog->path,
                             QString::fromStdString(picture)});
        const QImage sheet(QString::fromStdString(picture + ".png"));
        ASSERT_FALSE(sheet.isNull());
        int dark = 0, blue = 0;
        for (int y = sheet.height() * 92 / 100; y < sheet.height(); ++y)
            for (int x = 0; x < sheet.width(); ++x) {
                const QColor c = sheet.pixelColor(x, y);
                if (c.blue() > 150 && c.red() < 100) ++blue;
                else if (c.lightness() < 100) ++dark;
            }
        EXPECT_GT(dark, 20);  // "Page 1" is there
        EXPECT_EQ(blue, 0);
    }
}

TEST_F(ScriptPrinting, APdfIntoAMissingFolderFailsAndLeavesNoDialog)
{
    dialog->path = QString::fromStdString(home.dir().file("missing/folder/Nightly.pdf"));
    editor->PrintClick();
    ASSERT_EQ(seams.failed.size(), 1u);
    EXPECT_EQ(seams.failed.front(), "Not be able to start the printing.");
    EXPECT_FALSE(ProgressShown());
    EXPECT_FALSE(editor->ScriptPrinter().RichPrinter1().Printing());
    EXPECT_FALSE(std::filesystem::exists(home.dir().file("missing")));
}

TEST_F(ScriptPrinting, AMarginChangeOnPageTwoAbortsTheJobAndLeavesNoHalfFile)
{
    TRichPrinter& printer = editor->ScriptPrinter().RichPrinter1();
    const TRichPrinter::Event heading = printer.OnNewPage;
    printer.OnNewPage = [&](TRichPrinter& p) {
        heading(p);
        if (p.PageNumber() == 2) p.SetMarginLeft(40);
    };
    dialog->path = QString::fromStdString(home.dir().file("Nightly.pdf"));
    editor->PrintClick();
    ASSERT_EQ(seams.failed.size(), 1u);
    EXPECT_EQ(seams.failed.front(), "Unable to change left margin while printing");
    EXPECT_FALSE(ProgressShown());
    EXPECT_FALSE(std::filesystem::exists(home.dir().file("Nightly.pdf")));
    // The next job runs as if nothing had happened.
    printer.OnNewPage = heading;
    editor->PrintClick();
    EXPECT_EQ(seams.failed.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(home.dir().file("Nightly.pdf")));
}

TEST_F(ScriptPrinting, ACancelledDialogPrintsNothing)
{
    dialog->path = QString::fromStdString(home.dir().file("Nightly.pdf"));
    dialog->accept = false;
    editor->PrintClick();
    EXPECT_EQ(dialog->asked, 1);
    EXPECT_TRUE(seams.failed.empty());
    EXPECT_FALSE(std::filesystem::exists(home.dir().file("Nightly.pdf")));
}

TEST_F(ScriptPrinting, TheEditorsPrinterKeepsItsFormValues)
{
    TRichPrinter& p = editor->ScriptPrinter().RichPrinter1();
    EXPECT_EQ(p.Header, "{$TITLE}");
    EXPECT_EQ(p.Footer, "Page {$PAGE}");
    EXPECT_EQ(p.HeaderFormat, ">100");
    EXPECT_EQ(p.FooterFormat, ">100");
    EXPECT_EQ(p.PageBorders, static_cast<TPageBorders>(pbBottom));
    EXPECT_DOUBLE_EQ(p.MarginTop(), 30);
    EXPECT_DOUBLE_EQ(p.MarginLeft(), 25);
}

TEST(ScriptHeading, DrawsTheDateTheRulesSubjectAndFileNameCentredInTheMargin)
{
    FakeSink sink;
    sink.inJob = true;
    // A block of 16 + 2 + 2 x 20 = 58 pixels in a margin of 100 from y 10: it starts at 31.
    DrawScriptHeading(sink, {120, 10, 530, 110}, "/scripts/Nightly.ftp", "2026-12-10 23:05:09");
    ASSERT_EQ(sink.texts.size(), 5u);
    const auto at = [&](std::size_t i) { return std::tuple(sink.texts[i].text, sink.texts[i].x, sink.texts[i].y); };
    EXPECT_EQ(at(0), std::tuple(std::string("2026-12-10 23:05:09"), 120, 33));
    EXPECT_EQ(sink.texts[0].font, (TPrintFont{"Times New Roman", 8, true, true, false, false, clBlue}));
    // The label column ends 5 pixels before the values, which start at 120 + 14 * 10 + 5.
    EXPECT_EQ(at(1), std::tuple(std::string("Subject: "), 170, 49));
    EXPECT_EQ(at(2), std::tuple(std::string("FTP Vantrel source"), 265, 49));
    EXPECT_EQ(at(3), std::tuple(std::string("Filename: "), 160, 69));
    EXPECT_EQ(at(4), std::tuple(std::string("/scripts/Nightly.ftp"), 265, 69));
    EXPECT_TRUE(sink.texts[1].font.bold);
    EXPECT_FALSE(sink.texts[2].font.bold);
    ASSERT_EQ(sink.rules.size(), 2u);
    EXPECT_EQ(std::tuple(sink.rules[0].x1, sink.rules[0].y1, sink.rules[0].x2), std::tuple(120, 47, 530));
    EXPECT_EQ(sink.rules[1].y1, 89);
    // A margin lower than the block: it starts at the margin's top, never above it.
    sink.texts.clear();
    DrawScriptHeading(sink, {120, 10, 530, 40}, "/scripts/Nightly.ftp", "2026-12-10 23:05:09");
    EXPECT_EQ(sink.texts.front().y, 12);
}
