#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace trivane {

// The scene read at start-up, relative to the working directory; the model
// is also what the loader falls back to when a chosen file cannot be opened.
// Where the working directory lacks one, the copy installed with the program
// is read instead (see readDefaultFile).
constexpr const char* kDefaultTexturePath = "./64Bits.bmp";
constexpr const char* kDefaultModelPath = "./data/bou.ASE";

// What a file is read as, and the most it may hold: a limit keeps a mistaken
// choice (a disk image, a log that keeps growing) from taking all memory.
struct FileKind {
    const char* name;  // as messages say it: "a model"
    int64_t limit;     // bytes
};
inline constexpr FileKind kModelFile{"a model", int64_t{2} << 30};
inline constexpr FileKind kTextureFile{"a texture", int64_t{256} << 20};
inline constexpr FileKind kScriptFile{"an event script", int64_t{256} << 20};

// A file open for reading, taken only when it is a regular file within its
// kind's limit; otherwise the reason it cannot be read. A directory, a
// device, a FIFO or a socket is refused without reading (a FIFO without
// waiting for a writer). Its bytes are read through a buffer of the caller's,
// a piece at a time, or all at once.
class ReadFile {
public:
    ReadFile() = default;
    ReadFile(const char* path, const FileKind& kind);
    ReadFile(ReadFile&& other) noexcept { *this = std::move(other); }
    ReadFile& operator=(ReadFile&& other) noexcept;
    ~ReadFile();

    explicit operator bool() const { return failure_.empty(); }
    // "it is a directory", "it is a FIFO, not a regular file", "it is larger
    // than the 2 GiB a model may have", or the system's reason; empty when
    // the file is open.
    const std::string& failure() const { return failure_; }
    // Its size when it was opened. Nothing beyond it is read, even when the
    // file has grown since.
    int64_t size() const { return size_; }
    // Bytes from offset on, as many as fit in into: fewer only at the end of
    // the file.
    size_t readAt(int64_t offset, std::span<uint8_t> into) const;
    // All its bytes.
    std::vector<uint8_t> bytes() const;

private:
    int fd_ = -1;
    int64_t size_ = 0;
    // What a file that says it is empty gave all the same (a /proc file).
    std::vector<uint8_t> given_;
    std::string failure_ = "nothing was opened";
};

// Why a file cannot be read as the kind, as ReadFile would say, or empty when
// it can. Reads nothing.
std::string whyUnreadable(const char* path, const FileKind& kind = kModelFile);

// The places a default file (one of the paths above) is looked for, in
// order: the working directory; the copy installed beside the program (the
// same relative path under ../share/trivane from the program's directory);
// and, for a program run from its build tree, the source tree it was built
// from. Absolute where that can be told.
std::vector<std::string> defaultFilePlaces(const char* defaultPath);

// Called by a program as it starts: when it runs from buildDirectory (its
// build tree), sourceDirectory's scene is the last place looked in.
void useSourceTreeScene(const char* sourceDirectory, const char* buildDirectory);

// A default file from the first place that has it as a readable file of the
// kind; when none has, the reason the first place gave.
ReadFile readDefaultFile(const char* defaultPath, const FileKind& kind);

// One line saying that a default file is in none of its places, naming them.
std::string notFoundMessage(const char* defaultPath);

}  // namespace trivane
