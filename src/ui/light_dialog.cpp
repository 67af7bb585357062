// The light and material dialog's handlers over its eighteen rows.
#include "ui/light_dialog.h"

#include <cstddef>

#include "math/numeric.h"
#include "ui/fixed_text.h"

namespace trivane {

const ColorControl kColorControls[18] = {
    {1060, 1019, "빛", "Ar"},   {1042, 1020, "빛", "Ag"},   {1043, 1021, "빛", "Ab"},
    {1044, 1022, "빛", "Dr"},   {1045, 1023, "빛", "Dg"},   {1046, 1024, "빛", "Db"},
    {1047, 1025, "빛", "Sr"},   {1048, 1026, "빛", "Sg"},   {1049, 1027, "빛", "Sb"},
    {1050, 1028, "재질", "Ar"}, {1051, 1029, "재질", "Ag"}, {1052, 1030, "재질", "Ab"},
    {1053, 1031, "재질", "Dr"}, {1054, 1032, "재질", "Dg"}, {1055, 1033, "재질", "Db"},
    {1056, 1034, "재질", "Sr"}, {1057, 1035, "재질", "Sg"}, {1058, 1036, "재질", "Sb"},
};

namespace {

// The table is the one place that pairs ids with rows.
int32_t rowWhere(int32_t ColorControl::*column, int32_t id) {
    for (int32_t row = 0; row < 18; ++row) {
        if (kColorControls[row].*column == id) return row;
    }
    return -1;
}

}  // namespace

int32_t colorControlRow(int32_t scrollBarId) { return rowWhere(&ColorControl::scrollBarId, scrollBarId); }

int32_t colorTextBoxRow(int32_t textBoxId) { return rowWhere(&ColorControl::textBoxId, textBoxId); }

int32_t positionOfValue(float value) {
    // Rounded, not truncated: the float nearest 0.22 lies just below it, and
    // truncation would turn a thumb left at 22 into 21 on the next read.
    return roundToInt32(static_cast<double>(value) * 100.0);
}

namespace {

constexpr int kLightRows = 9;

// Component c (0..8: ambient r g b, diffuse r g b, specular r g b) of a block.
float& component(LightingTerms& terms, int c) {
    Rgb& rgb = c < 3 ? terms.ambient : (c < 6 ? terms.diffuse : terms.specular);
    const int k = c % 3;
    return k == 0 ? rgb.r : (k == 1 ? rgb.g : rgb.b);
}

void showValue(DialogControls& controls, int32_t textBoxId, double value) {
    char text[64];
    BoundedText out(text, sizeof text);
    out.appendFixed2(value);
    controls.setText(textBoxId, text);
}

}  // namespace

float& LightMaterialDialog::rowValue(int row) {
    return row < kLightRows ? component(lighting_.light, row) : component(lighting_.material, row - kLightRows);
}

// The block the lighting copies the material from: the model's table entry
// when the last lit vertex took it from there, the default material otherwise.
LightingTerms& LightMaterialDialog::materialSource() {
    const int32_t source = scene_.materialSource;
    if (source >= 0 && source < scene_.materialCount && static_cast<size_t>(source) < scene_.materials.size())
        return scene_.materials[static_cast<size_t>(source)];
    return lighting_.defaultMaterial;
}

bool LightMaterialDialog::onInitDialog() {
    for (const ColorControl& c : kColorControls) controls_.setScrollRange(c.scrollBarId, 0, 100);
    // Text boxes in increasing id order, which is also table order.
    for (int row = 0; row < 18; ++row)
        showValue(controls_, kColorControls[row].textBoxId, static_cast<double>(rowValue(row)));
    for (int row = 0; row < 18; ++row)
        controls_.setScrollPos(kColorControls[row].scrollBarId, positionOfValue(rowValue(row)));
    return true;
}

bool LightMaterialDialog::onScroll(int32_t controlId, int32_t code, int32_t thumb) {
    const int32_t row = colorControlRow(controlId);
    // Wide enough that stepping a saturated position cannot overflow.
    int64_t pos = row >= 0 ? positionOfValue(rowValue(row)) : 0;
    switch (code) {
        case LineLeft: pos = pos - 2 < 0 ? 0 : pos - 2; break;
        case LineRight: pos = pos + 2 > 100 ? 100 : pos + 2; break;
        case PageLeft: pos = pos - 10 < 0 ? 0 : pos - 10; break;
        case PageRight: pos = pos + 10 > 100 ? 100 : pos + 10; break;
        case ThumbTrack: pos = thumb; break;
        default: break;
    }
    const int32_t position = static_cast<int32_t>(pos);  // back in int32 range after the clamps
    if (row >= 0) {
        const double exact = static_cast<double>(position) * 0.01;
        const float value = static_cast<float>(exact);
        rowValue(row) = value;
        if (row >= kLightRows) component(materialSource(), row - kLightRows) = value;
        showValue(controls_, kColorControls[row].textBoxId, exact);
    }
    controls_.setScrollPos(controlId, position);
    return false;
}

bool LightMaterialDialog::onCommand(int32_t id) {
    if (id == 1 || id == 2) {
        // No cancel: what the scroll bars wrote stays.
        controls_.endDialog(1);
        return true;
    }
    return false;
}

}  // namespace trivane
