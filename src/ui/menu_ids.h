#pragma once

#include <cstdint>

// The menu bar: command ids and the table the Qt menu bar is built from, so
// the desktop viewer and the handlers can never disagree on an id.

namespace trivane::menu {

constexpr int32_t kExit = 40001;
constexpr int32_t kCameraLookAt = 40002;
constexpr int32_t kCameraEuler = 40003;
constexpr int32_t kGlobeSphere = 40010;
constexpr int32_t kGeoSphere = 40011;
constexpr int32_t kModeMapping = 40012;
constexpr int32_t kModeWire = 40013;
constexpr int32_t kIcoSphere = 40014;
constexpr int32_t kModeGouraud = 40015;
constexpr int32_t kCube = 40017;
constexpr int32_t kLightMaterialDialog = 40018;
constexpr int32_t kLoadModel = 40019;
constexpr int32_t kToggleAnimation = 40020;
// Additions of the desktop viewer.
constexpr int32_t kFitModel = 40021;
// A model just opened in the desktop viewer is framed: turned to show the most
// of itself and fitted to the picture. Not in the menu; recordings carry it.
constexpr int32_t kFrameModel = 40022;
// Additions beyond the classic menu, from 40030 on.
constexpr int32_t kSavePicture = 40030;
constexpr int32_t kShowControls = 40031;
constexpr int32_t kShowAbout = 40032;
// The desktop viewer's own view settings; a script has nothing to do with them.
constexpr int32_t kRenderContinuously = 40033;
constexpr int32_t kPictureFitsWindow = 40034;
constexpr int32_t kFullScreen = 40035;

// Paths longer than this are refused like a cancelled chooser; it is the
// longest path the classic 256-byte file name buffer could return.
constexpr int kMaxModelPathBytes = 255;

struct MenuItem {
    // Exactly as the classic resource spells them: the two sphere items end in
    // a carriage return and line feed, which a toolkit may want to strip for
    // display (see displayText).
    const char* text;
    int32_t id;
    // Keys that trigger the item, in Qt's portable text form ("Ctrl+S; F12"),
    // or none. They are the menu's: the key handlers never see them.
    const char* shortcuts = nullptr;
};

struct Menu {
    const char* title;
    const MenuItem* items;
    int itemCount;
};

constexpr MenuItem kFileItems[] = {
    {"Load ASE", kLoadModel}, {"Save Picture…", kSavePicture, "Ctrl+S; F12"}, {"Exit", kExit}};
constexpr MenuItem kCameraItems[] = {{"Lookat", kCameraLookAt}, {"Euler", kCameraEuler}, {"Fit Model", kFitModel, "F"}};
constexpr MenuItem kModelItems[] = {
    {"CreateGlobeSphere\r\n", kGlobeSphere},
    {"CreateGeoSphere\r\n", kGeoSphere},
    {"20면체구", kIcoSphere},
    {"3D정사각형", kCube},
};
constexpr MenuItem kModeItems[] = {
    {"Mapping", kModeMapping}, {"Wire", kModeWire}, {"Gouraud Shading", kModeGouraud}};
constexpr MenuItem kLightingItems[] = {{"빛,재질조정", kLightMaterialDialog}};
constexpr MenuItem kAnimationItems[] = {{"활성,비활성", kToggleAnimation}};
constexpr MenuItem kViewItems[] = {
    {"Picture Fits Window", kPictureFitsWindow}, {"Full Screen", kFullScreen, "F11"},
    {"Render Continuously", kRenderContinuously}};
constexpr MenuItem kHelpItems[] = {{"Controls", kShowControls, "F1"}, {"About Trivane", kShowAbout}};

// Eight menus, left to right, each with its items top to bottom. Texts are
// UTF-8.
constexpr Menu kMenus[] = {
    {"File", kFileItems, 3},
    {"Camera", kCameraItems, 3},
    {"모델선택", kModelItems, 4},
    {"Mapping", kModeItems, 3},
    {"Lighting", kLightingItems, 1},
    {"애니메이션", kAnimationItems, 1},
    {"View", kViewItems, 3},
    {"Help", kHelpItems, 2},
};
constexpr int kMenuCount = 8;

// Length of an item text without its trailing carriage returns and line
// feeds, for toolkits that would show them as stray glyphs.
constexpr int displayLength(const char* text) {
    int n = 0;
    while (text[n] != '\0') ++n;
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n')) --n;
    return n;
}

}  // namespace trivane::menu
