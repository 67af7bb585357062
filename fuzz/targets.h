#pragma once

#include <cstddef>
#include <cstdint>

// One input each, for libFuzzer and for the replay of found inputs in the
// test suite. A fault shows as a sanitizer report or a trap; the return value
// is always 0, as libFuzzer expects.

namespace trivane::fuzz {

int modelFile(const uint8_t* data, size_t size);
int textureFile(const uint8_t* data, size_t size);
int eventScript(const uint8_t* data, size_t size);
// Reads the bytes as the importer child's reply.
int importReply(const uint8_t* data, size_t size);
// Loads the bytes as a model and draws a frame in each of the three modes.
int renderModel(const uint8_t* data, size_t size);

}  // namespace trivane::fuzz
