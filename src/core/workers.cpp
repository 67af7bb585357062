#include "core/workers.h"

#include <cstdlib>
#include <memory>
#include <thread>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

namespace trivane {

namespace {

int32_t initialCount() {
    if (const char* text = std::getenv("TRIVANE_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 256) return static_cast<int32_t>(n);
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : static_cast<int32_t>(hardware);
}

struct Pool {
    int32_t count = initialCount();
    std::unique_ptr<tbb::task_arena> arena = std::make_unique<tbb::task_arena>(count);
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
    p.arena = std::make_unique<tbb::task_arena>(count);
}

void runTasks(int32_t count, TaskRef task) {
    Pool& p = pool();
    if (p.count == 1 || count <= 1) {
        for (int32_t i = 0; i < count; ++i) task(i);
        return;
    }
    p.arena->execute([&] {
        tbb::parallel_for(tbb::blocked_range<int32_t>(0, count, 1),
                          [&](const tbb::blocked_range<int32_t>& range) {
                              for (int32_t i = range.begin(); i != range.end(); ++i) task(i);
                          },
                          tbb::simple_partitioner());
    });
}

}  // namespace trivane
