#pragma once
// A print device with fixed metrics for the printer's tests: it records what is drawn, per page.

#include "printing/PrintSink.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

inline std::u32string U(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }
inline std::string A(std::u32string_view text) { return {text.begin(), text.end()}; }

// A page of 8 x 10 inches at 100 pixels per inch with gutters of 10 pixels (20 at the right),
// every character as wide as its point size and twice as high.
struct FakeSink : TPrintSink {
    struct Text {
        int page, x, y;
        std::string text;
        TPrintFont font;
    };
    struct Rule {
        int page, x1, y1, x2, y2, pen;
    };
    TPageGeometry geometry{800, 1000, 10, 10, 770, 980, 100, 100};
    TPrintFont font;
    bool inJob = false, beginWorks = true, endWorks = true, toFile = false;
    int page = 0, aborted = 0;
    std::string title;
    TPrinterOrientation orientation = TPrinterOrientation::poPortrait;
    std::vector<Text> texts;
    std::vector<Rule> rules;

    TPageGeometry Geometry() const override { return geometry; }
    void SetTitle(const std::string& t) override { title = t; }
    void SetOrientation(TPrinterOrientation o) override { orientation = o; }
    TPrinterOrientation Orientation() const override { return orientation; }
    bool BeginDoc() override
    {
        if (!beginWorks) return false;
        inJob = true;
        page = 1;
        return true;
    }
    bool NewPage() override
    {
        ++page;
        return true;
    }
    bool EndDoc() override
    {
        inJob = false;
        return endWorks;
    }
    void AbortDoc() override
    {
        inJob = false;
        ++aborted;
    }
    bool PrintsToFile() const override { return toFile; }
    void SetFont(const TPrintFont& f) override { font = f; }
    int TextWidth(std::u32string_view text) override { return static_cast<int>(text.size() * font.size); }
    int TextHeight() override { return static_cast<int>(font.size * 2); }
    void TextOut(int x, int y, std::u32string_view text) override
    {
        EXPECT_TRUE(inJob);
        texts.push_back({page, x, y, A(text), font});
    }
    void Line(int x1, int y1, int x2, int y2, int pen) override { rules.push_back({page, x1, y1, x2, y2, pen}); }
    void StretchDraw(const TRect&, const QImage&) override {}

    std::vector<std::string> TextsOn(int p) const
    {
        std::vector<std::string> out;
        for (const Text& t : texts)
            if (t.page == p) out.push_back(t.text);
        return out;
    }
    const Text* Find(const std::string& text) const
    {
        for (const Text& t : texts)
            if (t.text == text) return &t;
        return nullptr;
    }
};

