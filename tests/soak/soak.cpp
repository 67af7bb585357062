// Long runs of seeded random input: keys held and tapped, drags, the wheel,
// every menu command but Exit, dialog scrolls, loads of good and hostile
// files, and changes of the worker count. Fails on memory that keeps growing
// after the first tenth of the run or on a frame that costs more than 100
// times the median in CPU time; sanitizer builds fail on their own reports.
//
//   trivane_soak [--frames N] [--seed S] [--every K]
//
// Resident memory is sampled every K frames (default 10 000).
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "core/workers.h"
#include "ui/event_script.h"
#include "ui/session.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCheckResident = false;
#else
constexpr bool kCheckResident = true;
#endif

namespace fs = std::filesystem;
using trivane::ScriptEvent;
using Kind = ScriptEvent::Kind;

int64_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Model files to load: the default scene, the real models when they are
// there, and files a user might pick by mistake or a hostile one might craft.
std::vector<std::string> modelFiles(const fs::path& scratch, std::mt19937& rng) {
    std::vector<std::string> files{fs::absolute("data/bou.ASE").string()};
    const fs::path realModels = fs::path(TRIVANE_TESTDATA_DIR) / "ase";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(realModels, ec))
        if (entry.is_regular_file()) files.push_back(entry.path().string());

    std::ifstream in("data/bou.ASE", std::ios::binary);
    const std::string scene((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    const std::pair<const char*, std::string> hostile[] = {
        {"empty.ase", ""},
        {"noise.ase", noise},
        {"truncated.ase", scene.substr(0, scene.size() / 3)},
        {"utf16.ase", std::string("\xff\xfe*\0G\0E\0O\0", 10) + noise.substr(0, 64)},
        {"png.ase", std::string("\x89PNG\r\n\x1a\n", 8) + noise.substr(0, 256)},
        {"counts.ase", "*MATERIAL_COUNT 2000000000\n*GEOMOBJECT {\n*MESH_NUMVERTEX 2000000000\n"
                       "*MESH_NUMFACES 2000000000\n*MESH_FACE 0: A: 9000 B: -5 C: 2147483647\n"
                       "*PROP_MOTIONBLUR 0\n"},
    };
    for (const auto& [name, bytes] : hostile) {
        std::ofstream(scratch / name, std::ios::binary) << bytes;
        files.push_back((scratch / name).string());
    }
    files.push_back((scratch / "missing.ase").string());  // falls back to the default model
    return files;
}

struct Input {
    std::mt19937 rng;
    std::vector<std::string> files;
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    // The events between two frames: usually none or one; an opening of the
    // dialog is a few scrolls.
    void between(std::vector<ScriptEvent>& out) {
        static const int kKeys[] = {87, 83, 65, 68, 81, 69, 74, 76, 73, 75, 85, 79, 32, 37, 38, 39, 40, 33, 34};
        static const int kMenus[] = {40002, 40003, 40010, 40011, 40014, 40017, 40012, 40013, 40015, 40018, 40019, 40020};
        static const Kind kDrags[] = {Kind::LeftDown, Kind::LeftUp, Kind::RightDown, Kind::RightUp, Kind::Move, Kind::Move};
        static const int kCodes[] = {0, 1, 2, 3, 4, 5, 8};
        out.clear();
        const int roll = pick(1000);
        ScriptEvent e;
        if (roll < 300) return;
        if (roll < 550) {
            e.kind = pick(3) == 0 ? Kind::Key : (pick(2) == 0 ? Kind::Down : Kind::Up);
            e.a = kKeys[pick(static_cast<int>(std::size(kKeys)))];
        } else if (roll < 800) {
            e.kind = kDrags[pick(6)], e.a = pick(1100) - 50, e.b = pick(800) - 50;
        } else if (roll < 880) {
            e.kind = Kind::Wheel, e.a = (pick(2) == 0 ? 1 : -1) * 7864320 * (1 + pick(3));
        } else if (roll < 960) {
            e.kind = Kind::Menu, e.a = kMenus[pick(static_cast<int>(std::size(kMenus)))];
        } else if (roll < 998) {
            for (int i = 1 + pick(4); i > 0; --i) {
                ScriptEvent d;
                d.kind = Kind::Dialog, d.a = pick(5) == 0 ? 1060 : 1042 + pick(17), d.b = kCodes[pick(7)], d.c = pick(65536);
                out.push_back(d);
            }
            return;
        } else {
            e.kind = Kind::Load, e.path = files[static_cast<size_t>(pick(static_cast<int>(files.size())))];
        }
        out.push_back(e);
    }
};

// What the frame cost this process, its workers included. On a shared
// machine the wall clock also counts the time other programs were given,
// which is no frame of ours being slow.
double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    long frames = 1000000, seed = 1, every = 10000;
    const char* const usage =
        "usage: trivane_soak [--frames N] [--seed S] [--every K]\n"
        "Plays N frames (default 1000000) of seeded random input (seed S, default 1) on the default scene\n"
        "and the test models, sampling resident memory every K frames (default 10000). Fails on memory that\n"
        "keeps growing or on a frame that costs more than 100 times the median.\n";
    for (int i = 1; i < argc; i += 2) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        long* slot = std::strcmp(argv[i], "--frames") == 0 ? &frames
                     : std::strcmp(argv[i], "--seed") == 0 ? &seed
                     : std::strcmp(argv[i], "--every") == 0 ? &every : nullptr;
        char* end = nullptr;
        if (slot != nullptr && i + 1 < argc) *slot = std::strtol(argv[i + 1], &end, 10);
        if (slot == nullptr || end == nullptr || end == argv[i + 1] || *end != '\0' || *slot <= 0) {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    // The default scene is read from the working directory.
    char scratchTemplate[] = "/tmp/trivane-soak-XXXXXX";
    if (::chdir(TRIVANE_SOURCE_DIR) != 0 || mkdtemp(scratchTemplate) == nullptr) {
        std::perror("trivane_soak");
        return 2;
    }
    const fs::path scratch(scratchTemplate);

    Input input{std::mt19937(static_cast<uint32_t>(seed)), {}};
    input.files = modelFiles(scratch, input.rng);
    trivane::Session session;
    if (!session.start().started) return 2;
    trivane::ScriptPlayer player(session);

    std::vector<double> frameMs(static_cast<size_t>(frames));
    std::vector<ScriptEvent> events;
    int64_t settled = 0, peak = 0;
    const long settleAt = std::max(frames / 10, every);
    int status = 0;
    std::printf("frame  resident MB\n");
    for (long f = 0; f < frames; ++f) {
        input.between(events);
        player.play(events);
        if (input.pick(5000) == 0) trivane::setWorkerCount(1 + input.pick(4));
        const double start = processCpuMs();
        session.frame();
        frameMs[static_cast<size_t>(f)] = processCpuMs() - start;
        if ((f + 1) % every == 0) {
            const int64_t resident = residentBytes();
            std::printf("%7ld  %.1f\n", f + 1, resident / 1048576.0), std::fflush(stdout);
            if (f + 1 == settleAt) settled = resident;
            // Growth after the first tenth is a leak unless it stays small:
            // the allocator keeps some slack. AddressSanitizer holds freed
            // memory back on purpose, so there its leak check at exit judges.
            if (kCheckResident && f + 1 > settleAt && resident > settled + (16 << 20)) {
                std::fprintf(stderr, "resident memory grew from %.1f MB to %.1f MB\n", settled / 1048576.0,
                             resident / 1048576.0);
                status = 1;
            }
            peak = std::max(peak, resident);
        }
    }
    fs::remove_all(scratch);

    const auto slowest = std::max_element(frameMs.begin(), frameMs.end());
    const double maximum = *slowest;
    const long at = slowest - frameMs.begin();
    std::nth_element(frameMs.begin(), frameMs.begin() + frames / 2, frameMs.end());
    const double median = frameMs[static_cast<size_t>(frames / 2)];
    std::printf("frames %ld, frame CPU time median %.3f ms, maximum %.3f ms (frame %ld), peak resident %.1f MB\n",
                frames, median, maximum, at, peak / 1048576.0);
    if (maximum > 100.0 * median) {
        std::fprintf(stderr, "a frame took more than 100 times the median\n");
        status = 1;
    }
    std::printf("%s\n", status == 0 ? "1 passed, 0 failed" : "0 passed, 1 failed");
    return status;
}
