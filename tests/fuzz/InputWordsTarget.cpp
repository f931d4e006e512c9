// The input controls' word, command-line and shortening routines on any bytes.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "controls/input/FileRoutines.h"
#include "controls/input/TextRoutines.h"

#include <algorithm>

namespace {

void checkCommandLine(std::string_view text)
{
    std::string program, parameters;
    SplitCommandLine(text, program, parameters);
    if (program.empty()) FUZZ_CHECK(parameters.empty(), "parameters without a program");
    FUZZ_CHECK(program.find('"') == std::string::npos, "a quote in the program " + fuzz::shown(program));
    // What it gives is split again the same way: the parameters are quoted where they must be.
    std::string again, againParameters;
    SplitCommandLine("\"" + program + "\" " + parameters, again, againParameters);
    if (!program.empty()) {
        FUZZ_CHECK(again == program, "program " + fuzz::shown(again));
        FUZZ_CHECK(againParameters == parameters, "parameters " + fuzz::shown(againParameters));
    }
}

void checkWords(std::string_view text, const TCharSet& delimiters, int n)
{
    const auto isDelimiter = [&](char c) { return delimiters.test(static_cast<unsigned char>(c)); };
    const int count = WordCount(text, delimiters);
    FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) <= (text.size() + 1) / 2, "count " + std::to_string(count));
    FUZZ_CHECK(WordPosition(0, text, delimiters) == 0 && WordPosition(count + 1, text, delimiters) == 0,
               "a word outside the count");
    FUZZ_CHECK(ExtractWord(count + 1, text, delimiters).empty(), "a word past the last");
    FUZZ_CHECK((WordPosition(n, text, delimiters) == 0) == (n < 1 || n > count), "word " + std::to_string(n));
    int last = 0;
    for (int i = 1; i <= std::min(count, 40); ++i) {
        const int p = WordPosition(i, text, delimiters);
        const std::string w = ExtractWord(i, text, delimiters);
        FUZZ_CHECK(p > last && !w.empty(), "word " + std::to_string(i));
        FUZZ_CHECK(std::none_of(w.begin(), w.end(), isDelimiter), "a delimiter in word " + fuzz::shown(w));
        FUZZ_CHECK(text.substr(static_cast<std::size_t>(p) - 1, w.size()) == w, "word not at its position");
        FUZZ_CHECK(p == 1 || isDelimiter(text[static_cast<std::size_t>(p) - 2]), "word starts inside another");
        last = p;
    }
}

void checkSubstrings(std::string_view text, const TCharSet& delimiters, int start)
{
    // Pieces and the one delimiter each step passes make up the text from the start position.
    int position = start;
    const std::size_t from = static_cast<std::size_t>(std::max(start, 1)) - 1;
    std::string joined;
    for (std::size_t steps = 0; steps <= text.size() + 1; ++steps) {
        const int before = std::max(position, 1);
        const std::string piece = ExtractSubstr(text, position, delimiters);
        if (static_cast<std::size_t>(before) > text.size()) {
            FUZZ_CHECK(piece.empty() && position == before, "reading past the end");
            break;
        }
        FUZZ_CHECK(position > before, "no progress at " + std::to_string(before));
        joined += piece;
        if (position - before == static_cast<int>(piece.size()) + 1) joined += text[static_cast<std::size_t>(position) - 2];
    }
    if (from <= text.size()) FUZZ_CHECK(joined == text.substr(from), "pieces " + fuzz::shown(joined));
}

void checkShortening(std::string_view text, int width)
{
    const auto byteWidth = [](std::string_view t) { return static_cast<int>(t.size()); };
    const std::string s = MinimizeText(text, byteWidth, width);
    if (s == text) return;  // it fits, or it is no longer than its dots
    FUZZ_CHECK(s.size() >= 3 && s.compare(s.size() - 3, 3, "...") == 0, "no dots " + fuzz::shown(s));
    FUZZ_CHECK(text.substr(0, s.size() - 3) == std::string_view(s).substr(0, s.size() - 3), "not a prefix");
    FUZZ_CHECK(static_cast<int>(s.size()) <= width || s == "...", "too wide " + fuzz::shown(s));
}

}  // namespace

void fuzz::InputWords(std::string_view data)
{
    if (data.size() < 2) return;
    const int n = static_cast<signed char>(data[0]);
    const int start = static_cast<signed char>(data[1]);
    std::string_view text = data.substr(2), delimiterBytes;
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        delimiterBytes = text.substr(nul + 1);
        text = text.substr(0, nul);
    }
    const TCharSet delimiters = MakeCharSet(delimiterBytes.empty() ? std::string_view(" ,") : delimiterBytes);
    checkCommandLine(text);
    checkWords(text, delimiters, n);
    checkSubstrings(text, delimiters, start);
    checkShortening(text, n);
    FUZZ_CHECK(ReplaceStr(text, delimiterBytes, delimiterBytes) == text, "replacing a text by itself");
    FUZZ_CHECK(ValidFileName(text) == (!text.empty() && text.find_first_of("<>\"[]|") == std::string_view::npos),
               "file name " + fuzz::shown(text));
}
