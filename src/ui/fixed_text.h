#pragma once

#include <cstddef>

namespace trivane {

// Text built into a caller's fixed buffer: appends that do not fit are cut
// off, the buffer always stays terminated, and nothing ever fails.
class BoundedText {
public:
    BoundedText(char* buffer, size_t capacity);
    void append(const char* text);
    // printf's "%.2f" in the C locale, whatever the process locale is:
    // fixed notation, two decimals, "inf", "-inf", "nan" and "-nan".
    void appendFixed2(double value);
    size_t length() const { return length_; }

private:
    void appendBytes(const char* bytes, size_t count);

    char* buffer_;
    size_t capacity_;
    size_t length_ = 0;
};

}  // namespace trivane
