#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/atomic_file.h"
#include "ui/event_script.h"

namespace trivane {

// One event as the handlers receive it, in the script's terms.
ScriptEvent scripted(ScriptEvent::Kind kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, std::string path = {});

// Writes everything the handlers receive as a trivane-render event script, a
// line per frame, so that a session in the window replays headless. The
// script replaces its file when the recording ends: a recording that fails
// on the way leaves an earlier file of that name as it was.
class InputRecorder {
public:
    // Whoever is told of failures may be gone by now.
    ~InputRecorder() {
        failed = nullptr;
        finish();
    }

    // From now on into path; false with the reason in why().
    bool recordTo(const std::string& path);
    bool recording() const { return file_.isOpen(); }
    // Nothing while not recording. A write that fails ends the recording and
    // is told once, through failed.
    void record(const ScriptEvent& event);
    // Ends the recording and puts the file in place; false (told through
    // failed) when it cannot be, or when the recording stopped on the way.
    bool finish();
    const std::string& why() const { return file_.why(); }

    // Receives one line saying why the recording stopped.
    std::function<void(const std::string&)> failed;

private:
    void stop();

    AtomicFile file_;
    bool stopped_ = false;
};

}  // namespace trivane
