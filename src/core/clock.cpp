#include "core/clock.h"

#include <ctime>

namespace trivane {

namespace {

int64_t nanosecondsPerSecond() { return 1000000000; }

int64_t readMonotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

CounterSource monotonicCounter() { return CounterSource{&nanosecondsPerSecond, &readMonotonic}; }

void beginFrame(FrameClock& clock) {
    if (clock.rateFromDrawingTime) clock.lastCounter = clock.counter.read();
}

void endOfFrame(FrameClock& clock) {
    const int64_t now = clock.counter.read();
    const double elapsed =
        static_cast<double>(now - clock.lastCounter) / static_cast<double>(clock.perfFrequency);
    clock.lastCounter = now;
    clock.fps = static_cast<float>(1.0 / elapsed);
}

}  // namespace trivane
