#pragma once
// A file that replaces its target whole: written under a temporary name of its own beside the
// target (created exclusively, so no link or file already there is ever written through), then
// renamed into place. Until Commit the target keeps what it held; a failure leaves it so and
// removes the temporary.

#include "platform/FdHandle.h"

#include <string>
#include <string_view>

class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile() { Discard(); }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary for `target`; false (Error() says why) when it cannot be created.
    bool Open(const std::string& target);
    bool IsOpen() const { return fd_.valid(); }
    // Buffered; after a failed write the rest is dropped and Commit fails.
    void Write(std::string_view bytes);
    // A descriptor of the temporary for a writer of its own; Commit then flushes and renames
    // what that writer wrote (once it has finished). Invalid, Error() set, when it cannot be had.
    FdHandle TakeDescriptor();
    // Writes what is buffered, flushes it to the disk and renames the temporary onto the target.
    [[nodiscard]] bool Commit();
    // Removes the temporary, if any; the target stays as it was.
    void Discard();

    const std::string& Target() const { return target_; }
    const std::string& TemporaryPath() const { return temp_; }
    // How the last Open, Write or Commit failed; empty when nothing did.
    const std::string& Error() const { return error_; }

private:
    bool Flush();
    bool WriteAll(std::string_view bytes);
    void Fail(const std::string& what, int err);

    FdHandle fd_;
    std::string target_, temp_, buffer_, error_;
};
