// The held flag of the key handler. What each key, drag (both buttons at once
// included) and notch does to the picture is pinned in tests/cli.
#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace trivane
