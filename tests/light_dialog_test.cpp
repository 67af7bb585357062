// The light and material dialog's handlers, driven through a recording set
// of controls. The rows reaching the picture are pinned in tests/cli.
#include <gtest/gtest.h>

#include <map>

#include "test_support.h"
#include "ui/light_dialog.h"

namespace trivane {
namespace {

struct RecordingControls : DialogControls {
    std::map<int32_t, int32_t> positions;
    std::map<int32_t, std::string> texts;
    std::vector<std::string> calls;  // "range 1060 0 100", "text 1019", "pos 1060"
    std::vector<int32_t> ended;

    void setScrollRange(int32_t id, int32_t minimum, int32_t maximum) override {
        calls.push_back("range " + std::to_string(id) + " " + std::to_string(minimum) + " " + std::to_string(maximum));
    }
    void setScrollPos(int32_t id, int32_t position) override {
        positions[id] = position;
        calls.push_back("pos " + std::to_string(id));
    }
    void setText(int32_t id, const char* text) override {
        texts[id] = text;
        calls.push_back("text " + std::to_string(id));
    }
    void endDialog(int32_t result) override { ended.push_back(result); }
};

std::unique_ptr<Renderer> withStartValues() {
    auto r = test::makeRenderer();
    r->lighting.light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r->lighting.material = r->lighting.defaultMaterial;  // what the last lit vertex left without a material list
    return r;
}

std::string fixed2(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

TEST(DialogTest, RowLookupAndOpeningShowsTheValuesInOrder) {
    for (int32_t id : {1059, 1041, 1061, 1019, 0, -1}) EXPECT_EQ(colorControlRow(id), -1) << id;
    for (int32_t id : {1018, 1037, 1060}) EXPECT_EQ(colorTextBoxRow(id), -1) << id;
    auto r = withStartValues();
    r->lighting.material.specular.g = 0.37f;  // row 16: box 1035, bar 1057
    RecordingControls c;
    EXPECT_TRUE(LightMaterialDialog(r->lighting, r->scene, c).onInitDialog());
    ASSERT_EQ(c.calls.size(), 54u);
    // Ranges in table order, then texts by increasing id, then positions.
    for (int row = 0; row < 18; ++row) {
        const int32_t bar = row == 0 ? 1060 : 1041 + row;
        EXPECT_EQ(std::vector<int32_t>({colorControlRow(bar), colorTextBoxRow(1019 + row)}), std::vector<int32_t>(2, row));
        EXPECT_EQ(c.calls[row], "range " + std::to_string(bar) + " 0 100");
        EXPECT_EQ(c.calls[18 + row], "text " + std::to_string(1019 + row));
        EXPECT_EQ(c.calls[36 + row], "pos " + std::to_string(bar));
        const int32_t expected = row == 16 ? 37 : row % 9 < 3 ? 20 : 100;  // ambient rows start at 0.2
        EXPECT_EQ(c.texts[1019 + row], fixed2(expected * 0.01)) << row;
        EXPECT_EQ(c.positions[bar], expected) << row;
    }
    EXPECT_TRUE(c.ended.empty());
    EXPECT_EQ(r->lighting.material.specular.g, 0.37f);  // opening changes nothing
}

TEST(DialogTest, PositionsRoundAndOddValuesNeitherFailNorOverflow) {
    for (auto [value, position] : {std::pair{0.2249f, 22}, {0.2251f, 23}, {-0.22f, -22}, {1e30f, INT32_MAX}})
        EXPECT_EQ(positionOfValue(value), position) << value;
    const struct {
        float value;
        const char* text;
        int32_t position;
    } cases[] = {
        {FLT_MAX, "340282346638528859811704183484516925440.00", INT32_MAX},
        {-FLT_MAX, "-340282346638528859811704183484516925440.00", INT32_MIN},
        {NAN, "nan", 0}, {INFINITY, "inf", INT32_MAX}, {1.5f, "1.50", 150}, {-0.004f, "-0.00", 0},
    };
    auto r = withStartValues();  // rows 0 to 5
    r->lighting.light.ambient = Rgb{cases[0].value, cases[1].value, cases[2].value};
    r->lighting.light.diffuse = Rgb{cases[3].value, cases[4].value, cases[5].value};
    RecordingControls c;
    LightMaterialDialog(r->lighting, r->scene, c).onInitDialog();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(c.texts[1019 + i], cases[i].text) << i;
        EXPECT_EQ(c.positions[kColorControls[i].scrollBarId], cases[i].position) << i;
    }
    // Stepping a saturated position does not overflow; NaN reads as 0.
    LightMaterialDialog dialog(r->lighting, r->scene, c);
    dialog.onScroll(1060, LineLeft, 0);
    dialog.onScroll(1042, PageRight, 0);
    dialog.onScroll(1043, LineRight, 0);
    EXPECT_EQ(std::vector<int32_t>({c.positions[1060], c.positions[1042], c.positions[1043]}),
              std::vector<int32_t>({INT32_MAX - 2, INT32_MIN + 10, 2}));
    EXPECT_EQ(r->lighting.light.ambient.r, static_cast<float>((INT32_MAX - 2) * 0.01));
}

TEST(DialogTest, StepsStopAtTheRangeEndsAndOnlyTheBoundValueChanges) {
    const struct {
        float start;
        int32_t code;
        int32_t expectedPos;
    } cases[] = {
        {0.99f, LineRight, 100}, {1.0f, LineRight, 100}, {0.01f, LineLeft, 0},   {0.0f, LineLeft, 0},
        {0.05f, PageLeft, 0},    {0.95f, PageRight, 100}, {0.5f, LineLeft, 48},  {0.5f, LineRight, 52},
        {0.5f, PageLeft, 40},    {0.5f, PageRight, 60},  {0.5f, ThumbTrack, 77}, {0.5f, ThumbPosition, 50},
        {0.29f, EndScroll, 29},  // the value read back to the position it came from
        // Above the range: steps start from the true position, not from 100.
        {1.5f, LineLeft, 148},   {1.5f, PageLeft, 140},  {1.5f, LineRight, 100}, {-0.3f, LineRight, -28},
        {-0.3f, LineLeft, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << "start " << k.start << " code " << k.code);
        auto r = withStartValues();
        r->lighting.material.diffuse.b = k.start;  // row 14: bar 1055, box 1033
        RecordingControls c;
        EXPECT_FALSE(LightMaterialDialog(r->lighting, r->scene, c).onScroll(1055, k.code, 77));
        EXPECT_EQ(c.positions[1055], k.expectedPos);
        EXPECT_EQ(r->lighting.material.diffuse.b, static_cast<float>(k.expectedPos * 0.01));
        EXPECT_EQ(r->lighting.defaultMaterial.diffuse.b, static_cast<float>(k.expectedPos * 0.01));
        EXPECT_EQ(c.texts, (std::map<int32_t, std::string>{{1033, fixed2(k.expectedPos * 0.01)}}));
        EXPECT_EQ(std::vector<float>({r->lighting.light.diffuse.b, r->lighting.material.diffuse.g, r->lighting.material.specular.b}),
                  std::vector<float>(3, 1.0f));
    }
    // Other controls: the thumb still moves (from 0), no value changes.
    auto r = withStartValues();
    RecordingControls c;
    LightMaterialDialog dialog(r->lighting, r->scene, c);
    EXPECT_FALSE(dialog.onScroll(1059, LineRight, 0));
    EXPECT_FALSE(dialog.onScroll(1019, ThumbTrack, 40));
    EXPECT_EQ(c.positions, (std::map<int32_t, int32_t>{{1059, 2}, {1019, 40}}));
    EXPECT_TRUE(c.texts.empty());
}

TEST(DialogTest, OkAndEscapeCloseAndKeepChanges) {
    for (int32_t id : {0, 1, 2, 3, 1060, -1}) {
        auto r = withStartValues();
        RecordingControls c;
        LightMaterialDialog dialog(r->lighting, r->scene, c);
        dialog.onScroll(1049, PageLeft, 0);
        const bool closes = id == 1 || id == 2;
        EXPECT_EQ(dialog.onCommand(id), closes) << id;
        // Both keep the change: no cancel.
        EXPECT_EQ(std::pair(c.ended, r->lighting.light.specular.b), std::pair(closes ? std::vector<int32_t>{1} : std::vector<int32_t>{}, 0.9f)) << id;
    }
}

TEST(DialogTest, MaterialRowsWriteTheLastLitSourceOrTheDefaultMaterial) {
    for (int32_t source : {-1, 0, 1, 2, 1000, INT32_MAX}) {
        auto r = withStartValues();
        r->scene.materials = {LightingTerms{}, LightingTerms{}};
        r->scene.materialCount = 2;
        r->scene.materialSource = source;
        RecordingControls c;
        LightMaterialDialog(r->lighting, r->scene, c).onScroll(1056, ThumbTrack, 10);
        const bool inTable = source == 0 || source == 1;
        EXPECT_EQ(std::vector<float>({r->lighting.material.specular.r, r->lighting.defaultMaterial.specular.r, r->scene.materials[0].specular.r,
                                      r->scene.materials[1].specular.r}),
                  std::vector<float>({0.1f, inTable ? 1.0f : 0.1f, source == 0 ? 0.1f : 0.0f, source == 1 ? 0.1f : 0.0f}))
            << source;
    }
}

}  // namespace
}  // namespace trivane
