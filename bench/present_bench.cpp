// What a frame costs next to its presentation: renders and presents the
// default scene in the real window (run it from the repository root) and
// prints the mean times per frame. Not a test: the figures depend on the
// machine and, for the copy to the screen, on the display.

#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>

#include "core/renderer.h"
#include "platform/main_window.h"
#include "ui/session.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    static trivane::Session session;
    trivane::MainWindow window(session);
    window.setContinuous(true);
    trivane::Renderer& renderer = session.state();
    window.show();
    // Let the window reach the screen before measuring.
    QElapsedTimer warmUp;
    warmUp.start();
    while (warmUp.elapsed() < 300) QApplication::processEvents();

    for (const int mode : {1, 2, 3}) {
        renderer.settings.renderMode = mode;
        for (const bool moving : {false, true}) {
            const trivane::PresentStats before = window.stats();
            for (int frame = 0; frame < 200; ++frame) {
                // A held key re-transforms every frame, as while the user moves.
                renderer.input.keyHeld = moving ? 1 : 0;
                window.present();
            }
            const trivane::PresentStats& after = window.stats();
            const double frames = static_cast<double>(after.frames - before.frames);
            const double render = static_cast<double>(after.renderNanos - before.renderNanos) / 1e6 / frames;
            const double present = static_cast<double>(after.presentNanos - before.presentNanos) / 1e6 / frames;
            std::printf("mode %d %-13s render %7.3f ms  presentation %7.3f ms  (%.0f%% of the frame)\n", mode,
                        moving ? "re-transform" : "still", render, present, 100.0 * present / (render + present));
        }
    }
    renderer.input.keyHeld = 0;
    return 0;
}
