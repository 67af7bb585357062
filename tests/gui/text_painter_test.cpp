// The text painter: where the cells land in the bottom-up framebuffer, what
// they contain, and that nothing is written outside the picture.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>

#include "../test_support.h"
#include "platform/text_painter.h"
#include "ui/text_lines.h"

namespace trivane {
namespace {

// A recognisable background, so every byte the painter writes shows.
constexpr uint8_t kFill[3] = {0x40, 0x80, 0xC0};

using Frame = std::vector<uint8_t>;

Frame filledFrame() {
    Frame frame(kFrameBytes);
    for (size_t i = 0; i < kFrameBytes; i += 3) std::memcpy(frame.data() + i, kFill, 3);
    return frame;
}

// The classic picture over a frame's bytes.
FramePixels view(Frame& f) { return FramePixels{f.data(), kFrameWidth, kFrameHeight, kFrameStride}; }

const uint8_t* pixel(const Frame& f, int x, int row) { return f.data() + row * kFrameStride + 3 * x; }
bool untouched(const Frame& f, int x, int row) { return std::memcmp(pixel(f, x, row), kFill, 3) == 0; }

TextLine line(int32_t x, int32_t y, const char* text) {
    TextLine l;
    l.x = x, l.y = y;
    std::strncpy(l.text, text, sizeof l.text - 1);
    l.length = static_cast<int32_t>(std::strlen(l.text));
    return l;
}

QFont paintedFont() {
    QFont font = QGuiApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Bounding box (in picture coordinates, y down) of the written pixels.
struct Box {
    int left = 10000, top = 10000, right = -1, bottom = -1;
    int other = 0;  // neither pure black nor pure white
};

Box writtenBox(const Frame& r) {
    Box box;
    for (int row = 0; row < kFrameHeight; ++row) {
        for (int x = 0; x < kFrameWidth; ++x) {
            if (untouched(r, x, row)) continue;
            const int y = kFrameHeight - 1 - row;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y), box.other};
            const uint8_t* p = pixel(r, x, row);
            const bool black = p[0] == 0 && p[1] == 0 && p[2] == 0;
            box.other += !black && !(p[0] == 255 && p[1] == 255 && p[2] == 255);
        }
    }
    return box;
}

class TextPainterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(ensureGuiApplication(true), nullptr); }
};

TEST_F(TextPainterTest, CellAtTenTenStartsInRow589TheRightWayUp) {
    Frame r = filledFrame();
    const TextLine l = line(10, 10, "Space Bar Click Light Move : Up Down Left Right Pgup Pgdn gjpq");
    drawTextLines(view(r), &l, 1);
    // Opaque black on white, right way up: the cell's top-left corner is
    // picture (10, 10), framebuffer row 589, and it is one line high.
    const QFontMetrics metrics(paintedFont());
    const int width = metrics.horizontalAdvance(QString::fromLatin1(l.text));
    int above = 0, below = 0;  // ink above the baseline, and in the descenders of "gjpq"
    for (int y = 0; y < metrics.height(); ++y)
        for (int x = 0; x < width; ++x) (y < metrics.ascent() ? above : below) += pixel(r, 10 + x, 589 - y)[0] == 0;
    EXPECT_TRUE(above > 3 * below && below > 0) << above << " " << below;
    const Box box = writtenBox(r);
    EXPECT_EQ(std::vector<int>({box.left, box.top, box.right, box.bottom}),
              std::vector<int>({10, 10, 10 + width - 1, 10 + metrics.height() - 1}));
    EXPECT_EQ(box.other, 0);
}

TEST_F(TextPainterTest, LaterCellsCoverEarlierOnesAndEdgesClip) {
    Frame r = filledFrame();
    const TextLine lines[] = {
        line(100, 300, "WWWWWWWWWWWWWWWWWWWW"),
        line(100, 300, "."),                      // covers the start of the first
        line(790, 595, "cut at the corner"),      // mostly outside
        line(-40, -6, "above and left of it"),    // partly outside
        line(900, 10, "entirely outside"),
    };
    drawTextLines(view(r), lines, 5);
    const QFontMetrics metrics(paintedFont());
    // Framebuffer row 0 and column 799 are reached, nothing beyond: the
    // buffer has no room for more, and ASan watches the edges.
    EXPECT_FALSE(untouched(r, 799, 0) || untouched(r, 790, 4) || untouched(r, 0, 599));
    EXPECT_TRUE(untouched(r, 789, 4));
    // The first cell's start is now the cell of ".": white after its advance,
    // where a W would have left ink at mid height.
    const int dotWidth = metrics.horizontalAdvance(QStringLiteral("."));
    const int midRow = 599 - 300 - metrics.ascent() / 2;
    int blackInDot = 0, blackAfter = 0;
    for (int x = 100; x < 100 + 5 * dotWidth + 40; ++x) (x < 100 + dotWidth ? blackInDot : blackAfter) += pixel(r, x, midRow)[0] == 0;
    EXPECT_EQ(std::pair(blackInDot, blackAfter > 0), std::pair(0, true));
}

TEST_F(TextPainterTest, KeptCellsMatchFreshlyLaidOutOnes) {
    TextLine lines[] = {line(10, 10, "stays"), line(100, 300, "WWWWWWWW"), line(100, 300, "covers")};
    TextLineCells cells;
    Frame first = filledFrame();
    cells.draw(view(first), lines, 3);
    // The next frame: a new framebuffer, one text changed, one line moved;
    // the one that stayed must still be copied in.
    std::strcpy(lines[1].text, "W");
    lines[1].length = 1;
    lines[2].x = 140;
    Frame kept = filledFrame();
    cells.draw(view(kept), lines, 3);
    Frame fresh = filledFrame();
    drawTextLines(view(fresh), lines, 3);
    EXPECT_EQ(std::memcmp(kept.data(), fresh.data(), kFrameBytes), 0);
    EXPECT_FALSE(untouched(kept, 10, 589) || untouched(kept, 140, 299));
}

TEST_F(TextPainterTest, LengthsThatLieAreBoundedByTheText) {
    Frame r = filledFrame();
    TextLine bad = line(10, 300, "abc");
    for (int32_t length : {100000, -5}) {
        bad.length = length;
        drawTextLines(view(r), &bad, 1);
    }
    EXPECT_EQ(writtenBox(r).other, 0);
    EXPECT_FALSE(untouched(r, 10, 299));
    // No framebuffer: nothing to draw into, and no crash.
    drawTextLines(FramePixels{}, &bad, 1);
}

}  // namespace
}  // namespace trivane
