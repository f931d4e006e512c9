#include "desktop/FileCopy.h"

#include "platform/Prompt.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Records every box and every beep (as "(beep)") and answers questions from a script.
class RecordingPrompt : public Prompt {
public:
    std::vector<std::string> shown;
    bool answer = false;

    void message(const std::string& text, const std::string&, MessageKind) override { shown.push_back(text); }
    bool input(const std::string&, const std::string&, std::string&) override { return false; }
    bool question(const std::string& text, const std::string&, MessageKind) override
    {
        shown.push_back("? " + text);
        return answer;
    }
    void beep() override { shown.push_back(Beep); }
    static constexpr const char* Beep = "(beep)";
};

class FileCopyTest : public ::testing::Test {
protected:
    void SetUp() override { old_ = prompt::install(prompt_); }
    void TearDown() override { prompt::install(old_); }

    // Runs Execute on the two names and returns what was shown.
    std::vector<std::string> execute(const std::string& source, const std::string& target)
    {
        copy.SetSourceFile(source);
        copy.SetTargetFile(target);
        copy.Execute();
        return prompt_->shown;
    }
    // The names in the folder, so a test sees a temporary file left behind.
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path())) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    TempDir dir;
    TFileCopy copy;
    std::shared_ptr<RecordingPrompt> prompt_ = std::make_shared<RecordingPrompt>();

private:
    std::shared_ptr<Prompt> old_;
};

std::string bytes(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
    return s;
}

}  // namespace

TEST_F(FileCopyTest, CopiesWholeFilesInBlocksWithProgressUpToOneHundred)
{
    const struct {
        std::size_t size;
        int reads;  // the last one finds the end
    } cases[] = {{0, 1}, {16384, 2}, {16385, 3}, {100000, 8}};
    for (const auto& c : cases) {
        const std::string data = bytes(c.size);
        const std::string source = dir.write("src" + std::to_string(c.size), data);
        const std::string target = dir.file("dst" + std::to_string(c.size));
        std::vector<std::pair<int, int>> steps;
        copy.OnProgress = [&](int r, int w) { steps.emplace_back(r, w); };
        ASSERT_TRUE(copy.Copy(source, target)) << c.size;
        EXPECT_EQ(TempDir::read(target), data) << c.size;
        ASSERT_EQ(steps.size(), static_cast<std::size_t>(2 * c.reads + 1)) << c.size;
        EXPECT_EQ(steps.back(), std::make_pair(100, 100));
        for (std::size_t i = 1; i < steps.size(); ++i) {
            EXPECT_LE(steps[i - 1].first, steps[i].first);
            EXPECT_LE(steps[i].second, steps[i].first);
            EXPECT_LE(steps[i].first, 100);
        }
    }
    EXPECT_TRUE(prompt_->shown.empty());
    EXPECT_EQ(names().size(), 8u);
}

TEST_F(FileCopyTest, AnExistingTargetIsReplacedOnlyOnYes)
{
    const std::string source = dir.write("new.bin", "new contents");
    const std::string target = dir.write("old.bin", "old");
    ::chmod(target.c_str(), 0640);
    prompt_->answer = false;
    EXPECT_EQ(execute(source, target),
              (std::vector<std::string>{"? The file " + target + "\r already exists. Overwrite ?", "Execution failed"}));
    EXPECT_EQ(TempDir::read(target), "old");

    prompt_->shown.clear();
    prompt_->answer = true;
    EXPECT_EQ(execute(source, target).size(), 1u);
    EXPECT_EQ(TempDir::read(target), "new contents");
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // Through a link the file it names is replaced, and the link stays.
    fs::create_symlink(target, dir.file("link.bin"));
    dir.write("newer.bin", "newer");
    ASSERT_TRUE(copy.Copy(dir.file("newer.bin"), dir.file("link.bin")));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.bin")));
    EXPECT_EQ(TempDir::read(target), "newer");
}

TEST_F(FileCopyTest, TheSameFileUnderAnyNameIsRefused)
{
    const std::string source = dir.write("a.txt", "keep me");
    fs::create_symlink(source, dir.file("sym.txt"));
    fs::create_hard_link(source, dir.file("hard.txt"));
    const std::string spellings[] = {source, dir.path() + "/./a.txt", dir.file("sym.txt"), dir.file("hard.txt")};
    for (const std::string& target : spellings) {
        prompt_->shown.clear();
        prompt_->answer = true;
        EXPECT_EQ(execute(source, target),
                  (std::vector<std::string>{RecordingPrompt::Beep, "Error !!!\rCan't copy the file on itself",
                                            "Execution failed"}))
            << target;
        EXPECT_EQ(TempDir::read(source), "keep me") << target;
    }
}

TEST_F(FileCopyTest, MissingNamesAndSourcesAreReported)
{
    EXPECT_EQ(execute("", "t"), std::vector<std::string>{"I can't copy\rSource File name missing"});
    prompt_->shown.clear();
    EXPECT_EQ(execute("s", ""), std::vector<std::string>{"I can't copy\rTarget File name missing"});
    ::mkfifo(dir.file("fifo").c_str(), 0600);  // opening it would wait for a writer
    for (const std::string& source : {dir.file("missing.txt"), dir.path(), std::string("/dev/zero"), dir.file("fifo")}) {
        prompt_->shown.clear();
        EXPECT_EQ(execute(source, dir.file("t.txt")),
                  (std::vector<std::string>{RecordingPrompt::Beep, source + " missing or damaged", "Execution failed"}));
    }
    EXPECT_FALSE(fs::exists(dir.file("t.txt")));
}

TEST_F(FileCopyTest, ATargetThatCannotBeCreatedIsReported)
{
    const std::string source = dir.write("s.txt", "x");
    dir.write("plain", "a file, not a folder");
    std::vector<std::string> targets = {dir.file("plain/t.txt"), dir.file("no folder/t.txt")};
    if (::geteuid() != 0) {  // permissions do not hold root back
        fs::create_directory(dir.file("locked"));
        ::chmod(dir.file("locked").c_str(), 0555);
        targets.push_back(dir.file("locked/t.txt"));
    }
    for (const std::string& target : targets) {
        prompt_->shown.clear();
        EXPECT_EQ(execute(source, target),
                  (std::vector<std::string>{RecordingPrompt::Beep, "Error on creating " + target, "Execution failed"}));
    }
    ::chmod(dir.file("locked").c_str(), 0755);
}

TEST_F(FileCopyTest, AFullDiskFailsAndKeepsTheOldTarget)
{
    const std::string source = dir.write("big.bin", bytes(100000));
    const std::string target = dir.write("target.bin", "old");
    // A file-size limit makes writes run short and then fail, as on a full disk.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 20000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    prompt_->answer = true;
    const auto shown = execute(source, target);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(shown, (std::vector<std::string>{"? The file " + target + "\r already exists. Overwrite ?",
                                               RecordingPrompt::Beep, "Error writing \r" + target + "\rCopy failed.",
                                               "Execution failed"}));
    EXPECT_EQ(TempDir::read(target), "old");
    EXPECT_EQ(names(), (std::vector<std::string>{"big.bin", "target.bin"}));
}
