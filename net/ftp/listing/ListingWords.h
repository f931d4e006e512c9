#pragma once
// Word and date routines of the listing parser. Plain byte text; "blank" is the space character
// where words are split, while trimming removes every byte <= 0x20. Dates are read against an
// explicit "now" so results do not depend on the wall clock.

#include "platform/DateTime.h"
#include "platform/Errors.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ftplisting {

// A listed date whose numbers form no valid date (month 13, day 31 of a 30-day month, an
// unknown month name): the listing cannot be trusted, so the listing operation fails.
class EListingDateError : public Exception {
public:
    using Exception::Exception;
};

// Word N (from 0) with runs of blanks counted as one blank; empty when the line has fewer words.
// A line that starts with a blank has an empty word 0.
std::string Word(std::string_view text, int n);
// Where Word(text, n) lies in text: [first, second). nullopt when the line has fewer words.
std::optional<std::pair<std::size_t, std::size_t>> WordSpan(std::string_view text, int n);
// N times drops the text through the first blank and trims; then the next word (Single) or all
// that is left, trimmed.
std::string WordAt(std::string_view text, int n, bool single = true);
// Text after the first occurrence of key and the one character following it, trimmed.
std::string TextAfter(std::string_view text, std::string_view key);
// 'file -> target' gives 'file'; a text without "->" is returned as it is.
std::string WithoutLinkTarget(std::string_view name);
// Position (from 1) of the last blank; 0 when there is none.
std::size_t LastBlank(std::string_view text);
// 1-12 for "Jan" ... "Dec" in any case, -1 otherwise.
int MonthIndex(std::string_view text);
// WordAt(text, n) as a number; -1 when it is none.
int WordNumber(std::string_view text, int n);

// "Jan 05 12:30" or "Mar 3 1998". A year inferred from a time is moved back one year when the
// instant would lie more than a day after now. nullopt when no valid date can be read; a bad
// time keeps the date at 00:00.
std::optional<CivilTime> UnixDate(std::string_view text, const CivilTime& now);
// "MM-DD-YY[YY] HH:MM[:SS][AM|PM]": nullopt when the text does not read as a date.
// Two-digit years fall within fifty years before now and forty-nine after.
std::optional<CivilTime> DosDateTime(std::string_view text, const CivilTime& now);

}  // namespace ftplisting
