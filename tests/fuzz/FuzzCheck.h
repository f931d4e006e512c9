#pragma once
// The property checks of the fuzz targets. Under libFuzzer a broken property aborts, which the
// fuzzer reports as a finding with the input that caused it; the replay test makes it throw
// instead, so one bad corpus file fails one test case and the rest still run.

#include "platform/DateTime.h"

#include <string>
#include <string_view>

namespace fuzz {

// Thrown by a broken property in replay mode. Deliberately no std::exception, so a target's own
// catch clauses for the code under test never swallow it.
struct PropertyFailure {
    std::string what;
};

void setThrowOnFailure(bool on);
[[noreturn]] void fail(const char* file, int line, const char* condition, const std::string& detail);

// Printable form of bytes for failure messages: control bytes and bytes >= 0x7F as \xNN.
std::string shown(std::string_view bytes);

// No byte <= 0x20 at either end (the platform's trim would leave it alone).
bool trimmed(std::string_view s);
// A date that exists and a time of day within its ranges.
bool validTime(const CivilTime& t);

// Splits at the first LF: the head is the text before it, the rest what follows (empty without LF).
std::string_view head(std::string_view data, std::string_view* rest = nullptr);

}  // namespace fuzz

#define FUZZ_CHECK(cond, detail)                                         \
    do {                                                                 \
        if (!(cond)) ::fuzz::fail(__FILE__, __LINE__, #cond, (detail)); \
    } while (0)
