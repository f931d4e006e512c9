#pragma once
// Copies one file to another in blocks, asks before overwriting and tells the user about every
// failure, all through the prompt interface. The copy is written under a temporary name beside
// the target and takes the target's name only when it is whole.

#include <cstdint>
#include <functional>
#include <string>

class TFileCopy {
public:
    static constexpr std::size_t BlockSize = 16384;

    const std::string& SourceFile() const { return sourceFile_; }
    void SetSourceFile(const std::string& name);
    const std::string& TargetFile() const { return targetFile_; }
    void SetTargetFile(const std::string& name);
    // Kept for callers that set it; the overwrite question is asked in any case.
    bool ShowOverwrite = true;

    // Read and written percentages (0 to 100) after every block read and every block written,
    // then 100 and 100 at the end of a whole copy.
    std::function<void(int readPercent, int writtenPercent)> OnProgress;

    // Copies SourceFile to TargetFile; a failure is shown, then "Execution failed".
    void Execute();
    // True when the whole file was copied; every failure shown first.
    bool Copy(const std::string& source, const std::string& target);

private:
    // Beeps, shows the failure and fails.
    bool fail(const std::string& text);
    void progress(std::int64_t read, std::int64_t written, std::int64_t size);

    std::string sourceFile_;
    std::string targetFile_;
};
