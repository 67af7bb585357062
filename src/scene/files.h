#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace trivane {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for binary reading. fopen happily opens a directory, whose
// reads then fail; a directory is refused here instead, like a missing file.
FileHandle openForReading(const char* path);

// Bytes in an open file, 0 when that cannot be told.
int64_t fileSize(std::FILE* file);

}  // namespace trivane
