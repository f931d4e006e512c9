#pragma once
// Keeps what a job draws, page by page, and hands the kept pages to the device afterwards: only
// the pages chosen, as many copies as asked for, collated or not, first or last page first.
// Measuring goes to the device at once.

#include "printing/PrintSink.h"

#include <QImage>
#include <utility>
#include <variant>
#include <vector>

// The print dialog's choice of pages.
struct TPageChoice {
    std::vector<std::pair<int, int>> ranges;  // first and last page of each; none: every page
    int copies = 1;
    bool collate = true;
    bool lastPageFirst = false;

    bool Wants(int page) const;
    // The last page any range asks for; 0 when every page is wanted.
    int LastWanted() const;
};

class TPageRecorder : public TPrintSink {
public:
    explicit TPageRecorder(TPrintSink& device) : device_(device) {}

    // Starts a page of the job; its drawing is kept only when `keep`.
    void StartPage(bool keep);
    void EndPage();
    int KeptPages() const { return static_cast<int>(pages_.size()); }
    void Clear();
    // Draws the kept pages on the device (its job begun), a device page break between any two.
    // False when the device refused a new page.
    [[nodiscard]] bool Emit(const TPageChoice& choice);

    TPageGeometry Geometry() const override { return device_.Geometry(); }
    void SetTitle(const std::string& title) override { device_.SetTitle(title); }
    void SetOrientation(TPrinterOrientation orientation) override { device_.SetOrientation(orientation); }
    TPrinterOrientation Orientation() const override { return device_.Orientation(); }
    bool BeginDoc() override { return device_.BeginDoc(); }
    bool NewPage() override { return device_.NewPage(); }
    bool EndDoc() override { return device_.EndDoc(); }
    void AbortDoc() override { device_.AbortDoc(); }
    bool PrintsToFile() const override { return device_.PrintsToFile(); }
    void SetFont(const TPrintFont& font) override;
    int TextWidth(std::u32string_view text) override { return device_.TextWidth(text); }
    int TextHeight() override { return device_.TextHeight(); }
    void TextOut(int x, int y, std::u32string_view text) override;
    void Line(int x1, int y1, int x2, int y2, int penWidth) override;
    void StretchDraw(const TRect& rect, const QImage& image) override;

private:
    struct Text {
        TPrintFont font;
        int x, y;
        std::u32string text;
    };
    struct Rule {
        int x1, y1, x2, y2, pen;
    };
    struct Picture {
        TRect rect;
        QImage image;
    };
    using Op = std::variant<Text, Rule, Picture>;

    void Draw(const std::vector<Op>& page);

    TPrintSink& device_;
    TPrintFont font_;
    bool keeping_ = false;
    std::vector<Op> page_;
    std::vector<std::vector<Op>> pages_;
};
