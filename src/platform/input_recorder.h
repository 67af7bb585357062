#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include "ui/event_script.h"

namespace trivane {

// One event as the handlers receive it, in the script's terms.
ScriptEvent scripted(ScriptEvent::Kind kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, std::string path = {});

// Writes everything the handlers receive as a trivane-render event script, a
// line per frame, so that a session in the window replays headless.
class InputRecorder {
public:
    // From now on into path; false when it cannot be written.
    bool recordTo(const std::string& path);
    bool recording() const { return out_.is_open(); }
    // Nothing while not recording.
    void record(const ScriptEvent& event);

private:
    std::ofstream out_;
};

}  // namespace trivane
