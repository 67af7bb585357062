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

}  // namespace trivane
