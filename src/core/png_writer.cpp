#include "core/png_writer.h"

#include <cstddef>
#include <cstdio>

#include "raster/frame_layout.h"

namespace trivane {

namespace {

struct CrcTable {
    uint32_t entry[256];
    constexpr CrcTable() : entry{} {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[n] = c;
        }
    }
};

constexpr CrcTable kCrcTable;

void putBigEndian(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

// Streams one chunk: its length is known up front, its data arrives in pieces
// and the CRC runs over the type and the data.
class ChunkWriter {
public:
    ChunkWriter(std::FILE* file, const char* type, uint32_t length) : file_(file) {
        uint8_t head[8];
        putBigEndian(head, length);
        for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<uint8_t>(type[i]);
        ok_ = std::fwrite(head, 1, 8, file_) == 8;
        crc_ = crc32Update(0, head + 4, 4);
    }
    void write(const uint8_t* data, size_t length) {
        if (length == 0) return;
        ok_ = ok_ && std::fwrite(data, 1, length, file_) == length;
        crc_ = crc32Update(crc_, data, length);
    }
    bool finish() {
        uint8_t tail[4];
        putBigEndian(tail, crc_);
        ok_ = ok_ && std::fwrite(tail, 1, 4, file_) == 4;
        return ok_;
    }

private:
    std::FILE* file_;
    uint32_t crc_ = 0;
    bool ok_ = true;
};

constexpr uint32_t kRowBytes = 1 + 3 * kFrameWidth;  // filter byte + RGB
constexpr uint32_t kRawBytes = kRowBytes * kFrameHeight;
constexpr uint32_t kMaxStored = 65535;                // largest stored deflate block
constexpr uint32_t kBlocks = (kRawBytes + kMaxStored - 1) / kMaxStored;
constexpr uint32_t kZlibBytes = 2 + kBlocks * 5 + kRawBytes + 4;

// Emits the zlib stream of stored blocks, pulling raw bytes row by row.
class StoredDeflate {
public:
    explicit StoredDeflate(ChunkWriter& chunk) : chunk_(chunk) {
        const uint8_t header[2] = {0x78, 0x01};  // deflate, 32 KiB window, no dictionary
        chunk_.write(header, 2);
    }
    void write(const uint8_t* data, size_t length) {
        while (length > 0) {
            if (blockLeft_ == 0) startBlock();
            const size_t n = length < blockLeft_ ? length : blockLeft_;
            chunk_.write(data, n);
            adler_ = adler32Update(adler_, data, n);
            data += n;
            length -= n;
            blockLeft_ -= static_cast<uint32_t>(n);
            written_ += static_cast<uint32_t>(n);
        }
    }
    void finish() {
        uint8_t tail[4];
        putBigEndian(tail, adler_);
        chunk_.write(tail, 4);
    }

private:
    void startBlock() {
        const uint32_t remaining = kRawBytes - written_;
        const uint32_t size = remaining < kMaxStored ? remaining : kMaxStored;
        const bool last = size == remaining;
        const uint8_t head[5] = {static_cast<uint8_t>(last ? 1 : 0), static_cast<uint8_t>(size),
                                 static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(~size),
                                 static_cast<uint8_t>(~size >> 8)};
        chunk_.write(head, 5);
        blockLeft_ = size;
    }

    ChunkWriter& chunk_;
    uint32_t adler_ = 1;
    uint32_t blockLeft_ = 0;
    uint32_t written_ = 0;
};

}  // namespace

uint32_t crc32Update(uint32_t crc, const uint8_t* data, size_t length) {
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) c = kCrcTable.entry[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t adler32Update(uint32_t adler, const uint8_t* data, size_t length) {
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    constexpr uint32_t kMod = 65521;
    while (length > 0) {
        // 5552 bytes is the most that cannot overflow b before the reduction.
        const size_t n = length < 5552 ? length : 5552;
        for (size_t i = 0; i < n; ++i) {
            a += data[i];
            b += a;
        }
        a %= kMod;
        b %= kMod;
        data += n;
        length -= n;
    }
    return (b << 16) | a;
}

bool writeFramePng(const char* path, const uint8_t* frameBits) {
    if (path == nullptr || frameBits == nullptr) return false;
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;

    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bool ok = std::fwrite(kSignature, 1, 8, file) == 8;

    uint8_t header[13];
    putBigEndian(header, kFrameWidth);
    putBigEndian(header + 4, kFrameHeight);
    header[8] = 8;   // bits per channel
    header[9] = 2;   // truecolour
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering (every row uses filter 0)
    header[12] = 0;  // not interlaced
    ChunkWriter ihdr(file, "IHDR", 13);
    ihdr.write(header, 13);
    ok = ihdr.finish() && ok;

    ChunkWriter idat(file, "IDAT", kZlibBytes);
    StoredDeflate deflate(idat);
    uint8_t row[kRowBytes];
    row[0] = 0;  // no filter
    for (int32_t line = 0; line < kFrameHeight; ++line) {
        // The bottom framebuffer row is the last line of the image.
        const uint8_t* source = frameRowFromTop(frameBits, line);
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            const uint8_t* pixel = source + 3 * x;
            row[1 + 3 * x] = redOf(pixel);
            row[2 + 3 * x] = greenOf(pixel);
            row[3 + 3 * x] = blueOf(pixel);
        }
        deflate.write(row, kRowBytes);
    }
    deflate.finish();
    ok = idat.finish() && ok;

    ChunkWriter iend(file, "IEND", 0);
    ok = iend.finish() && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}  // namespace trivane
