#include "platform/input_recorder.h"

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
    stopped_ = false;
    return file_.open(path);
}

void InputRecorder::stop() {
    stopped_ = true;
    if (failed) failed("the recording " + file_.path() + " stopped: " + file_.why() + "; it was not saved");
}

void InputRecorder::record(const ScriptEvent& event) {
    if (!file_.isOpen()) return;
    const bool frame = event.kind == ScriptEvent::Kind::Frame;
    const std::string text = formatEvent(event) + (frame ? ";\n" : ";");
    // A line at a time reaches the system, so a full disk is found at once.
    if (!file_.write(text.data(), text.size()) || (frame && !file_.flush())) stop();
}

bool InputRecorder::finish() {
    if (!file_.isOpen()) return !stopped_;
    if (file_.commit()) return true;
    stop();
    return false;
}

}  // namespace trivane
