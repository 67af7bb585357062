#include "scene/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <string_view>

namespace trivane {

namespace {

// The file open for reading, or null with the reason in why.
FileHandle openReadable(const char* path, std::string& why) {
    FileHandle file(path != nullptr ? std::fopen(path, "rb") : nullptr);
    if (!file) {
        why = path != nullptr ? std::strerror(errno) : "no path";
        return nullptr;
    }
    struct stat info {};
    if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
        why = "it is a directory";
        return nullptr;
    }
    return file;
}

}  // namespace

FileHandle openForReading(const char* path) {
    std::string why;
    return openReadable(path, why);
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

FileHandle openDefaultFile(const char* defaultPath) {
    for (const std::string& place : defaultFilePlaces(defaultPath)) {
        if (FileHandle file = openForReading(place.c_str())) return file;
    }
    return nullptr;
}

std::string notFoundMessage(const char* defaultPath) {
    std::string text = std::string("cannot find ") + defaultPath + ", looked for ";
    const std::vector<std::string> places = defaultFilePlaces(defaultPath);
    for (size_t i = 0; i < places.size(); ++i) text += (i == 0 ? "" : i + 1 == places.size() ? " and " : ", ") + places[i];
    return text;
}

std::string whyUnreadable(const char* path) {
    std::string why;
    openReadable(path, why);
    return why;
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
