// The PNG writer, read back with a decoder of our own: chunks, checksums,
// stored deflate blocks and the turned-over, RGB-ordered rows.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/png_writer.h"
#include "test_support.h"

namespace trivane {
namespace {

uint32_t bigEndian(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint32_t slowAdler(const std::vector<uint8_t>& data) {
    uint64_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return static_cast<uint32_t>((b << 16) | a);
}

struct Decoded {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> raw;  // filter byte + RGB per line
    std::vector<std::string> chunkTypes;
};

// Reads back what writeFramePng produced; every check that fails is a fault.
Decoded decode(const std::vector<uint8_t>& file) {
    Decoded out;
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(file.size() > 8 && std::equal(signature, signature + 8, file.begin()));
    std::vector<uint8_t> zlib;
    size_t pos = 8;
    while (pos + 12 <= file.size()) {
        const uint32_t length = bigEndian(&file[pos]);
        EXPECT_LE(pos + 12 + length, file.size());
        if (pos + 12 + length > file.size()) break;
        const std::string type(file.begin() + pos + 4, file.begin() + pos + 8);
        out.chunkTypes.push_back(type);
        const uint8_t* body = &file[pos + 8];
        // The checksum function itself is held to its check value below.
        EXPECT_EQ(bigEndian(body + length), crc32Update(0, &file[pos + 4], length + 4)) << type;
        if (type == "IHDR") {
            EXPECT_EQ(length, 13u);
            out.width = bigEndian(body);
            out.height = bigEndian(body + 4);
            EXPECT_EQ(body[8], 8);
            EXPECT_EQ(body[9], 2);
            EXPECT_EQ(body[10] | body[11] | body[12], 0);
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), body, body + length);
        }
        pos += 12 + length;
    }
    EXPECT_EQ(pos, file.size());
    EXPECT_GE(zlib.size(), 6u);
    if (zlib.size() < 6) return out;
    EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);
    EXPECT_EQ(zlib[0] & 0x0F, 8);
    size_t z = 2;
    bool last = false;
    while (!last && z + 5 <= zlib.size()) {
        const uint8_t head = zlib[z];
        last = head & 1;
        EXPECT_EQ((head >> 1) & 3, 0) << "only stored blocks are expected";
        const uint32_t len = zlib[z + 1] | (zlib[z + 2] << 8);
        const uint32_t nlen = zlib[z + 3] | (zlib[z + 4] << 8);
        EXPECT_EQ(len ^ 0xFFFF, nlen);
        z += 5;
        EXPECT_LE(z + len, zlib.size());
        if (z + len > zlib.size()) return out;
        out.raw.insert(out.raw.end(), zlib.begin() + z, zlib.begin() + z + len);
        z += len;
    }
    EXPECT_TRUE(last);
    EXPECT_EQ(z + 4, zlib.size());
    if (z + 4 == zlib.size()) {
        EXPECT_EQ(bigEndian(&zlib[z]), slowAdler(out.raw));
    }
    return out;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string tempPath(const char* name) { return ::testing::TempDir() + name; }

TEST(PngWriter, ImageIsTheFrameTurnedUprightInRgbOrderWithTheSameBytesEveryTime) {
    auto r = test::makeRendererWithFrame();
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            uint8_t* p = r->frameBits + y * 2400 + 3 * x;
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = static_cast<uint8_t>(x ^ y);
        }
    const std::string path = tempPath("frame.png"), again = tempPath("again.png");
    ASSERT_TRUE(writeFramePng(path.c_str(), r->frameBits));
    ASSERT_TRUE(writeFramePng(again.c_str(), r->frameBits));
    const std::vector<uint8_t> file = readFile(path);
    EXPECT_EQ(file, readFile(again));
    const Decoded d = decode(file);
    EXPECT_EQ(d.width, 800u);
    EXPECT_EQ(d.height, 600u);
    EXPECT_EQ(d.chunkTypes, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    ASSERT_EQ(d.raw.size(), 600u * 2401u);
    int mismatches = 0;
    for (int line = 0; line < 600; ++line) {
        const uint8_t* row = &d.raw[line * 2401];
        EXPECT_EQ(row[0], 0);
        const int y = 599 - line;
        for (int x = 0; x < 800; ++x)  // red, green, blue
            mismatches += row[1 + 3 * x] != static_cast<uint8_t>(x ^ y) ||
                          row[2 + 3 * x] != static_cast<uint8_t>(y) || row[3 + 3 * x] != static_cast<uint8_t>(x);
    }
    EXPECT_EQ(mismatches, 0);
    std::remove(path.c_str());
    std::remove(again.c_str());
}

TEST(PngWriter, FailuresAreReported) {
    auto r = test::makeRendererWithFrame();
    EXPECT_FALSE(writeFramePng("/nonexistent-dir/x.png", r->frameBits));
    EXPECT_FALSE(writeFramePng(nullptr, r->frameBits));
    EXPECT_FALSE(writeFramePng(tempPath("x.png").c_str(), nullptr));
}

TEST(PngWriter, ChecksumsMatchKnownValues) {
    const uint8_t text[] = "123456789";
    EXPECT_EQ(crc32Update(0, text, 9), 0xCBF43926u);
    EXPECT_EQ(crc32Update(crc32Update(0, text, 4), text + 4, 5), 0xCBF43926u);
    const uint8_t wiki[] = "Wikipedia";
    EXPECT_EQ(adler32Update(1, wiki, 9), 0x11E60398u);
    std::vector<uint8_t> big(100000, 0xFF);
    EXPECT_EQ(adler32Update(1, big.data(), big.size()), slowAdler(big));
}

}  // namespace
}  // namespace trivane
