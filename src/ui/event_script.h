#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/light_dialog.h"
#include "ui/platform_services.h"
#include "ui/session.h"

namespace trivane {

// One step of a scripted input sequence, as the headless tool takes it:
// "frame", "key:CODE", "down:CODE", "up:CODE", "menu:ID", "load:PATH",
// "lbdown:X,Y", "lbup", "rbdown:X,Y", "rbup", "move:X,Y", "wheel:RAW" and
// "dialog:CTRL,CODE,THUMB", separated by ';'. A load path that holds ';' is
// written in double quotes, with \" for a quote and \\ for a backslash
// inside them; an unquoted path runs to the next ';'. A key code, menu id,
// dialog control or scroll code may be written by its name and the wheel in
// notches ("key:Left", "menu:gouraud", "wheel:-2",
// "dialog:light.diffuse.red,thumbtrack,30"; see ui/script_names.h). Written
// events use the names.
struct ScriptEvent {
    enum class Kind { Frame, Key, Down, Up, Menu, Load, LeftDown, LeftUp, RightDown, RightUp, Move, Wheel, Dialog };
    Kind kind = Kind::Frame;
    int32_t a = 0;  // code, id, x, raw or control
    int32_t b = 0;  // y or scroll code
    int32_t c = 0;  // thumb
    std::string path;
};

// Parses a whole script. Blanks around an event and around its numbers are
// ignored, and so are empty events (a trailing ';'). On a bad event returns
// false and leaves one line naming it in error.
bool parseEventScript(std::string_view script, std::vector<ScriptEvent>& events, std::string& error);

// One event as the script spells it, so that recorded input replays.
std::string formatEvent(const ScriptEvent& event);

// Text from a script made safe to show: control characters and bytes that are
// not UTF-8 are written as \xNN.
std::string printable(std::string_view text);

// Replays a script on a started session, standing in for the platform: the
// file chooser chooses nothing (a "load:" event names its file), the dialog
// opens and closes without a person, and "Exit" ends the script.
class ScriptPlayer : public PlatformServices, private DialogControls {
public:
    explicit ScriptPlayer(Session& session) : session_(session) {}

    // Applies the events in order; stops after an "Exit" command. Returns
    // the number of events applied.
    size_t play(const std::vector<ScriptEvent>& events);
    bool quitRequested() const { return quitRequested_; }

    void requestQuit() override { quitRequested_ = true; }
    void runLightMaterialDialog() override;
    std::optional<std::string> pickModelFile() override;
    void showLoadReport(const std::string& path, const LoadReport& report) override;
    // What the loads said, one line each, and whether one did not read the
    // file it named (it gave no model, or the default model came instead).
    const std::vector<std::string>& loadMessages() const { return loadMessages_; }
    bool loadFailed() const { return loadFailed_; }

private:
    void setScrollRange(int32_t, int32_t, int32_t) override {}
    void setScrollPos(int32_t, int32_t) override {}
    void setText(int32_t, const char*) override {}
    void endDialog(int32_t) override {}

    Session& session_;
    bool quitRequested_ = false;
    std::vector<std::string> loadMessages_;
    bool loadFailed_ = false;
};

}  // namespace trivane
