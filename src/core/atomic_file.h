#pragma once

#include <cstdio>
#include <string>

namespace trivane {

// A file that replaces its target only once it is complete: the bytes go to a
// temporary file in the target's folder, which is flushed, synced, checked
// and renamed over the target by commit(). Any failure leaves an earlier file
// of that name untouched and removes the temporary file. A target that exists
// and is not a regular file (a device such as /dev/null, a FIFO) cannot be
// replaced, so it is written directly.
class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // An uncommitted file is abandoned.
    ~AtomicFile() { abandon(); }

    // False with the reason in why().
    bool open(const std::string& path);
    std::FILE* stream() const { return stream_; }
    bool isOpen() const { return stream_ != nullptr; }
    // Appends bytes; false (with why()) once anything has failed.
    bool write(const void* bytes, size_t size);
    // Flushes what was written so far to the system; false on failure.
    bool flush();
    // Makes the file the target; false with the reason, the target untouched.
    bool commit();
    // Removes the temporary file; the target stays as it was.
    void abandon();
    const std::string& why() const { return why_; }
    const std::string& path() const { return target_; }

private:
    bool fail(const std::string& reason);

    std::FILE* stream_ = nullptr;
    std::string target_;     // as named
    std::string replaced_;   // the file the rename replaces (a link's target)
    std::string temporary_;  // empty when writing the target directly
    std::string why_;
};

// Writes bytes as a whole file; empty on success, else the reason.
std::string writeWholeFile(const std::string& path, const void* bytes, size_t size);

}  // namespace trivane
