#pragma once

#include <cstdint>

namespace trivane {

// A monotonic high-resolution counter and its tick rate.
struct CounterSource {
    int64_t (*frequency)();
    int64_t (*read)();
};

// CLOCK_MONOTONIC in nanoseconds.
CounterSource monotonicCounter();

// The frame rate and the automatic rotation that the end of a frame applies.
struct FrameClock {
    float fps = 0.0f;
    int64_t perfFrequency = 0;
    int64_t lastCounter = 0;
    CounterSource counter = monotonicCounter();  // tests replace it
    uint8_t animating = 0;
};

}  // namespace trivane
