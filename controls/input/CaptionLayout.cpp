#include "controls/input/CaptionLayout.h"

#include <algorithm>

namespace {

// Draws pieces from a left edge that moves right, up to a fixed right edge.
struct PieceRun {
    int Left;
    int Right;
    const TextWidthFunction& ComponentWidth;
    std::vector<TCaptionPieceDraw> Out;

    // One piece, shortened to the room left; true when it was drawn whole.
    bool Draw(int piece, const std::string& text, const TextWidthFunction& width, bool final, bool clip,
              int glueIndex)
    {
        if (text.empty()) return true;
        std::string shown = MinimizeText(text, width, Right - Left);
        // A clipped piece that only just fits still shows it goes on.
        if (clip && shown == text && width(shown + ".") >= Right - Left) shown = final ? "..." : shown + "...";
        const bool dots = shown == "...";
        if (dots && !final) return shown == text;
        TCaptionPieceDraw draw;
        draw.Piece = piece;
        draw.Text = shown;
        draw.Left = Left;
        if (dots) {
            draw.ComponentFont = true;
            draw.ColourOf = glueIndex > 0 ? glueIndex : -1;
        }
        Left += dots ? ComponentWidth(shown) : width(shown);
        Out.push_back(std::move(draw));
        return shown == text;
    }
};

int VisibleWidth(const TCaptionSegmentText& segment)
{
    return segment.Visible && segment.Width ? segment.Width(segment.Text) : 0;
}

}  // namespace

std::vector<TCaptionPieceDraw> LayoutSegmentedCaption(const std::vector<TCaptionSegmentText>& segments,
                                                      const std::string& formCaption,
                                                      const TextWidthFunction& componentWidth, int left,
                                                      int right, THideDirection direction)
{
    PieceRun run{left, right, componentWidth, {}};
    const int count = static_cast<int>(segments.size());
    const int room = right - left;
    const auto width = [&](int i) -> const TextWidthFunction& {
        return segments[i].Width ? segments[i].Width : componentWidth;
    };

    if (direction == hdLeftToRight) {
        int total = 2 + componentWidth(formCaption);
        for (const auto& segment : segments) total += VisibleWidth(segment);
        // Drop whole glued runs from the left until the rest fits.
        int i = 0;
        while (total > room && i < count) {
            total -= VisibleWidth(segments[i]);
            while (segments[i].GlueNext && i < count - 1) {
                ++i;
                total -= VisibleWidth(segments[i]);
            }
            ++i;
        }
        for (int j = i; j < count; ++j)
            if (segments[j].Visible) run.Draw(j, segments[j].Text, width(j), false, false, -1);
        run.Draw(TCaptionPieceDraw::kFormCaption, formCaption, componentWidth, true, false, -1);
        return std::move(run.Out);
    }

    // Right to left: the leading runs that fit are the candidates; the rest is dropped.
    int total = 2;
    int i = 0;
    while (total < room && i < count) {
        total += VisibleWidth(segments[i]);
        while (segments[i].GlueNext && i < count - 1) {
            ++i;
            total += VisibleWidth(segments[i]);
        }
        ++i;
    }
    bool goOn = true;
    for (int j = 0; j < i; ++j) {
        const auto& segment = segments[j];
        if (!segment.Visible || segment.Text.empty() || !goOn) continue;
        const bool final = j == 0 || segments[j - 1].GlueNext;
        const bool complete = run.Draw(j, segment.Text, width(j), final, segment.GlueNext, j - 1);
        goOn = complete && (segment.GlueNext || run.Right > run.Left);
    }
    if (run.Right > run.Left && goOn && !formCaption.empty())
        run.Draw(TCaptionPieceDraw::kFormCaption, formCaption, componentWidth, false, false, -1);
    return std::move(run.Out);
}

std::vector<TCaptionPartDraw> LayoutPartCaption(const TCaptionPartText (&parts)[3], int left, int right,
                                                TJustification justification)
{
    int widths[3];
    for (int k = 0; k < 3; ++k)
        widths[k] = parts[k].Visible ? (parts[k].Width ? parts[k].Width(parts[k].Text) : 0) + 3 : 0;
    const int room = right - left;
    int first = 2;
    if (widths[0] + widths[1] + widths[2] <= room)
        first = 0;
    else if (widths[1] + widths[2] <= room)
        first = 1;
    int total = 0;
    for (int k = first; k < 3; ++k) total += widths[k];

    int x = left;
    if (total <= room) {
        if (justification == jCenter)
            x = left + (room - total) / 2;
        else if (justification == jRight)
            x = right - total;
    }
    std::vector<TCaptionPartDraw> out;
    for (int k = first; k < 3; ++k) {
        if (!parts[k].Visible) continue;
        out.push_back({k, x + 3});
        x += widths[k];
    }
    return out;
}

std::string ComposeCaptionText(const TCaptionPartText (&parts)[3])
{
    const TCaptionPartText& company = parts[0];
    const TCaptionPartText& application = parts[1];
    const TCaptionPartText& caption = parts[2];
    std::string text;
    if (company.Visible) text += company.Text;
    if (company.Visible && !company.Text.empty() && (application.Visible || caption.Visible)) text += ' ';
    if (application.Visible) text += application.Text;
    if (application.Visible && !application.Text.empty() && caption.Visible) text += ' ';
    if (caption.Visible) text += caption.Text;
    return text;
}

std::string CaptionPartFromText(const std::string& windowText, const TCaptionPartText& company,
                                const TCaptionPartText& application)
{
    std::string text = windowText;
    for (const TCaptionPartText* part : {&company, &application}) {
        if (!part->Visible || part->Text.empty()) continue;
        const auto at = text.find(part->Text);
        if (at == std::string::npos) continue;
        text.erase(0, at + part->Text.size());
        if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    }
    return text;
}

std::vector<TGradientBand> GradientBands(int left, int right, int numColors, TColor leftColor, TColor rightColor)
{
    const int n = std::max(1, numColors);
    const int width = right - left;
    const auto channel = [n](int from, int to, int i) { return n == 1 ? from : from + i * (to - from) / (n - 1); };
    std::vector<TGradientBand> bands;
    bands.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        TGradientBand band;
        band.Left = left + i * width / n;
        band.Right = left + (i + 1) * width / n;
        band.Color = RGB(channel(GetRValue(leftColor), GetRValue(rightColor), i),
                         channel(GetGValue(leftColor), GetGValue(rightColor), i),
                         channel(GetBValue(leftColor), GetBValue(rightColor), i));
        bands.push_back(band);
    }
    return bands;
}
