#include "scene/files.h"

#include <sys/stat.h>

namespace trivane {

FileHandle openForReading(const char* path) {
    if (path == nullptr) return nullptr;
    FileHandle file(std::fopen(path, "rb"));
    if (!file) return nullptr;
    struct stat info {};
    if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
    return file;
}

int64_t fileSize(std::FILE* file) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || info.st_size < 0) return 0;
    return static_cast<int64_t>(info.st_size);
}

}  // namespace trivane
