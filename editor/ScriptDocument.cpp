#include "editor/ScriptDocument.h"

#include "editor/ScriptText.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/LocalFiles.h"
#include "platform/QtText.h"
#include "script/ScriptFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

FileIdentity IdentityOfStat(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

bool FitsLatin1(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF) return false;
    return true;
}

// A new script gets the mode a program creating a file would give it.
unsigned NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string ReadAll(const std::string& path, FileIdentity& identity)
{
    bool notRegular = false;
    FdHandle fd = localfiles::openRegularFile(path, O_RDONLY, notRegular);
    const auto fail = [&](int err) {
        throw Exception("Cannot open file \"" + path + "\". " + (notRegular ? "Not a regular file" : std::strerror(err)));
    };
    if (!fd) fail(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) fail(errno);
    identity = IdentityOfStat(st);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(errno);
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

}  // namespace

FileIdentity IdentityOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return IdentityOfStat(st);
}

ScriptDocument::Decision ScriptDocument::AskSaveDecision(bool modified, std::optional<SaveAnswer> answer)
{
    if (!modified) return Decision::Proceed;
    if (!answer || *answer == SaveAnswer::Yes) return Decision::SaveFirst;
    return *answer == SaveAnswer::No ? Decision::Proceed : Decision::Cancel;
}

void ScriptDocument::SetModified(bool modified)
{
    if (modified == modified_) return;
    modified_ = modified;
    emit modifiedChanged(modified_);
}

void ScriptDocument::SetPath(const std::string& path)
{
    if (path == path_) return;
    path_ = path;
    emit fileNameChanged(qttext::toQString(path_));
}

QString ScriptDocument::Load(const std::string& path)
{
    FileIdentity identity;
    std::string bytes = ReadAll(path, identity);
    // The mark is kept only where the rest is UTF-8; otherwise its bytes are text of the file.
    const bool bom = bytes.starts_with(kBom) && bytetext::isValidUtf8(std::string_view(bytes).substr(kBom.size()));
    if (bom) bytes.erase(0, kBom.size());
    std::vector<std::string> lines = bytetext::splitLines(bytes);
    UnscramblePasswordLines(lines);
    const ShownScript shown = ShowScriptLines(lines);
    utf8_ = shown.utf8;
    bom_ = bom;
    identity_ = identity;
    SetPath(path);
    SetModified(false);
    return shown.text;
}

void ScriptDocument::New()
{
    utf8_ = true;
    bom_ = false;
    identity_ = {};
    SetPath({});
}

void ScriptDocument::Forget()
{
    identity_ = {};
    SetPath({});
}

ScriptDocument::SaveResult ScriptDocument::Save(const QString& text, const std::string& to, const SaveQuestions& ask)
{
    const std::string path = to.empty() ? path_ : to;
    const auto failed = [&](const std::string& why) { return SaveResult{SaveResult::Failed, why}; };
    if (path.empty()) return failed("The script has no file name.");
    struct stat st {};
    const std::string file = ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) ? localfiles::linkTarget(path) : path;
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return failed("Cannot write file \"" + path + "\". Not a regular file");
    // The write bits count even for root, who may write anything: a read-only script stays as it is.
    if (exists && ((st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0))
        return failed("The script \"" + path + "\" is read-only. It was not saved.");
    if (path == path_ && identity_.exists()) {
        const FileIdentity now = IdentityOf(path);
        if (now.exists() && now != identity_ && !(ask.overwriteChanged && ask.overwriteChanged(path)))
            return {SaveResult::Cancelled, {}};
    }
    bool utf8 = utf8_;
    if (!utf8 && !FitsLatin1(text)) {
        if (!(ask.saveAsUtf8 && ask.saveAsUtf8(path))) return {SaveResult::Cancelled, {}};
        utf8 = true;
    }
    const std::string bytes = ScriptFileBytes(ScriptLinesOf(text, utf8), bom_);
    if (!localfiles::writeFileAtomically(path, bytes, exists ? st.st_mode & 07777 : NewFileMode()))
        return failed("Cannot write file \"" + path + "\". " + std::strerror(errno));
    utf8_ = utf8;
    identity_ = IdentityOf(path);
    SetPath(path);
    SetModified(false);
    return {SaveResult::Saved, {}};
}

std::vector<std::string> ScriptDocument::Lines(const QString& text) const { return ScriptLinesOf(text, utf8_); }

QString ScriptDocument::Shown(const std::string& bytes) const
{
    return utf8_ ? QString::fromStdString(bytes) : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}
