#include "editor/TemplatePatch.h"

#include "editor/templates/TemplateSlots.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/FdHandle.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Raise(const std::string& file)
{
    throw Exception("I/O error on \"" + file + "\": " + std::strerror(errno));
}

class TemplateFile {
public:
    explicit TemplateFile(const std::string& path) : path_(path), fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC))
    {
        struct stat st {};
        if (!fd_ || ::fstat(fd_.get(), &st) != 0) Raise(path_);
        bytes_.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes_.size()) {
            const ssize_t n = ::pread(fd_.get(), bytes_.data() + done, bytes_.size() - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) Raise(path_);
            done += static_cast<std::size_t>(n);
        }
    }
    const std::string& bytes() const { return bytes_; }

    // Text and NUL at `at`, when they stay within `capacity` and the file.
    PatchResult write(std::int64_t at, std::string_view text, std::size_t capacity)
    {
        const std::size_t size = text.size() + 1;
        if (text.find('\0') != std::string_view::npos || size > capacity ||
            static_cast<std::size_t>(at) + size > bytes_.size())
            return PatchResult::DoesNotFit;
        std::string data(text);
        data.push_back('\0');
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::pwrite(fd_.get(), data.data() + done, data.size() - done, static_cast<off_t>(at + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) Raise(path_);
            done += static_cast<std::size_t>(n);
        }
        bytes_.replace(static_cast<std::size_t>(at), data.size(), data);
        return PatchResult::Patched;
    }

private:
    std::string path_;
    FdHandle fd_;
    std::string bytes_;
};

}  // namespace

std::int64_t FindTemplateMarker(std::string_view bytes, std::int64_t from, std::string_view marker,
                                const std::function<void()>& tick)
{
    if (marker.empty() || from < 0) return -1;
    const auto size = static_cast<std::int64_t>(bytes.size());
    std::int64_t i = from;
    std::int64_t nextTick = (from / 1000 + 1) * 1000;
    while (i < size) {
        if (tick && i >= nextTick) {
            tick();
            nextTick = (i / 1000 + 1) * 1000;
        }
        if (bytes[i] != marker[0]) {
            ++i;
            continue;
        }
        std::size_t matched = 1;
        std::int64_t k = i + 1;
        while (matched < marker.size() && k < size && bytes[k] == marker[matched]) {
            ++matched;
            ++k;
        }
        if (matched == marker.size()) return i;
        i = k + 1;  // the byte that broke the match is used up with it
    }
    return -1;
}

PatchResult PatchTemplateMarker(const std::string& file, std::int64_t start, std::string_view marker,
                                std::string_view text, std::size_t capacity, const std::function<void()>& tick)
{
    TemplateFile t(file);
    const std::int64_t at = FindTemplateMarker(t.bytes(), start + 1, marker, tick);
    if (at < 0) return PatchResult::MarkerMissing;
    return t.write(at, text, capacity);
}

EmbedResult EmbedScriptLines(const std::string& file, const std::vector<std::string>& lines,
                             const std::function<void()>& tick)
{
    EmbedResult r;
    for (const std::string& line : lines) {
        const std::string s = bytetext::toUpper(bytetext::trim(line));
        if (s == "DIAL") r.hasDial = true;
        if (s.compare(0, 9, "#INCLUDE ") == 0) r.hasInclude = true;
    }
    TemplateFile t(file);
    std::int64_t from = templateslots::ProgramStart + 1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::int64_t at = FindTemplateMarker(t.bytes(), from, TEMPLATE_LINE_MARKER, tick);
        r.result = at < 0 ? PatchResult::MarkerMissing : t.write(at, lines[i], templateslots::LineCapacity);
        if (r.result != PatchResult::Patched) {
            r.failedLine = i;
            return r;
        }
        // Past the written text, so a line that holds the marker is not taken for the next slot.
        from = at + static_cast<std::int64_t>(lines[i].size()) + 1;
    }
    return r;
}
