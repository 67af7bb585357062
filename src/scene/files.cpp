#include "scene/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace trivane {

namespace {

// strerror's words, without its shared buffer: a file may be opened on a
// worker thread.
std::string systemReason(int error) { return std::generic_category().message(error); }

std::string limitText(int64_t bytes) {
    if (bytes % (int64_t{1} << 30) == 0) return std::to_string(bytes >> 30) + " GiB";
    if (bytes % (int64_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

std::string largerThanAllowed(const FileKind& kind) {
    return "it is larger than the " + limitText(kind.limit) + " " + kind.name + " may have";
}

std::string whyRefused(const struct stat& info, const FileKind& kind) {
    if (S_ISDIR(info.st_mode)) return "it is a directory";
    if (S_ISFIFO(info.st_mode)) return "it is a FIFO, not a regular file";
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "it is a device, not a regular file";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    if (info.st_size > kind.limit) return largerThanAllowed(kind);
    return {};
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The file open for reading when it is a regular file within the limit;
// otherwise why in why. Opening does not wait: a FIFO without a writer would
// block an ordinary open for ever.
Descriptor openRegular(const char* path, const FileKind& kind, struct stat& info, std::string& why) {
    if (path == nullptr) {
        why = "no path";
        return Descriptor(-1);
    }
    Descriptor file(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        why = systemReason(errno);
        return Descriptor(-1);
    }
    why = whyRefused(info, kind);
    return why.empty() ? std::move(file) : Descriptor(-1);
}

}  // namespace

void Unmap::operator()(void* at) const { ::munmap(at, length); }

ReadFile::ReadFile(const char* path, const FileKind& kind) {
    struct stat info {};
    const Descriptor file = openRegular(path, kind, info, failure_);
    if (file.get() < 0) return;
    const size_t size = static_cast<size_t>(info.st_size);
    if (size > 0) {
        void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.get(), 0);
        if (at != MAP_FAILED) {
            ::madvise(at, size, MADV_SEQUENTIAL);
            mapping_ = std::unique_ptr<void, Unmap>(at, Unmap{size});
            return;
        }
    }
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            failure_ = systemReason(errno);
            return;
        }
        if (got == 0) break;
        if (static_cast<int64_t>(read_.size()) + got > kind.limit) {
            failure_ = largerThanAllowed(kind);
            read_ = {};
            return;
        }
        read_.insert(read_.end(), chunk, chunk + got);
    }
}

std::span<const uint8_t> ReadFile::bytes() const {
    if (mapping_) return {static_cast<const uint8_t*>(mapping_.get()), mapping_.get_deleter().length};
    return read_;
}

std::string_view ReadFile::text() const {
    const std::span<const uint8_t> all = bytes();
    return {reinterpret_cast<const char*>(all.data()), all.size()};
}

void ReadFile::release(size_t offset) {
    if (!mapping_) return;
    static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t end = std::min(offset, mapping_.get_deleter().length) / page * page;
    if (end <= released_) return;
    ::madvise(static_cast<uint8_t*>(mapping_.get()) + released_, end - released_, MADV_DONTNEED);
    released_ = end;
}

std::string whyUnreadable(const char* path, const FileKind& kind) {
    struct stat info {};
    std::string why;
    openRegular(path, kind, info, why);
    return why;
}

namespace {

std::filesystem::path& sourceTree() {
    static std::filesystem::path directory;
    return directory;
}

}  // namespace

std::vector<std::string> defaultFilePlaces(const char* defaultPath) {
    std::string_view relative = defaultPath;
    if (relative.substr(0, 2) == "./") relative.remove_prefix(2);
    std::error_code failed;
    const std::filesystem::path here = std::filesystem::current_path(failed);
    std::vector<std::string> places{failed ? std::string(defaultPath) : (here / relative).string()};
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed || program.empty()) return places;
    places.push_back((program.parent_path() / TRIVANE_DATA_FROM_BIN / relative).lexically_normal().string());
    if (!sourceTree().empty()) places.push_back((sourceTree() / relative).lexically_normal().string());
    return places;
}

void useSourceTreeScene(const char* sourceDirectory, const char* buildDirectory) {
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    const std::string build = std::filesystem::path(buildDirectory).lexically_normal().string() + "/";
    if (!failed && program.lexically_normal().string().rfind(build, 0) == 0) sourceTree() = sourceDirectory;
}

ReadFile readDefaultFile(const char* defaultPath, const FileKind& kind) {
    ReadFile first;
    bool tried = false;
    for (const std::string& place : defaultFilePlaces(defaultPath)) {
        ReadFile file(place.c_str(), kind);
        if (file) return file;
        if (!tried) first = std::move(file);
        tried = true;
    }
    return first;
}

std::string notFoundMessage(const char* defaultPath) {
    std::string text = std::string("cannot find ") + defaultPath + ", looked for ";
    const std::vector<std::string> places = defaultFilePlaces(defaultPath);
    for (size_t i = 0; i < places.size(); ++i) text += (i == 0 ? "" : i + 1 == places.size() ? " and " : ", ") + places[i];
    return text;
}

FileHandle openDefaultFile(const char* defaultPath, const FileKind& kind) {
    for (const std::string& place : defaultFilePlaces(defaultPath)) {
        if (whyUnreadable(place.c_str(), kind).empty()) return FileHandle(std::fopen(place.c_str(), "rb"));
    }
    return nullptr;
}

FileHandle openForReading(const char* path) {
    FileHandle file(path != nullptr ? std::fopen(path, "rb") : nullptr);
    struct stat info {};
    if (file && fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
    return file;
}

std::vector<uint8_t> readAll(std::FILE* file) {
    std::vector<uint8_t> bytes;
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && info.st_size > 0) bytes.reserve(static_cast<size_t>(info.st_size));
    uint8_t chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

}  // namespace trivane
