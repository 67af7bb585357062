// The held flag of the key handler. What each key, drag (both buttons at once
// included) and notch does to the picture is pinned in tests/cli.
#include <gtest/gtest.h>

#include "test_support.h"
#include "ui/input_handlers.h"
#include "ui/key_codes.h"

namespace trivane {
namespace {

// The space bar's auto-repeat and a key bound to nothing are in
// tests/gui/input_test.cpp.
TEST(KeyTest, AnyReleaseClearsTheHeldFlagAndUndoesNothing) {
    InputState input;
    CameraState camera;
    Vector3 model;
    Vertex light;
    // Any release clears the flag, even with another key still down.
    onKey(input, camera, model, light, keys::kW, true);
    EXPECT_EQ(input.keyHeld, 1);
    onKey(input, camera, model, light, 88, false);
    EXPECT_EQ(std::tuple(input.keyHeld, camera.cameraPosition.y), std::tuple(0, 10.0f));
}

}  // namespace
}  // namespace trivane
