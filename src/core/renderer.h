#pragma once

#include "core/clock.h"
#include "core/frame_stages.h"
#include "core/input_state.h"
#include "core/start_report.h"
#include "math/camera_state.h"
#include "raster/frame_target.h"
#include "raster/light_state.h"
#include "raster/render_settings.h"
#include "scene/scene_state.h"

namespace trivane {

// The whole state: parts with one responsibility each, as named members.
// Every operation takes the parts it reads and writes (const where it only
// reads); the record itself keeps only start-up and the frame, which span
// them all. The program holds one; it is several MB, so keep it off the
// stack. Flags are bytes holding 0 or 1.
//
// Where each field of the single-record layout lives, and what reads it
// after the call that wrote it:
//   scene     meshes, meshCount (frames, input, menu, loads), materials,
//             materialCount, materialShine (frames, dialog), materialSource
//             (dialog), textureFile, texturePixels, textureWidth,
//             textureMaxY, textureStride (frames)
//   camera    cameraPosition, cameraTarget, cameraUp, cameraRotation,
//             lookAtMode, nearPlane, farPlane, viewportWidth,
//             viewportHeight (frames, window lines, keys, menu)
//   lighting  light, lightPosition (frames, picture lines, dialog),
//             material (picture lines, dialog), defaultMaterial (frames,
//             dialog)
//   target    frameBits, frameWidth, frameHeight, frameStride, zBuffer (the
//             display, the next frame's depth test)
//   settings  renderMode, fixTextureSeam (frames, menu marks)
//   input     dragStartY, lastMouseX, lastMouseY, rightButtonDown,
//             leftButtonDown (the mouse handlers), keyHeld, mouseDragging,
//             dirty (frames), moveModel (keys, picture lines)
//   clock     fps (picture lines), perfFrequency, lastCounter (the next
//             frame), animating (frames, menu marks)
//   work      the frame stages' storage, kept so frames allocate nothing
// Gone, since no later call reads them: the transform chain's scratch and
// accumulated matrices (builders return their matrix), the draw colour, the
// builders' cursors and sphere tables (local to a build), the loader's flag
// (local to a read), the presented size, the current counter and the
// horizontal drag start.
struct Renderer {
    SceneState scene;
    CameraState camera;
    LightState lighting;
    FrameTarget target;
    RenderSettings settings;
    InputState input;
    FrameClock clock;
    FrameWork work;

    // Reads the counter frequency, the texture, every start value and the
    // default model. Without the texture nothing else is set, and nothing
    // will be drawn.
    StartReport initialise();
    // Everything start-up sets apart from reading the two files.
    void setStartValues();
    // Re-transforms when something changed, draws, then measures the frame
    // and advances the automatic rotation.
    void renderFrame();
};

}  // namespace trivane
