#include "printing/RichPrinter.h"

#include "platform/DateTime.h"
#include "printing/RichPrintSettings.h"
#include "printing/RichPrntProgDlg.h"

#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

namespace {

std::u32string U32(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU32String();
}

TPrintFont PrintFontOf(const QFont& font, const QBrush& foreground)
{
    TPrintFont f;
    f.name = font.family().toStdString();
    f.size = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    f.bold = font.bold();
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikeOut = font.strikeOut();
    if (foreground.style() != Qt::NoBrush) {
        const QColor c = foreground.color();
        f.color = RGB(c.red(), c.green(), c.blue());
    }
    return f;
}

// The characters [start, start + n) of a line, runs cut where needed.
TStyledLine Slice(const TStyledLine& line, std::size_t start, std::size_t n)
{
    TStyledLine out;
    std::size_t at = 0;
    for (const TTextRun& run : line) {
        const std::size_t runEnd = at + run.text.size();
        if (runEnd > start && at < start + n) {
            const std::size_t from = std::max(start, at) - at;
            const std::size_t to = std::min(start + n, runEnd) - at;
            out.push_back({run.text.substr(from, to - from), run.font});
        }
        at = runEnd;
    }
    return out;
}

bool Uniform(const TStyledLine& line)
{
    return std::all_of(line.begin(), line.end(), [&](const TTextRun& r) { return r.font == line.front().font; });
}

}  // namespace

TPrintDocument ReadPrintDocument(const QTextDocument& document)
{
    TPrintDocument out;
    const QFont base = document.defaultFont();
    out.plainFont = PrintFontOf(base, QBrush());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        TStyledLine line;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const QTextCharFormat format = fragment.charFormat();
            TTextRun run{fragment.text().toStdU32String(), PrintFontOf(format.font().resolve(base), format.foreground())};
            if (!line.empty() && line.back().font == run.font) line.back().text += run.text;
            else line.push_back(std::move(run));
        }
        out.lines.push_back(std::move(line));
    }
    return out;
}

TRichPrinter::TRichPrinter(std::unique_ptr<TPrintSink> sink)
    : sink_(std::move(sink)), recorder_(std::make_unique<TPageRecorder>(*sink_))
{
    sink_->SetOrientation(TPrinterOrientation::poPortrait);
    recorder_->SetFont(headerFont_);
    SetLineSpacing(spacing_);
}

TRichPrinter::~TRichPrinter() = default;

int TRichPrinter::PixelsX(double length) const
{
    return richlayout::LengthToPixels(length, unit_, sink_->Geometry().pixelsPerInchX);
}

int TRichPrinter::PixelsY(double length) const
{
    return richlayout::LengthToPixels(length, unit_, sink_->Geometry().pixelsPerInchY);
}

double TRichPrinter::GutterLeft() const
{
    const TPageGeometry g = sink_->Geometry();
    return richlayout::PixelsToLength(g.offsetLeft, unit_, g.pixelsPerInchX);
}

double TRichPrinter::GutterTop() const
{
    const TPageGeometry g = sink_->Geometry();
    return richlayout::PixelsToLength(g.offsetTop, unit_, g.pixelsPerInchY);
}

double TRichPrinter::GutterRight() const
{
    const TPageGeometry g = sink_->Geometry();
    return richlayout::PixelsToLength(g.pageWidth - g.printableWidth - g.offsetLeft, unit_, g.pixelsPerInchX);
}

double TRichPrinter::GutterBottom() const
{
    const TPageGeometry g = sink_->Geometry();
    return richlayout::PixelsToLength(g.pageHeight - g.printableHeight - g.offsetTop, unit_, g.pixelsPerInchY);
}

void TRichPrinter::SetMargin(double& margin, double value, const char* side)
{
    if (printing_) throw ELinePrinter(std::string("Unable to change ") + side + " margin while printing");
    const TPageGeometry g = sink_->Geometry();
    const bool vertical = &margin == &marginTop_ || &margin == &marginBottom_;
    const double page = vertical ? richlayout::PixelsToLength(g.pageHeight, unit_, g.pixelsPerInchY)
                                 : richlayout::PixelsToLength(g.pageWidth, unit_, g.pixelsPerInchX);
    const double gutter = &margin == &marginTop_      ? GutterTop()
                          : &margin == &marginBottom_ ? GutterBottom()
                          : &margin == &marginLeft_   ? GutterLeft()
                                                      : GutterRight();
    const double opposite = &margin == &marginTop_      ? GutterBottom()
                            : &margin == &marginBottom_ ? GutterTop()
                            : &margin == &marginLeft_   ? GutterRight()
                                                        : GutterLeft();
    // Below its gutter a margin is the gutter; it reaches at most the opposite gutter.
    margin = value < gutter ? gutter : std::min(value, page - opposite);
}

void TRichPrinter::SetMarginTop(double value) { SetMargin(marginTop_, value, "top"); }
void TRichPrinter::SetMarginBottom(double value) { SetMargin(marginBottom_, value, "bottom"); }
void TRichPrinter::SetMarginLeft(double value) { SetMargin(marginLeft_, value, "left"); }
void TRichPrinter::SetMarginRight(double value) { SetMargin(marginRight_, value, "right"); }

void TRichPrinter::SetMeasureUnit(TMeasureUnit unit)
{
    if (unit == unit_) return;
    for (double* length : {&marginTop_, &marginBottom_, &marginLeft_, &marginRight_, &BorderOffset})
        *length = richlayout::ConvertLength(*length, unit_, unit);
    unit_ = unit;
}

void TRichPrinter::SetLineSpacing(TLineSpacing spacing)
{
    spacing_ = spacing;
    lineStep_ = std::max(1, richlayout::LineStep(recorder_->TextHeight(), spacing_));
}

void TRichPrinter::SetOrientation(TPrinterOrientation orientation)
{
    if (printing_) throw ELinePrinter("Unable to change orientation while printing");
    sink_->SetOrientation(orientation);
}

void TRichPrinter::SetTitle(const std::string& title)
{
    if (printing_) throw ELinePrinter("Unable to change title while printing");
    title_ = title;
    sink_->SetTitle(title);
}

void TRichPrinter::SetFont_HeaderFooter(const TPrintFont& font)
{
    headerFont_ = font;
    SetLineSpacing(spacing_);
}

void TRichPrinter::LoadSettings()
{
    const std::optional<TRichPrintSettings> s = richsettings::ReadSettings();
    if (!s) {
        // The component's own values, applied again (the margins clamped to this printer). The
        // orientation is the printer's, as the print dialog left it.
        for (auto [set, value] : {std::pair{&TRichPrinter::SetMarginLeft, marginLeft_},
                                  {&TRichPrinter::SetMarginTop, marginTop_},
                                  {&TRichPrinter::SetMarginBottom, marginBottom_},
                                  {&TRichPrinter::SetMarginRight, marginRight_}})
            (this->*set)(value);
        return;
    }
    // The unit first: the stored margins are lengths in it.
    SetMeasureUnit(s->unit);
    SetOrientation(s->orientation);
    PlainText = s->plainText;
    SetMarginLeft(s->marginLeft.value_or(marginLeft_));
    SetMarginTop(s->marginTop.value_or(marginTop_));
    SetMarginBottom(s->marginBottom.value_or(marginBottom_));
    SetMarginRight(s->marginRight.value_or(marginRight_));
}

std::string TRichPrinter::ExpandMacros(std::string_view text) const
{
    const CivilTime now = datetime::now();
    return richlayout::ExpandMacros(
        text, {std::to_string(line_), std::to_string(page_), datetime::shortDate(now), datetime::longTime(now), title_});
}

void TRichPrinter::PrintRichEdit(const QTextDocument& document) { Print(ReadPrintDocument(document)); }

void TRichPrinter::ComputeTextArea()
{
    const TPageGeometry g = sink_->Geometry();
    const int left = PixelsX(marginLeft_) - g.offsetLeft;
    const int top = PixelsY(marginTop_) - g.offsetTop;
    const int right = PixelsX(marginRight_) - (g.pageWidth - g.printableWidth - g.offsetLeft);
    const int bottom = PixelsY(marginBottom_) - (g.pageHeight - g.printableHeight - g.offsetTop);
    textArea_ = {left, top, g.printableWidth - right, 0};
    bottomLimit_ = g.printableHeight - top - std::max(bottom, lineStep_);
    textArea_.Bottom = top + bottomLimit_;
}

void TRichPrinter::Print(const TPrintDocument& document)
{
    if (printing_) throw ELinePrinter("Unable to start a print job while printing");
    LoadSettings();
    Fire(OnBeginDoc);
    const TPrintFont& textFont =
        PlainText || document.lines.empty() || document.lines.front().empty() ? document.plainFont
                                                                               : document.lines.front().front().font;
    recorder_->SetFont(textFont);
    SetLineSpacing(spacing_);
    ComputeTextArea();
    // Margins that leave no room for one character or one line would print a character per line
    // or a page per line, without end in sight.
    if (RectWidth(textArea_) < recorder_->TextWidth(U"M") || bottomLimit_ <= lineStep_)
        throw ELinePrinter("The margins leave no room to print on the page.");
    recorder_->SetFont(headerFont_);
    if (!sink_->BeginDoc()) {
        CloseProgress();
        throw ELinePrinter("Not be able to start the printing.");
    }
    printing_ = true;
    try {
        RunJob(document);
    } catch (...) {
        // A job that failed half-way is aborted, not left open behind every later setter.
        printing_ = false;
        recorder_->Clear();
        sink_->AbortDoc();
        CloseProgress();
        try {
            Fire(OnAbortDoc);
        } catch (...) {
        }
        throw;
    }
    recorder_->Clear();
    const bool ended = sink_->EndDoc();
    printing_ = false;
    CloseProgress();
    Fire(OnEndDoc);
    if (!ended)
        throw ELinePrinter(sink_->PrintsToFile() ? "Not be able to print to a file." : "Not be able to end the printing.");
}

void TRichPrinter::RunJob(const TPrintDocument& document)
{
    line_ = 0;
    page_ = 1;
    y_ = 0;
    offsetX_ = 0;
    pastChoice_ = false;
    recorder_->Clear();
    recorder_->StartPage(PageChoice.Wants(page_));
    PageFurniture();
    for (const TStyledLine& line : document.lines) {
        if (pastChoice_) break;
        if (!PlainText) {
            PrintUnit(line);
            continue;
        }
        TTextRun plain{{}, document.plainFont};
        for (const TTextRun& run : line) plain.text += run.text;
        PrintUnit({plain});
    }
    recorder_->EndPage();
    // An empty sheet is no printout of the pages asked for.
    if (recorder_->KeptPages() == 0) throw ELinePrinter("None of the pages chosen is in the document.");
    if (!recorder_->Emit(PageChoice)) throw ELinePrinter("Not be able to print a new page.");
    ShowProgressText("Finished Printing");
}

void TRichPrinter::PrintUnit(const TStyledLine& line)
{
    TStyledLine expanded;
    std::u32string text;
    std::size_t column = 0;
    for (const TTextRun& run : line) {
        expanded.push_back({richlayout::ExpandTabs(run.text, TabSize, column), run.font});
        text += expanded.back().text;
    }
    const auto measure = [&](std::size_t start, std::size_t n) {
        int width = 0;
        for (const TTextRun& run : Slice(expanded, start, n)) {
            recorder_->SetFont(run.font);
            width += recorder_->TextWidth(run.text);
        }
        return width;
    };
    for (const richlayout::LinePiece& piece : richlayout::BreakLines(text, RectWidth(textArea_), WordWrap, measure)) {
        if (pastChoice_) return;
        PrintLine(Slice(expanded, piece.start, piece.length));
    }
}

void TRichPrinter::PrintLine(const TStyledLine& line)
{
    if (!line.empty()) {
        // The largest font of the line sets the canvas font and the line step.
        const TTextRun& largest = *std::max_element(
            line.begin(), line.end(), [](const TTextRun& a, const TTextRun& b) { return a.font.size < b.font.size; });
        recorder_->SetFont(largest.font);
        SetLineSpacing(spacing_);
    }
    // A new page only for a line that needs one, so a full last page is not followed by an
    // empty one; none after the last page chosen.
    if (y_ > 0 && y_ + lineStep_ >= bottomLimit_) {
        const int last = PageChoice.LastWanted();
        if (last > 0 && page_ >= last) {
            pastChoice_ = true;
            return;
        }
        NewPage();
    }
    const int top = textArea_.Top + y_;
    if (!line.empty() && Uniform(line)) {
        std::u32string text;
        for (const TTextRun& run : line) text += run.text;
        recorder_->SetFont(line.front().font);
        recorder_->TextOut(textArea_.Left + offsetX_, top, richlayout::TrimRightBlanks(text));
    } else {
        int x = textArea_.Left + offsetX_;
        for (const TTextRun& run : line) {
            recorder_->SetFont(run.font);
            recorder_->TextOut(x, top, run.text);
            x += recorder_->TextWidth(run.text);
        }
    }
    offsetX_ = 0;
    y_ += lineStep_;
    ++line_;
    Fire(OnNewLine);
}

void TRichPrinter::NewPage()
{
    // The device's page breaks come when the kept pages are handed to it.
    recorder_->EndPage();
    ++page_;
    y_ = 0;
    recorder_->StartPage(PageChoice.Wants(page_));
    PageFurniture();
}

TRect TRichPrinter::HeaderArea() const
{
    int bottom = textArea_.Top;
    if (PageBorders & pbTop) bottom -= PixelsY(BorderOffset) + std::max(1, 2 * (sink_->Geometry().pixelsPerInchY / 600));
    return {textArea_.Left, 0, textArea_.Right, std::max(0, bottom)};
}

TRect TRichPrinter::FooterArea() const
{
    const TPageGeometry g = sink_->Geometry();
    int top = textArea_.Bottom;
    if (PageBorders & pbBottom) top += PixelsY(BorderOffset) + std::max(1, 2 * (g.pixelsPerInchY / 600));
    return {textArea_.Left, std::min(top, g.printableHeight), textArea_.Right, g.printableHeight};
}

void TRichPrinter::PageFurniture()
{
    ShowProgressText("Currently Printing");
    const TPageGeometry g = sink_->Geometry();
    if (!Header.empty()) {
        DrawColumns(Header, HeaderFormat, HeaderArea());
        if (!BitmapLogo.isNull()) {
            const int left = textArea_.Left + PixelsX(LogoLeft), top = -g.offsetTop + PixelsY(LogoTop);
            recorder_->StretchDraw({left, top, left + PixelsX(LogoWidth), top + PixelsY(LogoHeight)}, BitmapLogo);
        }
    }
    if (!Footer.empty()) DrawColumns(Footer, FooterFormat, FooterArea());
    Fire(OnNewPage);
    Fire(OnNewLine);
    DrawBorders();
}

void TRichPrinter::DrawColumns(const std::string& texts, const std::string& formats, const TRect& area)
{
    const TPageGeometry g = sink_->Geometry();
    const int height = RectHeight(area);
    if (height <= 0) return;
    // A font too tall for its margin is made smaller, so the line stays inside the margin.
    TPrintFont font = headerFont_;
    recorder_->SetFont(font);
    for (int tries = 0; recorder_->TextHeight() > height && font.size > 1 && tries < 20; ++tries) {
        font.size = std::max(1.0, font.size * std::min(0.95, double(height) / recorder_->TextHeight()));
        recorder_->SetFont(font);
    }
    const int y = area.Top + (height - recorder_->TextHeight()) / 2;
    const int padding = 6 * (g.pixelsPerInchX / 600);
    int x = area.Left;
    for (const richlayout::TColumn& column : richlayout::ParseColumns(texts, formats, 0)) {
        // A column of no width runs to the text area's right edge rather than hiding its text; no
        // column reaches past that edge, so a width meant in the other unit still shows its text.
        const int room = std::max(0, area.Right - x);
        const int width = column.width > 0 ? std::min(PixelsX(column.width), room) : room;
        const std::u32string all =
            U32(column.text.find("{$") != std::string::npos ? ExpandMacros(column.text) : column.text);
        const std::size_t fit = richlayout::FittingLength(all.size(), width - 2 * padding, [&](std::size_t n) {
            return recorder_->TextWidth(std::u32string_view(all).substr(0, n));
        });
        const std::u32string_view shown = std::u32string_view(all).substr(0, fit);
        const int textWidth = recorder_->TextWidth(shown);
        int at = x + padding;
        if (column.align == richlayout::TColumnAlign::Right) at = x + width - padding - textWidth;
        else if (column.align == richlayout::TColumnAlign::Center) at = x + (width - textWidth) / 2;
        if (!shown.empty()) recorder_->TextOut(at, y, shown);
        x += width;
    }
}

void TRichPrinter::DrawBorders()
{
    if (PageBorders == 0) return;
    const TPageGeometry g = sink_->Geometry();
    const int dx = PixelsX(BorderOffset), dy = PixelsY(BorderOffset);
    const int left = textArea_.Left - dx, right = textArea_.Right + dx;
    const int top = textArea_.Top - dy, bottom = textArea_.Bottom + dy;
    const int penAcrossHorizontal = std::max(1, 2 * (g.pixelsPerInchY / 600));
    const int penAcrossVertical = std::max(1, 2 * (g.pixelsPerInchX / 600));
    if (PageBorders & pbTop) recorder_->Line(left, top, right, top, penAcrossHorizontal);
    if (PageBorders & pbBottom) recorder_->Line(left, bottom, right, bottom, penAcrossHorizontal);
    if (PageBorders & pbLeft) recorder_->Line(left, top, left, bottom, penAcrossVertical);
    if (PageBorders & pbRight) recorder_->Line(right, top, right, bottom, penAcrossVertical);
}

void TRichPrinter::ShowProgressText(const std::string& status)
{
    if (!ShowProgress || !printing_) {
        CloseProgress();
        return;
    }
    if (!progress_) progress_ = std::make_unique<TRichPrntProgDlg>();
    progress_->ShowState(QString::fromUtf8(status.c_str()), QString::fromUtf8(title_.c_str()), page_);
}

void TRichPrinter::CloseProgress()
{
    if (!progress_) return;
    progress_->close();
    progress_.reset();
}

void TRichPrinter::Fire(const Event& event)
{
    if (event) event(*this);
}
