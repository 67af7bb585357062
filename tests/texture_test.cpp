// The texture file: row layouts and images that cannot be used. A missing one
// is in tests/cli (missing_files).
#include <gtest/gtest.h>

#include "scene_files.h"

namespace trivane {
namespace {

using test::TempDir;
using test::bitmap;
using test::withLe32;

// Every file that can be opened is accepted, usable or not.
std::unique_ptr<Renderer> loadFrom(const std::string& bytes) {
    TempDir dir;
    dir.write("64Bits.bmp", bytes);
    test::WorkingDirectory cwd(dir.path());
    auto r = test::makeRenderer();
    EXPECT_TRUE(loadDefaultTexture(r->scene));
    return r;
}

// (blue, green, red) of one texel as the fill addresses it.
std::array<int, 3> texel(const Renderer& r, int32_t column, int32_t row) {
    if (r.scene.texturePixels == nullptr) return {-1, -1, -1};
    const uint8_t* p = r.scene.texturePixels + static_cast<ptrdiff_t>(row) * r.scene.textureStride + 3 * column;
    return {p[0], p[1], p[2]};
}

TEST(Texture, StridesRowOrderAndTexelsAddressedInPlace) {
    // Rows padded to four bytes, stored bottom-up or (a negative height)
    // top-down, so that the file's first row becomes the last; the last row
    // needs no padding.
    const struct {
        int32_t width, height, stride;
        size_t cut;
    } cases[] = {{64, 7, 192, 0}, {3, 7, 12, 0}, {1, 7, 4, 0}, {5, 7, 16, 0}, {3, -4, 12, 0}, {3, 2, 12, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        std::string bytes = bitmap(c.width, c.height);
        bytes.resize(bytes.size() - c.cut);
        const auto loaded = loadFrom(bytes);
        const Renderer& r = *loaded;
        const int32_t rows = std::abs(c.height);
        EXPECT_EQ(std::tuple(r.scene.textureWidth, r.scene.textureMaxY, r.scene.textureStride), std::tuple(c.width, rows - 1, c.stride));
        ASSERT_EQ(r.scene.textureFile.size(), bytes.size());
        EXPECT_EQ(r.scene.texturePixels, r.scene.textureFile.data() + 54);
        for (int32_t row = 0; row < rows; ++row) {
            const int fileRow = c.height < 0 ? rows - 1 - row : row;
            EXPECT_EQ(texel(r, c.width - 1, row), (std::array{c.width - 1, fileRow, 100 + fileRow}));
        }
    }
}

// Newer headers (the 124 bytes image editors write today) move the pixels,
// and the file's offset says where; an offset the image does not fit after,
// or one inside the classic header, leaves them at byte 54 as always.
TEST(Texture, PixelsStartWhereTheFileSaysWhenTheImageFitsThere) {
    const auto movedBy = [](std::string bytes, size_t gap, int32_t stated) {
        bytes.insert(54, gap, '\x7f');
        return withLe32(withLe32(bytes, 14, static_cast<int32_t>(40 + gap)), 10, stated);
    };
    const struct {
        std::string file;
        size_t pixels;
    } cases[] = {{movedBy(bitmap(3, 2), 84, 138), 138}, {movedBy(bitmap(3, 2), 68, 122), 122},
                 {movedBy(bitmap(3, 2), 0, 50), 54},   {movedBy(bitmap(3, 2), 0, 58), 54},
                 {movedBy(bitmap(3, 2), 0, -1), 54}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const auto loaded = loadFrom(c.file);
        ASSERT_EQ(loaded->scene.texturePixels, loaded->scene.textureFile.data() + c.pixels);
        EXPECT_EQ(texel(*loaded, 2, 1), (std::array{2, 1, 101}));
    }
}

TEST(Texture, ImagesThatCannotBeUsedShowPlainWhite) {
    const std::string good = bitmap(4, 4);  // 102 bytes, no padding
    const std::string hostile[] = {std::string(),          std::string(53, 'B'),
                                   bitmap(4, 4, 32),       withLe32(good, 22, 0),
                                   withLe32(good, 18, 0),  withLe32(good, 18, -4),
                                   withLe32(good, 30, 1),  withLe32(good, 22, INT32_MIN),
                                   withLe32(good, 18, INT32_MAX), good.substr(0, good.size() - 1),
                                   // (rows - 1) x stride is past the int64 range
                                   withLe32(withLe32(good, 18, 1999999999), 22, 2000000000)};
    for (const std::string& bytes : hostile) {
        SCOPED_TRACE(&bytes - hostile);
        const auto loaded = loadFrom(bytes);
        const Renderer& r = *loaded;
        // The file is kept whole; the white texel follows it in the same buffer.
        ASSERT_EQ(r.scene.textureFile.size(), bytes.size() + 8);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), r.scene.textureFile.begin(),
                               [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }));
        EXPECT_EQ(r.scene.texturePixels, r.scene.textureFile.data() + bytes.size());
        EXPECT_EQ(std::tuple(r.scene.textureWidth, r.scene.textureMaxY, r.scene.textureStride), std::tuple(1, 0, 4));
        // One past the last column (u = 1) is white as well.
        for (int c = 0; c < 6; ++c) EXPECT_EQ(r.scene.texturePixels[c], 255);
    }
}

}  // namespace
}  // namespace trivane
