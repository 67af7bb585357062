#include "platform/input_recorder.h"

#include <cstdio>
#include <utility>

namespace trivane {

ScriptEvent scripted(ScriptEvent::Kind kind, int32_t a, int32_t b, int32_t c, std::string path) {
    ScriptEvent event;
    event.kind = kind;
    event.a = a;
    event.b = b;
    event.c = c;
    event.path = std::move(path);
    return event;
}

bool InputRecorder::recordTo(const std::string& path) {
    out_.open(path, std::ios::binary | std::ios::trunc);
    return out_.is_open();
}

void InputRecorder::record(const ScriptEvent& event) {
    if (!out_.is_open()) return;
    // The script cannot carry a ';' inside a path.
    if (event.kind == ScriptEvent::Kind::Load && event.path.find(';') != std::string::npos)
        std::fprintf(stderr, "trivane: the recording cannot name %s (it holds a ';')\n", event.path.c_str());
    const bool frame = event.kind == ScriptEvent::Kind::Frame;
    out_ << formatEvent(event) << (frame ? ";\n" : ";");
    if (frame) out_.flush();
}

}  // namespace trivane
