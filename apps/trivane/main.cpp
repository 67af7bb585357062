// trivane: the desktop viewer. The default scene is read from the working
// directory ("./64Bits.bmp", "./data/bou.ASE"), else from the installed copy;
// a model file named on the command line is then opened over it.

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSocketNotifier>

#include "platform/main_window.h"
#include "scene/files.h"
#include "ui/session.h"

namespace {

// Stands in for the console window that the viewer historically opened; it
// exists for the lifetime of the program and writes nothing.
struct DebugConsole {};
[[maybe_unused]] DebugConsole console;

std::string localName(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    return std::string(name.constData(), static_cast<size_t>(name.size()));
}

// The command line; --help and --version print and exit in process().
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption record{QStringLiteral("record"),
                              QStringLiteral("Write the input as a trivane-render event script to FILE; "
                                             "trivane-render --events-file FILE replays it."),
                              QStringLiteral("FILE")};
    QCommandLineOption continuous{QStringLiteral("continuous"),
                                  QStringLiteral("Draw frames without pause (View > Render Continuously), for "
                                                 "measuring; otherwise a frame is drawn only when something changes.")};

    CommandLine() {
        parser.setApplicationDescription(QStringLiteral(
            "Trivane: a 3D model viewer whose every pixel is drawn by its own renderer.\n"
            "Opens FILE (a model: OBJ, glTF, STL, PLY, ASE, ...) over the default scene; a model can also be\n"
            "dropped on the window."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(record);
        parser.addOption(continuous);
        parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A model file to open."),
                                     QStringLiteral("[FILE]"));
    }
};

// Interrupt, terminate and hang-up end the event loop as closing the window
// does, so that a recording is put in place. A handler may only write to a
// descriptor; the loop hears it there.
int signalPipe[2] = {-1, -1};

void forwardSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t sent = ::write(signalPipe[1], &byte, 1);
}

void quitOnSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::exit(130); });
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool asksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "--help-all" || arg == "--version" || arg == "-v") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    trivane::useSourceTreeScene(TRIVANE_SOURCE_TREE, TRIVANE_BUILD_TREE);
    CommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    // Help and version need no display.
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication textOnly(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(TRIVANE_VERSION));
        parser.process(textOnly);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Trivane"));
    QApplication::setApplicationName(QStringLiteral("trivane"));
    QApplication::setApplicationVersion(QStringLiteral(TRIVANE_VERSION));
    parser.process(application);
    // A write past a file size limit fails and is said, instead of killing
    // the program.
    std::signal(SIGXFSZ, SIG_IGN);
    quitOnSignals();
    if (parser.positionalArguments().size() > 1) {
        std::fputs("trivane: one model file at most (see --help)\n", stderr);
        return 2;
    }
    const QCommandLineOption& recordOption = commandLine.record;

    int exitCode = 0;
    {
        trivane::Session session;
        trivane::MainWindow window(session);
        if (parser.isSet(commandLine.continuous)) window.setContinuous(true);
        // Remembered between runs; on by itself where the classic window
        // would not fit the screen (small screens, high scale factors).
        QSettings settings;
        const QString fits = QStringLiteral("pictureFitsWindow");
        if (settings.value(fits, false).toBool() || !window.classicWindowFits()) window.setPictureFitsWindow(true);
        if (parser.isSet(recordOption) && !window.recordTo(localName(parser.value(recordOption)))) {
            std::fprintf(stderr, "trivane: cannot write the recording \"%s\": %s\n",
                         localName(parser.value(recordOption)).c_str(), window.recordingProblem().c_str());
            return 1;
        }
        // Absolute, so that a recording replays from any directory.
        if (!parser.positionalArguments().isEmpty())
            window.openModelFile(localName(QFileInfo(parser.positionalArguments().front()).absoluteFilePath()));
        window.show();
        exitCode = QApplication::exec();
        if (!window.finishRecording() && exitCode == 0) exitCode = 1;
        settings.setValue(fits, window.pictureFitsWindow());
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
