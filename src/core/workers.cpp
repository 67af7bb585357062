#include "core/workers.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

// The ThreadSanitizer build compiles this file without instrumentation: the
// task hand-off happens inside oneTBB's uninstrumented library, so the
// sanitizer cannot see it. These annotations state exactly the ordering oneTBB
// guarantees (what precedes a parallel run happens before each task; each task
// happens before the run returns), so races between tasks are still reported.
#if defined(TRIVANE_TSAN_HANDOFF)
#include <sanitizer/tsan_interface.h>
#define HANDOFF_RELEASE(token) __tsan_release(token)
#define HANDOFF_ACQUIRE(token) __tsan_acquire(token)
#else
#define HANDOFF_RELEASE(token) (void)(token)
#define HANDOFF_ACQUIRE(token) (void)(token)
#endif

namespace trivane {

namespace {

int32_t initialCount() {
    const unsigned hardware = std::thread::hardware_concurrency();
    const int32_t fallback = hardware == 0 ? 1 : static_cast<int32_t>(hardware);
    if (const char* text = std::getenv("TRIVANE_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 256) return static_cast<int32_t>(n);
        std::fprintf(stderr, "trivane: TRIVANE_THREADS=\"%s\" is not a number from 1 to 256; using %d workers\n",
                     text, fallback);
    }
    return fallback;
}

// The library caps its threads at the hardware's by default; a count chosen
// above that is honoured, so that such runs really interleave.
struct Pool {
    int32_t count = initialCount();
    std::unique_ptr<tbb::global_control> limit = makeLimit(count);
    std::unique_ptr<tbb::task_arena> arena = std::make_unique<tbb::task_arena>(count);

    static std::unique_ptr<tbb::global_control> makeLimit(int32_t n) {
        return std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                     static_cast<size_t>(n));
    }
};

Pool& pool() {
    static Pool p;
    return p;
}

}  // namespace

int32_t workerCount() { return pool().count; }

void setWorkerCount(int32_t count) {
    Pool& p = pool();
    if (count < 1) count = 1;
    if (count == p.count) return;
    p.count = count;
    p.arena.reset();
    p.limit = Pool::makeLimit(count);
    p.arena = std::make_unique<tbb::task_arena>(count);
}

void runTasks(int32_t count, TaskRef task) {
    Pool& p = pool();
    if (p.count == 1 || count <= 1) {
        for (int32_t i = 0; i < count; ++i) task(i);
        return;
    }
    int start = 0, finish = 0;
    HANDOFF_RELEASE(&start);
    p.arena->execute([&] {
        tbb::parallel_for(tbb::blocked_range<int32_t>(0, count, 1),
                          [&](const tbb::blocked_range<int32_t>& range) {
                              HANDOFF_ACQUIRE(&start);
                              for (int32_t i = range.begin(); i != range.end(); ++i) task(i);
                              HANDOFF_RELEASE(&finish);
                          },
                          tbb::simple_partitioner());
    });
    HANDOFF_ACQUIRE(&finish);
}

}  // namespace trivane
