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

// Why a file cannot be read ("it is a directory", or the system's reason),
// or empty when it can.
std::string whyUnreadable(const char* path);

// Bytes in an open file, 0 when that cannot be told.
int64_t fileSize(std::FILE* file);

// The places a default file (one of the paths above) is looked for, in
// order: the working directory; the copy installed beside the program (the
// same relative path under ../share/trivane from the program's directory);
// and, for a program run from its build tree, the source tree it was built
// from. Absolute where that can be told.
std::vector<std::string> defaultFilePlaces(const char* defaultPath);

// Called by a program as it starts: when it runs from buildDirectory (its
// build tree), sourceDirectory's scene is the last place looked in.
void useSourceTreeScene(const char* sourceDirectory, const char* buildDirectory);

// A default file from the first place that has it as a regular file.
FileHandle openDefaultFile(const char* defaultPath);

// One line saying that a default file is in none of its places, naming them.
std::string notFoundMessage(const char* defaultPath);

// The rest of an open file.
std::vector<uint8_t> readAll(std::FILE* file);

}  // namespace trivane
