#include "editor/ScriptDocument.h"
#include "script/ScriptFile.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempDir.h"

#include <QSignalSpy>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#include <unistd.h>

namespace {

const std::string M(1, kPasswordMarker);
const std::string kBom = "\xEF\xBB\xBF";

bool IsLink(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

unsigned ModeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The folder's entries, to see that a save leaves nothing behind.
std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(ScriptDocument, AskSaveDecision)
{
    using D = ScriptDocument::Decision;
    const struct {
        const char* name = {};
        bool modified;
        std::optional<SaveAnswer> answer;
        D decision;
    } cases[] = {
        {"clean, not asked", false, std::nullopt, D::Proceed},
        {"clean, whatever the answer", false, SaveAnswer::Cancel, D::Proceed},
        {"changed, saved without asking", true, std::nullopt, D::SaveFirst},
        {"changed, yes", true, SaveAnswer::Yes, D::SaveFirst},
        {"changed, no: given up", true, SaveAnswer::No, D::Proceed},
        {"changed, cancel", true, SaveAnswer::Cancel, D::Cancel},
    };
    for (const auto& c : cases) EXPECT_EQ(ScriptDocument::AskSaveDecision(c.modified, c.answer), c.decision) << c.name;
}

TEST(ScriptDocument, LoadShowsTheTextAndRemembersEncodingMarkAndFile)
{
    const struct {
        const char* name;
        std::string bytes = {};
        QString text;
        bool utf8, bom;
    } cases[] = {
        {"utf-8", "; gr\xC3\xBC\xC3\x9F" "e\r\nHOST=x\r\n", QString::fromUtf8("; grüße\nHOST=x"), true, false},
        {"latin-1", "; caf\xE9\r\n", QString::fromLatin1("; caf\xE9"), false, false},
        {"byte-order mark", kBom + "HOST=x\r\n", "HOST=x", true, true},
        {"a mark before latin-1 is text", kBom + "caf\xE9\r\n", QString::fromLatin1((kBom + "caf\xE9").c_str()), false,
         false},
        {"password in plain text", "Password=\"" + M + ScramblePassword("pw") + M + "\"\r\n", "Password=\"pw\"", true,
         false},
        {"two 0xFF on another line are text", "MESSAGE \"\xFFyes\xFF\"\r\nLET x = \"\xFF" "abc\xFF\"\r\n",
         QString::fromLatin1("MESSAGE \"\xFFyes\xFF\"\nLET x = \"\xFF" "abc\xFF\""), false, false},
        {"LF only", "a\nb\n", "a\nb", true, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.write("s.ftp", c.bytes);
        ScriptDocument doc;
        QSignalSpy named(&doc, &ScriptDocument::fileNameChanged);
        EXPECT_EQ(doc.Load(path), c.text) << c.name;
        EXPECT_EQ(doc.Utf8(), c.utf8) << c.name;
        EXPECT_EQ(doc.ByteOrderMark(), c.bom) << c.name;
        EXPECT_EQ(doc.Path(), path) << c.name;
        EXPECT_EQ(doc.Identity(), IdentityOf(path)) << c.name;
        EXPECT_EQ(doc.Identity().size, std::int64_t(c.bytes.size())) << c.name;
        EXPECT_FALSE(doc.Modified()) << c.name;
        ASSERT_EQ(named.count(), 1) << c.name;
        EXPECT_EQ(named[0][0].toString().toStdString(), path) << c.name;
    }
}

TEST(ScriptDocument, WhatCannotBeReadLeavesTheDocumentAsItWas)
{
    TempDir dir;
    const std::string good = dir.write("good.ftp", "HOST=x\r\n");
    ScriptDocument doc;
    doc.Load(good);
    doc.SetModified(true);
    Fifo fifo(dir.file("pipe.ftp"));
    ASSERT_TRUE(fifo.made());
    for (const std::string& bad : {dir.file("missing.ftp"), dir.path(), fifo.path()})
        EXPECT_THROW(doc.Load(bad), std::exception) << bad;
    EXPECT_FALSE(fifo.unblocked());  // refused, not opened and waited on
    EXPECT_EQ(doc.Path(), good);
    EXPECT_TRUE(doc.Modified());
}

TEST(ScriptDocument, TheMarkSignalsOnlyWhenItChanges)
{
    ScriptDocument doc;
    QSignalSpy marks(&doc, &ScriptDocument::modifiedChanged);
    doc.SetModified(true);
    doc.SetModified(true);  // a key and the text change it makes: one mark
    doc.SetModified(false);
    doc.SetModified(false);
    ASSERT_EQ(marks.count(), 2);
    EXPECT_TRUE(marks[0][0].toBool());
    EXPECT_FALSE(marks[1][0].toBool());

    TempDir dir;
    doc.Load(dir.write("a.ftp", "x\r\n"));
    QSignalSpy named(&doc, &ScriptDocument::fileNameChanged);
    doc.New();
    doc.New();
    ASSERT_EQ(named.count(), 1);
    EXPECT_EQ(named[0][0].toString(), "");
}

namespace {

// One save on real files: a script (and whatever else the case plants) is loaded, its text
// edited, other programs may act, and the save's questions are answered.
struct SaveCase {
    const char* name;
    std::string bytes;                                   // the script as it was loaded
    std::function<QString(QString)> edit = {};                // what the user did to the text
    std::function<void(TempDir&, const std::string&)> meanwhile = {};  // others, before the save
    bool overwriteChanged = false, saveAsUtf8 = false;   // the answers
    ScriptDocument::SaveResult::Status status = {};
    std::string expected = {};                                // the bytes the script's file holds after
    int questions = 0;
    std::string scriptName = "job.ftp";
    std::function<std::string(TempDir&)> plant = {};          // makes the script path; default: a file
    std::function<void(TempDir&, const std::string&)> check = {};  // more to look at after
};

QString Same(QString t) { return t; }
QString Append(QString t) { return t + "\nCONNECT"; }

}  // namespace

TEST(ScriptDocument, SavesOnRealFiles)
{
    using R = ScriptDocument::SaveResult;
    const std::string stored = "; caf\xE9\r\nPassword=\"" + M + ScramblePassword("s3cr\xEBt") + M + "\"\r\nMESSAGE \"\xFFyes\xFF\"\r\n";
    const auto euro = [](QString t) { return t + QChar(0x20AC); };
    const auto theirs = [](TempDir& dir, const std::string&) { dir.write("Scripts/job.ftp", "HOST=x\r\nTheirs\r\n"); };
    const std::vector<SaveCase> cases = {
        {.name = "unchanged bytes: latin-1, password, 0xFF on a non-password line", .bytes = stored, .edit = Same,
         .status = R::Saved, .expected = stored},
        {.name = "byte-order mark kept", .bytes = kBom + "HOST=x\r\n", .edit = Append, .status = R::Saved,
         .expected = kBom + "HOST=x\r\nCONNECT\r\n"},
        {.name = "LF only becomes CR LF", .bytes = "a\nb\n", .edit = Same, .status = R::Saved, .expected = "a\r\nb\r\n"},
        {.name = "latin-1 and a euro: saved as UTF-8 when asked", .bytes = "; caf\xE9\r\n", .edit = euro,
         .saveAsUtf8 = true, .status = R::Saved, .expected = "; caf\xC3\xA9\xE2\x82\xAC\r\n", .questions = 1},
        {.name = "latin-1 and a euro: never a question mark", .bytes = "; caf\xE9\r\n", .edit = euro,
         .status = R::Cancelled, .expected = "; caf\xE9\r\n", .questions = 1},
        {.name = "changed on disk: kept when not overwritten", .bytes = "HOST=x\r\n", .edit = Append, .meanwhile = theirs,
         .status = R::Cancelled, .expected = "HOST=x\r\nTheirs\r\n", .questions = 1},
        {.name = "changed on disk: overwritten when asked", .bytes = "HOST=x\r\n", .edit = Append, .meanwhile = theirs,
         .overwriteChanged = true, .status = R::Saved, .expected = "HOST=x\r\nCONNECT\r\n", .questions = 1},
        {.name = "replaced on disk by a file of the same size", .bytes = "HOST=x\r\n", .edit = Append,
         .meanwhile =
             [](TempDir& dir, const std::string& path) {
                 dir.write("Scripts/other", "HOST=y\r\n");
                 std::filesystem::rename(dir.file("Scripts/other"), path);
             },
         .status = R::Cancelled, .expected = "HOST=y\r\n", .questions = 1},
        {.name = "removed meanwhile: written again", .bytes = "HOST=x\r\n", .edit = Append,
         .meanwhile = [](TempDir&, const std::string& path) { std::filesystem::remove(path); }, .status = R::Saved,
         .expected = "HOST=x\r\nCONNECT\r\n"},
        {.name = "read-only: not replaced", .bytes = "HOST=x\r\n", .edit = Append,
         .meanwhile = [](TempDir&, const std::string& path) { ::chmod(path.c_str(), 0444); }, .status = R::Failed,
         .expected = "HOST=x\r\n",
         .check = [](TempDir&, const std::string& path) { EXPECT_EQ(ModeOf(path), 0444u); }},
        {.name = "the mode is kept", .bytes = "HOST=x\r\n", .edit = Append,
         .meanwhile = [](TempDir&, const std::string& path) { ::chmod(path.c_str(), 0640); }, .status = R::Saved,
         .expected = "HOST=x\r\nCONNECT\r\n",
         .check = [](TempDir&, const std::string& path) { EXPECT_EQ(ModeOf(path), 0640u); }},
        {.name = "a link is saved into the file it names", .bytes = "HOST=x\r\n", .edit = Append, .status = R::Saved,
         .expected = "HOST=x\r\nCONNECT\r\n",
         .plant =
             [](TempDir& dir) {
                 dir.write("shared/real.ftp", "HOST=x\r\n");
                 const std::string link = dir.file("Scripts/Linked.ftp");
                 std::filesystem::create_directories(dir.file("Scripts"));
                 std::filesystem::create_symlink("../shared/real.ftp", link);
                 return link;
             },
         .check =
             [](TempDir& dir, const std::string& path) {
                 EXPECT_TRUE(IsLink(path));
                 EXPECT_EQ(TempDir::read(dir.file("shared/real.ftp")), "HOST=x\r\nCONNECT\r\n");
                 EXPECT_EQ(Entries(dir.file("shared")), std::vector<std::string>{"real.ftp"});
             }},
        {.name = "a link planted at the old temporary name is not written through", .bytes = "HOST=x\r\n", .edit = Append,
         .meanwhile =
             [](TempDir& dir, const std::string& path) {
                 dir.write("victim", "precious\n");
                 std::filesystem::create_symlink(dir.file("victim"), path + ".saving");
             },
         .status = R::Saved, .expected = "HOST=x\r\nCONNECT\r\n",
         .check =
             [](TempDir& dir, const std::string& path) {
                 EXPECT_EQ(TempDir::read(dir.file("victim")), "precious\n");
                 EXPECT_FALSE(IsLink(path));
                 EXPECT_EQ(Entries(dir.file("Scripts")), (std::vector<std::string>{"job.ftp", "job.ftp.saving"}));
             }},
        {.name = "a name that is not UTF-8", .bytes = "; caf\xE9\r\n", .edit = Append, .status = R::Saved,
         .expected = "; caf\xE9\r\nCONNECT\r\n", .scriptName = "caf\xE9.ftp"},
    };
    for (const SaveCase& c : cases) {
        TempDir dir;
        const std::string path = c.plant ? c.plant(dir) : dir.write("Scripts/" + c.scriptName, c.bytes);
        if (!c.plant) {
            ASSERT_EQ(TempDir::read(path), c.bytes) << c.name;
        }
        ScriptDocument doc;
        const QString text = c.edit(doc.Load(path));
        doc.SetModified(true);
        if (c.meanwhile) c.meanwhile(dir, path);
        int questions = 0;
        ScriptDocument::SaveQuestions ask;
        ask.overwriteChanged = [&](const std::string& p) {
            EXPECT_EQ(p, path);
            ++questions;
            return c.overwriteChanged;
        };
        ask.saveAsUtf8 = [&](const std::string&) {
            ++questions;
            return c.saveAsUtf8;
        };
        const ScriptDocument::SaveResult result = doc.Save(text, {}, ask);
        EXPECT_EQ(result.status, c.status) << c.name << ": " << result.error;
        EXPECT_EQ(questions, c.questions) << c.name;
        EXPECT_EQ(TempDir::read(path), c.expected) << c.name;
        EXPECT_EQ(doc.Modified(), !result.saved()) << c.name;
        if (result.status == ScriptDocument::SaveResult::Failed) {
            EXPECT_FALSE(result.error.empty()) << c.name;
        }
        if (result.saved()) {
            EXPECT_EQ(doc.Identity(), IdentityOf(path)) << c.name;
            // Saved again at once, it asks nothing: its own save is not another program's change.
            questions = 0;
            doc.SetModified(true);
            EXPECT_TRUE(doc.Save(text, {}, ask).saved()) << c.name;
            EXPECT_EQ(questions, 0) << c.name;
            EXPECT_EQ(TempDir::read(path), c.expected) << c.name;
        }
        if (c.check) c.check(dir, path);
    }
}

TEST(ScriptDocument, SaveAsWritesANewFileWithTheUsersModeAndTakesItsName)
{
    TempDir dir;
    ScriptDocument doc;
    doc.Load(dir.write("a.ftp", "; caf\xE9\r\n"));
    const mode_t old = ::umask(027);
    QSignalSpy named(&doc, &ScriptDocument::fileNameChanged);
    const auto result = doc.Save(QString::fromLatin1("; caf\xE9"), dir.file("b.ftp"), {});
    ::umask(old);
    ASSERT_TRUE(result.saved()) << result.error;
    EXPECT_EQ(TempDir::read(dir.file("b.ftp")), "; caf\xE9\r\n");
    EXPECT_EQ(ModeOf(dir.file("b.ftp")), 0640u);
    EXPECT_EQ(doc.Path(), dir.file("b.ftp"));
    EXPECT_EQ(named.count(), 1);
    EXPECT_FALSE(doc.Utf8());

    // Saved as a link to a file not made yet: the file is made, the link stays.
    std::filesystem::create_directories(dir.file("shared"));
    std::filesystem::create_symlink("shared/made.ftp", dir.file("link.ftp"));
    ASSERT_TRUE(doc.Save("HOST=x", dir.file("link.ftp"), {}).saved());
    EXPECT_TRUE(IsLink(dir.file("link.ftp")));
    EXPECT_EQ(TempDir::read(dir.file("shared/made.ftp")), "HOST=x\r\n");

    // A new text without a file cannot be saved under no name; a missing folder is a failure.
    doc.New();
    EXPECT_EQ(doc.Save("x", {}, {}).status, ScriptDocument::SaveResult::Failed);
    EXPECT_EQ(doc.Save("x", dir.file("no/such/folder.ftp"), {}).status, ScriptDocument::SaveResult::Failed);
}

TEST(ScriptDocument, AWriteThatFailsHalfWayKeepsTheOldFileWhole)
{
    TempDir dir;
    const std::string path = dir.write("job.ftp", "HOST=x\r\n");
    ScriptDocument doc;
    doc.Load(path);
    doc.SetModified(true);
    // A file-size limit makes the write fail after a few bytes, whoever runs the test.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto result = doc.Save(QString("HOST=a much longer text than four bytes"), {}, {});
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result.status, ScriptDocument::SaveResult::Failed);
    EXPECT_NE(result.error.find("job.ftp"), std::string::npos) << result.error;
    EXPECT_EQ(TempDir::read(path), "HOST=x\r\n");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"job.ftp"});
    EXPECT_TRUE(doc.Modified());
}
