// The PNG writer, read back with libpng's own decoder: the default scene's
// picture, turned upright and in RGB order, in a compressed file.
// Write failures are in tests/cli (raw_and_png).
#include <gtest/gtest.h>

#include <png.h>

#include <fstream>
#include <iterator>

#include "core/png_writer.h"
#include "raster/frame_layout.h"
#include "scene_files.h"

namespace trivane {
namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string tempPath(const char* name) { return ::testing::TempDir() + name; }

// At a width whose rows are padded in the framebuffer and not in the file.
TEST(PngWriter, DefaultSceneDecodesToTheFrameUprightInRgbOrderInACompressedFile) {
    constexpr int kWidth = 1001, kHeight = 333;
    auto r = test::makeRenderer();
    createFrameBitmap(r->target, kWidth, kHeight);
    {
        test::WorkingDirectory cwd(TRIVANE_SOURCE_DIR);
        ASSERT_TRUE(r->initialise().started);
    }
    r->input.dirty = 1;
    r->renderFrame();
    const std::string path = tempPath("frame.png"), again = tempPath("again.png");
    const FramePixels picture = pixelsOf(r->target);
    ASSERT_EQ(writeFramePng(path, picture), "");
    ASSERT_EQ(writeFramePng(again, picture), "");
    const std::vector<uint8_t> file = readFile(path);
    EXPECT_EQ(file, readFile(again));
    EXPECT_LE(file.size(), 200u * 1024u);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size())) << image.message;
    ASSERT_EQ(std::tuple(image.format & PNG_FORMAT_FLAG_COLOR, image.width, image.height), std::tuple(PNG_FORMAT_FLAG_COLOR, 1001u, 333u));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
    int mismatches = 0, lit = 0;
    for (int line = 0; line < kHeight; ++line) {
        const uint8_t* row = &rgb[static_cast<size_t>(line) * 3 * kWidth];
        const uint8_t* frame = picture.rowFromTop(line);
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* pixel = frame + 3 * x;
            mismatches += row[3 * x] != redOf(pixel) || row[3 * x + 1] != greenOf(pixel) ||
                          row[3 * x + 2] != blueOf(pixel);
            lit += redOf(pixel) != blueOf(pixel);
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(lit, 1000) << "the scene should give coloured pixels that tell red from blue";
}

}  // namespace
}  // namespace trivane
