#pragma once

#include <unistd.h>

#include <clocale>
#include <fstream>

#include <gtest/gtest.h>

#include "math/vertex.h"
#include "scene/loaded_files.h"
#include "scene/procedural.h"
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

inline std::string withLe32(std::string bytes, size_t offset, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    const char le[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                        static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    bytes.replace(offset, 4, le, 4);
    return bytes;
}

// A bitmap whose texel (c, r) in file order is (blue, green, red) =
// (c, r, 100 + r), rows padded to a multiple of 4 with 'P'.
inline std::string bitmap(int32_t width, int32_t height, int bitsPerPixel = 24) {
    const int32_t rows = height < 0 ? -height : height;
    const int32_t stride = (width * 3 + 3) & ~3;
    std::string bytes(54 + static_cast<size_t>(rows) * stride, 'P');
    std::fill(bytes.begin(), bytes.begin() + 54, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes = withLe32(withLe32(withLe32(bytes, 10, 54), 18, width), 22, height);
    bytes[28] = static_cast<char>(bitsPerPixel);
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            const size_t at = 54 + static_cast<size_t>(r) * stride + 3 * static_cast<size_t>(c);
            bytes[at] = static_cast<char>(c);
            bytes[at + 1] = static_cast<char>(r);
            bytes[at + 2] = static_cast<char>(100 + r);
        }
    }
    return bytes;
}

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
