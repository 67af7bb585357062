#include "scene/files.h"

#include <sys/stat.h>

#include <filesystem>
#include <string_view>

namespace trivane {

FileHandle openForReading(const char* path) {
    if (path == nullptr) return nullptr;
    FileHandle file(std::fopen(path, "rb"));
    if (!file) return nullptr;
    struct stat info {};
    if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
    return file;
}

std::string installedCopyOf(const char* defaultPath) {
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed || program.empty()) return {};
    std::string_view relative = defaultPath;
    if (relative.substr(0, 2) == "./") relative.remove_prefix(2);
    return (program.parent_path() / TRIVANE_DATA_FROM_BIN / relative).lexically_normal().string();
}

FileHandle openDefaultFile(const char* defaultPath) {
    FileHandle file = openForReading(defaultPath);
    if (file) return file;
    const std::string installed = installedCopyOf(defaultPath);
    return installed.empty() ? nullptr : openForReading(installed.c_str());
}

int64_t fileSize(std::FILE* file) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || info.st_size < 0) return 0;
    return static_cast<int64_t>(info.st_size);
}

std::vector<uint8_t> readAll(std::FILE* file) {
    std::vector<uint8_t> bytes;
    if (const int64_t size = fileSize(file); size > 0) bytes.reserve(static_cast<size_t>(size));
    uint8_t chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

}  // namespace trivane
