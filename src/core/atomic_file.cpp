#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace trivane {

namespace {

// The mode a plain fopen would give a new file.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool AtomicFile::fail(const std::string& reason) {
    if (why_.empty()) why_ = reason;
    abandon();
    return false;
}

bool AtomicFile::open(const std::string& path) {
    abandon();
    why_.clear();
    target_ = path;
    replaced_ = path;
    struct stat info {};
    mode_t mode = newFileMode();
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            if (S_ISDIR(info.st_mode)) return fail("it is a directory");
            // Devices and FIFOs are written as they are.
            stream_ = std::fopen(path.c_str(), "wb");
            return stream_ != nullptr || fail(std::strerror(errno));
        }
        // A file the user may not write stays as it is, as it would for a
        // write in place; the rename alone would not ask.
        if (::access(path.c_str(), W_OK) != 0) return fail(std::strerror(errno));
        mode = info.st_mode & 07777;
        // A link keeps pointing at the file it names, which is the one
        // replaced.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            replaced_ = real;
            std::free(real);
        }
    }
    const size_t slash = replaced_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : replaced_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? replaced_ : replaced_.substr(slash + 1);
    std::vector<char> pattern(folder.begin(), folder.end());
    for (const char c : "." + name + ".XXXXXX") pattern.push_back(c);
    pattern.push_back('\0');
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) return fail(std::strerror(errno));
    temporary_ = pattern.data();
    stream_ = ::fdopen(descriptor, "wb");
    if (stream_ == nullptr) {
        const int error = errno;
        ::close(descriptor);
        return fail(std::strerror(error));
    }
    if (::fchmod(descriptor, mode) != 0) return fail(std::strerror(errno));
    return true;
}

bool AtomicFile::write(const void* bytes, size_t size) {
    if (stream_ == nullptr) return false;
    if (size > 0 && std::fwrite(bytes, 1, size, stream_) != size) return fail(std::strerror(errno));
    return true;
}

bool AtomicFile::flush() {
    if (stream_ == nullptr) return false;
    if (std::fflush(stream_) != 0 || std::ferror(stream_)) return fail(std::strerror(errno != 0 ? errno : EIO));
    return true;
}

bool AtomicFile::commit() {
    if (!flush()) return false;
    // A device or FIFO has nothing to sync or rename.
    const bool direct = temporary_.empty();
    if (!direct && ::fsync(::fileno(stream_)) != 0) return fail(std::strerror(errno));
    std::FILE* stream = stream_;
    stream_ = nullptr;
    if (std::fclose(stream) != 0) return fail(std::strerror(errno));
    if (direct) return true;
    if (std::rename(temporary_.c_str(), replaced_.c_str()) != 0) return fail(std::strerror(errno));
    temporary_.clear();
    return true;
}

void AtomicFile::abandon() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

std::string writeWholeFile(const std::string& path, const void* bytes, size_t size) {
    AtomicFile file;
    if (!file.open(path) || !file.write(bytes, size) || !file.commit()) return file.why();
    return {};
}

}  // namespace trivane
