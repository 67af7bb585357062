#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

// Files for the scene tests live in a fresh temporary directory; tests that
// read the viewer's fixed relative paths run inside it and restore the
// previous working directory afterwards.
namespace trivane::test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "trivane-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create a temporary directory";
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::string write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        FILE* f = std::fopen(file.c_str(), "wb");
        if (f == nullptr) {
            ADD_FAILURE() << "cannot write " << file;
            return file.string();
        }
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return file.string();
    }

private:
    std::filesystem::path path_;
};

class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// Real model files shared by the project, read where they are.
inline std::string realModel(const char* name) {
    return std::string(TRIVANE_TESTDATA_DIR) + "/ase/" + name;
}

inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace trivane::test
