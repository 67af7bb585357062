#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// Reading a model file as text: its lines, the keywords in a line, and words
// and numbers the way formatted input reads them in the "C" locale ("%s",
// "%d", "%f"), without consulting any locale at all: a file written on one
// machine reads the same on every other, whatever LC_NUMERIC says. Each word
// and number reader skips leading blanks (space, tab, line feed, vertical tab,
// form feed, carriage return), converts, and on success moves the cursor past
// the converted text. On failure the cursor is left where it was and the
// output is untouched; the caller stops reading the line there, as formatted
// input does.

namespace trivane {

// Letters compared without any locale: only A..Z and a..z pair up.
constexpr char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

constexpr bool isScanBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The scanners' inner loops, which every number and word of a big model goes
// through, look characters up here: bit 0 a blank, bit 1 what ends a word (a
// blank or the end of the line).
inline constexpr std::array<uint8_t, 256> kScanClasses = [] {
    std::array<uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) classes[c] = isScanBlank(static_cast<char>(c)) ? 3 : c == 0 ? 2 : 0;
    return classes;
}();

inline const char* skipBlanks(const char* p) {
    while (kScanClasses[static_cast<uint8_t>(*p)] & 1) ++p;
    return p;
}

// Optional sign and at least one decimal digit. Values beyond the int32 range
// saturate at its limits.
inline bool scanInt(const char*& cursor, int32_t& out) {
    const char* p = skipBlanks(cursor);
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (static_cast<unsigned>(*p - '0') > 9) return false;
    int64_t value = 0;
    for (; static_cast<unsigned>(*p - '0') <= 9; ++p) {
        if (value <= int64_t{INT32_MAX} + 1) value = value * 10 + (*p - '0');
    }
    if (negative) value = -value;
    out = static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value);
    cursor = p;
    return true;
}

// A decimal float (digits with an optional point and exponent), a hexadecimal
// float ("0x1.8p3"), "inf", "infinity" or "nan" (letters in either case), each
// with an optional sign; rounded once, to nearest, straight to float. A value
// too large for a float reads as an infinity, one too small as zero.
bool scanFloat(const char*& cursor, float& out);

// A run of non-blank characters, copied with a terminating zero into dest,
// which must have room for the rest of the line.
inline bool scanWord(const char*& cursor, char* dest) {
    const char* p = skipBlanks(cursor);
    if (*p == '\0') return false;
    while (!(kScanClasses[static_cast<uint8_t>(*p)] & 2)) *dest++ = *p++;
    *dest = '\0';
    cursor = p;
    return true;
}

// Text stored as UTF-16 with a byte-order mark is read as its characters, as
// other readers of model text do. A character beyond one byte can be part of
// no keyword or number and reads as '?'. Without the mark there is nothing to
// convert.
std::optional<std::vector<uint8_t>> utf16Text(const uint8_t* bytes, size_t size);

// Where a text comes from when it is not all in memory: the bytes from
// offset on, as many as fit in into, fewer only at the end of the text.
using TextSource = std::function<size_t(int64_t offset, std::span<uint8_t> into)>;

// What a whole text shows of itself, gathered a buffer at a time.
struct TextFacts {
    int64_t size = 0;
    std::vector<uint8_t> head;  // its first 128 bytes
    bool holdsZero = false;
    int64_t feeds = 0;
    int64_t loneReturns = 0;  // carriage returns without a line feed after them
    bool holdsWord = false;   // the word asked about
};
TextFacts textFacts(const TextSource& source, std::string_view word);

// Why the text cannot be text (empty, UTF-16 without its mark, zero bytes),
// or null when it can.
const char* whyNotText(const TextFacts& facts);

constexpr int kPieceLength = 255;  // longer lines are read as several lines

// Reads lines the way a text-mode read with a 256-byte buffer does: at most
// 255 characters, up to and including a line feed, and a carriage return
// directly before a line feed is dropped. The line is then seen as a C string,
// so it ends at its first zero byte.
class LineReader {
public:
    LineReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // Reads through a buffer of bufferSize bytes (more than a piece and the
    // byte after it), filled from source as it empties.
    LineReader(TextSource source, size_t bufferSize)
        : source_(std::move(source)), buffer_(bufferSize), data_(buffer_.data()), more_(true) {}

    // Writes the next piece, zero-terminated, into line, which has room for
    // kPieceLength + 1 characters; its length, or 0 at the end of the text.
    size_t next(char* line);

    int64_t consumed() const { return read_ + static_cast<int64_t>(at_); }
    // The line of the file the last piece came from, counting from 1.
    int64_t lineNumber() const { return lineNumber_; }

private:
    // Keeps what is left and fills the rest of the buffer.
    void refill();

    TextSource source_;
    std::vector<uint8_t> buffer_;
    const uint8_t* data_;
    size_t size_ = 0;
    size_t at_ = 0;
    int64_t read_ = 0;  // bytes of the text before data_
    bool more_ = false;
    int64_t lineNumber_ = 0;
    int64_t nextLineNumber_ = 1;
};

// Bytes 1 to 8 of a keyword, or of the text after an asterisk: few keywords
// share them, so one comparison rejects almost every other asterisk.
constexpr uint64_t keywordPrefix(const char* text) {
    uint64_t prefix = 0;
    for (int i = 8; i >= 1; --i) prefix = prefix << 8 | static_cast<uint8_t>(text[i]);
    return prefix;
}

// The keywords a reader looks for, found by their prefix in a table whose
// slot is a multiplicative hash of it. Each keyword starts with an asterisk
// and is at least nine characters long.
template <size_t N>
struct KeywordTable {
    static_assert(N <= 32, "a slot names its keywords in 32 bits");
    static constexpr int kSlotBits = 6;

    std::array<std::string_view, N> texts;
    std::array<uint64_t, 1 << kSlotBits> prefixes{};
    std::array<uint32_t, 1 << kSlotBits> keywords{};  // bit k: texts[k] has the slot's prefix
    uint64_t multiplier = 0;

    consteval explicit KeywordTable(const std::string_view (&list)[N]) {
        for (size_t k = 0; k < N; ++k) {
            texts[k] = list[k];
            if (texts[k].size() < 9 || texts[k][0] != '*') throw "a keyword is an asterisk and eight or more characters";
        }
        // Odd multipliers from a fixed start until every prefix has a slot of
        // its own.
        for (uint64_t m = 0x9E3779B97F4A7C15u;; m += 2) {
            if (fill(m)) return;
        }
    }

    constexpr size_t slot(uint64_t prefix) const { return static_cast<size_t>((prefix * multiplier) >> (64 - kSlotBits)); }

private:
    consteval bool fill(uint64_t m) {
        multiplier = m;
        prefixes = {};
        keywords = {};
        for (size_t k = 0; k < N; ++k) {
            const uint64_t prefix = keywordPrefix(texts[k].data());
            const size_t at = slot(prefix);
            if (keywords[at] != 0 && prefixes[at] != prefix) return false;
            prefixes[at] = prefix;
            keywords[at] |= uint32_t{1} << k;
        }
        return true;
    }
};

// Sets at[k] to where table.texts[k] first occurs in the line, as strstr
// would find it, or to null; one pass over the line's asterisks finds them
// all.
template <size_t N>
void findKeywords(const char* line, const KeywordTable<N>& table, std::array<const char*, N>& at) {
    at.fill(nullptr);
    const size_t length = std::strlen(line);
    const char* end = line + length;
    for (const char* star = static_cast<const char*>(std::memchr(line, '*', length)); star != nullptr;
         star = static_cast<const char*>(std::memchr(star + 1, '*', static_cast<size_t>(end - star - 1)))) {
        const size_t rest = static_cast<size_t>(end - star);
        if (rest < 9) break;
        const uint64_t prefix = keywordPrefix(star);
        const size_t slot = table.slot(prefix);
        if (table.prefixes[slot] != prefix) continue;
        for (uint32_t candidates = table.keywords[slot]; candidates != 0; candidates &= candidates - 1) {
            const int k = std::countr_zero(candidates);
            const std::string_view text = table.texts[k];
            if (at[k] == nullptr && text.size() <= rest && std::memcmp(star + 9, text.data() + 9, text.size() - 9) == 0)
                at[k] = star;
        }
    }
}

// Line patterns of a recognised subset. Words and ignored numbers go into
// the one scratch word; each step stops the line at its first failed
// conversion, like formatted input, and leaves later targets untouched.
class LineScan {
public:
    LineScan(const char* from, char* scratch) : cursor_(from), scratch_(scratch) {}

    bool word() { return ok_ && (ok_ = scanWord(cursor_, scratch_)); }

    // An ignored int lands in the scratch word as the four bytes of its value,
    // which is what a later line reading a missing word finds there.
    bool ignoredInt() {
        int32_t value = 0;
        if (!ok_ || !(ok_ = scanInt(cursor_, value))) return false;
        std::memcpy(scratch_, &value, sizeof value);
        return true;
    }

    bool integer(int32_t& out) { return ok_ && (ok_ = scanInt(cursor_, out)); }
    bool real(float& out) { return ok_ && (ok_ = scanFloat(cursor_, out)); }

private:
    const char* cursor_;
    char* scratch_;
    bool ok_ = true;
};

}  // namespace trivane
