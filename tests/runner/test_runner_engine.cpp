// One run of the engine at a time, as the runner does it: the start timer, the interpreter, the
// error path, the end line and the history file.

#include "controls/effects/EffLabels.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/FdHandle.h"
#include "platform/Headless.h"
#include "platform/Painting.h"
#include "platform/Prompt.h"
#include "platform/Wait.h"
#include "runner/ScriptVantrel.h"
#include "runner/ScriptVantrelWindow.h"
#include "script/ScriptFile.h"
#include "script/ScriptLoader.h"
#include "tests/runner/EngineRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgHome.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <algorithm>
#include <filesystem>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <climits>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>

using Lines = std::vector<std::string>;

namespace {

class RecordingPrompt : public Prompt {
public:
    Lines messages;
    std::function<void()> onMessage;
    bool answer = true;
    std::string entry = "typed";
    void message(const std::string& text, const std::string&, MessageKind) override
    {
        messages.push_back(text);
        if (onMessage) onMessage();
    }
    bool input(const std::string& caption, const std::string& label, std::string& value) override
    {
        messages.push_back(caption + "|" + label);
        value = entry;
        return answer;
    }
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        datetime::setClockForTesting([] { return CivilTime{2026, 3, 7, 14, 5, 9, 0}; });
        apppaths::setProgramFolderForTesting(program.path());
        prompt_ = std::make_shared<RecordingPrompt>();
        old_ = prompt::install(prompt_);
    }
    void TearDown() override
    {
        prompt::install(old_);
        apppaths::setProgramFolderForTesting({});
        datetime::setClockForTesting({});
    }
    // Runs a script to its end, as the start timer would, without the close delays.
    std::unique_ptr<TScriptVantrel> run(Lines parameters)
    {
        return enginerun::Run(std::move(parameters),
                              [this](TScriptVantrel& e) { e.TerminateProgram = [this](int code) { terminated = code; }; });
    }
    std::string script(const std::string& name, const Lines& lines) { return enginerun::WriteScript(dir, name, lines); }

    TempDir dir, program;
    std::shared_ptr<RecordingPrompt> prompt_;
    std::shared_ptr<Prompt> old_;
    int terminated = -1;
};

const std::string kStart = "**** 2026-03-07 14:05:09: Start script ";
const std::string kEnd = "**** 2026-03-07 14:05:09: End script ";

}  // namespace

TEST_F(EngineTest, AllCommentScriptGivesExactFramesAndHistoryBytes)
{
    const std::string path = script("job.ftp", {"; one", "  ", ":label"});
    auto e = run({path});
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_EQ(TempDir::read(dir.file("job.History.txt")),
              kStart + "job.ftp ****\r\n\r\n\r\n" + kEnd + "job.ftp ****\r\n\r\n");
}

// The log goes into the history's temporary file as it grows; memory and the window keep only
// the recent lines, and the history appears whole at the end.
TEST_F(EngineTest, ALongRunStreamsItsHistoryAndKeepsRecentLines)
{
    const int rounds = 3 * static_cast<int>(TScriptVantrel::kKeptLogLines);
    const std::string path =
        script("loop.ftp", {"NUMVARIABLE n", ":top", "LET n = n + 1", "IF %%n%% < " + std::to_string(rounds), "GOTO :top", "ENDIF"});
    auto e = enginerun::Prepared({path});
    TScriptVantrelWindow window(*e);
    window.show();
    e->StartaTimer();
    const Lines history = bytetext::splitLines(TempDir::read(dir.file("loop.History.txt")));
    ASSERT_EQ(history.size(), static_cast<std::size_t>(rounds) + 6);  // frames, blanks, NUMVARIABLE
    EXPECT_EQ(std::count(history.begin(), history.end(), " LET n = n + 1"), rounds);
    EXPECT_EQ(history[history.size() - 2], kEnd + "loop.ftp ****");
    EXPECT_LE(e->Log().size(), 2 * TScriptVantrel::kKeptLogLines);
    EXPECT_EQ(e->Log()[e->Log().size() - 2], history[history.size() - 2]);
    QPlainTextEdit* memo = window.Memo2();
    EXPECT_LT(memo->blockCount(), rounds);
    // The view followed the lines as they came: the end is in sight.
    EXPECT_GT(memo->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(memo->verticalScrollBar()->value(), memo->verticalScrollBar()->maximum());
    EXPECT_TRUE(memo->toPlainText().contains(QString::fromStdString(kEnd + "loop.ftp ****")));
    EXPECT_FALSE(memo->document()->isUndoAvailable());
    // Nothing but the script and its history is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 2);
}

// The temporary file is a new one of its own: a link planted under a name the runner might use
// is never written through, and the history replaces a link at its own name instead of following it.
TEST_F(EngineTest, HistoryIsWrittenThroughNoLink)
{
    const std::string victim = dir.write("victim.txt", "keep");
    const std::string path = script("job.ftp", {"HOST=h"});
    for (const char* planted : {"job.History.txt.writing", "job.History.txt.tmp", "job.History.txt"})
        std::filesystem::create_symlink(victim, dir.file(planted));
    auto e = run({path});
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_EQ(TempDir::read(victim), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("job.History.txt")));
    EXPECT_NE(TempDir::read(dir.file("job.History.txt")).find(" HOST=h\r\n"), std::string::npos);
}

// A history that cannot be written fails the run, on standard error, and leaves nothing behind.
TEST_F(EngineTest, UnwritableHistoryExitsOneAndSaysSo)
{
    const std::string path = script("job.ftp", {"HOST=h"});
    std::filesystem::create_directory(dir.file("job.History.txt"));
    testing::internal::CaptureStderr();
    auto e = run({path});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(e->ExitCode(), 1);
    EXPECT_NE(err.find("the history file " + dir.file("job.History.txt") + " could not be written"), std::string::npos) << err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 2);

    // A script in a folder that is not there: no temporary can be made.
    testing::internal::CaptureStderr();
    auto missing = run({dir.file("gone/none.ftp")});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("could not be written"), std::string::npos);
    EXPECT_EQ(missing->ExitCode(), 1);
}

// A password holding an in-line function is hidden in the function's remark as in the echo.
TEST_F(EngineTest, PasswordWithAFunctionIsNotLogged)
{
    auto e = run({script("p.ftp", {"PASSWORD=Secr3tMONTH(2024-05-01)x"})});
    EXPECT_EQ(e->FTP.Password, "Secr3t5x");
    const std::string history = TempDir::read(dir.file("p.History.txt"));
    EXPECT_EQ(history.find("Secr3t"), std::string::npos) << history;
    EXPECT_NE(history.find(" (Password <hidden>)\r\n Password <hidden>\r\n"), std::string::npos) << history;
}

TEST_F(EngineTest, MissingScriptTakesTheErrorPathAndStillWritesHistory)
{
    auto e = run({dir.file("none.ftp")});
    EXPECT_EQ(e->ExitCode(), 1);
    const Lines& log = e->Log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[2].rfind("Error: Cannot open file \"" + dir.file("none.ftp") + "\"", 0), 0u);
    EXPECT_EQ(log[4], kEnd + "none.ftp ****");
    EXPECT_TRUE(apppaths::fileExists(dir.file("none.History.txt")));
}

TEST_F(EngineTest, NoScriptArgumentWritesNoHistory)
{
    TempDir cwd;
    auto e = run({});
    EXPECT_EQ(e->ExitCode(), 1);
    EXPECT_EQ(e->Log()[2].rfind("Error: No script file given", 0), 0u);
    EXPECT_FALSE(apppaths::fileExists(".History.txt"));
}

TEST_F(EngineTest, ErrorTextsWithLineEndsBecomeSeparateLines)
{
    auto e = run({script("j.ftp", {"DOCOMMAND NOOP"})});
    for (const auto& l : e->Log()) EXPECT_EQ(l.find('\r'), std::string::npos);
    EXPECT_EQ(TempDir::read(dir.file("j.History.txt")).find("\r\r"), std::string::npos);
}

TEST_F(EngineTest, DispatchEchoAndSettings)
{
    const struct {
        Lines lines;
        Lines echoed;  // the log between the frames, without the blank lines
        std::function<void(const TScriptVantrel&)> check;
    } cases[] = {
        {{"host=server1"}, {" host=server1"}, [](auto& e) { EXPECT_EQ(e.FTP.Host, "server1"); }},
        {{"HOSTX=server1"}, {}, [](auto& e) { EXPECT_EQ(e.FTP.Host, ""); }},
        {{"USER=\"me\"", "PASSWORD=\"s3cret\""}, {" USER=\"me\"", " Password <hidden>"},
         [](auto& e) {
             EXPECT_EQ(e.FTP.UserID, "me");
             EXPECT_EQ(e.FTP.Password, "s3cret");
         }},
        {{"PROXYPASSWORD=visible", "PROXYUSER=u"}, {" ProxyPassword <hidden>", " PROXYUSER=u"}, nullptr},
        {{"TIMEOUT=abc", "TRANSTIMEOUT=abc"}, {" TIMEOUT=abc", " TRANSTIMEOUT=abc"},
         [](auto& e) {
             EXPECT_EQ(e.FTP.Timeout, 60000);
             EXPECT_EQ(e.TransferTimeoutMs, 60000);
         }},
        {{"TIMEOUT=\"30\"", "TRANSTIMEOUT=0"}, {" TIMEOUT=\"30\"", " TRANSTIMEOUT=0"},
         [](auto& e) {
             EXPECT_EQ(e.FTP.Timeout, 30000);
             EXPECT_EQ(e.TransferTimeoutMs, 0);  // no time-out
         }},
        {{"TRANSTIMEOUT=99999999999"}, {" TRANSTIMEOUT=99999999999"},
         [](auto& e) { EXPECT_EQ(e.TransferTimeoutMs, INT_MAX); }},
        {{"TRANSTIMEOUT=2000000"}, {" TRANSTIMEOUT=2000000"}, [](auto& e) { EXPECT_EQ(e.TransferTimeoutMs, 2000000000); }},
        {{"PORT=\"2121\"", "PROXYPORT=x"}, {" PORT=\"2121\"", " PROXYPORT=x"},
         [](auto& e) {
             EXPECT_EQ(e.FTP.Port, 2121);
             EXPECT_EQ(e.FTP.ProxyPort, 21);
         }},
        {{"SERVERTYPE=unix"}, {" SERVERTYPE=unix"}, [](auto& e) { EXPECT_EQ(e.FTP.ServerStyle, 1); }},
        {{"SERVERTYPE=UNIX"}, {" SERVERTYPE=UNIX"}, [](auto& e) { EXPECT_EQ(e.FTP.ServerStyle, 2); }},
        {{"SERVERTYPE=HP3000"}, {" SERVERTYPE=HP3000"},
         [](auto& e) {
             EXPECT_EQ(e.FTP.ServerStyle, 17);
             EXPECT_EQ(e.WildcardChar, '@');
         }},
        {{"NODIALOGS"}, {" NODIALOGS", "   ---> No error dialogs will be shown"}, [](auto& e) { EXPECT_FALSE(e.DialogsFlag); }},
        {{"ASCII"}, {" ASCII", "   ---> ASCII transfer on!"},
         [](auto& e) {
             EXPECT_EQ(e.TransferMode, 1);
             EXPECT_EQ(e.FTP.Mode, 1);
         }},
        {{"FORCELOWERON", "FORCEUPPERON"}, {" FORCELOWERON", " FORCEUPPERON"},
         [](auto& e) {
             EXPECT_FALSE(e.ForceLower);
             EXPECT_TRUE(e.ForceUpper);
         }},
        {{"HIDEAPP", "SHOWAPP"},
         {" HIDEAPP", "   ---> HIDEAPP: Hiding application from taskbar", " SHOWAPP",
          "   ---> SHOWAPP: Re-Showing application on taskbar"},
         [](auto& e) { EXPECT_FALSE(e.HideApp.HideForm()); }},
        {{"CHMOD 644 a.txt"}, {" CHMOD 644 a.txt"}, [](auto& e) { EXPECT_FALSE(e.SuccessFlag); }},
        {{"CHARVARIABLE x", "REALVARIABLE y", "unknown words"}, {" CHARVARIABLE x", " REALVARIABLE y"}, nullptr},
        {{"INPUT Who \"Your name\"", "MESSAGE \"Hello %%who%%\""}, {" INPUT Who \"Your name\"", " MESSAGE \"Hello typed\""},
         [](auto& e) { EXPECT_EQ(e.GetVariable("WHO"), "typed"); }},
    };
    for (const auto& c : cases) {
        auto e = run({script("d.ftp", c.lines)});
        Lines body;
        for (std::size_t i = 2; i + 3 < e->Log().size(); ++i)
            if (!e->Log()[i].empty()) body.push_back(e->Log()[i]);
        EXPECT_EQ(body, c.echoed) << c.lines[0];
        if (c.check) c.check(*e);
    }
}

TEST_F(EngineTest, RunStartResetsSettingsAndPredefinesVariables)
{
    const std::string path = script("r.ftp", {"MESSAGE \"%%ParamCount%%|%%Param1%%|%%Param2%%|%%ScriptDir%%|%%Today%%|%%WeekNumber%%\""});
    auto e = enginerun::Prepared({path, "a", "b"});
    e->TransferTimeoutMs = 5;
    e->WildcardChar = '@';
    e->FTP.ServerStyle = 17;
    e->StartaTimer();
    EXPECT_EQ(e->TransferTimeoutMs, 120000);
    EXPECT_EQ(e->WildcardChar, '*');
    EXPECT_EQ(e->FTP.ServerStyle, 1);
    ASSERT_EQ(prompt_->messages.size(), 1u);
    EXPECT_EQ(prompt_->messages[0], "2|a|b|" + program.path() + "/Scripts|2026-03-07|10");
    EXPECT_EQ(e->GetVariable("NewLine"), "");  // a lone CR reads back trimmed
}

TEST_F(EngineTest, IncludesInOrderMissingAndScrambledPasswords)
{
    script("inner.ftp", {"MESSAGE inner", "Password=\"" + std::string(1, kPasswordMarker) + ScramblePassword("pw") +
                                              std::string(1, kPasswordMarker) + "\""});
    program.write("Scripts/lib.ftp", bytetext::joinLinesCrLf({"MESSAGE lib", "#INCLUDE " + dir.file("inner.ftp")}));
    const std::string path = script("main.ftp", {"MESSAGE before", "#include \"lib.ftp\"", "#INCLUDE nowhere.ftp", "MESSAGE after"});
    auto e = run({path});
    EXPECT_EQ(prompt_->messages, (Lines{"before", "lib", "inner", "File nowhere.ftp not found!!", "after"}));
    EXPECT_EQ(e->FTP.Password, "pw");
    EXPECT_EQ(e->ExitCode(), 0);
}

TEST_F(EngineTest, MarkerBytesOutsidePasswordLinesRunAsWritten)
{
    const std::string m(1, kPasswordMarker);
    const std::string path = script("latin.ftp", {"MESSAGE Ha" + m + " and " + m + "end", "Password=\"" + m +
                                                      ScramblePassword("pw") + m + "\""});
    auto e = run({path});
    EXPECT_EQ(prompt_->messages, Lines{"Ha" + m + " and " + m + "end"});
    EXPECT_EQ(e->FTP.Password, "pw");
}

TEST_F(EngineTest, SelfIncludeEndsOnTheGuard)
{
    const std::string path = script("self.ftp", {"MESSAGE x", "#INCLUDE " + dir.file("self.ftp")});
    auto e = run({path});
    EXPECT_EQ(e->ExitCode(), 1);
    EXPECT_TRUE(prompt_->messages.empty());
    EXPECT_NE(e->Log()[2].find("nested more than"), std::string::npos);
}

TEST_F(EngineTest, IncludesBesideTheirScriptAreFoundFromAnyCurrentFolder)
{
    // Each include is looked for beside the file that includes it, after the other places.
    script("jobs/side.ftp", {"MESSAGE side", "#INCLUDE parts/deeper.ftp"});
    script("jobs/parts/deeper.ftp", {"MESSAGE deeper", "#INCLUDE last.ftp"});
    script("jobs/parts/last.ftp", {"MESSAGE last"});
    program.write("Scripts/last.ftp", "MESSAGE from the program folder\r\n");
    const std::string path = script("jobs/main.ftp", {"#INCLUDE side.ftp", "#INCLUDE missing.ftp"});
    auto e = run({path});
    EXPECT_EQ(prompt_->messages,
              (Lines{"side", "deeper", "from the program folder", "File missing.ftp not found!!"}));
    EXPECT_EQ(e->ExitCode(), 0);
}

TEST_F(EngineTest, AByteOrderMarkDoesNotHideTheFirstCommand)
{
    const std::string bom = "\xEF\xBB\xBF";
    dir.write("inc.ftp", bom + "MESSAGE included\r\n");
    const std::string path = dir.write("bom.ftp", bom + "MESSAGE first\r\n#INCLUDE " + dir.file("inc.ftp") + "\r\n");
    EXPECT_EQ(LoadScriptLines(path)[0], "MESSAGE first");
    auto e = run({path});
    EXPECT_EQ(prompt_->messages, (Lines{"first", "included"}));
}

TEST_F(EngineTest, CancelStopsBeforeTheNextLineAndStillWritesHistory)
{
    const std::string path = script("c.ftp", {"MESSAGE one", "MESSAGE two"});
    auto e = enginerun::Prepared({path});
    prompt_->onMessage = [&] { e->Button1Click(); };
    e->StartaTimer();
    EXPECT_EQ(prompt_->messages, Lines{"one"});
    EXPECT_EQ(e->ExitCode(), 130);
    EXPECT_NE(TempDir::read(dir.file("c.History.txt")).find(kEnd), std::string::npos);
}

TEST_F(EngineTest, SigtermActsAsCancel)
{
    const std::string path = script("s.ftp", {"MESSAGE one", "MESSAGE two"});
    auto e = enginerun::Prepared({path});
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, e.get(), [&](int) { e->Button1Click(); });
    prompt_->onMessage = [&] { ::raise(SIGTERM); };
    e->StartaTimer();
    EXPECT_EQ(prompt_->messages, Lines{"one"});
    EXPECT_NE(TempDir::read(dir.file("s.History.txt")).find(kEnd), std::string::npos);
}

TEST_F(EngineTest, WatchdogWritesHistoryBeforeEnding)
{
    const std::string path = script("w.ftp", {"MESSAGE hang"});
    auto e = enginerun::Prepared({path});
    e->TerminateProgram = [&](int code) { terminated = code; };
    prompt_->onMessage = [&] { e->HoldupTimer(); };  // fires while the run is stuck
    e->StartaTimer();
    EXPECT_EQ(terminated, 1);
    const std::string history = TempDir::read(dir.file("w.History.txt"));
    EXPECT_NE(history.find(" MESSAGE hang"), std::string::npos);
    // The reason the run was ended is in its log.
    EXPECT_NE(history.find("\r\nError: The connection did not close within 30 seconds\r\n"), std::string::npos);
    EXPECT_NE(history.find(kEnd), std::string::npos);
    // The end frame is written once, even though the run went on after the watchdog in this test.
    EXPECT_EQ(history.find(kEnd), history.rfind(kEnd));
}

TEST_F(EngineTest, TransferTimeoutLogsAndClearsTheSuccessFlagWithoutAPrompt)
{
    auto e = std::make_unique<TScriptVantrel>(Lines{});
    e->Starta.stop();
    e->TTimeOut.setInterval(120000);
    e->TTimeOut.start();
    e->TTimeOut.setInterval(1);
    e->TTimeOut.start();
    EXPECT_EQ(waiting::waitUntil([&] { return !e->SuccessFlag; }, 5000), waiting::WaitResult::Condition);
    EXPECT_FALSE(e->TTimeOut.isActive());
    EXPECT_TRUE(prompt_->messages.empty());
    EXPECT_EQ(e->Log(), std::vector<std::string>{"   ---> Transfer timed out! (0 seconds)"});
}

TEST_F(EngineTest, WindowShowsTheLog)
{
    const std::string path = script("v.ftp", {"HOST=shown.example", "BINARY"});
    auto e = enginerun::Prepared({path});
    TScriptVantrelWindow window(*e);
    window.show();
    e->StartaTimer();
    const QString text = window.Memo2()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral(" HOST=shown.example")));
    EXPECT_TRUE(text.contains(QStringLiteral("   ---> BINARY transfer on!")));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Script Vantrel"));
    EXPECT_EQ(window.Button1()->text(), QStringLiteral("Cancel"));
    const QImage image = window.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 407);
    // The log area is not blank: some pixel differs from the background.
    const QColor bg = image.pixelColor(200, 200);
    bool inked = false;
    for (int y = 40; y < 120 && !inked; ++y)
        for (int x = 2; x < 300 && !inked; ++x) inked = image.pixelColor(x, y) != bg;
    EXPECT_TRUE(inked);
}

TEST_F(EngineTest, ExecutingBarIsAFilledTitleOnATexturedFill)
{
    auto e = enginerun::Prepared({script("bar.ftp", {"BINARY"})});
    TScriptVantrelWindow window(*e);
    window.show();
    QApplication::processEvents();
    auto* bar = window.findChild<TExecutingBar*>("Panel1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->height(), 33);
    EXPECT_EQ(bar->EffFill1->geometry(), bar->rect());
    EXPECT_EQ(bar->EffFill1->FillObject()->Style(), sfBitmap);
    TEffLabelFill* title = bar->EffLabelFill1;
    EXPECT_EQ(title->Caption(), QStringLiteral("Executing"));
    EXPECT_EQ(title->accessibleName(), QStringLiteral("Executing"));
    EXPECT_EQ(title->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(title->Font()->Height(), -16);
    EXPECT_TRUE(title->Font()->Style() & fsBold);
    EXPECT_EQ(title->FontFx()->Style(), tdRaisedShadow);
    EXPECT_EQ(title->FillObject()->Style(), sfGradient);
    EXPECT_TRUE(title->Transparent());
    const QImage shown = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString renders = QStringLiteral(VANTREL_BIN_DIR "/../effects-renders");
    QDir().mkpath(renders);
    shown.scaled(shown.size() * 2).save(renders + "/runner-executing-bar.png");
    // Inside the bevel the texture shows; the letters carry the gradient's first colours.
    const QColor face = painting::ToQColor(clBtnFace);
    EXPECT_TRUE(shown.pixelColor(1, 1) == face || shown.pixelColor(1, 1) == face.lighter(112) ||
                shown.pixelColor(1, 1) == face.darker(106));
    const std::vector<TColor>& steps = title->FillObject()->Gradient()->Colors();
    int fromGradient = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (std::find(steps.begin(), steps.end(), painting::FromQColor(shown.pixelColor(x, y))) != steps.end())
                ++fromGradient;
    EXPECT_GT(fromGradient, 30);
}

TEST_F(EngineTest, ClosingTheWindowEndsTheWaitTheRunIsIn)
{
    // A server that takes the connection (the kernel does) and never greets.
    FdHandle listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener.get(), 1), 0);
    ASSERT_EQ(::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string path = script("c.ftp", {"HOST=127.0.0.1", "PORT=" + std::to_string(ntohs(address.sin_port)),
                                              "TIMEOUT=0", "CONNECT", "LET after=reached"});
    auto e = enginerun::Prepared({path});
    TScriptVantrelWindow window(*e);
    window.show();
    QTimer::singleShot(300, &window, [&] { window.close(); });
    // Only a bound for the test, should closing not reach the wait for the greeting.
    QTimer::singleShot(8000, e.get(), [&] { e->FTP.Abort(); });
    const auto started = std::chrono::steady_clock::now();
    e->StartaTimer();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    EXPECT_EQ(e->GetVariable("after"), "");
    EXPECT_NE(TempDir::read(dir.file("c.History.txt")).find(kEnd), std::string::npos);
}

// The runner's window can be sized; the size the user left it at is the next run's.
TEST_F(EngineTest, TheWindowKeepsTheSizeTheUserGaveIt)
{
    XdgHome home;
    auto e = enginerun::Prepared({script("s.ftp", {"LET a = 1"})});
    {
        TScriptVantrelWindow window(*e);
        EXPECT_EQ(window.size(), QSize(407, 318));
        window.show();
        window.resize(640, 480);
        window.close();
    }
    EXPECT_NE(TempDir::read(home.configHome() + "/vantrel/trevask.ini").find("Width=640"), std::string::npos);
    TScriptVantrelWindow again(*e);
    EXPECT_EQ(again.size(), QSize(640, 480));
}
