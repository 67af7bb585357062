#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "scene_files.h"
#include "test_support.h"

namespace trivane {
namespace {

using test::TempDir;

void putLe32(std::string& bytes, size_t offset, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A bitmap whose texel (c, r) in file order is (blue, green, red) =
// (c, r, 100 + row tag), rows padded to a multiple of 4.
std::string bitmap(int32_t width, int32_t height, int bitsPerPixel = 24, bool trimLastPadding = false) {
    const int32_t rows = height < 0 ? -height : height;
    const int32_t stride = (width * 3 + 3) & ~3;
    std::string bytes(54 + static_cast<size_t>(rows) * stride, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLe32(bytes, 2, static_cast<int32_t>(bytes.size()));
    putLe32(bytes, 10, 54);
    putLe32(bytes, 14, 40);
    putLe32(bytes, 18, width);
    putLe32(bytes, 22, height);
    bytes[26] = 1;
    bytes[28] = static_cast<char>(bitsPerPixel);
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            const size_t at = 54 + static_cast<size_t>(r) * stride + 3 * static_cast<size_t>(c);
            bytes[at] = static_cast<char>(c);
            bytes[at + 1] = static_cast<char>(r);
            bytes[at + 2] = static_cast<char>(100 + r);
        }
        for (int32_t p = width * 3; p < stride; ++p) bytes[54 + static_cast<size_t>(r) * stride + p] = 'P';
    }
    if (trimLastPadding) bytes.resize(bytes.size() - static_cast<size_t>(stride - width * 3));
    return bytes;
}

struct TextureLoad {
    std::unique_ptr<Renderer> renderer = test::makeRenderer();
    bool opened = false;
};

TextureLoad loadFrom(const std::string& bytes) {
    TempDir dir;
    dir.write("64Bits.bmp", bytes);
    test::WorkingDirectory cwd(dir.path());
    TextureLoad t;
    t.opened = t.renderer->loadTexture();
    return t;
}

const uint8_t* texel(const Renderer& r, int32_t column, int32_t row) {
    return r.texturePixels + static_cast<ptrdiff_t>(row) * r.textureStride + 3 * column;
}

TEST(Texture, StridesAndTexelsAddressedInPlace) {
    struct Case {
        int32_t width, stride;
    } cases[] = {{64, 192}, {3, 12}, {1, 4}, {5, 16}};
    for (const Case& c : cases) {
        TextureLoad t = loadFrom(bitmap(c.width, 7));
        const Renderer& r = *t.renderer;
        ASSERT_TRUE(t.opened);
        EXPECT_EQ(r.textureWidth, c.width);
        EXPECT_EQ(r.textureMaxY, 6);
        EXPECT_EQ(r.textureStride, c.stride);
        ASSERT_EQ(r.textureFile.size(), 54u + 7u * c.stride);
        EXPECT_EQ(r.texturePixels, r.textureFile.data() + 54);
        const uint8_t* last = texel(r, c.width - 1, 6);
        EXPECT_EQ(last[0], c.width - 1);
        EXPECT_EQ(last[1], 6);
        EXPECT_EQ(last[2], 106);
    }
}

TEST(Texture, TopDownRowsAreShownTheRightWayUp) {
    // Stored top-down, the file's first row is the top of the picture, so it
    // must become the last row.
    TextureLoad t = loadFrom(bitmap(3, -4));
    const Renderer& r = *t.renderer;
    ASSERT_TRUE(t.opened);
    EXPECT_EQ(r.textureWidth, 3);
    EXPECT_EQ(r.textureMaxY, 3);
    EXPECT_EQ(r.textureStride, 12);
    for (int32_t row = 0; row < 4; ++row) {
        EXPECT_EQ(texel(r, 2, row)[1], 3 - row);
        EXPECT_EQ(texel(r, 2, row)[0], 2);
        EXPECT_EQ(texel(r, 0, row)[2], 100 + 3 - row);
    }
}

TEST(Texture, ImagesThatCannotBeUsedShowPlainWhite) {
    std::string noHeight = bitmap(4, 4);
    putLe32(noHeight, 22, 0);
    std::string noWidth = bitmap(4, 4);
    putLe32(noWidth, 18, 0);
    std::string negativeWidth = bitmap(4, 4);
    putLe32(negativeWidth, 18, -4);
    std::string compressed = bitmap(4, 4);
    putLe32(compressed, 30, 1);
    std::string hugeHeight = bitmap(4, 4);
    putLe32(hugeHeight, 22, INT32_MIN);
    std::string hugeWidth = bitmap(4, 4);
    putLe32(hugeWidth, 18, INT32_MAX);
    std::string shortByOneByte = bitmap(4, 4);
    shortByOneByte.pop_back();
    const std::string hostile[] = {std::string(),         std::string(53, 'B'), bitmap(4, 4, 32),
                                   bitmap(4, 4, 8),       noHeight,             noWidth,
                                   negativeWidth,         compressed,           hugeHeight,
                                   hugeWidth,             shortByOneByte.substr(0, 100)};
    for (const std::string& bytes : hostile) {
        TextureLoad t = loadFrom(bytes);
        const Renderer& r = *t.renderer;
        ASSERT_TRUE(t.opened);
        // The file is kept whole; the white texel follows it in the same buffer.
        ASSERT_EQ(r.textureFile.size(), bytes.size() + 8);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), r.textureFile.begin(),
                               [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }));
        EXPECT_EQ(r.texturePixels, r.textureFile.data() + bytes.size());
        EXPECT_EQ(r.textureWidth, 1);
        EXPECT_EQ(r.textureMaxY, 0);
        EXPECT_EQ(r.textureStride, 4);
        // One past the last column (u = 1) is white as well.
        for (int c = 0; c < 6; ++c) EXPECT_EQ(r.texturePixels[c], 255);
    }
}

TEST(Texture, LastRowWithoutItsPaddingIsStillWhole) {
    TextureLoad t = loadFrom(bitmap(3, 2, 24, true));
    ASSERT_TRUE(t.opened);
    EXPECT_EQ(t.renderer->textureWidth, 3);
    EXPECT_EQ(t.renderer->textureMaxY, 1);
    EXPECT_EQ(texel(*t.renderer, 2, 1)[2], 101);
}

TEST(Texture, MissingFileChangesNothing) {
    TempDir dir;
    test::WorkingDirectory cwd(dir.path());
    auto r = test::makeRenderer();
    EXPECT_FALSE(r->loadTexture());
    EXPECT_EQ(r->texturePixels, nullptr);
    EXPECT_EQ(r->textureWidth, 0);
    EXPECT_EQ(r->textureStride, 0);
    std::filesystem::create_directory(dir.path() / "64Bits.bmp");
    EXPECT_FALSE(r->loadTexture());
    EXPECT_EQ(r->texturePixels, nullptr);
}

TEST(Texture, HeaderBytesBeyondTheFortyByteHeaderBecomeTexels) {
    // Pixel data declared further on is still read from byte 54.
    std::string bytes = bitmap(2, 1);
    putLe32(bytes, 10, 58);
    bytes[54] = 9;
    TextureLoad t = loadFrom(bytes);
    EXPECT_EQ(t.renderer->textureWidth, 2);
    EXPECT_EQ(t.renderer->texturePixels[0], 9);
}

}  // namespace
}  // namespace trivane
