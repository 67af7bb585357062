#include "ui/script_names.h"

#include <array>
#include <charconv>
#include <utility>

#include "scene/text_scanner.h"
#include "ui/key_codes.h"
#include "ui/light_dialog.h"
#include "ui/menu_ids.h"

namespace trivane {

namespace {

constexpr ScriptName kKeys[] = {
    {"W", keys::kW},         {"S", keys::kS},         {"A", keys::kA},         {"D", keys::kD},
    {"Q", keys::kQ},         {"E", keys::kE},         {"I", keys::kI},         {"K", keys::kK},
    {"J", keys::kJ},         {"L", keys::kL},         {"U", keys::kU},         {"O", keys::kO},
    {"Left", keys::kLeft},   {"Right", keys::kRight}, {"Up", keys::kUp},       {"Down", keys::kDown},
    {"PageUp", keys::kPageUp}, {"PageDown", keys::kPageDown}, {"Space", keys::kSpace},
};

constexpr ScriptName kMenus[] = {
    {"load", menu::kLoadModel},
    {"save", menu::kSavePicture},
    {"exit", menu::kExit},
    {"lookat", menu::kCameraLookAt},
    {"euler", menu::kCameraEuler},
    {"fit", menu::kFitModel},
    {"globesphere", menu::kGlobeSphere},
    {"geosphere", menu::kGeoSphere},
    {"icosphere", menu::kIcoSphere},
    {"cube", menu::kCube},
    {"mapping", menu::kModeMapping},
    {"wire", menu::kModeWire},
    {"gouraud", menu::kModeGouraud},
    {"lighting", menu::kLightMaterialDialog},
    {"animation", menu::kToggleAnimation},
    {"fitwindow", menu::kPictureFitsWindow},
    {"fullscreen", menu::kFullScreen},
    {"continuous", menu::kRenderContinuously},
    {"controls", menu::kShowControls},
    {"about", menu::kShowAbout},
    {"openframing", menu::kFrameModel},
};

// In the dialog's row order (kColorControls).
constexpr const char* kRowNames[18] = {
    "light.ambient.red",     "light.ambient.green",     "light.ambient.blue",
    "light.diffuse.red",     "light.diffuse.green",     "light.diffuse.blue",
    "light.specular.red",    "light.specular.green",    "light.specular.blue",
    "material.ambient.red",  "material.ambient.green",  "material.ambient.blue",
    "material.diffuse.red",  "material.diffuse.green",  "material.diffuse.blue",
    "material.specular.red", "material.specular.green", "material.specular.blue",
};

constexpr ScriptName kScrollCodes[] = {
    {"lineleft", LineLeft}, {"lineright", LineRight},         {"pageleft", PageLeft},
    {"pageright", PageRight}, {"thumbposition", ThumbPosition}, {"thumbtrack", ThumbTrack},
    {"top", Top},           {"bottom", Bottom},               {"endscroll", EndScroll},
};

}  // namespace

std::string_view trimBlanks(std::string_view s) {
    const char* blanks = " \t\r\n";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

std::span<const ScriptName> keyNames() { return kKeys; }
std::span<const ScriptName> menuNames() { return kMenus; }
std::span<const ScriptName> scrollCodeNames() { return kScrollCodes; }

std::span<const ScriptName> dialogRowNames() {
    // The ids come from the dialog's own table, so the two cannot disagree.
    static const std::array<ScriptName, 18> rows = [] {
        std::array<ScriptName, 18> table{};
        for (size_t row = 0; row < table.size(); ++row) table[row] = {kRowNames[row], kColorControls[row].scrollBarId};
        return table;
    }();
    return rows;
}

std::optional<int32_t> valueOfName(std::span<const ScriptName> table, std::string_view name) {
    name = trimBlanks(name);
    for (const ScriptName& entry : table)
        if (sameIgnoringCase(entry.name, name)) return entry.value;
    return std::nullopt;
}

const char* nameOfValue(std::span<const ScriptName> table, int32_t value) {
    for (const ScriptName& entry : table)
        if (entry.value == value) return entry.name;
    return nullptr;
}

std::optional<int32_t> wheelOfNotches(std::string_view text) {
    text = trimBlanks(text);
    const size_t unit = text.find_first_not_of("+-0123456789");
    std::string_view number = trimBlanks(text.substr(0, unit));
    if (unit == std::string_view::npos) {
        // Without the word, only a signed count: a bare number is the raw word.
        if (number.size() < 2 || (number[0] != '+' && number[0] != '-') || number[1] == '0') return std::nullopt;
    } else {
        const std::string_view word = trimBlanks(text.substr(unit));
        if (!sameIgnoringCase(word, "notch") && !sameIgnoringCase(word, "notches")) return std::nullopt;
    }
    if (number.size() > 1 && number[0] == '+' && number[1] != '-') number.remove_prefix(1);
    int32_t notches = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), notches);
    if (number.empty() || ec != std::errc{} || end != number.data() + number.size() || notches < -kMaxWheelNotches ||
        notches > kMaxWheelNotches)
        return std::nullopt;
    return notches * kWheelNotch;
}

std::string notchesOfWheel(int32_t raw) {
    if (raw == 0 || raw % kWheelNotch != 0) return {};
    const int32_t notches = raw / kWheelNotch;
    std::string text = std::to_string(notches);
    if (notches > 0) text.insert(text.begin(), '+');
    return text;
}

std::string namesHelp() {
    const std::pair<const char*, std::span<const ScriptName>> groups[] = {
        {"keys", keyNames()}, {"menu", menuNames()}, {"dialog rows", dialogRowNames()}, {"scroll codes", scrollCodeNames()}};
    std::string text;
    for (const auto& [title, names] : groups) {
        std::string line = std::string("  ") + title + ":";
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string entry = std::string(names[i].name) + " " + std::to_string(names[i].value) +
                                      (i + 1 < names.size() ? "," : "");
            if (line.size() + 1 + entry.size() > 78) {
                text += line + "\n";
                line = "    ";
            }
            line += " " + entry;
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace trivane
