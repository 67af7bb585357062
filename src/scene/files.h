#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace trivane {

// The scene read at start-up, relative to the working directory; the model
// is also what the loader falls back to when a chosen file cannot be opened.
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

// The rest of an open file.
std::vector<uint8_t> readAll(std::FILE* file);

}  // namespace trivane
