// Keyboard, mouse and wheel handlers: the field values each input leaves.
#include <gtest/gtest.h>

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

struct CameraState {
    float pos[3], target[3], rot[3];
};

CameraState camera(const Renderer& r) {
    return {{r.cameraPosition.x, r.cameraPosition.y, r.cameraPosition.z},
            {r.cameraTarget.x, r.cameraTarget.y, r.cameraTarget.z},
            {r.cameraRotation.x, r.cameraRotation.y, r.cameraRotation.z}};
}

TEST(KeyTest, CameraKeysInBothModes) {
    // key, which block changes (0 position, 1 target/rotation), axis, step
    struct Case {
        int32_t key;
        int block;
        int axis;
        float step;
    };
    const Case cases[] = {
        {keys::kW, 0, 1, 10},  {keys::kS, 0, 1, -10}, {keys::kA, 0, 0, -10}, {keys::kD, 0, 0, 10},
        {keys::kQ, 0, 2, -10}, {keys::kE, 0, 2, 10},  {keys::kJ, 1, 0, -10}, {keys::kL, 1, 0, 10},
        {keys::kI, 1, 1, 10},  {keys::kK, 1, 1, -10}, {keys::kU, 1, 2, -10}, {keys::kO, 1, 2, 10},
    };
    for (int lookAt = 0; lookAt <= 1; ++lookAt) {
        for (const Case& c : cases) {
            auto r = startedRenderer();
            r->lookAtMode = static_cast<uint8_t>(lookAt);
            const CameraState before = camera(*r);
            press(*r, c.key);
            const CameraState after = camera(*r);
            float expected[3][3];
            for (int i = 0; i < 3; ++i) {
                expected[0][i] = before.pos[i];
                expected[1][i] = before.target[i];
                expected[2][i] = before.rot[i];
            }
            // The second block is the target in LookAt, the Euler rotation otherwise.
            const int block = c.block == 0 ? 0 : (lookAt ? 1 : 2);
            expected[block][c.axis] += c.step;
            for (int i = 0; i < 3; ++i) {
                SCOPED_TRACE(::testing::Message() << "key " << c.key << " lookAt " << lookAt << " axis " << i);
                EXPECT_EQ(after.pos[i], expected[0][i]);
                EXPECT_EQ(after.target[i], expected[1][i]);
                EXPECT_EQ(after.rot[i], expected[2][i]);
            }
            // Camera keys never move the model or the light.
            EXPECT_EQ(r->meshes[0].position.y, 0.0f);
            EXPECT_EQ(r->lightPosition.z, -300.0f);
            EXPECT_EQ(r->keyHeld, 1);
        }
    }
    // The examples the viewer's help gives: I raises the LookAt target, K
    // lowers it; L turns the Euler camera about X.
    auto r = startedRenderer();
    press(*r, keys::kI);
    press(*r, keys::kI);
    press(*r, keys::kK);
    EXPECT_EQ(r->cameraTarget.y, 10.0f);
    r->lookAtMode = 0;
    press(*r, keys::kL);
    EXPECT_EQ(r->cameraRotation.x, 10.0f);
    EXPECT_EQ(r->cameraTarget.x, 0.0f);
}

TEST(KeyTest, MoveKeysFollowTheMoveModeAfterTheToggle) {
    auto r = startedRenderer();
    const int32_t moves[] = {keys::kUp, keys::kUp, keys::kRight, keys::kPageDown, keys::kLeft,
                             keys::kLeft, keys::kLeft, keys::kDown, keys::kPageUp, keys::kPageUp};
    for (int32_t k : moves) press(*r, k);
    EXPECT_EQ(r->meshes[0].position.x, -20.0f);
    EXPECT_EQ(r->meshes[0].position.y, 10.0f);
    EXPECT_EQ(r->meshes[0].position.z, -10.0f);
    EXPECT_EQ(r->lightPosition.x, 0.0f);
    EXPECT_EQ(r->lightPosition.y, 0.0f);
    EXPECT_EQ(r->lightPosition.z, -300.0f);

    press(*r, keys::kSpace);  // now the light
    EXPECT_EQ(r->moveModel, 0);
    EXPECT_EQ(r->meshes[0].position.z, -10.0f);  // the space bar itself moves nothing
    press(*r, keys::kPageDown);
    press(*r, keys::kDown);
    EXPECT_EQ(r->lightPosition.z, -290.0f);
    EXPECT_EQ(r->lightPosition.y, -10.0f);
    EXPECT_EQ(r->meshes[0].position.y, 10.0f);
    // The camera is not touched by the move keys.
    EXPECT_EQ(r->cameraPosition.z, -1700.0f);
    EXPECT_EQ(r->cameraTarget.z, 0.0f);
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
    const float before = r->cameraPosition.z;
    press(*r, 88);
    EXPECT_EQ(r->keyHeld, 1);
    EXPECT_EQ(r->cameraPosition.z, before);
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

TEST(KeyTest, NoLimitsOrWrapping) {
    auto r = startedRenderer();
    r->lookAtMode = 0;
    r->cameraRotation.y = 355.0f;
    press(*r, keys::kI);
    EXPECT_EQ(r->cameraRotation.y, 365.0f);
    // At 2^28 a step of 10 is below half the float spacing (32): lost.
    r->lightPosition.x = 268435456.0f;
    r->moveModel = 0;
    press(*r, keys::kRight);
    EXPECT_EQ(r->lightPosition.x, 268435456.0f);
}

TEST(MouseTest, ButtonsRecordTheDragStart) {
    auto r = startedRenderer();
    r->onLeftButtonDown(120, 340);
    EXPECT_EQ(r->mouseDragging, 1);
    EXPECT_EQ(r->leftButtonDown, 1);
    EXPECT_EQ(r->rightButtonDown, 0);
    EXPECT_EQ(r->dragStartX, 120);
    EXPECT_EQ(r->dragStartY, 340);
    EXPECT_EQ(r->lastMouseX, 120);
    EXPECT_EQ(r->lastMouseY, 340);
    r->onRightButtonDown(7, 9);
    EXPECT_EQ(r->rightButtonDown, 1);
    EXPECT_EQ(r->dragStartX, 7);
    EXPECT_EQ(r->dragStartY, 9);
    EXPECT_EQ(r->lastMouseX, 7);
    EXPECT_EQ(r->lastMouseY, 9);

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
    r->onLeftButtonDown(100, 100);
    // Diagonally down and to the right, by any distance.
    r->onMouseMove(101, 150);
    r->onMouseMove(400, 151);
    EXPECT_EQ(r->meshes[0].rotation.x, 4.0f);
    EXPECT_EQ(r->meshes[0].rotation.y, -4.0f);
    EXPECT_EQ(r->lastMouseX, 400);
    EXPECT_EQ(r->lastMouseY, 151);
    // Still: no change. Up and left: the other way.
    r->onMouseMove(400, 151);
    EXPECT_EQ(r->meshes[0].rotation.x, 4.0f);
    EXPECT_EQ(r->meshes[0].rotation.y, -4.0f);
    r->onMouseMove(0, 0);
    EXPECT_EQ(r->meshes[0].rotation.x, 2.0f);
    EXPECT_EQ(r->meshes[0].rotation.y, -2.0f);
    // Pure horizontal move leaves X alone.
    r->onMouseMove(1, 0);
    EXPECT_EQ(r->meshes[0].rotation.x, 2.0f);
    EXPECT_EQ(r->meshes[0].rotation.y, -4.0f);
    // A left drag never scales.
    EXPECT_EQ(r->meshes[0].scale.x, 1.0f);
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
    s->onRightButtonDown(10, 10);
    for (int i = 0; i < 100; ++i) s->onMouseMove(10, 10);
    EXPECT_EQ(s->meshes[0].scale.x, 0x1.61e148p-21f);
    EXPECT_EQ(s->meshes[0].scale.y, 0x1.61e148p-21f);
    EXPECT_EQ(s->meshes[0].scale.z, 0x1.61e148p-21f);
    // No lower limit: one more and the model is mirrored.
    s->onMouseMove(10, 10);
    EXPECT_EQ(s->meshes[0].scale.x, -0x1.47a88cp-7f);
    // A right drag never turns.
    EXPECT_EQ(s->meshes[0].rotation.x, 0.0f);
    EXPECT_EQ(s->meshes[0].rotation.y, 0.0f);
}

TEST(MouseTest, BothButtonsScaleAndTurn) {
    auto r = startedRenderer();
    r->onLeftButtonDown(10, 10);
    r->onRightButtonDown(10, 10);
    r->onMouseMove(5, 30);
    EXPECT_EQ(r->meshes[0].scale.z, static_cast<float>(1.0 + 0.01));
    EXPECT_EQ(r->meshes[0].rotation.x, 2.0f);
    EXPECT_EQ(r->meshes[0].rotation.y, 2.0f);
    // Moves without a drag do nothing at all.
    auto idle = startedRenderer();
    idle->leftButtonDown = 1;
    idle->rightButtonDown = 1;
    idle->onMouseMove(500, 500);
    EXPECT_EQ(idle->meshes[0].scale.x, 1.0f);
    EXPECT_EQ(idle->meshes[0].rotation.x, 0.0f);
    EXPECT_EQ(idle->lastMouseX, 0);
}

TEST(WheelTest, NotchesAndStateBits) {
    auto r = startedRenderer();
    r->onMouseWheel(120 * 65536);  // one notch forward
    EXPECT_EQ(r->meshes[0].rotation.z, 15.0f);
    EXPECT_EQ(r->dirty, 1);
    r->dirty = 0;
    r->onMouseWheel(-120 * 65536 + 8);  // one notch back with the Ctrl bit
    EXPECT_EQ(r->meshes[0].rotation.z, 0.0f);
    EXPECT_EQ(r->dirty, 1);
    r->onMouseWheel(240 * 65536);  // two notches in one message: 31, not 30
    EXPECT_EQ(r->meshes[0].rotation.z, 31.0f);
    r->onMouseWheel(499999);  // truncates toward zero
    r->onMouseWheel(-499999);
    EXPECT_EQ(r->meshes[0].rotation.z, 31.0f);
    r->onMouseWheel(INT32_MIN);
    EXPECT_EQ(r->meshes[0].rotation.z, 31.0f - 4294.0f);

    // The wheel turns the model during a drag as well.
    r->onLeftButtonDown(0, 0);
    r->onMouseWheel(-120 * 65536);
    EXPECT_EQ(r->meshes[0].rotation.z, 31.0f - 4294.0f - 15.0f);
    EXPECT_EQ(r->mouseDragging, 1);
}

}  // namespace
}  // namespace trivane
