#pragma once

// Models in formats other than our own text are read by trivane-import, a
// child process with limits on memory and time, so that a file that crashes
// or exhausts the importer library cannot take the viewer with it. Its
// reply is checked like any untrusted input (scene/import_reply.h).

#include <cstdint>
#include <string>

#include "scene/loaded_files.h"

namespace trivane {

struct ImportLimits {
    int64_t memoryBytes = int64_t{4} << 30;  // the child's address space
    double seconds = 60.0;                   // wall clock, then it is killed
    int64_t replyBytes = int64_t{2} << 30;   // the most the reply may hold
};

// The defaults, with TRIVANE_IMPORT_MEMORY_MB and TRIVANE_IMPORT_SECONDS
// taken when set (tests shorten them).
ImportLimits importLimits();

// Where trivane-import is: TRIVANE_IMPORT when set; beside the running
// program (installed); in the build tree beside a program or test of it;
// else on PATH. Empty when none is found.
std::string importerPath();

// Runs the importer on path. progress is called about every 100 ms with 0
// while it works, and once with the file's size at the end; false kills the
// child and gives kCancelled. A crash, a limit, the importer's own refusal
// or a malformed reply gives no mesh and says so in failure.
LoadedModel importModel(const char* path, int64_t fileSize, const SceneState& current,
                        const ReadProgress& progress = {}, const ImportLimits& limits = importLimits());

}  // namespace trivane
