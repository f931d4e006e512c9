#include "controls/input/CaptionLayout.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// Every character 10 pixels wide, "." included.
int Tens(std::string_view text) { return static_cast<int>(text.size()) * 10; }

TCaptionSegmentText Seg(const char* text, bool glueNext = false, bool visible = true)
{
    return {text, visible, glueNext, Tens};
}

// "piece:text@left" for each piece; "F" is the form caption, "*" marks the component font.
std::string Shape(const std::vector<TCaptionPieceDraw>& pieces)
{
    std::ostringstream out;
    for (const auto& p : pieces) {
        if (out.tellp() > 0) out << ' ';
        if (p.Piece == TCaptionPieceDraw::kFormCaption)
            out << 'F';
        else
            out << p.Piece;
        out << (p.ComponentFont ? "*" : "") << ':' << p.Text << '@' << p.Left;
    }
    return out.str();
}

}  // namespace

TEST(SegmentedCaption, DropsAndShortensByDirection)
{
    const struct {
        const char* name;
        std::vector<TCaptionSegmentText> segments;
        const char* form;
        int right;
        THideDirection direction;
        const char* expected;
    } rows[] = {
        {"everything fits", {Seg("Aaaa"), Seg("Bb"), Seg("Ccc")}, "F", 200, hdLeftToRight,
         "0:Aaaa@0 1:Bb@40 2:Ccc@60 F:F@90"},
        {"left to right drops the first segment", {Seg("Aaaa"), Seg("Bb"), Seg("Ccc")}, "F", 80, hdLeftToRight,
         "1:Bb@0 2:Ccc@20 F:F@50"},
        {"a glued run goes as one", {Seg("Aaaa", true), Seg("Bb"), Seg("Ccc")}, "F", 80, hdLeftToRight,
         "2:Ccc@0 F:F@30"},
        {"an invisible segment neither shows nor counts", {Seg("Aaaa"), Seg("Bb", false, false), Seg("Ccc")}, "F",
         82, hdLeftToRight, "0:Aaaa@0 2:Ccc@40 F:F@70"},
        {"with no room the form caption ends in dots", {Seg("Aaaa"), Seg("Bb")}, "Form", 35, hdLeftToRight,
         "F*:...@0"},
        {"right to left keeps everything that fits", {Seg("Aaaa"), Seg("Bb"), Seg("Ccc")}, "F", 200, hdRightToLeft,
         "0:Aaaa@0 1:Bb@40 2:Ccc@60 F:F@90"},
        {"right to left cuts off at the first piece that does not fit", {Seg("Aaaa"), Seg("Bb"), Seg("Ccc")}, "F", 50,
         hdRightToLeft, "0:Aaaa@0"},
        {"a glued pair cut short ends in dots", {Seg("Aaaa", true), Seg("Bb"), Seg("Ccc")}, "F", 55, hdRightToLeft,
         "0:Aaaa@0 1*:...@40"},
        {"a glued pair that fits is followed by the rest", {Seg("Aaaa", true), Seg("Bb"), Seg("Ccc")}, "F", 200,
         hdRightToLeft, "0:Aaaa@0 1:Bb@40 2:Ccc@60 F:F@90"},
        {"a glued segment that only just fits shows dots", {Seg("Aaaa", true), Seg("Bb")}, "", 50, hdRightToLeft,
         "0*:...@0"},
        {"empty segments take no room", {Seg(""), Seg("Bb")}, "F", 200, hdRightToLeft, "1:Bb@0 F:F@20"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Shape(LayoutSegmentedCaption(row.segments, row.form, Tens, 0, row.right, row.direction)), row.expected)
            << row.name;
    }
}

TEST(SegmentedCaption, DotsOfAGluedRunTakeTheColourOfTheSegmentBefore)
{
    // Segment 2 is glued to 1, so its dots are coloured like segment 1.
    const std::vector<TCaptionSegmentText> segments = {Seg("A"), Seg("Bbbb", true), Seg("Cc")};
    const auto pieces = LayoutSegmentedCaption(segments, "", Tens, 0, 61, hdRightToLeft);
    ASSERT_EQ(Shape(pieces), "0:A@0 1:Bbbb@10 2*:...@50");
    EXPECT_EQ(pieces[2].ColourOf, 1);
    EXPECT_EQ(pieces[1].ColourOf, -1);
}

namespace {

TCaptionPartText Part(const char* text, bool visible = true) { return {text, visible, Tens}; }

std::string Shape(const std::vector<TCaptionPartDraw>& parts)
{
    std::ostringstream out;
    for (const auto& p : parts) out << (out.tellp() > 0 ? " " : "") << p.Part << '@' << p.Left;
    return out.str();
}

}  // namespace

TEST(PartCaption, DropsCompanyThenApplicationAndJustifies)
{
    // Widths with their 3 pixels: 73, 93, 33 (199 together).
    const struct {
        const char* name;
        bool companyVisible;
        int right;
        TJustification justification;
        const char* expected;
    } rows[] = {
        {"all three", true, 300, jLeft, "0@3 1@76 2@169"},
        {"auto is left", true, 300, jAuto, "0@3 1@76 2@169"},
        {"centred", true, 300, jCenter, "0@53 1@126 2@219"},
        {"at the right", true, 300, jRight, "0@104 1@177 2@270"},
        {"all three just fit", true, 199, jRight, "0@3 1@76 2@169"},
        {"without the company part", true, 150, jLeft, "1@3 2@96"},
        {"an invisible company part", false, 300, jLeft, "1@3 2@96"},
        {"the caption part alone", true, 100, jCenter, "2@36"},
        {"a caption too long is not moved", true, 20, jRight, "2@3"},
    };
    for (const auto& row : rows) {
        const TCaptionPartText parts[3] = {Part("Vantrel", row.companyVisible), Part("Dolmark -"), Part("FTP")};
        EXPECT_EQ(Shape(LayoutPartCaption(parts, 0, row.right, row.justification)), row.expected) << row.name;
    }
}

TEST(PartCaption, WindowTextIsComposedAndReadBack)
{
    const struct {
        const char* name;
        TCaptionPartText parts[3];
        const char* text;
    } rows[] = {
        {"all parts", {Part("Vantrel"), Part("Dolmark -"), Part("FTP scripts")}, "Vantrel Dolmark - FTP scripts"},
        {"no company part", {Part("Vantrel", false), Part("Dolmark -"), Part("FTP scripts")}, "Dolmark - FTP scripts"},
        {"an empty company part", {Part(""), Part("Dolmark -"), Part("FTP scripts")}, "Dolmark - FTP scripts"},
        {"no application part", {Part("Vantrel"), Part("Dolmark -", false), Part("FTP scripts")}, "Vantrel FTP scripts"},
        {"no caption part", {Part("Vantrel"), Part("Dolmark -"), Part("FTP", false)}, "Vantrel Dolmark -"},
        {"an empty caption part", {Part("Vantrel"), Part("Dolmark -"), Part("")}, "Vantrel Dolmark - "},
    };
    for (const auto& row : rows) {
        const std::string text = ComposeCaptionText(row.parts);
        EXPECT_EQ(text, row.text) << row.name;
        if (row.parts[2].Visible) {
            EXPECT_EQ(CaptionPartFromText(text, row.parts[0], row.parts[1]), row.parts[2].Text) << row.name;
        }
    }
    // A window text set by someone else reads back whole.
    EXPECT_EQ(CaptionPartFromText("Other words", Part("Vantrel"), Part("Dolmark -")), "Other words");
}

TEST(GradientBands, SplitTheAreaAndBlendTheChannels)
{
    const auto one = GradientBands(5, 105, 1, RGB(10, 20, 30), RGB(200, 200, 200));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].Left, 5);
    EXPECT_EQ(one[0].Right, 105);
    EXPECT_EQ(one[0].Color, RGB(10, 20, 30));

    const auto four = GradientBands(0, 10, 4, RGB(0, 255, 0), RGB(255, 0, 90));
    ASSERT_EQ(four.size(), 4u);
    const int edges[5] = {0, 2, 5, 7, 10};
    const TColor colours[4] = {RGB(0, 255, 0), RGB(85, 170, 30), RGB(170, 85, 60), RGB(255, 0, 90)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(four[i].Left, edges[i]) << i;
        EXPECT_EQ(four[i].Right, edges[i + 1]) << i;
        EXPECT_EQ(four[i].Color, colours[i]) << i;
    }
}
