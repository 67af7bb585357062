#pragma once

#include <cstdint>

// Reading words and numbers from one line of a model file the way formatted
// input reads them in the "C" locale ("%s", "%d", "%f"), without consulting
// any locale at all: a file written on one machine reads the same on every
// other, whatever LC_NUMERIC says. Each reader skips leading blanks (space,
// tab, line feed, vertical tab, form feed, carriage return), converts, and on
// success moves the cursor past the converted text. On failure the cursor is
// left where it was and the output is untouched; the caller stops reading the
// line there, as formatted input does.

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

}  // namespace trivane
