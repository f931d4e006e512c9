#include "printing/PageRecorder.h"

#include <algorithm>

bool TPageChoice::Wants(int page) const
{
    if (ranges.empty()) return true;
    return std::any_of(ranges.begin(), ranges.end(), [&](const auto& r) { return page >= r.first && page <= r.second; });
}

int TPageChoice::LastWanted() const
{
    int last = 0;
    for (const auto& r : ranges) last = std::max(last, r.second);
    return last;
}

void TPageRecorder::StartPage(bool keep)
{
    keeping_ = keep;
    page_.clear();
}

void TPageRecorder::EndPage()
{
    if (keeping_) pages_.push_back(std::move(page_));
    page_.clear();
    keeping_ = false;
}

void TPageRecorder::Clear()
{
    keeping_ = false;
    page_.clear();
    pages_.clear();
}

void TPageRecorder::SetFont(const TPrintFont& font)
{
    font_ = font;
    device_.SetFont(font);
}

void TPageRecorder::TextOut(int x, int y, std::u32string_view text)
{
    if (keeping_) page_.push_back(Text{font_, x, y, std::u32string(text)});
}

void TPageRecorder::Line(int x1, int y1, int x2, int y2, int penWidth)
{
    if (keeping_) page_.push_back(Rule{x1, y1, x2, y2, penWidth});
}

void TPageRecorder::StretchDraw(const TRect& rect, const QImage& image)
{
    if (keeping_) page_.push_back(Picture{rect, image});
}

void TPageRecorder::Draw(const std::vector<Op>& page)
{
    for (const Op& op : page) {
        if (const auto* t = std::get_if<Text>(&op)) {
            device_.SetFont(t->font);
            device_.TextOut(t->x, t->y, t->text);
        } else if (const auto* r = std::get_if<Rule>(&op)) {
            device_.Line(r->x1, r->y1, r->x2, r->y2, r->pen);
        } else if (const auto* p = std::get_if<Picture>(&op)) {
            device_.StretchDraw(p->rect, p->image);
        }
    }
}

bool TPageRecorder::Emit(const TPageChoice& choice)
{
    std::vector<const std::vector<Op>*> order;
    for (const auto& page : pages_) order.push_back(&page);
    if (choice.lastPageFirst) std::reverse(order.begin(), order.end());
    const int copies = std::max(1, choice.copies);
    std::vector<const std::vector<Op>*> sheets;
    if (choice.collate) {
        for (int c = 0; c < copies; ++c) sheets.insert(sheets.end(), order.begin(), order.end());
    } else {
        for (const auto* page : order) sheets.insert(sheets.end(), static_cast<std::size_t>(copies), page);
    }
    bool ok = true;
    for (std::size_t i = 0; i < sheets.size() && ok; ++i) {
        if (i > 0 && !device_.NewPage()) ok = false;
        else Draw(*sheets[i]);
    }
    // Measuring goes on in the font the job last chose.
    device_.SetFont(font_);
    return ok;
}
