// Seeded random event scripts replayed on the default scene, the procedural
// models and the real models: every frame's picture, the text lines beside and
// inside it, the menu's check marks and what the loads said, digested and
// compared with tests/guard/digests.txt. The digests were taken before the
// state was reshaped into parts; any change of a pixel or a shown value moves
// one. TRIVANE_GUARD_RECORD=FILE writes the digests anew instead (only for a
// change that is meant to move pictures: look at them first).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/workers.h"
#include "raster/frame_layout.h"
#include "ui/event_script.h"
#include "ui/menu_ids.h"
#include "ui/session.h"
#include "ui/text_lines.h"

namespace trivane {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kScripts = 300;

// The menu items the digests were taken with, in menu order.
constexpr int32_t kMenuIds[] = {40019, 40030, 40001, 40002, 40003, 40021, 40010, 40011, 40014,
                                40017, 40012, 40013, 40015, 40018, 40020, 40031, 40032};

// 64-bit FNV-style mixing over 8-byte words: the same bytes give the same
// digest on every build, unlike std::hash.
struct Digest {
    uint64_t h = 1469598103934665603ull;
    void add(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            uint64_t word;
            std::memcpy(&word, p + i, 8);
            h = (h ^ word) * 1099511628211ull;
            h ^= h >> 29;
        }
        for (; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
        h = (h ^ size) * 1099511628211ull;
    }
    void add(const std::string& s) { add(s.data(), s.size()); }
    void addLines(const TextLine* lines, int count) {
        for (int i = 0; i < count; ++i) {
            const int32_t place[3] = {lines[i].x, lines[i].y, lines[i].length};
            add(place, sizeof place);
            add(lines[i].text, static_cast<size_t>(std::clamp<int32_t>(lines[i].length, 0, sizeof lines[i].text)));
        }
    }
};

// One script: events of every kind between frames, ending with a frame.
std::string randomScript(uint32_t seed, const std::vector<std::string>& models) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    static const int kKeys[] = {87, 83, 65, 68, 81, 69, 74, 76, 73, 75, 85, 79, 32, 37, 38, 39, 40, 33, 34, 90};
    static const int kMenus[] = {40002, 40003, 40010, 40011, 40012, 40013, 40014, 40015, 40017,
                                 40018, 40019, 40020, 40021, 40030, 40031, 40032};
    static const int kScrollCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::string script;
    auto add = [&](const std::string& e) { script += e + ";"; };
    auto point = [&] { return std::to_string(pick(900) - 50) + "," + std::to_string(pick(700) - 50); };
    const int events = 20 + pick(50);
    for (int i = 0; i < events; ++i) {
        const int roll = pick(100);
        if (roll < 22) add("frame");
        else if (roll < 42) add((pick(3) == 0 ? "key:" : pick(2) ? "down:" : "up:") + std::to_string(kKeys[pick(20)]));
        else if (roll < 62) {
            static const char* const kDrags[] = {"lbdown:", "rbdown:", "move:", "move:", "move:"};
            const int d = pick(7);
            add(d < 5 ? kDrags[d] + point() : d == 5 ? "lbup" : "rbup");
        } else if (roll < 68) add("wheel:" + std::to_string((pick(2) ? 1 : -1) * 7864320 * (1 + pick(3)) + pick(3) * 8));
        else if (roll < 84) add("menu:" + std::to_string(kMenus[pick(16)]));
        else if (roll < 92) add("load:" + models[static_cast<size_t>(pick(static_cast<int>(models.size())))]);
        else {
            for (int n = 1 + pick(4); n > 0; --n) {
                const int control = pick(6) == 0 ? 1060 : 1042 + pick(17);
                add("dialog:" + std::to_string(control) + "," + std::to_string(kScrollCodes[pick(9)]) + "," +
                    std::to_string(pick(8) == 0 ? pick(65536) : pick(120)));
            }
        }
    }
    add("frame");
    return script;
}

int64_t simulatedTicks = 0;
int64_t simulatedFrequency() { return 60; }
int64_t simulatedRead() { return ++simulatedTicks; }

// Replays one script frame by frame and digests what each frame shows.
uint64_t replay(const std::string& script) {
    std::vector<ScriptEvent> events;
    std::string error;
    EXPECT_TRUE(parseEventScript(script, events, error)) << error;
    simulatedTicks = 0;
    Session session(CounterSource{&simulatedFrequency, &simulatedRead});
    session.start();
    ScriptPlayer player(session);
    Digest digest;
    size_t begin = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind != ScriptEvent::Kind::Frame) continue;
        player.play(std::vector<ScriptEvent>(events.begin() + static_cast<ptrdiff_t>(begin),
                                             events.begin() + static_cast<ptrdiff_t>(i) + 1));
        begin = i + 1;
        digest.add(session.picture().bits, session.picture().bytes());
        TextLine window[kWindowLineCount];
        TextLine picture[kPictureLineCount];
        session.windowLines(window);
        session.pictureLines(picture);
        digest.addLines(window, kWindowLineCount);
        digest.addLines(picture, kPictureLineCount);
        for (const int32_t id : kMenuIds) {
            const int8_t mark = static_cast<int8_t>(session.menuItemChecked(id).value_or(false) ? 1 : 2);
            digest.add(&mark, 1);
        }
    }
    for (const std::string& message : player.loadMessages()) digest.add(message);
    return digest.h;
}

TEST(ReplayGuard, SeededScriptsShowWhatTheyShowedBeforeTheReshaping) {
    const fs::path root = TRIVANE_SOURCE_DIR;
    const fs::path testdata = root / "../shared/testdata/ase";
    if (!fs::exists(testdata / "Rifle.ase")) GTEST_SKIP() << "the shared real models are not in " << testdata;
    // Relative to the repository root the scripts run in, so that what the
    // loads say names the same files in every checkout.
    const std::vector<std::string> models = {
        "data/bou.ASE",
        "tests/cli/edges.ase",
        "tests/cli/names.ase",
        "../shared/testdata/ase/ThreeCubesGreen.ASE",
        "../shared/testdata/ase/Rifle.ase",
        "../shared/testdata/ase/Rifle.ase",
        "../shared/testdata/ase/MotionCaptureROM.ase",
        "no such model.ase",
        "data"};

    const fs::path previous = fs::current_path();
    fs::current_path(root);  // the default scene is read from the working directory
    std::map<uint32_t, uint64_t> got;
    for (uint32_t seed = 1; seed <= kScripts; ++seed) {
        setWorkerCount(1 + static_cast<int32_t>(seed % 3));  // one, two and three workers
        got[seed] = replay(randomScript(seed, models));
    }
    setWorkerCount(1);
    fs::current_path(previous);

    const fs::path pinned = root / "tests/guard/digests.txt";
    if (const char* record = std::getenv("TRIVANE_GUARD_RECORD")) {
        std::ofstream out(record);
        for (const auto& [seed, h] : got) out << seed << ' ' << std::hex << h << std::dec << '\n';
        GTEST_SKIP() << "digests written to " << record;
    }
    std::ifstream in(pinned);
    ASSERT_TRUE(in) << "cannot read " << pinned;
    std::map<uint32_t, uint64_t> expected;
    uint32_t seed = 0;
    uint64_t h = 0;
    while (in >> seed >> std::hex >> h >> std::dec) expected[seed] = h;
    ASSERT_EQ(expected.size(), kScripts);
    for (const auto& [s, digest] : got)
        EXPECT_EQ(digest, expected[s]) << "script " << s << " now shows something else:\n"
                                       << randomScript(s, models);
}

}  // namespace
}  // namespace trivane
