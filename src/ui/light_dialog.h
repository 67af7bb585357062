#pragma once

#include <cstdint>

#include "raster/light_state.h"
#include "scene/scene_state.h"

namespace trivane {

// One row of the light and material dialog: a scroll bar 0..100 and a
// read-only text box bound to one float of the light or the material.
struct ColorControl {
    int32_t scrollBarId;
    int32_t textBoxId;
    const char* group;  // "빛" (light) or "재질" (material)
    const char* label;  // "Ar", "Ag", ... "Sb"
};

// The eighteen rows in dialog order: light ambient r g b, diffuse r g b,
// specular r g b, then the same nine for the material.
extern const ColorControl kColorControls[18];

// Row of a scroll bar id in kColorControls, or -1 for any other control.
int32_t colorControlRow(int32_t scrollBarId);
// Row of a text box id in kColorControls, or -1 for any other control.
int32_t colorTextBoxRow(int32_t textBoxId);

// Thumb position of a value: value x 100 rounded to the nearest integer
// (saturating; NaN gives 0). Not clamped to the 0..100 range.
int32_t positionOfValue(float value);

// The controls of an open dialog, as the handlers see them. The Qt dialog and
// the headless tool implement it.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual void setScrollRange(int32_t scrollBarId, int32_t minimum, int32_t maximum) = 0;
    virtual void setScrollPos(int32_t scrollBarId, int32_t position) = 0;
    virtual void setText(int32_t textBoxId, const char* text) = 0;
    virtual void endDialog(int32_t result) = 0;
};

// Scroll codes as the scroll bars report them.
enum ScrollCode : int32_t {
    LineLeft = 0,
    LineRight = 1,
    PageLeft = 2,
    PageRight = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndScroll = 8,
};

// The handlers of one opening of the dialog. The light rows write the light;
// the material rows write the material shown and the one the scene's last
// lit vertex took its colours from, so that what is set survives the next
// re-transform.
class LightMaterialDialog {
public:
    LightMaterialDialog(LightState& lighting, SceneState& scene, DialogControls& controls)
        : lighting_(lighting), scene_(scene), controls_(controls) {}
    bool onInitDialog();
    bool onScroll(int32_t controlId, int32_t code, int32_t thumb);
    bool onCommand(int32_t id);

private:
    float& rowValue(int row);
    LightingTerms& materialSource();

    LightState& lighting_;
    SceneState& scene_;
    DialogControls& controls_;
};

}  // namespace trivane
