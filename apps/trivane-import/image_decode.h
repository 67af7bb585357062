#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trivane {

// A texture as the reply carries it: 3 bytes a texel (blue, green, red),
// bottom row first, rows without padding.
struct DecodedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> texels;
};

// Decodes PNG or JPEG bytes (told apart by their signature) of at most
// maxSide texels a side. False with the reason in why otherwise.
bool decodeImage(const uint8_t* data, size_t size, uint32_t maxSide, DecodedImage& image, std::string& why);

}  // namespace trivane
