#include "scene/text_scanner.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace trivane {

namespace {

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

bool startsWithNoCase(const char* p, const char* word) {
    for (; *word != '\0'; ++p, ++word) {
        if (asciiLower(*p) != *word) return false;
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

// Most numbers in model files are short plain decimals ("-12.3456"). When
// the digits make an integer of at most 2^24 and at most ten of them follow
// the point, that integer and the power of ten are exact floats, and one
// float division rounds their quotient exactly as the decimal itself rounds.
// Anything else (an exponent, a hexadecimal float, more digits) is left to
// the general reading.
bool scanShortDecimal(const char*& cursor, float& out) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const char* p = cursor;
    uint64_t digits = 0;
    int count = 0, fraction = 0;
    for (; isDigit(*p); ++p, ++count) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    if (*p == '.') {
        for (++p; isDigit(*p); ++p, ++count, ++fraction) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    }
    const char next = asciiLower(*p);
    if (count == 0 || count > 19 || digits > (uint64_t{1} << 24) || fraction > 10 || next == 'e' || next == 'x')
        return false;
    out = static_cast<float>(digits) / kPowersOfTen[fraction];
    cursor = p;
    return true;
}

}  // namespace

bool scanFloat(const char*& cursor, float& out) {
    const char* p = skipBlanks(cursor);
    const bool negative = takeSign(p);
    if (float value = 0.0f; scanShortDecimal(p, value)) {
        out = negative ? -value : value;
        cursor = p;
        return true;
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
            while (isDigit(*q) || (asciiLower(*q) >= 'a' && asciiLower(*q) <= 'z') || *q == '_') ++q;
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
    if (asciiLower(*p) == marker) {
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

TextFacts textFacts(const TextSource& source, std::string_view word) {
    TextFacts facts;
    // The last bytes of one buffer are kept before the next: a word, or a
    // return and its feed, may straddle the two.
    const size_t kept = std::max<size_t>(word.size(), 2) - 1;
    std::vector<uint8_t> buffer(size_t{1} << 16);
    size_t carried = 0;
    for (;;) {
        const size_t got = source(facts.size, std::span(buffer).subspan(carried));
        if (facts.size == 0) facts.head.assign(buffer.begin(), buffer.begin() + std::min<size_t>(got, 128));
        facts.size += static_cast<int64_t>(got);
        const size_t end = carried + got;
        const uint8_t* text = buffer.data();
        facts.holdsZero = facts.holdsZero || std::memchr(text + carried, 0, got) != nullptr;
        for (size_t i = carried; i < end; ++i) {
            facts.feeds += text[i] == '\n';
            facts.loneReturns += text[i] == '\r';
            // A return with a feed after it, even one that came in this
            // buffer, is no lone return.
            facts.loneReturns -= text[i] == '\n' && i > 0 && text[i - 1] == '\r';
        }
        const std::string_view all(reinterpret_cast<const char*>(text), end);
        facts.holdsWord = facts.holdsWord || all.find(word) != std::string_view::npos;
        if (got < buffer.size() - carried) return facts;
        std::copy(buffer.end() - static_cast<ptrdiff_t>(kept), buffer.end(), buffer.begin());
        carried = kept;
    }
}

const char* whyNotText(const TextFacts& facts) {
    if (facts.size == 0) return "the file is empty";
    // Text in two-byte units without a mark: every other byte of ASCII is 0.
    const std::vector<uint8_t>& data = facts.head;
    const size_t probe = data.size() & ~size_t{1};
    size_t halfZero = 0;
    for (size_t i = 0; i < probe; i += 2) halfZero += (data[i] == 0) != (data[i + 1] == 0);
    if (probe >= 8 && halfZero * 4 >= probe * 3 / 2) return "the file is UTF-16 text without a byte-order mark";
    if (facts.holdsZero) return "not a text file (it holds zero bytes)";
    return nullptr;
}

void LineReader::refill() {
    const size_t left = size_ - at_;
    std::memmove(buffer_.data(), data_ + at_, left);
    read_ += static_cast<int64_t>(at_);
    at_ = 0;
    const size_t got = source_(read_ + static_cast<int64_t>(left), std::span(buffer_).subspan(left));
    more_ = got == buffer_.size() - left;
    data_ = buffer_.data();
    size_ = left + got;
}

size_t LineReader::next(char* line) {
    // A piece and the byte after it must be at hand.
    if (more_ && size_ - at_ <= kPieceLength) refill();
    lineNumber_ = nextLineNumber_;
    if (at_ == size_) {
        line[0] = '\0';
        return 0;
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
    return length;
}

}  // namespace trivane
