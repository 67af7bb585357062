// Keyboard, mouse and wheel handlers: the held flag and the drag state. What
// each key, drag and notch does to the picture is pinned in tests/cli.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "test_support.h"
#include "ui/key_codes.h"

namespace trivane {
namespace {

TEST(KeyTest, HeldFlagAutoRepeatAndUnboundKeys) {
    auto r = test::makeRenderer();
    r->moveModel = 1;
    // Auto-repeat of the space bar arrives as more presses: each toggles.
    for (int i = 1; i <= 3; ++i) {
        r->onKey(keys::kSpace, 1);
        EXPECT_EQ(r->moveModel, i % 2 == 0 ? 1 : 0);
    }
    r->onKey(keys::kSpace, 0);
    EXPECT_EQ(std::vector<int>({r->moveModel, r->keyHeld}), std::vector<int>({0, 0}));  // a release toggles nothing

    // A key bound to nothing (X) still holds the re-transform on.
    r->onKey(88, 1);
    EXPECT_EQ(r->keyHeld, 1);
    EXPECT_EQ(r->cameraPosition.y, 0.0f);
    // Any release clears it, even with another key still down, and undoes nothing.
    r->onKey(keys::kW, 1);
    r->onKey(88, 0);
    EXPECT_EQ(r->keyHeld, 0);
    EXPECT_EQ(r->cameraPosition.y, 10.0f);
    // Pressed is a byte: anything other than 0 is a press.
    r->onKey(keys::kW, 2);
    EXPECT_EQ(std::vector<float>({r->cameraPosition.y, float(r->keyHeld)}), std::vector<float>({20, 1}));
    // No limits: at 2^28 a step of 10 is below half the float spacing.
    r->lightPosition.x = 268435456.0f;
    r->onKey(keys::kRight, 1);
    EXPECT_EQ(r->lightPosition.x, 268435456.0f);
}

TEST(MouseTest, ButtonsRecordTheDragStartAndEitherReleaseEndsIt) {
    auto r = test::makeRenderer();
    r->meshes[0].scale = Vector3{1, 1, 1};
    auto state = [&] {
        return std::vector<int32_t>({r->mouseDragging, r->leftButtonDown, r->rightButtonDown, r->dragStartY,
                                     r->lastMouseX, r->lastMouseY});
    };
    r->onLeftButtonDown(120, 340);
    EXPECT_EQ(state(), std::vector<int32_t>({1, 1, 0, 340, 120, 340}));
    r->onRightButtonDown(7, 9);
    EXPECT_EQ(state(), std::vector<int32_t>({1, 1, 1, 9, 7, 9}));
    // Both buttons scale and turn.
    r->onMouseMove(5, 30);
    EXPECT_EQ(std::vector<float>({r->meshes[0].scale.z, r->meshes[0].rotation.x, r->meshes[0].rotation.y}),
              std::vector<float>({static_cast<float>(1.0 + 0.01), 2, 2}));
    EXPECT_EQ(std::vector<int32_t>({r->lastMouseX, r->lastMouseY}), std::vector<int32_t>({5, 30}));
    // Releasing one of two held buttons stops both drags; moves are ignored.
    r->onRightButtonUp();
    EXPECT_EQ(state(), std::vector<int32_t>({0, 1, 0, 9, 5, 30}));
    r->onMouseMove(300, 300);
    EXPECT_EQ(std::vector<float>({r->meshes[0].rotation.x, float(r->lastMouseX)}), std::vector<float>({2, 5}));
    // An up without a down is harmless and still clears.
    r->onLeftButtonUp();
    r->onLeftButtonUp();
    EXPECT_EQ(state(), std::vector<int32_t>({0, 0, 0, 9, 5, 30}));
    // The wheel marks the scene dirty and turns the model during a drag too.
    r->onLeftButtonDown(0, 0);
    r->onMouseWheel(INT32_MIN);
    EXPECT_EQ(std::vector<float>({r->meshes[0].rotation.z, float(r->dirty), float(r->mouseDragging)}),
              std::vector<float>({-4294, 1, 1}));  // the quotient truncates toward zero
}

}  // namespace
}  // namespace trivane
