#pragma once

#include <optional>
#include <string>

#include "scene/loaded_files.h"

namespace trivane {

// What the menu commands need from the platform. The Qt viewer and the
// headless tool each provide one.
class PlatformServices {
public:
    virtual ~PlatformServices() = default;
    // Ends the event loop with exit code 0 after the current event.
    virtual void requestQuit() = 0;
    // Shows the light and material dialog modally; returns once it is closed.
    virtual void runLightMaterialDialog() = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> pickModelFile() = 0;
    // Tells the user how loading the chosen file went: why it failed, that
    // the default model was read instead, or how many lines were ignored.
    virtual void showLoadReport(const std::string& path, const LoadReport& report) = 0;

    // The commands added beyond the classic menu; a platform without a person
    // in front of it (the headless tool) chooses no file and shows nothing.
    // Where to save the picture, or nothing when the user cancelled.
    virtual std::optional<std::string> pickPictureFile() { return std::nullopt; }
    // The picture could not be written to path, for the reason why.
    virtual void pictureNotSaved(const std::string& path, const std::string& why) {
        (void)path;
        (void)why;
    }
    virtual void showControls() {}
    virtual void showAbout() {}
};

}  // namespace trivane
