// The listing parser's word and date routines on any line.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "net/ftp/listing/ListingWords.h"
#include "platform/ByteText.h"

#include <iterator>

using namespace ftplisting;

namespace {

std::int64_t secondsOf(const CivilTime& t)
{
    return datetime::daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime nowFor(unsigned char b)
{
    CivilTime t;
    t.year = 1 + (b * 397) % 9999;
    t.month = 1 + b % 12;
    t.day = 1 + b % datetime::daysInMonth(t.year, t.month);
    t.hour = b % 24;
    t.minute = b % 60;
    t.second = (b * 7) % 60;
    if (b < 64) {  // mostly near the present, where listings live
        t.year = 1998 + b % 32;
        t.day = 1 + b % datetime::daysInMonth(t.year, t.month);
    }
    return t;
}

void checkWords(std::string_view text, int n)
{
    const std::string w = Word(text, n);
    const auto span = WordSpan(text, n);
    if (!span) {
        FUZZ_CHECK(w.empty(), "a word without a place");
    } else {
        const auto [a, b] = *span;
        FUZZ_CHECK(a <= b && b <= text.size(), "span out of the text");
        FUZZ_CHECK(w == text.substr(a, b - a), "word and span differ");
        FUZZ_CHECK(b == text.size() || text[b] == ' ', "a word that ends before a non-blank");
        FUZZ_CHECK(n == 0 ? a == 0 : (a > 0 && (a == text.size() || text[a - 1] == ' ')), "a word that starts inside a word");
    }
    FUZZ_CHECK(w.find(' ') == std::string::npos, "word " + fuzz::shown(w));
    FUZZ_CHECK(Word(text, 0) == text.substr(0, text.find(' ')), "word 0");

    for (bool single : {true, false}) {
        const std::string at = WordAt(text, n, single);
        FUZZ_CHECK(fuzz::trimmed(at), "WordAt " + fuzz::shown(at));
        FUZZ_CHECK(!single || at.find(' ') == std::string::npos, "single WordAt " + fuzz::shown(at));
        FUZZ_CHECK(text.find(at) != std::string_view::npos, "WordAt not in the text: " + fuzz::shown(at));
    }
    const int number = WordNumber(text, n);
    int parsed = 0;
    FUZZ_CHECK(number == (bytetext::parseInt(WordAt(text, n), parsed) ? parsed : -1), "WordNumber");

    const std::string after = TextAfter(text, Word(text, n));
    FUZZ_CHECK(fuzz::trimmed(after) && text.find(after) != std::string_view::npos, "TextAfter " + fuzz::shown(after));

    const std::string link = WithoutLinkTarget(text);
    if (text.find("->") == std::string_view::npos) FUZZ_CHECK(link == text, "a name without an arrow changed");
    else FUZZ_CHECK(fuzz::trimmed(link) && link.find("->") == std::string::npos, "link " + fuzz::shown(link));

    const std::size_t last = LastBlank(text);
    FUZZ_CHECK(last <= text.size(), "last blank out of the text");
    FUZZ_CHECK(last == 0 ? text.find(' ') == std::string_view::npos
                         : text[last - 1] == ' ' && text.find(' ', last) == std::string_view::npos,
               "last blank at " + std::to_string(last));

    const int month = MonthIndex(Word(text, n));
    FUZZ_CHECK(month == -1 || (month >= 1 && month <= 12), "month " + std::to_string(month));
}

void checkDates(std::string_view text, const CivilTime& now)
{
    if (const auto t = UnixDate(text, now)) {
        FUZZ_CHECK(fuzz::validTime(*t), "UnixDate gave " + datetime::dateTimeText(*t));
        if (WordAt(text, 2).find(':') != std::string::npos) {
            // A date listed without its year is never taken as more than a day ahead.
            FUZZ_CHECK(t->year == now.year || t->year == now.year - 1, "year " + std::to_string(t->year));
            FUZZ_CHECK(secondsOf(*t) <= secondsOf(now) + 86400, "a year-less date ahead of now");
        }
    }
    if (const auto t = DosDateTime(text, now)) {
        FUZZ_CHECK(fuzz::validTime(*t), "DosDateTime gave " + datetime::dateTimeText(*t));
    }
}

}  // namespace

void fuzz::ListingWords(std::string_view data)
{
    if (data.size() < 2) return;
    const int n = static_cast<unsigned char>(data[0]) % 16;
    const CivilTime now = nowFor(static_cast<unsigned char>(data[1]));
    const std::string_view text = data.substr(2);
    checkWords(text, n);
    checkDates(text, now);
}
