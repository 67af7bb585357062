#include <cstdint>

#include "raster/fills.h"

namespace trivane::raster {

namespace {

using Wide = __int128;

// Minor-axis advance after t major steps of the midpoint walk with major
// length M and minor length m (0 <= m <= M): the walk steps the minor
// coordinate when its decision value 2m(t) - M - 2M s is strictly positive,
// which gives s(t) = ceil((2mt - M) / 2M).
int64_t minorAdvance(int64_t t, int64_t major, int64_t minor) {
    const Wide numerator = Wide(2) * minor * t - major;
    const Wide denominator = Wide(2) * major;
    // numerator > -denominator for t >= 0, so the shifted value is positive.
    return static_cast<int64_t>((numerator + denominator + denominator - 1) / denominator - 1);
}

// Range of step numbers t in [1, M] at which start + sign * t lies in [lo, hi].
bool majorWindow(int64_t start, int sign, int64_t major, int64_t lo, int64_t hi, int64_t& first,
                 int64_t& last) {
    int64_t a, b;
    if (sign > 0) {
        a = lo - start;
        b = hi - start;
    } else {
        a = start - hi;
        b = start - lo;
    }
    first = a > 1 ? a : 1;
    last = b < major ? b : major;
    return first <= last;
}

// The first t in [lo, hi] for which holds(t) is true, where it is false up
// to some step and true from there on; hi + 1 when it never holds.
template <typename Holds>
int64_t firstWhere(int64_t lo, int64_t hi, Holds&& holds) {
    int64_t end = hi + 1;
    while (lo < end) {
        const int64_t mid = lo + (end - lo) / 2;
        if (holds(mid)) end = mid; else lo = mid + 1;
    }
    return lo;
}

}  // namespace

void drawLine(FrameBand& band, int32_t x0, int32_t y0, int32_t x1, int32_t y1, const uint8_t (&rgb)[3]) {
    if (band.colour == nullptr) return;
    const int64_t rowLo = band.rowBegin > 1 ? band.rowBegin : 1;
    const int64_t lastRow = band.height - 1, lastColumn = band.width - 1;
    const int64_t rowHi = band.rowEnd - 1 < lastRow ? band.rowEnd - 1 : lastRow;
    if (rowLo > rowHi) return;
    const int64_t dx = static_cast<int64_t>(x1) - x0;
    const int64_t dy = static_cast<int64_t>(y1) - y0;
    if (dx == 0 && dy == 0) return;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    const bool xMajor = dx != 0 && ady <= adx;

    const int64_t major = xMajor ? adx : ady;
    const int64_t minor = xMajor ? ady : adx;
    const int majorSign = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int minorSign = (xMajor ? dy : dx) > 0 ? 1 : -1;  // irrelevant when minor is 0
    const int64_t majorStart = xMajor ? x0 : y0;
    const int64_t minorStart = xMajor ? y0 : x0;
    const int64_t majorLo = xMajor ? 1 : rowLo;
    const int64_t majorHi = xMajor ? lastColumn : rowHi;
    const int64_t minorLo = xMajor ? rowLo : 1;
    const int64_t minorHi = xMajor ? rowHi : lastColumn;

    // Only the steps whose pixel can land inside the columns from 1 and the
    // rows of the band are walked:
    // first the steps where the major coordinate is inside, then, because the
    // minor coordinate moves monotonically, the sub-range where it is inside
    // too. Positions are computed exactly as the full walk would reach them.
    // A line with both ends inside stays inside (it is monotone in both
    // coordinates): the common short line skips the search.
    const bool inside = x0 >= 1 && x0 <= lastColumn && x1 >= 1 && x1 <= lastColumn && y0 >= rowLo && y0 <= rowHi &&
                        y1 >= rowLo && y1 <= rowHi;
    int64_t first = 1, last = major;
    // The minor advance and decision value before step `first`.
    int64_t s = 0, d = 2 * minor - major;
    if (!inside) {
        if (!majorWindow(majorStart, majorSign, major, majorLo, majorHi, first, last)) return;
        auto minorAt = [&](int64_t t) { return minorStart + minorSign * minorAdvance(t, major, minor); };
        auto belowRange = [&](int64_t t) { return minorAt(t) < minorLo; };
        auto aboveRange = [&](int64_t t) { return minorAt(t) > minorHi; };
        // The predicate "not yet inside" holds for a prefix of the steps and
        // "already past" for a suffix; which of the two bounds comes first depends
        // on the walking direction.
        auto notYet = [&](int64_t t) { return minorSign > 0 ? belowRange(t) : aboveRange(t); };
        auto past = [&](int64_t t) { return minorSign > 0 ? aboveRange(t) : belowRange(t); };
        first = firstWhere(first, last, [&](int64_t t) { return !notYet(t); });
        last = firstWhere(first, last, past) - 1;
        if (first > last) return;
        // Resume the walk at step `first` with its exact decision value.
        s = minorAdvance(first - 1, major, minor);
        d = static_cast<int64_t>(Wide(2) * minor * first - major - Wide(2) * major * s);
    }

    for (int64_t t = first; t <= last; ++t) {
        if (d > 0) {
            ++s;
            d += 2 * (minor - major);
        } else {
            d += 2 * minor;
        }
        const int64_t a = majorStart + majorSign * t;
        const int64_t b = minorStart + minorSign * s;
        const int64_t x = xMajor ? a : b, y = xMajor ? b : a;
        storeRgb(band.row(static_cast<int32_t>(y)) + 3 * x, rgb[0], rgb[1], rgb[2]);
    }
}

}  // namespace trivane::raster
