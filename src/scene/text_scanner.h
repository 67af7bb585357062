#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

inline bool isScanBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Optional sign and at least one decimal digit. Values beyond the int32 range
// saturate at its limits.
bool scanInt(const char*& cursor, int32_t& out);

// A decimal float (digits with an optional point and exponent), a hexadecimal
// float ("0x1.8p3"), "inf", "infinity" or "nan" (letters in either case), each
// with an optional sign; rounded once, to nearest, straight to float. A value
// too large for a float reads as an infinity, one too small as zero.
bool scanFloat(const char*& cursor, float& out);

// A run of non-blank characters, copied with a terminating zero into dest,
// which must have room for the rest of the line.
bool scanWord(const char*& cursor, char* dest);

// Text stored as UTF-16 with a byte-order mark is read as its characters, as
// other readers of model text do. A character beyond one byte can be part of
// no keyword or number and reads as '?'. Without the mark there is nothing to
// convert.
std::optional<std::vector<uint8_t>> utf16Text(const uint8_t* bytes, size_t size);

// Why the bytes cannot be text (empty, UTF-16 without its mark, zero bytes),
// or null when they can.
const char* whyNotText(const uint8_t* data, size_t size);

constexpr int kPieceLength = 255;  // longer lines are read as several lines

// Reads lines the way a text-mode read with a 256-byte buffer does: at most
// 255 characters, up to and including a line feed, and a carriage return
// directly before a line feed is dropped. The line is then seen as a C string,
// so it ends at its first zero byte.
class LineReader {
public:
    LineReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool next(char (&line)[kPieceLength + 1]);

    int64_t consumed() const { return static_cast<int64_t>(at_); }
    // The line of the file the last piece came from, counting from 1.
    int64_t lineNumber() const { return lineNumber_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    int64_t lineNumber_ = 0;
    int64_t nextLineNumber_ = 1;
};

// Bytes 1 to 4 of a keyword, to reject most keywords at an asterisk with one
// comparison.
constexpr uint32_t keywordHead(const char* text) {
    return uint32_t{static_cast<uint8_t>(text[1])} | uint32_t{static_cast<uint8_t>(text[2])} << 8 |
           uint32_t{static_cast<uint8_t>(text[3])} << 16 | uint32_t{static_cast<uint8_t>(text[4])} << 24;
}

// The keywords a reader looks for. Each starts with an asterisk and is longer
// than its head.
template <size_t N>
struct KeywordTable {
    std::array<std::string_view, N> texts;
    std::array<uint32_t, N> heads{};

    consteval explicit KeywordTable(const std::string_view (&keywords)[N]) {
        for (size_t k = 0; k < N; ++k) {
            texts[k] = keywords[k];
            if (texts[k].size() < 5 || texts[k][0] != '*') throw "a keyword is an asterisk and four or more characters";
            heads[k] = keywordHead(texts[k].data());
        }
    }
};

// Sets at[k] to where texts[k] first occurs in the line, as strstr would find
// it, or to null; one pass over the line's asterisks finds them all.
void findKeywords(const char* line, std::span<const std::string_view> texts, std::span<const uint32_t> heads,
                  std::span<const char*> at);

template <size_t N>
class LineKeywords {
public:
    LineKeywords(const char* line, const KeywordTable<N>& table) { findKeywords(line, table.texts, table.heads, at_); }

    const char* operator[](size_t keyword) const { return at_[keyword]; }

private:
    std::array<const char*, N> at_;
};

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
