#pragma once

#include <cstdint>

// Virtual-key codes the handlers understand. The Qt layer maps its own key
// events onto these, so the handlers never see a toolkit value.

namespace trivane::keys {

constexpr int32_t kSpace = 32;
constexpr int32_t kPageUp = 33;
constexpr int32_t kPageDown = 34;
constexpr int32_t kLeft = 37;
constexpr int32_t kUp = 38;
constexpr int32_t kRight = 39;
constexpr int32_t kDown = 40;

constexpr int32_t kA = 65;
constexpr int32_t kD = 68;
constexpr int32_t kE = 69;
constexpr int32_t kI = 73;
constexpr int32_t kJ = 74;
constexpr int32_t kK = 75;
constexpr int32_t kL = 76;
constexpr int32_t kO = 79;
constexpr int32_t kQ = 81;
constexpr int32_t kS = 83;
constexpr int32_t kU = 85;
constexpr int32_t kW = 87;

}  // namespace trivane::keys
