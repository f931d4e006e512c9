#pragma once
// A temporary folder for one test, removed with everything in it.

#include <filesystem>
#include <fstream>
#include <string>

class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Writes bytes as they are (no line-end translation); returns the path.
    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string p = file(name);
        std::filesystem::create_directories(std::filesystem::path(p).parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
};
