// The held flag of the key handler. What each key, drag (both buttons at once
// included) and notch does to the picture is pinned in tests/cli.
#include <gtest/gtest.h>

#include "test_support.h"
#include "ui/key_codes.h"

namespace trivane {
namespace {

// The space bar's auto-repeat and a key bound to nothing are in
// tests/gui/input_test.cpp.
TEST(KeyTest, AnyReleaseClearsTheHeldFlagAndAnyNonZeroIsAPress) {
    auto r = test::makeRenderer();
    // Any release clears the flag, even with another key still down, and undoes nothing.
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
