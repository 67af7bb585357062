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

// The frame rate, and whether the end of a frame turns the model.
struct FrameClock {
    float fps = 0.0f;
    int64_t perfFrequency = 0;
    int64_t lastCounter = 0;
    CounterSource counter = monotonicCounter();  // tests replace it
    uint8_t animating = 0;
    // Where frames are drawn only when something changed, the time between
    // two frames says nothing: the rate then comes from the frame's own
    // drawing time.
    bool rateFromDrawingTime = false;
};

// Called as a frame starts: the drawing time is measured from here when the
// rate comes from it.
void beginFrame(FrameClock& clock);
// The frame rate from the time since the last frame's end (or since this
// one's start). The first frame measures against a counter of 0.
void endOfFrame(FrameClock& clock);

}  // namespace trivane
