#include "scene/text_scanner.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace trivane {

namespace {

const char* skipBlanks(const char* p) {
    while (isScanBlank(*p)) ++p;
    return p;
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
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
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
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }

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

}  // namespace trivane
