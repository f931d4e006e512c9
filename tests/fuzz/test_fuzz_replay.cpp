// Every seed and every saved finding through its target's property checks, in every build:
// a finding once mended stays mended, and the checks themselves keep compiling.

#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

struct Target {
    const char* name;
    void (*run)(std::string_view);
};

const Target kTargets[] = {
    {"listing", fuzz::Listing},         {"listing_words", fuzz::ListingWords}, {"mathparser", fuzz::MathParser},
    {"substitution", fuzz::Substitution}, {"script_load", fuzz::ScriptLoad}, {"arguments", fuzz::Arguments},
    {"ftp_reply", fuzz::FtpReply},       {"input_words", fuzz::InputWords},
    {"desktop_entry", fuzz::DesktopEntry}, {"lzb1", fuzz::Lzb1},
    {"list_file", fuzz::ListFile},      {"line_ends", fuzz::LineEnds},
};

class FuzzReplay : public testing::TestWithParam<Target> {};

std::string contents(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST_P(FuzzReplay, SeedsAndFindingsKeepTheirProperties)
{
    fuzz::setThrowOnFailure(true);
    const std::filesystem::path root = std::filesystem::path(VANTREL_SOURCE_DIR) / "tests/fuzz";
    int inputs = 0;
    for (const char* kind : {"corpus", "findings"}) {
        const auto folder = root / kind / GetParam().name;
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (!entry.is_regular_file()) continue;
            ++inputs;
            try {
                GetParam().run(contents(entry.path()));
            } catch (const fuzz::PropertyFailure& f) {
                ADD_FAILURE() << entry.path().filename() << ": " << f.what;
            } catch (const std::exception& e) {
                ADD_FAILURE() << entry.path().filename() << ": escaped " << e.what();
            }
        }
    }
    EXPECT_GT(inputs, 0) << "no seeds for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, testing::ValuesIn(kTargets),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });
