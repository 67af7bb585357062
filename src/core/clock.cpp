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

}  // namespace trivane
