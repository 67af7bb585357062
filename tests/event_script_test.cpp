// Scripted input for the headless tool: parsing. Replaying is pinned by
// tests/guard, refused events by tests/cli (bad_events).
#include <gtest/gtest.h>

#include "test_support.h"
#include "ui/event_script.h"

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

}  // namespace
}  // namespace trivane
