#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace trivane {

// The scene read at start-up, relative to the working directory; the model
// is also what the loader falls back to when a chosen file cannot be opened.
// Where the working directory lacks one, the copy installed with the program
// is read instead (see openDefaultFile).
constexpr const char* kDefaultTexturePath = "./64Bits.bmp";
constexpr const char* kDefaultModelPath = "./data/bou.ASE";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for binary reading. fopen happily opens a directory, whose
// reads then fail; a directory is refused here instead, like a missing file.
FileHandle openForReading(const char* path);

// Bytes in an open file, 0 when that cannot be told.
int64_t fileSize(std::FILE* file);

// The installed copy of a default file (one of the paths above): the same
// relative path under the data directory that the package puts beside the
// running program's own directory (../share/trivane from bin). Empty when the
// program's location cannot be told.
std::string installedCopyOf(const char* defaultPath);

// A default file from the working directory, else its installed copy.
FileHandle openDefaultFile(const char* defaultPath);

// The rest of an open file.
std::vector<uint8_t> readAll(std::FILE* file);

}  // namespace trivane
