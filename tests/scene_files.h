#pragma once

#include <unistd.h>

#include <clocale>
#include <fstream>

#include <gtest/gtest.h>

#include "math/vertex.h"
#include "test_support.h"

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
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) ADD_FAILURE() << "cannot write " << file;
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

// Components compared as one value, so that a failure shows all of them.
using Xyzw = std::array<float, 4>;
inline Xyzw xyzw(const Vertex& v) { return {v.x, v.y, v.z, v.w}; }
inline std::array<float, 3> xyz(const Vertex& v) { return {v.x, v.y, v.z}; }
inline std::array<float, 3> xyz(const Vector3& v) { return {v.x, v.y, v.z}; }

// Moves the C library to a locale whose decimal separator is a comma, building
// one with localedef when none is installed.
inline bool enterCommaLocale(const TempDir& dir) {
    auto commaDecimal = [] { return std::strtod("1,5", nullptr) == 1.5; };
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr && commaDecimal()) return true;
    }
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (dir.path() / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return false;
    setenv("LOCPATH", dir.path().c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr && commaDecimal();
}

}  // namespace trivane::test
