#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"
#include "platform/DateTime.h"
#include "printing/RichPrinter.h"
#include "printing/RichPrntProgDlg.h"
#include "printing/ScriptPrinter.h"
#include "printing/ScrollingRichEdit.h"
#include "tests/printing/FakePrintSink.h"
#include "tests/support/XdgHome.h"

#include <QAction>
#include <QApplication>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <filesystem>
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

// The print dialog answered with a PDF file, or cancelled.
struct PdfDialog : TPrintDialogSeam {
    QString path;
    bool accept = true;
    int asked = 0;
    bool Execute(QPrinter& printer) override
    {
        ++asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(path);
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
    // Page 1 as a picture, for a person to look at.
    Poppler("pdftoppm", {"-png", "-r", "60", "-f", "1", "-l", "1", "-singlefile", dialog->path,
                         QString::fromStdString(std::filesystem::temp_directory_path() / "vantrel-print-page1")});
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

TEST(ScriptHeading, DrawsTheDateTheRulesSubjectAndFileName)
{
    FakeSink sink;
    sink.inJob = true;
    DrawScriptHeading(sink, "/scripts/Nightly.ftp", "2026-12-10 23:05:09");
    ASSERT_EQ(sink.texts.size(), 5u);
    const auto at = [&](std::size_t i) { return std::tuple(sink.texts[i].text, sink.texts[i].x, sink.texts[i].y); };
    EXPECT_EQ(at(0), std::tuple(std::string("2026-12-10 23:05:09"), 120, 2));
    EXPECT_EQ(sink.texts[0].font, (TPrintFont{"Times New Roman", 8, true, true, false, false, clBlue}));
    // The label column ends 5 pixels before the values, which start at 120 + 14 * 10 + 5.
    EXPECT_EQ(at(1), std::tuple(std::string("Subject: "), 170, 18));
    EXPECT_EQ(at(2), std::tuple(std::string("FTP Vantrel source"), 265, 18));
    EXPECT_EQ(at(3), std::tuple(std::string("Filename: "), 160, 38));
    EXPECT_EQ(at(4), std::tuple(std::string("/scripts/Nightly.ftp"), 265, 38));
    EXPECT_TRUE(sink.texts[1].font.bold);
    EXPECT_FALSE(sink.texts[2].font.bold);
    ASSERT_EQ(sink.rules.size(), 2u);
    EXPECT_EQ(std::tuple(sink.rules[0].x1, sink.rules[0].y1, sink.rules[0].x2), std::tuple(120, 16, 770 - 240));
    EXPECT_EQ(sink.rules[1].y1, 58);
}
