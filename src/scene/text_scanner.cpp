#include "scene/text_scanner.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace trivane {

namespace {

const char* skipBlanks(const char* p) {
    while (isScanBlank(*p)) ++p;
    return p;
}

// Moves past an optional sign; true for a minus.
bool takeSign(const char*& p) {
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    return negative;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithNoCase(const char* p, const char* word) {
    for (; *word != '\0'; ++p, ++word) {
        if (lower(*p) != *word) return false;
    }
    return true;
}

// Exponent digits after 'e' or 'p', saturated far beyond any float's range so
// that a hostile exponent cannot overflow.
int64_t readExponent(const char* begin, const char* end) {
    bool negative = false;
    if (begin < end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    int64_t value = 0;
    for (; begin < end; ++begin) {
        if (value < 1000000000) value = value * 10 + (*begin - '0');
    }
    return negative ? -value : value;
}

// from_chars reports a value outside the float range without giving it; the
// correctly rounded result is then an infinity or a zero, and which one
// follows from the position of the first significant digit.
float outOfRangeValue(const char* mantissa, const char* mantissaEnd, int64_t exponent, int digitBits,
                      bool negative) {
    int64_t integerDigits = 0;
    int64_t leadingFractionZeros = 0;
    bool inFraction = false;
    bool seenSignificant = false;
    for (const char* p = mantissa; p < mantissaEnd; ++p) {
        if (*p == '.') {
            inFraction = true;
            continue;
        }
        const bool zero = *p == '0';
        if (!seenSignificant && zero) {
            if (inFraction) ++leadingFractionZeros;
            continue;
        }
        seenSignificant = true;
        if (!inFraction) ++integerDigits;
    }
    const int64_t magnitude =
        (integerDigits > 0 ? integerDigits : -leadingFractionZeros) * digitBits + exponent;
    const float value = magnitude > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    return negative ? -value : value;
}

}  // namespace

bool scanInt(const char*& cursor, int32_t& out) {
    const char* p = skipBlanks(cursor);
    const bool negative = takeSign(p);
    if (!isDigit(*p)) return false;
    int64_t value = 0;
    for (; isDigit(*p); ++p) {
        if (value <= int64_t{INT32_MAX} + 1) value = value * 10 + (*p - '0');
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    out = static_cast<int32_t>(value);
    cursor = p;
    return true;
}

bool scanFloat(const char*& cursor, float& out) {
    const char* p = skipBlanks(cursor);
    const bool negative = takeSign(p);

    if (startsWithNoCase(p, "inf")) {
        p += startsWithNoCase(p, "infinity") ? 8 : 3;
        const float inf = std::numeric_limits<float>::infinity();
        out = negative ? -inf : inf;
        cursor = p;
        return true;
    }
    if (startsWithNoCase(p, "nan")) {
        p += 3;
        if (*p == '(') {
            const char* q = p + 1;
            while (isDigit(*q) || (lower(*q) >= 'a' && lower(*q) <= 'z') || *q == '_') ++q;
            if (*q == ')') p = q + 1;
        }
        const float nan = std::numeric_limits<float>::quiet_NaN();
        out = negative ? -nan : nan;
        cursor = p;
        return true;
    }

    const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
                     (isHexDigit(p[2]) || (p[2] == '.' && isHexDigit(p[3])));
    if (hex) p += 2;
    const char* mantissa = p;
    bool anyDigit = false;
    while (hex ? isHexDigit(*p) : isDigit(*p)) {
        ++p;
        anyDigit = true;
    }
    if (*p == '.') {
        ++p;
        while (hex ? isHexDigit(*p) : isDigit(*p)) {
            ++p;
            anyDigit = true;
        }
    }
    if (!anyDigit) return false;
    const char* mantissaEnd = p;
    int64_t exponent = 0;
    const char marker = hex ? 'p' : 'e';
    if (lower(*p) == marker) {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (isDigit(*q)) {
            while (isDigit(*q)) ++q;
            exponent = readExponent(p + 1, q);
            p = q;
        }
    }

    float value = 0.0f;
    const auto format = hex ? std::chars_format::hex : std::chars_format::general;
    const auto result = std::from_chars(mantissa, p, value, format);
    if (result.ec == std::errc::result_out_of_range) {
        value = outOfRangeValue(mantissa, mantissaEnd, exponent, hex ? 4 : 1, false);
    } else if (result.ec != std::errc() || result.ptr != p) {
        return false;
    }
    out = negative ? -value : value;
    cursor = p;
    return true;
}

bool scanWord(const char*& cursor, char* dest) {
    const char* p = skipBlanks(cursor);
    if (*p == '\0') return false;
    const char* start = p;
    while (*p != '\0' && !isScanBlank(*p)) ++p;
    const size_t length = static_cast<size_t>(p - start);
    std::memcpy(dest, start, length);
    dest[length] = '\0';
    cursor = p;
    return true;
}

std::optional<std::vector<uint8_t>> utf16Text(const uint8_t* bytes, size_t size) {
    if (size < 2) return std::nullopt;
    const bool little = bytes[0] == 0xFF && bytes[1] == 0xFE;
    const bool big = bytes[0] == 0xFE && bytes[1] == 0xFF;
    if (!little && !big) return std::nullopt;
    std::vector<uint8_t> text;
    text.reserve(size / 2);
    auto unitAt = [&](size_t i) -> uint32_t {
        return little ? bytes[i] | (uint32_t{bytes[i + 1]} << 8) : (uint32_t{bytes[i]} << 8) | bytes[i + 1];
    };
    for (size_t i = 2; i + 1 < size; i += 2) {
        const uint32_t unit = unitAt(i);
        // A surrogate pair is one character.
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < size && unitAt(i + 2) >= 0xDC00 &&
            unitAt(i + 2) < 0xE000)
            i += 2;
        text.push_back(unit < 0x100 ? static_cast<uint8_t>(unit) : static_cast<uint8_t>('?'));
    }
    return text;
}

const char* whyNotText(const uint8_t* data, size_t size) {
    if (size == 0) return "the file is empty";
    // Text in two-byte units without a mark: every other byte of ASCII is 0.
    const size_t probe = std::min<size_t>(size, 128) & ~size_t{1};
    size_t halfZero = 0;
    for (size_t i = 0; i < probe; i += 2) halfZero += (data[i] == 0) != (data[i + 1] == 0);
    if (probe >= 8 && halfZero * 4 >= probe * 3 / 2) return "the file is UTF-16 text without a byte-order mark";
    if (std::memchr(data, 0, size) != nullptr) return "not a text file (it holds zero bytes)";
    return nullptr;
}

bool LineReader::next(char (&line)[kPieceLength + 1]) {
    lineNumber_ = nextLineNumber_;
    if (at_ == size_) {
        line[0] = '\0';
        return false;
    }
    // Only the line feed that ends a piece can have a carriage return to drop
    // before it, so one search finds the piece.
    const uint8_t* from = data_ + at_;
    const size_t left = size_ - at_;
    const size_t window = std::min<size_t>(left, kPieceLength);
    const void* feed = std::memchr(from, '\n', window);
    size_t kept = window, consumed = window;  // bytes kept before the feed, bytes read
    bool endsWithFeed = true;
    if (feed != nullptr) {
        const size_t feedAt = static_cast<size_t>(static_cast<const uint8_t*>(feed) - from);
        consumed = feedAt + 1;
        kept = feedAt > 0 && from[feedAt - 1] == '\r' ? feedAt - 1 : feedAt;
    } else if (window == kPieceLength && from[window - 1] == '\r' && left > window && from[window] == '\n') {
        // The return is the last character a piece can hold; its feed joins it.
        kept = window - 1;
        consumed = window + 1;
    } else {
        endsWithFeed = false;
    }
    std::memcpy(line, from, kept);
    size_t length = kept;
    if (endsWithFeed) line[length++] = '\n';
    at_ += consumed;
    if (endsWithFeed) ++nextLineNumber_;
    line[length] = '\0';
    return length > 0;
}

void findKeywords(const char* line, std::span<const std::string_view> texts, std::span<const uint32_t> heads,
                  std::span<const char*> at) {
    std::fill(at.begin(), at.end(), nullptr);
    const size_t length = std::strlen(line);
    const char* end = line + length;
    for (const char* star = static_cast<const char*>(std::memchr(line, '*', length)); star != nullptr;
         star = static_cast<const char*>(std::memchr(star + 1, '*', static_cast<size_t>(end - star - 1)))) {
        const size_t rest = static_cast<size_t>(end - star);
        if (rest < 5) break;
        const uint32_t head = keywordHead(star);
        for (size_t k = 0; k < texts.size(); ++k) {
            const std::string_view text = texts[k];
            if (head == heads[k] && at[k] == nullptr && text.size() <= rest &&
                std::memcmp(star + 5, text.data() + 5, text.size() - 5) == 0)
                at[k] = star;
        }
    }
}

}  // namespace trivane
