// Keyboard, mouse and wheel handlers: the field values each input leaves.
#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "test_support.h"
#include "ui/key_codes.h"

namespace trivane {
namespace {

// The fields the handlers may touch, as after start-up.
std::unique_ptr<Renderer> startedRenderer() {
    auto r = test::makeRenderer();
    r->lookAtMode = 1;
    r->moveModel = 1;
    r->cameraPosition = Vertex{0, 0, -1700};
    r->lightPosition = Vertex{0, 0, -300};
    r->meshes[0].scale = Vector3{1, 1, 1};
    return r;
}

void press(Renderer& r, int32_t code) { r.onKey(code, 1); }

// Camera position, target and rotation, in that order.
std::array<float, 9> camera(const Renderer& r) {
    return {r.cameraPosition.x, r.cameraPosition.y, r.cameraPosition.z, r.cameraTarget.x,  r.cameraTarget.y,
            r.cameraTarget.z,   r.cameraRotation.x, r.cameraRotation.y, r.cameraRotation.z};
}

TEST(KeyTest, CameraKeysInBothModes) {
    // The second block is the target in LookAt, the Euler rotation otherwise.
    const struct {
        int32_t key;
        int block, axis;
        float step;
    } cases[] = {
        {keys::kW, 0, 1, 10},  {keys::kS, 0, 1, -10}, {keys::kA, 0, 0, -10}, {keys::kD, 0, 0, 10},
        {keys::kQ, 0, 2, -10}, {keys::kE, 0, 2, 10},  {keys::kJ, 1, 0, -10}, {keys::kL, 1, 0, 10},
        {keys::kI, 1, 1, 10},  {keys::kK, 1, 1, -10}, {keys::kU, 1, 2, -10}, {keys::kO, 1, 2, 10},
    };
    for (int lookAt = 0; lookAt <= 1; ++lookAt) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << "key " << c.key << " lookAt " << lookAt);
            auto r = startedRenderer();
            r->lookAtMode = static_cast<uint8_t>(lookAt);
            std::array<float, 9> expected = camera(*r);
            expected[(c.block == 0 ? 0 : (lookAt ? 3 : 6)) + c.axis] += c.step;
            press(*r, c.key);
            EXPECT_EQ(camera(*r), expected);
            // Camera keys never move the model or the light.
            EXPECT_EQ(r->meshes[0].position.y, 0.0f);
            EXPECT_EQ(r->lightPosition.z, -300.0f);
            EXPECT_EQ(r->keyHeld, 1);
        }
    }
}

TEST(KeyTest, MoveKeysFollowTheMoveModeWithoutLimits) {
    auto r = startedRenderer();
    for (int32_t k : {keys::kUp, keys::kUp, keys::kRight, keys::kPageDown, keys::kLeft, keys::kLeft, keys::kLeft,
                      keys::kDown, keys::kPageUp, keys::kPageUp})
        press(*r, k);
    const Vector3& model = r->meshes[0].position;
    EXPECT_EQ(std::vector<float>({model.x, model.y, model.z}), std::vector<float>({-20, 10, -10}));
    EXPECT_EQ(r->lightPosition.x, 0.0f);
    EXPECT_EQ(r->lightPosition.y, 0.0f);
    EXPECT_EQ(r->lightPosition.z, -300.0f);

    press(*r, keys::kSpace);  // now the light
    EXPECT_EQ(r->moveModel, 0);
    EXPECT_EQ(model.z, -10.0f);  // the space bar itself moves nothing
    press(*r, keys::kPageDown);
    press(*r, keys::kDown);
    EXPECT_EQ(r->lightPosition.z, -290.0f);
    EXPECT_EQ(r->lightPosition.y, -10.0f);
    EXPECT_EQ(model.y, 10.0f);
    EXPECT_EQ(r->cameraPosition.z, -1700.0f);  // the camera is not touched
    EXPECT_EQ(r->cameraTarget.z, 0.0f);

    // No limits and no wrapping: at 2^28 a step of 10 is below half the
    // float spacing (32), so it is lost; angles pass 360.
    r->lightPosition.x = 268435456.0f;
    press(*r, keys::kRight);
    EXPECT_EQ(r->lightPosition.x, 268435456.0f);
    r->lookAtMode = 0;
    r->cameraRotation.y = 355.0f;
    press(*r, keys::kI);
    EXPECT_EQ(r->cameraRotation.y, 365.0f);
}

TEST(KeyTest, HeldFlagAndAutoRepeat) {
    auto r = startedRenderer();
    // Auto-repeat of the space bar arrives as more presses: each toggles.
    for (int i = 1; i <= 5; ++i) {
        press(*r, keys::kSpace);
        EXPECT_EQ(r->moveModel, i % 2 == 0 ? 1 : 0);
    }
    r->onKey(keys::kSpace, 0);
    EXPECT_EQ(r->moveModel, 0);  // a release toggles nothing
    EXPECT_EQ(r->keyHeld, 0);

    // A key bound to nothing (X) still holds the re-transform on, and
    // changes nothing else.
    press(*r, 88);
    EXPECT_EQ(r->keyHeld, 1);
    EXPECT_EQ(r->cameraPosition.z, -1700.0f);
    EXPECT_EQ(r->moveModel, 0);

    // Any release clears it, even with another key still down.
    press(*r, keys::kW);
    r->onKey(88, 0);
    EXPECT_EQ(r->keyHeld, 0);
    EXPECT_EQ(r->cameraPosition.y, 10.0f);  // and releases undo nothing

    // Pressed is a byte: anything other than 0 is a press.
    r->onKey(keys::kW, 2);
    EXPECT_EQ(r->cameraPosition.y, 20.0f);
    EXPECT_EQ(r->keyHeld, 1);
}

TEST(MouseTest, ButtonsRecordTheDragStart) {
    auto r = startedRenderer();
    r->onLeftButtonDown(120, 340);
    EXPECT_EQ(std::vector<int32_t>({r->mouseDragging, r->leftButtonDown, r->rightButtonDown, r->dragStartY,
                                    r->lastMouseX, r->lastMouseY}),
              std::vector<int32_t>({1, 1, 0, 340, 120, 340}));
    r->onRightButtonDown(7, 9);
    EXPECT_EQ(std::vector<int32_t>({r->rightButtonDown, r->dragStartY, r->lastMouseX, r->lastMouseY}),
              std::vector<int32_t>({1, 9, 7, 9}));

    // Releasing one of two held buttons stops both drags; the other's flag
    // stays set but moves are ignored.
    r->onRightButtonUp();
    EXPECT_EQ(r->mouseDragging, 0);
    EXPECT_EQ(r->rightButtonDown, 0);
    EXPECT_EQ(r->leftButtonDown, 1);
    r->onMouseMove(300, 300);
    EXPECT_EQ(r->meshes[0].rotation.x, 0.0f);
    EXPECT_EQ(r->meshes[0].rotation.y, 0.0f);
    EXPECT_EQ(r->lastMouseX, 7);

    // An up without a down is harmless and still clears.
    r->onLeftButtonUp();
    r->onLeftButtonUp();
    EXPECT_EQ(r->leftButtonDown, 0);
    EXPECT_EQ(r->mouseDragging, 0);
}

TEST(MouseTest, LeftDragTurnsTwoDegreesPerMessage) {
    auto r = startedRenderer();
    const Vector3& rotation = r->meshes[0].rotation;
    r->onLeftButtonDown(100, 100);
    // Diagonally down and to the right, by any distance.
    r->onMouseMove(101, 150);
    r->onMouseMove(400, 151);
    EXPECT_EQ(rotation.x, 4.0f);
    EXPECT_EQ(rotation.y, -4.0f);
    EXPECT_EQ(r->lastMouseX, 400);
    EXPECT_EQ(r->lastMouseY, 151);
    // Still: no change. Up and left: the other way.
    r->onMouseMove(400, 151);
    EXPECT_EQ(rotation.x, 4.0f);
    EXPECT_EQ(rotation.y, -4.0f);
    r->onMouseMove(0, 0);
    EXPECT_EQ(rotation.x, 2.0f);
    EXPECT_EQ(rotation.y, -2.0f);
    // Pure horizontal move leaves X alone.
    r->onMouseMove(1, 0);
    EXPECT_EQ(rotation.x, 2.0f);
    EXPECT_EQ(rotation.y, -4.0f);
    EXPECT_EQ(r->meshes[0].scale.x, 1.0f);  // a left drag never scales
}

TEST(MouseTest, RightDragScalesThroughZero) {
    auto r = startedRenderer();
    r->onRightButtonDown(50, 200);
    r->onMouseMove(50, 201);  // below the start: grows
    EXPECT_EQ(r->meshes[0].scale.x, 0x1.028f5cp+0f);
    r->onMouseMove(50, 200);  // back at the start height: shrinks
    r->onMouseMove(900, 0);   // above it: shrinks; x does not matter
    EXPECT_EQ(r->meshes[0].scale.y, 0x1.fae148p-1f);  // 1.01 -> 1 -> 0.99
    EXPECT_EQ(r->meshes[0].scale.x, r->meshes[0].scale.z);

    // From 1 exactly, 100 moves at the start height: the double step lands
    // on 0x1.61e148p-21, where adding the float 0.01 would give 0x1.68p-21.
    auto s = startedRenderer();
    const Vector3& scale = s->meshes[0].scale;
    s->onRightButtonDown(10, 10);
    for (int i = 0; i < 100; ++i) s->onMouseMove(10, 10);
    EXPECT_EQ(std::vector<float>({scale.x, scale.y, scale.z}), std::vector<float>(3, 0x1.61e148p-21f));
    // No lower limit: one more and the model is mirrored.
    s->onMouseMove(10, 10);
    EXPECT_EQ(scale.x, -0x1.47a88cp-7f);
    EXPECT_EQ(s->meshes[0].rotation.x, 0.0f);  // a right drag never turns
    EXPECT_EQ(s->meshes[0].rotation.y, 0.0f);

    // Both buttons scale and turn.
    auto both = startedRenderer();
    both->onLeftButtonDown(10, 10);
    both->onRightButtonDown(10, 10);
    both->onMouseMove(5, 30);
    EXPECT_EQ(both->meshes[0].scale.z, static_cast<float>(1.0 + 0.01));
    EXPECT_EQ(both->meshes[0].rotation.x, 2.0f);
    EXPECT_EQ(both->meshes[0].rotation.y, 2.0f);
}

TEST(WheelTest, NotchesAndStateBits) {
    auto r = startedRenderer();
    const float& turn = r->meshes[0].rotation.z;
    r->onMouseWheel(120 * 65536);  // one notch forward
    EXPECT_EQ(turn, 15.0f);
    EXPECT_EQ(r->dirty, 1);
    r->dirty = 0;
    r->onMouseWheel(-120 * 65536 + 8);  // one notch back with the Ctrl bit
    EXPECT_EQ(turn, 0.0f);
    EXPECT_EQ(r->dirty, 1);
    r->onMouseWheel(240 * 65536);  // two notches in one message: 31, not 30
    EXPECT_EQ(turn, 31.0f);
    r->onMouseWheel(499999);  // truncates toward zero
    r->onMouseWheel(-499999);
    EXPECT_EQ(turn, 31.0f);
    r->onMouseWheel(INT32_MIN);
    EXPECT_EQ(turn, 31.0f - 4294.0f);
    // The wheel turns the model during a drag as well.
    r->onLeftButtonDown(0, 0);
    r->onMouseWheel(-120 * 65536);
    EXPECT_EQ(turn, 31.0f - 4294.0f - 15.0f);
    EXPECT_EQ(r->mouseDragging, 1);
}

}  // namespace
}  // namespace trivane
