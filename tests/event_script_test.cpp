// Scripted input for the headless tool: parsing. Replaying is pinned by
// tests/guard, refused events by tests/cli (bad_events).
#include <gtest/gtest.h>

#include "scene/files.h"
#include "test_support.h"
#include "ui/event_script.h"
#include "ui/input_handlers.h"
#include "ui/menu_ids.h"
#include "ui/script_names.h"
#include "ui/session.h"

namespace trivane {
namespace {

using K = ScriptEvent::Kind;

std::vector<ScriptEvent> parsed(const std::string& script) {
    std::vector<ScriptEvent> events;
    std::string error;
    EXPECT_TRUE(parseEventScript(script, events, error)) << script << ": " << error;
    return events;
}

TEST(EventScriptTest, ParsesEveryKind) {
    const auto e = parsed(
        " frame ;key:87;down: 39 ;up:39;menu:40013;load: ./models/a b.ase ;lbdown:10,-20;lbup;"
        "rbdown:0,65535;rbup;move: 3 , 4 ;wheel:-7864312;dialog:1060,5,65535;;");
    const std::vector<std::tuple<K, int32_t, int32_t, int32_t>> expected = {
        {K::Frame, 0, 0, 0},      {K::Key, 87, 0, 0},       {K::Down, 39, 0, 0},     {K::Up, 39, 0, 0},
        {K::Menu, 40013, 0, 0},   {K::Load, 0, 0, 0},       {K::LeftDown, 10, -20, 0}, {K::LeftUp, 0, 0, 0},
        {K::RightDown, 0, 65535, 0}, {K::RightUp, 0, 0, 0}, {K::Move, 3, 4, 0},      {K::Wheel, -7864312, 0, 0},
        {K::Dialog, 1060, 5, 65535}};
    std::vector<std::tuple<K, int32_t, int32_t, int32_t>> got;
    for (const ScriptEvent& event : e) got.emplace_back(event.kind, event.a, event.b, event.c);
    EXPECT_EQ(got, expected);
    ASSERT_EQ(e.size(), 13u);
    EXPECT_EQ(e[5].path, "./models/a b.ase");  // inner blanks belong to the path
    // Formatted events (as recordings write them) parse back to the same.
    std::string script;
    for (const ScriptEvent& event : e) script += formatEvent(event) + ";\n";
    std::vector<std::tuple<K, int32_t, int32_t, int32_t, std::string>> again, once;
    for (const ScriptEvent& event : parsed(script)) again.emplace_back(event.kind, event.a, event.b, event.c, event.path);
    for (const ScriptEvent& event : e) once.emplace_back(event.kind, event.a, event.b, event.c, event.path);
    EXPECT_EQ(again, once);
    EXPECT_TRUE(parsed("").empty());
    EXPECT_TRUE(parsed(" ; ;").empty());
    EXPECT_EQ(parsed("key:-2147483648")[0].a, INT32_MIN);
}

// Any path a load can name reads back from its recorded form, and a quote
// that is not closed or escapes wrongly is refused with the text shown safely.
TEST(EventScriptTest, LoadPathsRoundTripThroughQuotes) {
    for (const std::string path : {"a;b.ase", " lead", "trail ", "\"q\".ase", "back\\slash;", "two\nlines",
                                   "plain/path with blanks.ase", "x\"", "\\"}) {
        ScriptEvent load;
        load.kind = K::Load;
        load.path = path;
        const std::vector<ScriptEvent> back = parsed("frame;" + formatEvent(load) + ";frame");
        ASSERT_EQ(back.size(), 3u) << formatEvent(load);
        EXPECT_EQ(back[1].path, path) << formatEvent(load);
    }
    // Unquoted paths read as they always have.
    EXPECT_EQ(parsed("load: x\"y ;frame")[0].path, "x\"y");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"load:\"open;frame", "bad event \"load:\"open\""},
        {"load:\"a\" b;frame", "bad event \"load:\"a\" b\""},
        {"load:\"a\\n\"", "bad event \"load:\"a\\n\"\""},
        {std::string("fr\0ame;frame", 11), "unknown event \"fr\\x00ame\""},
        {std::string("\xff\xfe" "f\0r", 5), "unknown event \"\\xff\\xfef\\x00r\""},
        {"key:\x1b[2J", "bad event \"key:\\x1b[2J\""},
        {"k\xc3\xa9y", "unknown event \"k\xc3\xa9y\""},
    };
    for (const auto& [script, message] : refused) {
        std::vector<ScriptEvent> events;
        std::string error;
        EXPECT_FALSE(parseEventScript(script, events, error)) << script;
        EXPECT_EQ(error.substr(0, message.size()), message);
    }
}

// Every name stands for the number scripts used before names existed, and is
// what a recording writes. Rows are in the form the recorder writes.
TEST(EventScriptTest, NamesStandForTheNumbersScriptsUsed) {
    const std::vector<std::tuple<std::string, K, int32_t, int32_t>> table = {
        {"key:W", K::Key, 87, 0}, {"key:S", K::Key, 83, 0}, {"key:A", K::Key, 65, 0}, {"key:D", K::Key, 68, 0},
        {"key:Q", K::Key, 81, 0}, {"key:E", K::Key, 69, 0}, {"key:I", K::Key, 73, 0}, {"key:K", K::Key, 75, 0},
        {"key:J", K::Key, 74, 0}, {"key:L", K::Key, 76, 0}, {"key:U", K::Key, 85, 0}, {"key:O", K::Key, 79, 0},
        {"down:Left", K::Down, 37, 0}, {"down:Right", K::Down, 39, 0}, {"up:Up", K::Up, 38, 0},
        {"up:Down", K::Up, 40, 0}, {"down:PageUp", K::Down, 33, 0}, {"up:PageDown", K::Up, 34, 0},
        {"key:Space", K::Key, 32, 0}, {"key:90", K::Key, 90, 0},
        {"menu:load", K::Menu, 40019, 0}, {"menu:save", K::Menu, 40030, 0}, {"menu:exit", K::Menu, 40001, 0},
        {"menu:lookat", K::Menu, 40002, 0}, {"menu:euler", K::Menu, 40003, 0}, {"menu:fit", K::Menu, 40021, 0},
        {"menu:globesphere", K::Menu, 40010, 0}, {"menu:geosphere", K::Menu, 40011, 0},
        {"menu:icosphere", K::Menu, 40014, 0}, {"menu:cube", K::Menu, 40017, 0}, {"menu:mapping", K::Menu, 40012, 0},
        {"menu:wire", K::Menu, 40013, 0}, {"menu:gouraud", K::Menu, 40015, 0}, {"menu:lighting", K::Menu, 40018, 0},
        {"menu:animation", K::Menu, 40020, 0}, {"menu:fitwindow", K::Menu, 40034, 0},
        {"menu:fullscreen", K::Menu, 40035, 0}, {"menu:continuous", K::Menu, 40033, 0},
        {"menu:controls", K::Menu, 40031, 0}, {"menu:about", K::Menu, 40032, 0},
        {"menu:openframing", K::Menu, 40022, 0}, {"menu:40016", K::Menu, 40016, 0},
        {"dialog:light.ambient.red,lineleft,7", K::Dialog, 1060, 0},
        {"dialog:light.ambient.green,lineright,7", K::Dialog, 1042, 1},
        {"dialog:light.ambient.blue,pageleft,7", K::Dialog, 1043, 2},
        {"dialog:light.diffuse.red,pageright,7", K::Dialog, 1044, 3},
        {"dialog:light.diffuse.green,thumbposition,7", K::Dialog, 1045, 4},
        {"dialog:light.diffuse.blue,thumbtrack,7", K::Dialog, 1046, 5},
        {"dialog:light.specular.red,top,7", K::Dialog, 1047, 6},
        {"dialog:light.specular.green,bottom,7", K::Dialog, 1048, 7},
        {"dialog:light.specular.blue,endscroll,7", K::Dialog, 1049, 8},
        {"dialog:material.ambient.red,9,7", K::Dialog, 1050, 9},
        {"dialog:material.ambient.green,thumbtrack,7", K::Dialog, 1051, 5},
        {"dialog:material.ambient.blue,thumbtrack,7", K::Dialog, 1052, 5},
        {"dialog:material.diffuse.red,thumbtrack,7", K::Dialog, 1053, 5},
        {"dialog:material.diffuse.green,thumbtrack,7", K::Dialog, 1054, 5},
        {"dialog:material.diffuse.blue,thumbtrack,7", K::Dialog, 1055, 5},
        {"dialog:material.specular.red,thumbtrack,7", K::Dialog, 1056, 5},
        {"dialog:material.specular.green,thumbtrack,7", K::Dialog, 1057, 5},
        {"dialog:material.specular.blue,thumbtrack,7", K::Dialog, 1058, 5},
        {"dialog:1041,thumbtrack,7", K::Dialog, 1041, 5},
        {"wheel:+1", K::Wheel, 7864320, 0}, {"wheel:-1", K::Wheel, -7864320, 0},
        {"wheel:-2", K::Wheel, -15728640, 0}, {"wheel:+273", K::Wheel, 273 * 7864320, 0},
        {"wheel:-273", K::Wheel, -273 * 7864320, 0}, {"wheel:7864328", K::Wheel, 7864328, 0},
        // A number without a sign, or beyond the notches, is the raw word, as it always was.
        {"wheel:2", K::Wheel, 2, 0}, {"wheel:-274", K::Wheel, -274, 0}, {"wheel:0", K::Wheel, 0, 0}};
    for (const auto& [script, kind, a, b] : table) {
        const std::vector<ScriptEvent> e = parsed(script);
        ASSERT_EQ(e.size(), 1u) << script;
        EXPECT_EQ(std::make_tuple(e[0].kind, e[0].a, e[0].b), std::make_tuple(kind, a, b)) << script;
        EXPECT_EQ(formatEvent(e[0]), script);
    }
    // Any case, blanks around, a sign on the notches.
    const std::vector<std::pair<std::string, std::string>> spellings = {
        {"key:w", "key:W"}, {"down: pagedown ", "down:PageDown"}, {"menu:GOURAUD", "menu:gouraud"},
        {"wheel:+1notch", "wheel:+1"}, {"wheel: -2 NOTCHES ", "wheel:-2"}, {"wheel:3 notch", "wheel:+3"},
        {"wheel:-7864320", "wheel:-1"}, {"dialog: Light.Diffuse.Red , ThumbTrack ,30", "dialog:light.diffuse.red,thumbtrack,30"}};
    for (const auto& [script, written] : spellings) EXPECT_EQ(formatEvent(parsed(script).at(0)), written) << script;
    for (const std::string bad : {"key:Z", "key:Space2", "menu:fit2", "wheel:+274", "wheel:+0", "wheel:274 notches",
                                  "wheel:1 notchs", "wheel:+-1 notch", "wheel:notch", "dialog:light.red,5,0",
                                  "dialog:1060,thumb,0", "dialog:1060,5,light.diffuse.red", "up:Left,"}) {
        std::vector<ScriptEvent> events;
        std::string error;
        EXPECT_FALSE(parseEventScript(bad, events, error)) << bad;
    }
    // Complete: every menu item, and every key a press of which changes what
    // the handlers keep (in either camera mode, moving the model or the light).
    std::vector<int32_t> menuIds = {menu::kFrameModel};
    for (const menu::Menu& m : menu::kMenus)
        for (int i = 0; i < m.itemCount; ++i) menuIds.push_back(m.items[i].id);
    for (const int32_t id : menuIds) EXPECT_NE(nameOfValue(menuNames(), id), nullptr) << id;
    EXPECT_EQ(menuNames().size(), menuIds.size());
    for (int32_t code = 0; code < 256; ++code) {
        bool acts = false;
        for (const int lookAt : {0, 1})
            for (const int moveModel : {0, 1}) {
                InputState input{};
                input.moveModel = moveModel;
                CameraState camera{};
                camera.lookAtMode = lookAt;
                Vector3 model{};
                Vertex light{};
                onKey(input, camera, model, light, code, true);
                const float moved[] = {camera.cameraPosition.x, camera.cameraPosition.y, camera.cameraPosition.z,
                                       camera.cameraTarget.x,   camera.cameraTarget.y,   camera.cameraTarget.z,
                                       camera.cameraRotation.x, camera.cameraRotation.y, camera.cameraRotation.z,
                                       model.x, model.y, model.z, light.x, light.y, light.z};
                acts = acts || input.moveModel != moveModel || std::any_of(std::begin(moved), std::end(moved),
                                                                        [](float v) { return v != 0; });
            }
        EXPECT_EQ(nameOfValue(keyNames(), code) != nullptr, acts) << "key " << code;
    }
}

int64_t ticks = 0;
int64_t tickFrequency() { return 60; }
int64_t tickRead() { return ++ticks; }

std::vector<uint8_t> replayed(const std::string& script) {
    ticks = 0;
    Session session(CounterSource{&tickFrequency, &tickRead});
    session.start();
    ScriptPlayer player(session);
    player.play(parsed(script));
    session.frame();
    const FramePixels picture = session.picture();
    return {picture.bits, picture.bits + picture.bytes()};
}

// A session as the recorder writes it, with names, replays to the picture
// of the same session written in numbers.
TEST(EventScriptTest, RecordedNamesReplayAsNumbers) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(TRIVANE_SOURCE_DIR);
    const std::string numbers =
        "menu:40015;frame;down:39;frame;up:39;key:83;key:32;key:37;wheel:-15728640;lbdown:400,300;move:420,330;lbup;"
        "frame;dialog:1044,5,30;dialog:1053,1,0;dialog:1058,4,80;menu:40003;key:76;menu:40020;frame";
    std::string recorded;
    for (const ScriptEvent& event : parsed(numbers)) recorded += formatEvent(event) + ";";
    EXPECT_EQ(recorded.find("40015"), std::string::npos) << recorded;
    const std::vector<uint8_t> picture = replayed(numbers);
    EXPECT_NE(picture, replayed(""));
    EXPECT_EQ(replayed(recorded), picture) << recorded;
    std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace trivane
