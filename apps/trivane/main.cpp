// trivane: the desktop viewer. No arguments; the default scene is read from
// the working directory ("./64Bits.bmp", "./data/bou.ASE").

#include <cstdio>
#include <cstdlib>

#include <QApplication>

#include "core/renderer.h"
#include "platform/main_window.h"

namespace {

[[maybe_unused]] trivane::DebugConsole console;
trivane::Renderer renderer;

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    int exitCode = 0;
    {
        trivane::MainWindow window(renderer);
        window.show();
        exitCode = QApplication::exec();
        // TRIVANE_FRAME_STATS=1 reports what a frame and its presentation cost.
        const char* wanted = std::getenv("TRIVANE_FRAME_STATS");
        const trivane::PresentStats& stats = window.stats();
        if (wanted != nullptr && wanted[0] == '1' && stats.frames > 0) {
            std::fprintf(stderr, "frames %lld, render %.3f ms, presentation %.3f ms per frame\n",
                         static_cast<long long>(stats.frames),
                         static_cast<double>(stats.renderNanos) / 1e6 / static_cast<double>(stats.frames),
                         static_cast<double>(stats.presentNanos) / 1e6 / static_cast<double>(stats.frames));
        }
    }
    return exitCode;
}
