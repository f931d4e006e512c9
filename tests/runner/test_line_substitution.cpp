#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "runner/DateRoutines.h"
#include "runner/LineSubstitution.h"
#include "script/Arguments.h"

#include <gtest/gtest.h>

namespace {

struct FixedClock {
    explicit FixedClock(CivilTime t) { datetime::setClockForTesting([t] { return t; }); }
    ~FixedClock() { datetime::setClockForTesting({}); }
};

}  // namespace

TEST(LineSubstitution, Pipeline)
{
    FixedClock clock({2026, 3, 7, 14, 5, 9, 0});
    VariableStore vars;
    vars.SetVariable("Name", "World");
    vars.SetVariable("LET Spaced", "  padded  ");
    vars.SetVariable("Ref", "%%Name%%!");
    vars.SetVariable("Param1", "first");
    vars.SetVariable("Today", "2026-03-07");
    const struct {
        std::string line, result;
    } cases[] = {
        {"  MESSAGE %%name%%  ", "MESSAGE World"},
        {"X [%%Name%%] %% Name %%", "X World World"},
        {"X [%%Param1%%]=%%Param1%%", "X first=first"},
        {"X %%nosuchname%%|", "X |"},
        {"X %%Spaced%%|", "X padded|"},
        {"X %%Ref%%", "X World!"},  // a value with markers is substituted in turn
        {"X %%unclosed", "X %%unclosed"},
        {"; %%Name%% stays in a comment", "; %%Name%% stays in a comment"},
        {":label %%Name%%", ":label %%Name%%"},
        {"   ", ";"},
        {"A%%NewLine%%B", "A\rB"},
        {"A %%newline%%", "A"},  // the line is trimmed again after NewLine
        {"LOWER(ABC) UPPER(def)x", "LOWER(abc) UPPER(DEF)x"},
        {"lower(AB", "lower(ab"},
        {"X SUBSTR(abcdef,2,3)", "X bcd"},
        {"X SUBSTR('abcdef',2,3)", "X abc"},
        {"X SUBSTR(abc,0,2) SUBSTR(abc,2,-1)|", "X ab |"},
        {"X SUBSTR(abc,9,2)|", "X |"},
        {"X POSITION(c,abc) POSITION(z,abc)", "X 3 0"},
        {"X LENGTH(abc)x", "X 3x"},
        {"X LENGTH(abc", "X LENGTH(abc"},
        {"X [DATE:yyyy-mm-dd] [TIME:hh:mm]", "X 2026-03-07 14_05"},
        {"X [date:dd.mm.yy]", "X 07_03_26"},
        {"X [DATE:'open]", "X 20260307"},
        {"X [TIME:'open]", "X 1405"},
        {"X [DATE:yyyy", "X [DATE:yyyy"},
        {"X MONTH(%%Today%%) DAY(2026-03-07) YEAR(2026-03-07)", "X 3 7 2026"},
        {"X DATETOJULIAN(2026-03-07)", "X 739697"},
        {"X JULIANTODATE(739697)", "X 2026-03-07"},
        {"X MONTH(2026-03-07", "X MONTH(2026-03-07"},
    };
    for (const auto& c : cases) {
        SubstitutionContext ctx;
        ctx.variables = &vars;
        EXPECT_EQ(RewriteLine(c.line, ctx), c.result) << c.line;
    }
}

TEST(LineSubstitution, NumericVariablesUseTheGeneralFormat)
{
    VariableStore vars;
    vars.SetVariable("n", "text is ignored");
    SubstitutionContext ctx;
    ctx.variables = &vars;
    ctx.numericValue = [](std::string_view name, double& v) {
        if (name != "n") return false;
        v = 2.5;
        return true;
    };
    EXPECT_EQ(RewriteLine("X %%n%% [%%n%%]", ctx), "X 2.5 2.5");
}

TEST(LineSubstitution, SelfReferenceStopsWithOneRemark)
{
    VariableStore vars;
    vars.SetVariable("loop", "again %%loop%%");
    std::vector<std::string> log;
    SubstitutionContext ctx;
    ctx.variables = &vars;
    ctx.log = [&](const std::string& l) { log.push_back(l); };
    const std::string r = RewriteLine("X %%loop%%", ctx);
    EXPECT_NE(r.find("again again"), std::string::npos);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("   ---> ", 0), 0u);
}

TEST(LineSubstitution, DateFunctionsLogTheLineAndRaiseOnBadInput)
{
    std::vector<std::string> log;
    SubstitutionContext ctx;
    ctx.log = [&](const std::string& l) { log.push_back(l); };
    EXPECT_EQ(RewriteLine("X YEAR(2024-02-29)", ctx), "X 2024");
    EXPECT_EQ(log, std::vector<std::string>{" (X YEAR(2024-02-29))"});
    log.clear();
    EXPECT_EQ(RewriteLine("X MONTH(2024-02-29) DAY(x", ctx), "X 2 DAY(x");
    EXPECT_TRUE(log.empty());  // an unclosed function ends the step without the remark
    EXPECT_THROW(RewriteLine("MONTH(2023-02-29)", ctx), EConvertError);
    EXPECT_THROW(RewriteLine("JULIANTODATE(abc)", ctx), EConvertError);
    EXPECT_THROW(RewriteLine("SUBSTR(abc,x,1)", {}), EConvertError);
}

// A value from a server is put in as it stands: no later step reads markers, function names or
// closing brackets inside it. A value the script set is still searched again.
TEST(LineSubstitution, VerbatimValuesAreNotScannedAgain)
{
    FixedClock clock({2026, 3, 7, 14, 5, 9, 0});
    VariableStore vars;
    vars.SetVariable("OtherPassword", "s3cret");
    vars.SetVariable("Ref", "%%OtherPassword%%");
    vars.SetVerbatimVariable("CurrentRemoteDir", "/%%OtherPassword%%");
    vars.SetVerbatimVariable("Odd", "A)DAY(x)[TIME:hh]");
    const struct {
        std::string line, result;
    } cases[] = {
        {"REMOTE-CD %%CurrentRemoteDir%%/sub", "REMOTE-CD /%%OtherPassword%%/sub"},
        {"X [%%CurrentRemoteDir%%]%%Ref%%", "X /%%OtherPassword%%s3cret"},
        // A marker of the script's own that closes inside the value does not pair with it.
        {"X %%Ref[%%CurrentRemoteDir%%]", "X %%Ref/%%OtherPassword%%"},
        {"X %%Odd%%", "X A)DAY(x)[TIME:hh]"},
        {"X LENGTH(%%Odd%%)|", "X 17|"},
        {"X LOWER(%%Odd%%)", "X LOWER(a)day(x)[time:hh])"},
        {"X SUBSTR(%%Odd%%,2,4) DAY(2026-03-07)", "X )DAY 7"},
        {"X [DATE:yyyy] %%Odd%% [TIME:hh]", "X 2026 A)DAY(x)[TIME:hh] 14"},
    };
    for (const auto& c : cases) {
        SubstitutionContext ctx;
        ctx.variables = &vars;
        EXPECT_EQ(RewriteLine(c.line, ctx), c.result) << c.line;
    }
    // Set again by the script, the value is the script's own.
    vars.SetVariable("CurrentRemoteDir", "/%%OtherPassword%%");
    SubstitutionContext ctx;
    ctx.variables = &vars;
    EXPECT_EQ(RewriteLine("X %%CurrentRemoteDir%%", ctx), "X /s3cret");
}

// The steps build the line in one pass each: a long line of many calls gives each call's result
// in its place, whatever stands around it.
TEST(LineSubstitution, LongLinesOfCallsAreRewrittenPieceByPiece)
{
    FixedClock clock({2026, 3, 7, 14, 5, 9, 0});
    VariableStore vars;
    vars.SetVariable("w", "word");
    vars.SetVariable("inner", "<%%w%%>");
    vars.SetVerbatimVariable("server", "%%w%%");
    const struct {
        std::string piece, result;
    } cases[] = {
        {"%%w%% DAY(2024-05-01) SUBSTR(abcdef,2,3) POSITION(c,abc) LENGTH(abc) ", "word 1 bcd 3 3 "},
        {"[%%inner%%]%%server%%|", "<word>%%w%%|"},
        {"LOWER(AB)UPPER(cd)[DATE:yyyy]", "LOWER(ab)UPPER(CD)2026"},
        {"JULIANTODATE(DATETOJULIAN(2026-03-07)),", "2026-03-07,"},
    };
    for (const auto& c : cases) {
        std::string line = "X ", want = "X ";
        for (int i = 0; i < 20000; ++i) {
            line += c.piece;
            want += c.result;
        }
        SubstitutionContext ctx;
        ctx.variables = &vars;
        std::vector<std::string> log;
        ctx.log = [&](const std::string& l) { log.push_back(l); };
        EXPECT_EQ(RewriteLine(line, ctx), bytetext::trim(want)) << c.piece;
    }
}

// A long line asks whether the run was cancelled and, once it was, stops rewriting.
TEST(LineSubstitution, CancelStopsALongLine)
{
    std::string line = "X";
    for (int i = 0; i < 100000; ++i) line += " LENGTH(abc)";
    int asked = 0;
    SubstitutionContext ctx;
    ctx.cancelled = [&] { return ++asked >= 2; };
    const std::string r = RewriteLine(line, ctx);
    EXPECT_GE(asked, 2);
    EXPECT_NE(r.find("LENGTH(abc)"), std::string::npos);
    EXPECT_EQ(r.substr(0, 4), "X 3 ");
}

// Lines whose command hides its echo hide the date functions' remark as well.
TEST(LineSubstitution, HiddenLinesHideTheDateRemark)
{
    std::vector<std::string> log;
    SubstitutionContext ctx;
    ctx.log = [&](const std::string& l) { log.push_back(l); };
    EXPECT_EQ(RewriteLine("PASSWORD=Secr3tMONTH(2024-05-01)x", ctx), "PASSWORD=Secr3t5x");
    EXPECT_EQ(RewriteLine("SUBSTR(Password=ab,1,11)DAY(2024-05-01)", ctx), "Password=ab1");
    EXPECT_EQ(RewriteLine("HOST=DAY(2024-05-01)", ctx), "HOST=1");
    EXPECT_EQ(log, (std::vector<std::string>{" (Password <hidden>)", " (Password <hidden>)", " (HOST=DAY(2024-05-01))"}));
}

TEST(VariableStore, IndexedNamesKeepTheLineForm)
{
    VariableStore vars;
    vars.SetVariable("  Alpha ", " one ");
    vars.SetVariable("LET beta", "two");
    vars.SetVerbatimVariable("ALPHA", "three");
    vars.SetVariable("Gamma", "");
    EXPECT_EQ(vars.GetVariable("alpha"), "three");
    EXPECT_TRUE(vars.IsVerbatim(" Alpha"));
    EXPECT_EQ(vars.GetVariable("BETA "), "two");
    EXPECT_FALSE(vars.IsVerbatim("beta"));
    EXPECT_FALSE(vars.IsVerbatim("nobody"));
    EXPECT_TRUE(vars.Has("gamma"));
    EXPECT_FALSE(vars.Has("delta"));
    const std::string sep(1, VariableStore::kSeparator);
    EXPECT_EQ(vars.Lines(), (std::vector<std::string>{"Alpha" + sep + "three", "beta" + sep + "two", "Gamma" + sep}));
    vars.Clear();
    EXPECT_EQ(vars.Count(), 0u);
    EXPECT_EQ(vars.GetVariable("alpha"), "");
}

TEST(LineSubstitution, AllParams)
{
    const std::vector<std::string> params{"/s/job.ftp", "a", "/in/b.txt"};
    EXPECT_EQ(ExpandAllParams("ALLPARAMS GET %%ALLPAR%% /in", params),
              (std::vector<std::string>{"GET %%Param1%% /in", "GET %%Param2%% /in"}));
    EXPECT_EQ(ExpandAllParams("allparams SEND %%NamePar%%", params),
              (std::vector<std::string>{"SEND %%" + NameParameterVariable(1) + "%%",
                                        "SEND %%" + NameParameterVariable(2) + "%%"}));
    EXPECT_TRUE(ExpandAllParams("ALLPARAMS GET x", {"/s/job.ftp"}).empty());
    EXPECT_EQ(ExpandAllParams("  GET x  ", params), std::vector<std::string>{"GET x"});
    // A parameter whose name holds the token cannot make the replacement loop.
    EXPECT_EQ(ExpandAllParams("ALLPARAMS X %%NAMEPAR%%", {"s", "/d/%%NAMEPAR%%"}),
              std::vector<std::string>{"X %%" + NameParameterVariable(1) + "%%"});
}

TEST(Arguments, SplitUnquoteStrip)
{
    const struct {
        const char *text, *first, *second;
    } split[] = {
        {"a.txt /in/a.txt extra", "a.txt", "/in/a.txt"},
        {"\"my file.txt\" \"/in dir/x\"", "my file.txt", "/in dir/x"},
        {"'q' x", "\"q\"", "x"},
        {"", "", ""},
        {"  one  ", "one", ""},
        {"\"unclosed text", "unclosed text", ""},
    };
    for (const auto& c : split) {
        const auto [a, b] = SplitArguments(c.text);
        EXPECT_EQ(a, c.first) << c.text;
        EXPECT_EQ(b, c.second) << c.text;
    }
    EXPECT_EQ(UnquoteArgument(" \"x y\" "), "x y");
    EXPECT_EQ(UnquoteArgument("\"x"), "\"x");
    EXPECT_EQ(UnquoteArgument("it's"), "it\"s");
    EXPECT_EQ(StripArgQuotes("\"x"), "x");
    EXPECT_EQ(StripArgQuotes("'x'"), "\"x\"");
}

TEST(Arguments, DelimitedFields)
{
    EXPECT_EQ(CountDelimitedFields("", ';'), 0);
    EXPECT_EQ(CountDelimitedFields("   ", ';'), 0);
    EXPECT_EQ(CountDelimitedFields("a;b;", ';'), 3);
    EXPECT_EQ(GetDelimitedField(2, "a;b;c", ';'), "b");
    EXPECT_EQ(GetDelimitedField(0, "a;b", ';'), "");
    EXPECT_EQ(GetDelimitedField(3, "a;b", ';'), "");
    EXPECT_EQ(SetDelimitedField(4, "a;b", "d", ';'), "a;b;;d");
    EXPECT_EQ(SetDelimitedField(1, "a;b", "z", ';'), "z;b");
    EXPECT_EQ(SetDelimitedField(2, "", "z", ';'), ";z");
}

TEST(DateRoutines, JulianRoundTripOver1901To2099)
{
    for (auto days = datetime::daysFromCivil(1901, 1, 1); days <= datetime::daysFromCivil(2099, 12, 31); ++days) {
        int y = 0, m = 0, d = 0;
        datetime::civilFromDays(days, y, m, d);
        int y2 = 0, m2 = 0, d2 = 0;
        JulianDayToDate(JulianDayOf(y, m, d), y2, m2, d2);
        ASSERT_EQ(std::make_tuple(y, m, d), std::make_tuple(y2, m2, d2));
    }
}

TEST(DateRoutines, WeekNumbersAtYearEnds)
{
    const struct {
        int y, m, d, week;
    } cases[] = {
        {2026, 1, 1, 1},   {2026, 1, 5, 2},  {2026, 12, 31, 1}, {2021, 1, 1, 1},  // 0 and 53 become 1
        {2021, 1, 4, 1},   {2020, 12, 31, 1}, {2026, 12, 10, 50}, {2024, 6, 15, 24},
    };
    for (const auto& c : cases) EXPECT_EQ(WeekNumberOf(c.y, c.m, c.d), c.week) << c.y << "-" << c.m << "-" << c.d;
}
