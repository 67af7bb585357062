#pragma once

#include <cstdint>

namespace trivane {

// The frame's workers. Their number is the machine's hardware threads unless
// TRIVANE_THREADS says otherwise; 1 runs everything on the calling thread.
// Results never depend on the number: every task writes its own bytes.
int32_t workerCount();
// Sets the number (at least 1) for every later frame.
void setWorkerCount(int32_t count);

// Calls task(i) for every i in [0, count), spread over the workers, and
// returns when all have finished. The reference must outlive the call only.
class TaskRef {
public:
    template <typename F>
    TaskRef(F& f) : object_(&f), call_([](void* o, int32_t i) { (*static_cast<F*>(o))(i); }) {}
    void operator()(int32_t i) const { call_(object_, i); }

private:
    void* object_;
    void (*call_)(void*, int32_t);
};
void runTasks(int32_t count, TaskRef task);

}  // namespace trivane
