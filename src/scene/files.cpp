#include "scene/files.h"

#include <fcntl.h>
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
    int release() { return std::exchange(fd_, -1); }
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

ReadFile::ReadFile(const char* path, const FileKind& kind) {
    struct stat info {};
    Descriptor file = openRegular(path, kind, info, failure_);
    if (file.get() < 0) return;
    size_ = info.st_size;
    if (size_ == 0) {
        // Said to be empty, but a /proc file says so too: what it gives is
        // read now, within the limit.
        uint8_t chunk[65536];
        ssize_t got = 0;
        while ((got = ::read(file.get(), chunk, sizeof chunk)) != 0) {
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 || static_cast<int64_t>(given_.size()) + got > kind.limit) {
                failure_ = got < 0 ? systemReason(errno) : largerThanAllowed(kind);
                given_ = {};
                return;
            }
            given_.insert(given_.end(), chunk, chunk + got);
        }
        size_ = static_cast<int64_t>(given_.size());
    }
    // Files are read from start to end: the kernel may read further ahead.
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    fd_ = file.release();
}

ReadFile& ReadFile::operator=(ReadFile&& other) noexcept {
    std::swap(fd_, other.fd_);
    std::swap(size_, other.size_);
    std::swap(given_, other.given_);
    std::swap(failure_, other.failure_);
    return *this;
}

ReadFile::~ReadFile() {
    if (fd_ >= 0) ::close(fd_);
}

size_t ReadFile::readAt(int64_t offset, std::span<uint8_t> into) const {
    if (offset < 0 || offset >= size_) return 0;
    const size_t wanted = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(into.size()), size_ - offset));
    if (!given_.empty()) {
        std::copy_n(given_.begin() + offset, wanted, into.begin());
        return wanted;
    }
    size_t done = 0;
    while (done < wanted) {
        const ssize_t got = ::pread(fd_, into.data() + done, wanted - done, offset + static_cast<int64_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

std::vector<uint8_t> ReadFile::bytes() const {
    std::vector<uint8_t> all(static_cast<size_t>(size_));
    all.resize(readAt(0, all));
    return all;
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

}  // namespace trivane
