// trivane-render: runs the viewer without a window. Start-up as at window
// creation, a script of input events, a number of frames, then the picture
// as PNG and/or the raw framebuffer.

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "core/atomic_file.h"
#include "core/png_writer.h"
#include "core/renderer.h"
#include "core/workers.h"
#include "platform/text_painter.h"
#include "raster/frame_layout.h"
#include "scene/files.h"
#include "ui/event_script.h"
#include "ui/menu_ids.h"
#include "ui/script_names.h"
#include "ui/session.h"
#include "ui/text_lines.h"

namespace {

constexpr int kBadUsage = 2;
constexpr int kMaxFrames = 1000000;

const char kHelp[] = R"(Usage: trivane-render [-C DIR] [--events "E;E;..."] [--frames N] [--no-text]
                      [--size WxH] [--fit] [--threads N] [--raw FILE] [-o FILE.png]
                      [MODEL]
       trivane-render --thumbnail SIZE -o FILE.png MODEL

Starts the viewer without a window, as at window creation (framebuffer,
start-up, scene marked dirty), opens MODEL if one is named, applies the input
events in order, renders N more frames and writes the picture.

Options:
  -C DIR            run start-up (and every model load) in DIR; the default
                    scene is read from ./64Bits.bmp and ./data/bou.ASE there.
                    Output files are still named relative to the directory
                    the program was started in.
  --events SCRIPT   input events separated by ';' (blanks around an event are
                    ignored, an empty event is skipped):
                      frame             render one frame
                      key:KEY           press and release a key, by name or
                                        virtual-key code (see Names below)
                      down:KEY          press only (the key stays held)
                      up:KEY            release only
                      menu:COMMAND      a menu command by name or id (see
                                        Names), then the scene is marked
                                        dirty. exit ends the event list;
                                        lighting opens and closes the light
                                        and material dialog unchanged; load
                                        and save choose no file (nothing);
                                        fit is Camera > Fit Model;
                                        openframing frames the model as
                                        when it opens; controls, about,
                                        fitwindow, fullscreen and continuous
                                        do nothing (there is no window)
                      load:PATH         Load ASE with PATH chosen, a model of
                                        any format (a path of more than 255
                                        bytes is refused like a cancel). A PATH that holds ';' or
                                        starts with '"' is written in double
                                        quotes, \" standing for " and \\ for
                                        \ inside them: load:"a;b.ase"
                      lbdown:X,Y  lbup  left button (turns the model)
                      rbdown:X,Y  rbup  right button (scales the model)
                      move:X,Y          pointer move, client coordinates
                      wheel:+N, wheel:-N
                                        the wheel turned N notches forward
                                        or back, N from 1 to 273 ("wheel:+1",
                                        "wheel:-2"; "wheel:2 notches" too)
                      wheel:RAW         the raw wheel message parameter: a
                                        number without a sign, or beyond 273
                                        notches, is RAW (1 notch is 7864320)
                      dialog:ROW,CODE,THUMB
                                        one scroll event of the light and
                                        material dialog: ROW a row name or
                                        scroll bar id (1060, 1042..1058),
                                        CODE a scroll name or code
                                        (thumbtrack moves the thumb to
                                        THUMB, 0..65535). Consecutive dialog
                                        events are one opening of the dialog.
  --events-file FILE
                    the same events read from FILE, for long scripts such as
                    those trivane --record writes (line breaks are blanks)
  --frames N        frames rendered after the events (default 1)
  --no-text         leave out the text lines drawn into the picture
  --fit             after the events, frame the model as the viewer does when
                    it opens one: turned to show the most of itself and
                    filling three quarters of the picture (menu:openframing)
  --thumbnail SIZE  a SIZE x SIZE picture of MODEL framed, without text
                    lines (what the file manager's thumbnailer runs)
  --size WxH        the picture's width and height, 16 to 8192 each
                    (default 800x600); a larger picture shows more of the
                    scene at the same scale
  --threads N       draw with N workers, 1 to 256 (default: the
                    TRIVANE_THREADS environment variable, else one per
                    hardware thread); the picture is the same for any N
  --raw FILE        write the framebuffer exactly as stored: row 0 (the
                    bottom line) first, blue green red, each row padded to a
                    multiple of 4 bytes (1440000 bytes at 800 x 600)
  -o FILE.png       write the picture as a person sees it (the top row first)
  -h, --help        show this text

The frame rate shown is that of a simulated 60 Hz clock, so that the same
arguments always give the same bytes. A bad argument or event prints one line
on standard error and exits with status 2, writing nothing; a failure to write
an output file exits with status 1. A load that gives no model keeps the
previous one; one whose file cannot be read (missing, a directory, a device,
too large) reads the default model instead. Either says why on standard error
and, after the outputs are written, exits with status 1.

Examples:
  trivane-render -o default.png
      the default scene with its text lines
  trivane-render --events "menu:wire" -o wire.png
      the default model as a red wire frame
  trivane-render --events "down:Right;frame;frame;frame;up:Right" --no-text -o moved.png
      the right arrow held for three frames moves the model 30 units
  trivane-render --events "menu:cube;lbdown:400,300;move:420,320;move:440,340;lbup" -o cube.png
      the cube, turned by a left drag
  trivane-render --events "menu:gouraud;frame;dialog:material.diffuse.red,thumbtrack,30;
                           dialog:light.specular.red,thumbtrack,0" -o dim.png
      Gouraud shading; after a first frame has lit the model, the dialog
      sets the diffuse red of the material lit last to 0.30 and the light's
      specular red to 0 (before any frame the dialog edits a material that
      no mesh uses)
  trivane-render -C /path/to/assets --events "load:models/ship.ase" --raw ship.raw

Names: matched in any case, each the same as the number beside it. trivane
--record writes them.
)";

int usageError(const std::string& message) {
    std::fprintf(stderr, "trivane-render: %s (see --help)\n", message.c_str());
    return kBadUsage;
}

bool parseCount(std::string_view text, int low, int high, int& out) {
    if (text.empty() || text.size() > 9) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return false;
    out = value;
    return true;
}

// Each read advances one tick of a 60-tick-per-second clock: every frame
// measures 1/60 s, the first one included (it measures against 0).
int64_t simulatedTicks = 0;
int64_t simulatedFrequency() { return 60; }
int64_t simulatedRead() { return ++simulatedTicks; }

// Qt's start-up notes (a missing XDG_RUNTIME_DIR, for instance) would break
// the rule that a run prints nothing unless something is wrong.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg) return;
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: "))) return;
    std::fprintf(stderr, "trivane-render: Qt: %s\n", message.toLocal8Bit().constData());
}

struct Options {
    std::optional<std::string> directory;
    std::optional<std::string> events;
    std::optional<std::string> eventsFile;
    std::optional<std::string> raw;
    std::optional<std::string> png;
    std::optional<std::string> framesText, threadsText, sizeText, thumbnailText;  // checked after the rest
    std::optional<std::string> model;  // opened before the events
    bool fit = false;
    int frames = 1;
    std::optional<int> threads;
    int width = trivane::kFrameWidth;
    int height = trivane::kFrameHeight;
    bool noText = false;
};

constexpr int kParsed = -1;

// The numbers of --frames, --threads and --size; returns kParsed or the
// usage status.
int checkNumbers(Options& options) {
    if (options.framesText && !parseCount(*options.framesText, 0, kMaxFrames, options.frames))
        return usageError("bad frame count \"" + *options.framesText + "\": a whole number from 0 to 1000000");
    int n = 0;
    if (options.threadsText && !parseCount(*options.threadsText, 1, 256, n))
        return usageError("bad thread count \"" + *options.threadsText + "\": a whole number from 1 to 256");
    if (options.threadsText) options.threads = n;
    if (options.sizeText) {
        const std::string& v = *options.sizeText;
        const size_t x = v.find('x');
        if (x == std::string::npos ||
            !parseCount(std::string_view(v).substr(0, x), trivane::kMinPictureSide, trivane::kMaxPictureSide,
                        options.width) ||
            !parseCount(std::string_view(v).substr(x + 1), trivane::kMinPictureSide, trivane::kMaxPictureSide,
                        options.height))
            return usageError("bad picture size \"" + v + "\": WxH, each a whole number from 16 to 8192");
    }
    if (options.thumbnailText) {
        // A square picture of the model framed, without text lines.
        if (!parseCount(*options.thumbnailText, trivane::kMinPictureSide, trivane::kMaxPictureSide, options.width))
            return usageError("bad thumbnail size \"" + *options.thumbnailText + "\": a whole number from 16 to 8192");
        if (!options.model) return usageError("option --thumbnail needs a model FILE");
        options.height = options.width;
        options.noText = options.fit = true;
    }
    return kParsed;
}

// Fills options from the command line; returns kParsed, or the status to
// exit with (0 after --help).
int parseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            std::fputs(trivane::namesHelp().c_str(), stdout);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::optional<std::string_view> inlineValue;
        if (arg.substr(0, 2) == "--") {
            const size_t equals = arg.find('=');
            if (equals != std::string_view::npos) {
                inlineValue = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
            }
        }
        auto value = [&](std::string_view name, std::string& out) -> bool {
            if (inlineValue) {
                out = std::string(*inlineValue);
                return true;
            }
            if (i + 1 >= argc) {
                usageError("option " + std::string(name) + " needs a value");
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto once = [&](std::optional<std::string>& slot, std::string_view name) -> int {
            if (slot) return usageError("option " + std::string(name) + " given twice");
            std::string v;
            if (!value(name, v)) return kBadUsage;
            slot = v;
            return 0;
        };
        int status = 0;
        if (arg == "-C") {
            status = once(options.directory, "-C");
            if (status == 0 && options.directory->empty()) return usageError("option -C needs a directory");
        } else if (arg == "--events") {
            if (options.eventsFile) return usageError("options --events and --events-file exclude each other");
            status = once(options.events, "--events");
        } else if (arg == "--events-file") {
            if (options.events) return usageError("options --events and --events-file exclude each other");
            status = once(options.eventsFile, "--events-file");
        } else if (arg == "--raw") {
            status = once(options.raw, "--raw");
            if (status == 0 && options.raw->empty()) return usageError("option --raw needs a file name");
        } else if (arg == "-o") {
            status = once(options.png, "-o");
            if (status == 0 && options.png->empty()) return usageError("option -o needs a file name");
        } else if (arg == "--frames") {
            status = once(options.framesText, "--frames");
        } else if (arg == "--threads") {
            status = once(options.threadsText, "--threads");
        } else if (arg == "--size" || arg == "--thumbnail") {
            status = arg == "--size" ? once(options.sizeText, "--size") : once(options.thumbnailText, "--thumbnail");
        } else if (arg == "--fit" && !inlineValue) {
            options.fit = true;
        } else if (!arg.empty() && arg[0] != '-' && !options.model) {
            options.model = std::string(arg);
        } else if (arg == "--no-text" && !inlineValue) {
            options.noText = true;
        } else {
            return usageError("unknown argument \"" + std::string(argv[i]) + "\"");
        }
        if (status != 0) return status;
    }
    return checkNumbers(options);
}


}  // namespace

int main(int argc, char** argv) {
    trivane::useSourceTreeScene(TRIVANE_SOURCE_TREE, TRIVANE_BUILD_TREE);
    // A write past a file size limit fails and is said, instead of killing
    // the program.
    std::signal(SIGXFSZ, SIG_IGN);
    Options options;
    if (const int status = parseArguments(argc, argv, options); status != kParsed) return status;

    if (options.eventsFile) {
        const trivane::ReadFile file(options.eventsFile->c_str(), trivane::kScriptFile);
        if (!file) return usageError("cannot read events file \"" + *options.eventsFile + "\": " + file.failure());
        const std::vector<uint8_t> bytes = file.bytes();
        // Editors that save "Unicode" write UTF-16; its bytes read as events
        // would only give a puzzling message.
        if (bytes.size() >= 2 && ((bytes[0] == 0xff && bytes[1] == 0xfe) || (bytes[0] == 0xfe && bytes[1] == 0xff)))
            return usageError("events file \"" + *options.eventsFile + "\" is UTF-16 text; save it as UTF-8");
        options.events = std::string(bytes.begin(), bytes.end());
    }
    std::vector<trivane::ScriptEvent> events;
    std::string error;
    if (options.events && !trivane::parseEventScript(*options.events, events, error)) return usageError(error);

    // Output names stay relative to where the program was started.
    std::error_code ec;
    const std::filesystem::path startDirectory = std::filesystem::current_path(ec);
    auto outputPath = [&](const std::string& name) {
        const std::filesystem::path p(name);
        return (p.is_absolute() || ec ? p : startDirectory / p).string();
    };
    const std::optional<std::string> rawPath = options.raw ? std::optional(outputPath(*options.raw)) : std::nullopt;
    const std::optional<std::string> pngPath = options.png ? std::optional(outputPath(*options.png)) : std::nullopt;
    if (options.directory && ::chdir(options.directory->c_str()) != 0)
        return usageError("cannot enter directory \"" + *options.directory + "\": " + std::strerror(errno));

    qInstallMessageHandler(quietQtMessages);
    if (!options.noText && trivane::ensureGuiApplication(true) == nullptr) {
        std::fprintf(stderr, "trivane-render: cannot start Qt for the text lines\n");
        return 1;
    }

    if (options.threads) trivane::setWorkerCount(*options.threads);
    trivane::Session session(trivane::CounterSource{&simulatedFrequency, &simulatedRead});
    const trivane::StartReport start = session.start(options.width, options.height);
    for (const std::string& line : start.missing) std::fprintf(stderr, "trivane-render: %s\n", line.c_str());
    for (const std::string& line : start.notes) std::fprintf(stderr, "trivane-render: %s\n", line.c_str());

    trivane::ScriptPlayer player(session);
    // A model named on the command line is the one wanted: one that cannot be
    // opened is said, not replaced by the default model as a script's is.
    std::string unreadable = options.model ? trivane::whyUnreadable(options.model->c_str()) : std::string();
    if (!unreadable.empty())
        std::fprintf(stderr, "trivane-render: %s: cannot open it (%s)\n", options.model->c_str(), unreadable.c_str());
    else if (options.model)
        session.openModel(player, *options.model);
    player.play(events);
    if (options.fit) session.menuCommand(player, trivane::menu::kFrameModel);
    for (const std::string& message : player.loadMessages()) std::fprintf(stderr, "trivane-render: %s\n", message.c_str());
    for (int f = 0; f < options.frames; ++f) session.frame();
    if (!options.noText) {
        trivane::TextLine lines[trivane::kPictureLineCount];
        session.pictureLines(lines);
        trivane::drawTextLines(session.picture(), lines, trivane::kPictureLineCount);
    }

    const trivane::FramePixels picture = session.picture();
    // Each output replaces its file only when complete.
    const auto cannotWrite = [](const std::string& path, const std::string& why) {
        std::fprintf(stderr, "trivane-render: cannot write \"%s\": %s\n", path.c_str(), why.c_str());
        return 1;
    };
    if (rawPath)
        if (const std::string why = trivane::writeWholeFile(*rawPath, picture.bits, picture.bytes()); !why.empty())
            return cannotWrite(*rawPath, why);
    if (pngPath)
        if (const std::string why = trivane::writeFramePng(*pngPath, picture); !why.empty())
            return cannotWrite(*pngPath, why);
    // Scripts must notice a file that gave nothing or a default file that was
    // found nowhere, though the picture was written.
    return player.loadFailed() || !unreadable.empty() || !start.missing.empty() ? 1 : 0;
}
