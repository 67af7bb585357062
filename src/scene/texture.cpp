#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "scene/loaded_files.h"
#include "scene/files.h"

namespace trivane {

namespace {

// Where the pixels of a file with the classic 40-byte header start; newer
// headers (108 or 124 bytes) move them, and the file says where.
constexpr size_t kPixelOffset = 54;

// Shown in place of a file that cannot serve as a texture: one white texel,
// so textured faces show their lit colour. It is stored after the file's own
// bytes, inside the one texture buffer, where the fill expects every texel.
// Two texels wide so that a fetch one column past the last texel (u of
// exactly 1) still lands on white.
const uint8_t kBlankTexel[8] = {255, 255, 255, 255, 255, 255, 0, 0};

int64_t readLe32(const std::vector<uint8_t>& bytes, size_t offset) {
    const uint32_t value = static_cast<uint32_t>(bytes[offset]) |
                           (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
                           (static_cast<uint32_t>(bytes[offset + 2]) << 16) |
                           (static_cast<uint32_t>(bytes[offset + 3]) << 24);
    return static_cast<int32_t>(value);
}

uint32_t readLe16(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8);
}

}  // namespace

bool loadDefaultTexture(SceneState& scene) {
    const ReadFile file = readDefaultFile(kDefaultTexturePath, kTextureFile);
    if (!file) return false;
    installTexture(scene, readTexture(file.bytes()));
    return true;
}

void installTexture(SceneState& scene, LoadedTexture&& texture) {
    scene.textureFile = std::move(texture.file);
    scene.texturePixels = scene.textureFile.data() + texture.pixelOffset;
    scene.textureWidth = texture.width;
    scene.textureMaxY = texture.maxY;
    scene.textureStride = texture.stride;
}

LoadedTexture readTexture(std::vector<uint8_t> bytes) {
    LoadedTexture texture;
    texture.file = std::move(bytes);
    std::vector<uint8_t>& file = texture.file;

    // Only an uncompressed 24-bit image whose every addressed texel lies inside
    // the file is used as it stands. The last row may lack its padding, since
    // padding is never read.
    bool usable = file.size() >= kPixelOffset;
    int64_t width = 0, height = 0, stride = 0, rows = 0;
    size_t pixelOffset = kPixelOffset;
    if (usable) {
        width = readLe32(file, 18);
        height = readLe32(file, 22);
        const uint32_t bitsPerPixel = readLe16(file, 28);
        const int64_t compression = readLe32(file, 30);
        rows = height < 0 ? -height : height;
        stride = (width * 3 + 3) & ~int64_t{3};
        usable = bitsPerPixel == 24 && compression == 0 && width > 0 && rows > 0;
        // Products of header values: checked, since a header can name rows
        // and widths whose product leaves the int64 range.
        const auto fitsFrom = [&](int64_t offset) {
            int64_t lastRow = 0, end = 0;
            return !__builtin_mul_overflow(rows - 1, stride, &lastRow) &&
                   !__builtin_add_overflow(lastRow, offset + 3 * width, &end) &&
                   end <= static_cast<int64_t>(file.size()) && end <= INT32_MAX;
        };
        // The file's own offset where the image fits after it; else, as
        // files have long been read, the classic one.
        const int64_t stated = static_cast<uint32_t>(readLe32(file, 10));
        if (usable && stated > static_cast<int64_t>(kPixelOffset) && fitsFrom(stated))
            pixelOffset = static_cast<size_t>(stated);
        else
            usable = usable && fitsFrom(static_cast<int64_t>(kPixelOffset));
    }

    if (!usable) {
        texture.pixelOffset = file.size();
        file.insert(file.end(), kBlankTexel, kBlankTexel + sizeof kBlankTexel);
        texture.width = 1;
        texture.maxY = 0;
        texture.stride = 4;
        return texture;
    }

    uint8_t* pixels = file.data() + pixelOffset;
    if (height < 0) {
        // Rows stored top-down: reverse them once here so that row 0 is the
        // bottom row, as in every other bitmap, and the fill needs no case.
        const size_t rowBytes = static_cast<size_t>(3 * width);
        for (int64_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
            std::swap_ranges(pixels + top * stride, pixels + top * stride + rowBytes,
                             pixels + bottom * stride);
        }
    }
    texture.pixelOffset = pixelOffset;
    texture.width = static_cast<int32_t>(width);
    texture.maxY = static_cast<int32_t>(rows - 1);
    texture.stride = static_cast<int32_t>(stride);
    return texture;
}

}  // namespace trivane
