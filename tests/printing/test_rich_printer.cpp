#include "platform/DateTime.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"
#include "printing/RichPrinter.h"
#include "printing/RichPrintSettings.h"
#include "printing/RichPrntProgDlg.h"
#include "tests/printing/FakePrintSink.h"
#include "tests/support/Shots.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgHome.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

TPrintFont Font(double size, bool bold = false, TColor color = clBlack)
{
    TPrintFont f;
    f.size = size;
    f.bold = bold;
    f.color = color;
    return f;
}

TPrintDocument Lines(const std::vector<std::string>& lines, double size = 10)
{
    TPrintDocument doc;
    doc.plainFont = Font(size);
    for (const std::string& l : lines) doc.lines.push_back({{U(l), Font(size)}});
    return doc;
}

bool ProgressShown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TRichPrntProgDlg*>(w) && w->isVisible()) return true;
    return false;
}

struct RichPrinter : ::testing::Test {
    XdgHome home;  // the settings come from the key store under it
    FakeSink* sink = nullptr;
    std::unique_ptr<TRichPrinter> printer;

    void SetUp() override
    {
        datetime::setClockForTesting([] { return CivilTime{2026, 12, 10, 23, 5, 9, 0}; });
        auto s = std::make_unique<FakeSink>();
        sink = s.get();
        printer = std::make_unique<TRichPrinter>(std::move(s));
        printer->Footer = "Page {$PAGE}";
        printer->FooterFormat = "<";
        // Millimetre margins that land on whole pixels at 100 pixels per inch: 25.4 mm = 100 px.
        printer->SetMarginLeft(25.4);
        printer->SetMarginRight(25.4);
        printer->SetMarginTop(25.4);
        printer->SetMarginBottom(25.4);
    }
    void TearDown() override { datetime::setClockForTesting({}); }

    void StoreSettings(const std::vector<std::pair<std::string, std::string>>& values)
    {
        std::vector<keystore::Value> all;
        for (const auto& [name, value] : values) all.push_back({richsettings::SettingsKey(), name, value});
        if (all.empty()) {
            IniFile ini(keystore::storePath());
            ini.writeString(richsettings::SettingsKey(), "Other", "x");
            ini.deleteKey(richsettings::SettingsKey(), "Other");
            ASSERT_TRUE(ini.save());
            return;
        }
        ASSERT_TRUE(keystore::writeValues(all));
    }
};

}  // namespace

TEST_F(RichPrinter, PrintsLinesInTheTextAreaAndNumbersThePages)
{
    // Text area: top 100 - 10 = 90, bottom limit 980 - 90 - max(100 - 10, 20) = 800: 39 lines of 20
    // (a line needs y + 20 below 800), so 100 lines take three pages.
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) lines.push_back("line " + std::to_string(i));
    printer->Print(Lines(lines));
    EXPECT_EQ(sink->page, 3);
    EXPECT_EQ(printer->LineNumber(), 100);
    const auto* first = sink->Find("line 0");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->x, 90);
    EXPECT_EQ(first->y, 90);
    EXPECT_EQ(sink->Find("line 38")->page, 1);
    EXPECT_EQ(sink->Find("line 39")->page, 2);
    EXPECT_EQ(sink->Find("line 39")->y, 90);
    for (int p = 1; p <= 3; ++p) {
        const auto* footer = sink->Find("Page " + std::to_string(p));
        ASSERT_NE(footer, nullptr) << p;
        EXPECT_EQ(footer->page, p);
        // Centred in the bottom margin as far as it is printable: from the text area's end at
        // 890 to the printable end at 980, so 890 + (90 - 20) / 2; padded from the margin.
        EXPECT_EQ(footer->y, 925);
        EXPECT_EQ(footer->x, 90 + 6 * (100 / 600));
    }
    EXPECT_FALSE(printer->Printing());
    EXPECT_FALSE(ProgressShown());
}

TEST_F(RichPrinter, AFullLastPageIsNotFollowedByAnEmptyOne)
{
    printer->Print(Lines(std::vector<std::string>(39, "x")));
    EXPECT_EQ(sink->page, 1);
    printer->Print(Lines(std::vector<std::string>(40, "x")));
    EXPECT_EQ(sink->page, 2);
}

TEST_F(RichPrinter, WrapsCutsAndExpandsTabsInTheJob)
{
    // 600 pixels of text width at 10 pixels a character: 60 characters. The page furniture comes first.
    const std::string longLine = std::string(50, 'a') + " " + std::string(20, 'b');
    printer->Print(Lines({longLine, "x\ty"}));
    EXPECT_EQ(sink->TextsOn(1), (std::vector<std::string>{"Page 1", std::string(50, 'a'), std::string(20, 'b'),
                                                           "x       y"}));
    sink->texts.clear();
    printer->WordWrap = false;
    printer->Print(Lines({longLine}));
    EXPECT_EQ(sink->TextsOn(1), (std::vector<std::string>{"Page 1", std::string(50, 'a') + " " + std::string(9, 'b')}));
}

TEST_F(RichPrinter, MixedLinesDrawEachRunInItsFontAndStepByTheLargest)
{
    TPrintDocument doc = Lines({});
    doc.lines.push_back({{U("GET"), Font(10, true, clBlue)}, {U(" a b"), Font(10)}});
    doc.lines.push_back({{U("big"), Font(20)}, {U(" small"), Font(10)}});
    doc.lines.push_back({{U("next"), Font(10)}});
    printer->Print(doc);
    const auto* get = sink->Find("GET");
    const auto* rest = sink->Find(" a b");
    ASSERT_TRUE(get && rest);
    EXPECT_TRUE(get->font.bold);
    EXPECT_EQ(get->font.color, clBlue);
    EXPECT_EQ(rest->x, get->x + 30);
    EXPECT_EQ(sink->Find("big")->y, 110);
    EXPECT_EQ(sink->Find(" small")->x, 90 + 60);
    EXPECT_EQ(sink->Find("next")->y, 110 + 40);  // after a step of the 20-point line
}

TEST_F(RichPrinter, PlainTextPrintsEveryLineInOneFont)
{
    TPrintDocument doc = Lines({});
    doc.plainFont = Font(12);
    doc.lines.push_back({{U("GET"), Font(10, true, clBlue)}, {U(" a"), Font(10)}});
    printer->PlainText = true;
    printer->Print(doc);
    const auto* line = sink->Find("GET a");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->font, Font(12));
}

TEST_F(RichPrinter, HeaderColumnsAlignAndADefaultColumnRunsToTheEdge)
{
    printer->SetTitle("Nightly");
    printer->Header = "{$TITLE}|L{$LINE} {$DATE}|{$TIME}";
    printer->HeaderFormat = "<1|^";  // 1 inch left, centred to the edge, the rest empty
    printer->SetMeasureUnit(TMeasureUnit::muInches);
    printer->Footer = "";
    printer->Print(Lines({"x"}));
    const auto* title = sink->Find("Nightly");
    const auto* middle = sink->Find("L0 2026-12-10");
    ASSERT_TRUE(title && middle);
    EXPECT_EQ(title->x, 90);
    // Centred in what is left of the text area: 190 .. 690.
    EXPECT_EQ(middle->x, 190 + (500 - 130) / 2);
    // The third column has no width left: its text does not show.
    EXPECT_EQ(sink->Find("23:05:09"), nullptr);
    EXPECT_EQ(title->y, (90 - 20) / 2);  // centred in the printable part of the top margin
    EXPECT_EQ(sink->title, "Nightly");
}

TEST_F(RichPrinter, BordersMeetAtTheCornersAndEventsComeInOrder)
{
    printer->PageBorders = pbTop | pbBottom | pbLeft | pbRight;
    printer->SetMeasureUnit(TMeasureUnit::muInches);
    printer->BorderOffset = 0.1;  // 10 pixels
    std::vector<std::string> events;
    printer->OnBeginDoc = [&](TRichPrinter&) { events.push_back("begin"); };
    printer->OnNewPage = [&](TRichPrinter& p) { events.push_back("page " + std::to_string(p.PageNumber())); };
    printer->OnEndDoc = [&](TRichPrinter& p) {
        events.push_back("end");
        EXPECT_FALSE(p.Printing());
    };
    printer->Print(Lines({"x"}));
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "page 1", "end"}));
    ASSERT_EQ(sink->rules.size(), 4u);
    const FakeSink::Rule top = sink->rules[0], bottom = sink->rules[1], left = sink->rules[2];
    EXPECT_EQ(top.x1, 80);
    EXPECT_EQ(top.x2, 700);
    EXPECT_EQ(top.y1, 80);
    EXPECT_EQ(bottom.y1, 90 + 800 + 10);
    EXPECT_EQ(left.y1, 80);
    EXPECT_EQ(left.y2, 900);
    EXPECT_EQ(top.pen, 1);
}

TEST_F(RichPrinter, MarginsClampToTheGuttersAndTheUnitConvertsThem)
{
    printer->SetMarginLeft(0);
    EXPECT_DOUBLE_EQ(printer->MarginLeft(), 2.54);  // the 10-pixel gutter
    printer->SetMarginRight(1000);
    EXPECT_DOUBLE_EQ(printer->MarginRight(), 8 * 25.4 - 2.54);
    EXPECT_DOUBLE_EQ(printer->GutterRight(), 5.08);
    printer->SetMarginTop(50.8);
    printer->SetMeasureUnit(TMeasureUnit::muInches);
    EXPECT_DOUBLE_EQ(printer->MarginTop(), 2);
    EXPECT_DOUBLE_EQ(printer->BorderOffset, 2 / 25.4);
}

TEST_F(RichPrinter, SettingsComeFromTheKeyStoreUnitFirst)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> values;
        TMeasureUnit unit;
        TPrinterOrientation orientation;
        bool plainText;
        double left, top;
    } cases[] = {
        {"millimetres, portrait, plain",
         {{"MarginLeft", "30"}, {"MarginTop", "40.5"}, {"CodeMeasurement", "1"}, {"CodeDirection", "1"},
          {"CodePlainText", "1"}},
         TMeasureUnit::muMillimeters, TPrinterOrientation::poPortrait, true, 30, 40.5},
        {"inch margins are read as inches", {{"MarginLeft", "1.5"}, {"MarginTop", "2"}, {"CodeMeasurement", "2"}},
         TMeasureUnit::muInches, TPrinterOrientation::poLandscape, false, 1.5, 2},
        {"missing integers: inches and landscape; missing margins converted", {},
         TMeasureUnit::muInches, TPrinterOrientation::poLandscape, false, 1, 1},
        {"odd values: a margin that is no number stays, an odd integer reads 0",
         {{"MarginLeft", "wide"}, {"MarginTop", "nan"}, {"CodeMeasurement", "mm"}, {"CodePlainText", "yes"}},
         TMeasureUnit::muInches, TPrinterOrientation::poLandscape, false, 1, 1},
    };
    for (const Case& c : cases) {
        SetUp();
        StoreSettings(c.values);
        printer->LoadSettings();
        EXPECT_EQ(printer->MeasureUnit(), c.unit) << c.name;
        EXPECT_EQ(sink->orientation, c.orientation) << c.name;
        EXPECT_EQ(printer->PlainText, c.plainText) << c.name;
        EXPECT_DOUBLE_EQ(printer->MarginLeft(), c.left) << c.name;
        EXPECT_DOUBLE_EQ(printer->MarginTop(), c.top) << c.name;
        std::filesystem::remove(keystore::storePath());
    }
}

TEST_F(RichPrinter, WithoutTheSettingsKeyTheOwnValuesStay)
{
    printer->SetOrientation(TPrinterOrientation::poLandscape);
    printer->PlainText = true;
    printer->LoadSettings();
    EXPECT_EQ(printer->MeasureUnit(), TMeasureUnit::muMillimeters);
    EXPECT_EQ(sink->orientation, TPrinterOrientation::poLandscape);
    // Turned back on the device itself, as the print dialog does: the job keeps that too.
    sink->orientation = TPrinterOrientation::poPortrait;
    printer->Print(Lines({"x"}));
    EXPECT_EQ(sink->orientation, TPrinterOrientation::poPortrait);
    EXPECT_EQ(printer->Orientation(), TPrinterOrientation::poPortrait);
    sink->orientation = TPrinterOrientation::poLandscape;
    printer->Print(Lines({"x"}));
    EXPECT_EQ(sink->orientation, TPrinterOrientation::poLandscape);
    EXPECT_TRUE(printer->PlainText);
    EXPECT_DOUBLE_EQ(printer->MarginLeft(), 25.4);
}

TEST_F(RichPrinter, OnlyThePagesChosenReachTheDeviceInTheirCopiesAndOrder)
{
    // 100 lines make three pages; each sheet is named by its footer.
    struct Case {
        const char* name;
        TPageChoice choice;
        std::vector<std::string> sheets;
        int laidOut;  // pages laid out: none after the last one chosen
    } cases[] = {
        {"every page", {}, {"Page 1", "Page 2", "Page 3"}, 3},
        {"pages 2 to 2", {{{2, 2}}}, {"Page 2"}, 2},
        {"pages 1 and 3", {{{1, 1}, {3, 3}}}, {"Page 1", "Page 3"}, 3},
        {"pages 2 to 3, last first", {{{2, 3}}, 1, true, true}, {"Page 3", "Page 2"}, 3},
        {"two copies collated", {{{1, 2}}, 2, true}, {"Page 1", "Page 2", "Page 1", "Page 2"}, 2},
        {"two copies not collated", {{{1, 2}}, 2, false}, {"Page 1", "Page 1", "Page 2", "Page 2"}, 2},
        {"a range past the end keeps what there is", {{{3, 9}}}, {"Page 3"}, 3},
    };
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) lines.push_back("line " + std::to_string(i));
    int laidOut = 0;  // outlives the loop: the handler stays set for the jobs after it
    printer->OnNewPage = [&](TRichPrinter&) { ++laidOut; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink->texts.clear();
        printer->PageChoice = c.choice;
        laidOut = 0;
        printer->Print(Lines(lines));
        std::vector<std::string> sheets;
        for (int p = 1; p <= sink->page; ++p) {
            const std::vector<std::string> on = sink->TextsOn(p);
            ASSERT_FALSE(on.empty()) << "sheet " << p << " is empty";
            sheets.push_back(on.front());
        }
        EXPECT_EQ(sheets, c.sheets);
        EXPECT_EQ(laidOut, c.laidOut);
    }
    // Sheet 1 of "pages 2 to 2" carries page 2's lines at their places.
    printer->PageChoice = {{{2, 2}}};
    sink->texts.clear();
    printer->Print(Lines(lines));
    ASSERT_NE(sink->Find("line 39"), nullptr);
    EXPECT_EQ(sink->Find("line 39")->page, 1);
    EXPECT_EQ(sink->Find("line 39")->y, 90);
    EXPECT_EQ(sink->Find("line 38"), nullptr);
}

TEST_F(RichPrinter, PagesChosenPastTheEndAreAnErrorAndNoPrintout)
{
    printer->PageChoice = {{{5, 6}}};
    try {
        printer->Print(Lines({"x"}));
        FAIL() << "no error";
    } catch (const ELinePrinter& e) {
        EXPECT_STREQ(e.what(), "None of the pages chosen is in the document.");
    }
    EXPECT_EQ(sink->aborted, 1);
    EXPECT_TRUE(sink->texts.empty());
    EXPECT_FALSE(printer->Printing());
}

TEST_F(RichPrinter, TheFooterShowsInEveryUnitInsideItsMargin)
{
    // The text area runs from 90 to 690 and ends at 890; the printable page at 980.
    struct Case {
        const char* name;
        TMeasureUnit unit;
        double fontSize;
        int x;  // where "Page 1" (6 characters) starts
    } cases[] = {
        {"100 mm wide, right-aligned", TMeasureUnit::muMillimeters, 10, 90 + 393 - 60},
        {"100 inches wide: up to the text area's edge", TMeasureUnit::muInches, 10, 690 - 60},
        {"a font too tall for the margin is made smaller", TMeasureUnit::muMillimeters, 60, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        printer->SetMeasureUnit(c.unit);
        printer->FooterFormat = ">100";
        TPrintFont font;
        font.size = c.fontSize;
        printer->SetFont_HeaderFooter(font);
        printer->Print(Lines({"x"}));
        const auto* footer = sink->Find("Page 1");
        ASSERT_NE(footer, nullptr);
        if (c.x >= 0) EXPECT_EQ(footer->x, c.x);
        EXPECT_GE(footer->x, 90);
        EXPECT_LE(footer->x + static_cast<int>(6 * footer->font.size), 690);
        EXPECT_GE(footer->y, 890);
        EXPECT_LE(footer->y + static_cast<int>(2 * footer->font.size), 980);
    }
}

TEST_F(RichPrinter, AFailureDuringTheJobAbortsItAndClosesTheDialog)
{
    bool dialogDuringJob = false;
    printer->OnNewPage = [&](TRichPrinter& p) {
        dialogDuringJob = ProgressShown();
        p.SetMarginLeft(10);
    };
    bool abortFired = false;
    printer->OnAbortDoc = [&](TRichPrinter&) { abortFired = true; };
    try {
        printer->Print(Lines({"x"}));
        FAIL() << "no error";
    } catch (const ELinePrinter& e) {
        EXPECT_STREQ(e.what(), "Unable to change left margin while printing");
    }
    EXPECT_TRUE(dialogDuringJob);
    EXPECT_TRUE(abortFired);
    EXPECT_EQ(sink->aborted, 1);
    EXPECT_FALSE(printer->Printing());
    EXPECT_EQ(printer->ProgressDialog(), nullptr);
    EXPECT_FALSE(ProgressShown());
    // Nothing stays locked behind the failed job.
    printer->OnNewPage = nullptr;
    EXPECT_NO_THROW(printer->SetTitle("again"));
    EXPECT_NO_THROW(printer->Print(Lines({"x"})));
}

TEST_F(RichPrinter, SettersRaiseWhilePrinting)
{
    struct Case {
        const char* message;
        std::function<void(TRichPrinter&)> set;
    } cases[] = {
        {"Unable to change top margin while printing", [](TRichPrinter& p) { p.SetMarginTop(30); }},
        {"Unable to change bottom margin while printing", [](TRichPrinter& p) { p.SetMarginBottom(30); }},
        {"Unable to change right margin while printing", [](TRichPrinter& p) { p.SetMarginRight(30); }},
        {"Unable to change title while printing", [](TRichPrinter& p) { p.SetTitle("t"); }},
        {"Unable to change orientation while printing",
         [](TRichPrinter& p) { p.SetOrientation(TPrinterOrientation::poLandscape); }},
    };
    for (const Case& c : cases) {
        std::string raised;
        printer->OnNewLine = [&](TRichPrinter& p) {
            if (!raised.empty()) return;
            try {
                c.set(p);
            } catch (const ELinePrinter& e) {
                raised = e.what();
            }
        };
        printer->Print(Lines({"x"}));
        EXPECT_EQ(raised, c.message);
    }
}

TEST_F(RichPrinter, DeviceFailuresRaiseThePrinterErrors)
{
    sink->beginWorks = false;
    try {
        printer->Print(Lines({"x"}));
        FAIL();
    } catch (const ELinePrinter& e) {
        EXPECT_STREQ(e.what(), "Not be able to start the printing.");
    }
    EXPECT_FALSE(printer->Printing());
    sink->beginWorks = true;
    sink->endWorks = false;
    for (const bool toFile : {false, true}) {
        sink->toFile = toFile;
        bool ended = false;
        printer->OnEndDoc = [&](TRichPrinter&) { ended = true; };
        try {
            printer->Print(Lines({"x"}));
            FAIL();
        } catch (const ELinePrinter& e) {
            EXPECT_STREQ(e.what(), toFile ? "Not be able to print to a file." : "Not be able to end the printing.");
        }
        EXPECT_TRUE(ended);
        EXPECT_FALSE(ProgressShown());
    }
}

TEST_F(RichPrinter, MarginsWithoutRoomForTextRaiseBeforeTheJob)
{
    struct Case {
        const char* name;
        double left, right, top, bottom;
    } cases[] = {
        {"no room for one character", 101.6, 101.6, 25.4, 25.4},
        {"no room for one line", 25.4, 25.4, 130, 124},
    };
    for (const Case& c : cases) {
        printer->SetMarginLeft(c.left);
        printer->SetMarginRight(c.right);
        printer->SetMarginTop(c.top);
        printer->SetMarginBottom(c.bottom);
        EXPECT_THROW(printer->Print(Lines({"x"})), ELinePrinter) << c.name;
        EXPECT_EQ(sink->page, 0) << c.name;
        EXPECT_FALSE(printer->Printing()) << c.name;
    }
}

TEST_F(RichPrinter, ReadsTheDocumentWithoutMovingItsView)
{
    QTextDocument doc;
    doc.setDefaultFont(QFont("DejaVu Sans Mono", 11));
    doc.setPlainText("; note\nGET\ta b");
    QTextCursor cursor(doc.findBlockByNumber(1));
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 3);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(0, 0, 255));
    cursor.mergeCharFormat(bold);
    const TPrintDocument read = ReadPrintDocument(doc);
    ASSERT_EQ(read.lines.size(), 2u);
    ASSERT_EQ(read.lines[1].size(), 2u);
    EXPECT_EQ(A(read.lines[1][0].text), "GET");
    EXPECT_TRUE(read.lines[1][0].font.bold);
    EXPECT_EQ(read.lines[1][0].font.color, clBlue);
    EXPECT_EQ(read.lines[1][0].font.size, 11);
    EXPECT_EQ(A(read.lines[1][1].text), "\ta b");
    EXPECT_FALSE(read.lines[1][1].font.bold);
    EXPECT_EQ(read.plainFont.size, 11);
}

TEST(RichPrntProgDlg, ShowsStatusTitleAndPage)
{
    TRichPrntProgDlg dialog;
    dialog.ShowState("Currently Printing", "Nightly", 3);
    EXPECT_EQ(dialog.windowTitle(), "Print Progress");
    EXPECT_EQ(dialog.size(), QSize(284, 85));
    EXPECT_EQ(dialog.lblStatus()->text(), "Currently Printing");
    EXPECT_EQ(dialog.lblTitle()->text(), "Nightly");
    EXPECT_EQ(dialog.lblPageNumDesc()->text(), "Page Number:");
    EXPECT_EQ(dialog.lblPageNumber()->text(), "3");
    dialog.ShowState("", "Nightly", 4);
    EXPECT_EQ(dialog.lblStatus()->text(), "Currently Printing");
    for (QLabel* label : dialog.findChildren<QLabel*>()) EXPECT_FALSE(label->accessibleName().isEmpty());
    const TempDir pictures;
    dialog.grab().save(ShotPath(pictures.path(), "print-progress.png"));
}
