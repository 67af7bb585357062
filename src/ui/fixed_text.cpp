#include "ui/fixed_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace trivane {

BoundedText::BoundedText(char* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {
    if (capacity_ > 0) buffer_[0] = '\0';
}

void BoundedText::appendBytes(const char* bytes, size_t count) {
    if (capacity_ == 0) return;
    const size_t room = capacity_ - 1 - length_;
    const size_t n = count < room ? count : room;
    std::memcpy(buffer_ + length_, bytes, n);
    length_ += n;
    buffer_[length_] = '\0';
}

void BoundedText::append(const char* text) { appendBytes(text, std::strlen(text)); }

void BoundedText::appendFixed2(double value) {
    // The widest double in fixed notation with two decimals has 309 integer
    // digits, a sign and ".00": 313 characters.
    char scratch[320];
    if (std::isnan(value)) {
        appendBytes(std::signbit(value) ? "-nan" : "nan", std::signbit(value) ? 4 : 3);
        return;
    }
    // to_chars never consults the locale, unlike snprintf, whose decimal
    // point follows LC_NUMERIC (which a Qt application sets from the user).
    const std::to_chars_result result =
        std::to_chars(scratch, scratch + sizeof scratch, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc{}) return;  // cannot happen with this scratch size
    appendBytes(scratch, static_cast<size_t>(result.ptr - scratch));
}

}  // namespace trivane
