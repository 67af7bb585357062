// The light and material dialog's handlers, driven through a recording set
// of controls.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"
#include "ui/light_dialog.h"

namespace trivane {
namespace {

struct RecordingControls : DialogControls {
    std::map<int32_t, std::pair<int32_t, int32_t>> ranges;
    std::map<int32_t, int32_t> positions;
    std::map<int32_t, std::string> texts;
    std::vector<std::string> calls;  // "range 1060", "text 1019", "pos 1060"
    std::vector<int32_t> ended;

    void setScrollRange(int32_t id, int32_t minimum, int32_t maximum) override {
        ranges[id] = {minimum, maximum};
        calls.push_back("range " + std::to_string(id));
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
    r->light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r->material = r->defaultMaterial;  // what the last lit vertex left without a material list
    return r;
}

// Value of a row by table order, read independently of the dialog code.
float valueOfRow(const Renderer& r, int row) {
    const LightingTerms& t = row < 9 ? r.light : r.material;
    const Rgb* rgb[3] = {&t.ambient, &t.diffuse, &t.specular};
    const Rgb& c = *rgb[(row % 9) / 3];
    return row % 3 == 0 ? c.r : (row % 3 == 1 ? c.g : c.b);
}

std::string fixed2(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

TEST(DialogTableTest, IdsGroupsAndLabels) {
    const char* labels[] = {"Ar", "Ag", "Ab", "Dr", "Dg", "Db", "Sr", "Sg", "Sb"};
    for (int row = 0; row < 18; ++row) {
        const ColorControl& c = kColorControls[row];
        EXPECT_EQ(c.scrollBarId, row == 0 ? 1060 : 1041 + row);
        EXPECT_EQ(c.textBoxId, 1019 + row);
        EXPECT_STREQ(c.group, row < 9 ? "빛" : "재질");
        EXPECT_STREQ(c.label, labels[row % 9]);
        EXPECT_EQ(colorControlRow(c.scrollBarId), row);
        EXPECT_EQ(colorTextBoxRow(c.textBoxId), row);
    }
    for (int32_t id : {1059, 1041, 1061, 1019, 0, -1, 1, 2}) EXPECT_EQ(colorControlRow(id), -1) << id;
    for (int32_t id : {1018, 1037, 1060}) EXPECT_EQ(colorTextBoxRow(id), -1) << id;
}

TEST(DialogInitTest, ShowsTheStartValuesInOrder) {
    auto r = withStartValues();
    RecordingControls c;
    EXPECT_TRUE(LightMaterialDialog(*r, c).onInitDialog());
    ASSERT_EQ(c.calls.size(), 54u);
    // Ranges in table order, then texts by increasing id, then positions.
    for (int row = 0; row < 18; ++row) {
        const int32_t bar = kColorControls[row].scrollBarId;
        EXPECT_EQ(c.calls[row], "range " + std::to_string(bar));
        EXPECT_EQ(c.calls[18 + row], "text " + std::to_string(1019 + row));
        EXPECT_EQ(c.calls[36 + row], "pos " + std::to_string(bar));
        EXPECT_EQ(c.ranges[bar], std::make_pair(0, 100));
        // Ambient rows start at 0.2, the others at 1.
        EXPECT_EQ(c.texts[1019 + row], row % 9 < 3 ? "0.20" : "1.00") << row;
        EXPECT_EQ(c.positions[bar], row % 9 < 3 ? 20 : 100) << row;
    }
    EXPECT_TRUE(c.ended.empty());

    // Box 1035 and bar 1057 both show the material's specular green.
    r->material.specular.g = 0.37f;
    RecordingControls d;
    LightMaterialDialog(*r, d).onInitDialog();
    EXPECT_EQ(d.texts[1035], "0.37");
    EXPECT_EQ(d.positions[1057], 37);
    EXPECT_EQ(d.texts[1034], "1.00");
    // Opening changes nothing.
    EXPECT_EQ(r->light.ambient.r, 0.2f);
    EXPECT_EQ(r->material.specular.g, 0.37f);
}

TEST(DialogInitTest, PositionsRoundAndOddValuesNeitherFailNorOverflow) {
    EXPECT_EQ(positionOfValue(0.22f), 22);
    EXPECT_EQ(positionOfValue(0.2249f), 22);
    EXPECT_EQ(positionOfValue(0.2251f), 23);
    EXPECT_EQ(positionOfValue(-0.22f), -22);
    EXPECT_EQ(positionOfValue(1e30f), INT32_MAX);
    const struct {
        float value;
        const char* text;
        int32_t position;
    } cases[] = {
        {FLT_MAX, "340282346638528859811704183484516925440.00", INT32_MAX},
        {-FLT_MAX, "-340282346638528859811704183484516925440.00", INT32_MIN},
        {NAN, "nan", 0},
        {INFINITY, "inf", INT32_MAX},
        {1.5f, "1.50", 150},
        {-0.004f, "-0.00", 0},
    };
    auto r = withStartValues();  // rows 0 to 5
    r->light.ambient = Rgb{cases[0].value, cases[1].value, cases[2].value};
    r->light.diffuse = Rgb{cases[3].value, cases[4].value, cases[5].value};
    RecordingControls c;
    LightMaterialDialog(*r, c).onInitDialog();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(c.texts[1019 + i], cases[i].text) << i;
        EXPECT_EQ(c.positions[kColorControls[i].scrollBarId], cases[i].position) << i;
    }
}

TEST(DialogScrollTest, StepsStopAtTheRangeEnds) {
    const struct {
        float start;
        int32_t code;
        int32_t expectedPos;
    } cases[] = {
        {0.99f, LineRight, 100}, {1.0f, LineRight, 100}, {0.01f, LineLeft, 0},  {0.0f, LineLeft, 0},
        {0.05f, PageLeft, 0},    {0.95f, PageRight, 100}, {0.5f, LineLeft, 48}, {0.5f, LineRight, 52},
        {0.5f, PageLeft, 40},    {0.5f, PageRight, 60},
        // Above the range: steps start from the true position, not from 100;
        // 1.5 loaded from a model, one click left stores 1.48.
        {1.5f, LineLeft, 148},   {1.5f, PageLeft, 140},   {1.5f, LineRight, 100}, {-0.3f, LineRight, -28},
        {-0.3f, LineLeft, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << "start " << k.start << " code " << k.code);
        auto r = withStartValues();
        r->material.diffuse.b = k.start;  // row 14: bar 1055, box 1033
        RecordingControls c;
        EXPECT_FALSE(LightMaterialDialog(*r, c).onScroll(1055, k.code, 77));
        EXPECT_EQ(c.positions[1055], k.expectedPos);
        EXPECT_EQ(r->material.diffuse.b, static_cast<float>(k.expectedPos * 0.01));
        EXPECT_EQ(c.texts[1033], fixed2(k.expectedPos * 0.01));
        EXPECT_EQ(c.texts.size(), 1u);
    }
}

TEST(DialogScrollTest, ThumbDragKeepsTheChosenPosition) {
    // Drag to p, then the thumb-position and end-scroll codes that follow:
    // every position 0..100 must survive, with its value and text.
    for (int32_t p = 0; p <= 100; ++p) {
        auto r = withStartValues();
        RecordingControls c;
        LightMaterialDialog dialog(*r, c);
        dialog.onInitDialog();
        dialog.onScroll(1047, ThumbTrack, p);  // light specular r
        dialog.onScroll(1047, ThumbPosition, p);
        dialog.onScroll(1047, EndScroll, 0);
        EXPECT_EQ(c.positions[1047], p);
        EXPECT_EQ(r->light.specular.r, static_cast<float>(p * 0.01)) << p;
        EXPECT_EQ(c.texts[1025], fixed2(p * 0.01)) << p;
        // And a fresh opening shows the same thumb.
        RecordingControls again;
        LightMaterialDialog(*r, again).onInitDialog();
        EXPECT_EQ(again.positions[1047], p);
    }
    // 22 is the classic victim: the float nearest 0.22 lies below it. Codes
    // other than the thumb track leave it alone.
    auto r = withStartValues();
    RecordingControls c;
    LightMaterialDialog dialog(*r, c);
    dialog.onScroll(1060, ThumbTrack, 22);
    for (int32_t code : {4, 6, 7, 8, 9, -1}) dialog.onScroll(1060, code, 5);
    EXPECT_EQ(r->light.ambient.r, 0.22f);
    EXPECT_EQ(c.positions[1060], 22);
    EXPECT_EQ(c.texts[1019], "0.22");
    // Arrow clicks from 20 reach 22 and then 24.
    for (int32_t code : {LineRight, EndScroll, LineRight, EndScroll}) dialog.onScroll(1042, code, 0);
    EXPECT_EQ(c.positions[1042], 24);
    EXPECT_EQ(r->light.ambient.g, 0.24f);
}

TEST(DialogScrollTest, OnlyTheBoundValueChanges) {
    for (int row = 0; row < 18; ++row) {
        auto r = withStartValues();
        RecordingControls c;
        LightMaterialDialog(*r, c).onScroll(kColorControls[row].scrollBarId, ThumbTrack, 63);
        for (int i = 0; i < 18; ++i)
            EXPECT_EQ(valueOfRow(*r, i), i == row ? 0.63f : valueOfRow(*withStartValues(), i)) << row << " " << i;
        EXPECT_EQ(c.texts.size(), 1u);
        EXPECT_EQ(c.texts[kColorControls[row].textBoxId], "0.63");
    }
    // Other controls: the thumb still moves (from 0), no value changes.
    auto r = withStartValues();
    RecordingControls c;
    LightMaterialDialog dialog(*r, c);
    EXPECT_FALSE(dialog.onScroll(1059, LineRight, 0));
    EXPECT_EQ(c.positions[1059], 2);
    EXPECT_FALSE(dialog.onScroll(1019, ThumbTrack, 40));
    EXPECT_EQ(c.positions[1019], 40);
    EXPECT_TRUE(c.texts.empty());
    for (int i = 0; i < 18; ++i) EXPECT_EQ(valueOfRow(*r, i), valueOfRow(*withStartValues(), i));
}

TEST(DialogScrollTest, SaturatedPositionsStepWithoutOverflow) {
    auto r = withStartValues();
    r->light.diffuse = Rgb{FLT_MAX, -FLT_MAX, NAN};
    RecordingControls c;
    LightMaterialDialog dialog(*r, c);
    dialog.onScroll(1044, LineLeft, 0);
    EXPECT_EQ(c.positions[1044], INT32_MAX - 2);
    EXPECT_EQ(r->light.diffuse.r, static_cast<float>((INT32_MAX - 2) * 0.01));
    dialog.onScroll(1045, PageRight, 0);
    EXPECT_EQ(c.positions[1045], INT32_MIN + 10);
    dialog.onScroll(1046, LineRight, 0);  // NaN reads as 0
    EXPECT_EQ(c.positions[1046], 2);
    EXPECT_EQ(r->light.diffuse.b, 0.02f);
}

TEST(DialogCommandTest, OkAndEscapeCloseAndKeepChanges) {
    for (int32_t id : {1, 2}) {
        auto r = withStartValues();
        RecordingControls c;
        LightMaterialDialog dialog(*r, c);
        dialog.onInitDialog();
        dialog.onScroll(1049, PageLeft, 0);
        EXPECT_TRUE(dialog.onCommand(id));
        EXPECT_EQ(c.ended, std::vector<int32_t>{1});
        EXPECT_EQ(r->light.specular.b, 0.9f);  // no cancel
    }
    auto r = withStartValues();
    RecordingControls c;
    LightMaterialDialog dialog(*r, c);
    for (int32_t id : {0, 3, 1060, -1}) EXPECT_FALSE(dialog.onCommand(id));
    EXPECT_TRUE(c.ended.empty());
}

TEST(DialogMaterialTest, SourceOutsideTheTableWritesTheDefaultMaterial) {
    // Sources inside the table, and none at all, are tested through the menu
    // with the picture they change.
    for (int32_t source : {2, 1000, INT32_MAX}) {
        auto r = withStartValues();
        r->materials = {LightingTerms{}, LightingTerms{}};
        r->materialCount = 2;
        r->materialSource = source;
        RecordingControls c;
        LightMaterialDialog(*r, c).onScroll(1056, ThumbTrack, 10);
        EXPECT_EQ(r->defaultMaterial.specular.r, 0.1f) << source;
        EXPECT_EQ(r->material.specular.r, 0.1f);
        EXPECT_EQ(r->materials[0].specular.r, 0.0f);
        EXPECT_EQ(r->materials[1].specular.r, 0.0f);
    }
}

}  // namespace
}  // namespace trivane
