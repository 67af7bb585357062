// Opening files the desktop ways (argument, drop), the message of a failed
// load, and a recording that trivane-render replays to the same picture.

#include <sys/resource.h>

#include <csignal>

#include <QtTest>

#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QThread>
#include <QTemporaryDir>

#include "gui_support.h"
#include "platform/background_loader.h"
#include "ui/menu_ids.h"

using namespace trivane;

namespace {

const char* const kCube =
    "*GEOMOBJECT {\n*NODE_NAME \"Tri\"\n*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n"
    "*MESH_VERTEX 0 -100 0 -100\n*MESH_VERTEX 1 100 0 -100\n*MESH_VERTEX 2 0 0 100\n"
    "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0\n*PROP_MOTIONBLUR 0\n}\n";

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(bytes);
    return file.fileName();
}

}  // namespace

// Models are read on a worker; the window installs them once read.
#define WAIT_FOR_LOADS() QTRY_VERIFY_WITH_TIMEOUT(!window->loader().busy(), 20000)

class DesktopTest : public QObject, gui::WindowFixture {
    Q_OBJECT

    QTemporaryDir dir;
private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void fileArgumentAndDropOpenTheModelAndNameIt() {
        const QString first = writeFile(dir, QStringLiteral("first.ase"), kCube);
        window->openModelFile(first.toStdString());
        WAIT_FOR_LOADS();
        QCOMPARE(std::pair(renderer->scene.meshCount, window->windowTitle()), std::pair(1, QStringLiteral("first.ase - Trivane")));

        const QString dropped = writeFile(dir, QStringLiteral("Dropped.ASE"), QByteArray(kCube) + kCube);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("notes.txt"))), QUrl::fromLocalFile(dropped)});
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        WAIT_FOR_LOADS();
        QCOMPARE(std::pair(renderer->scene.meshCount, window->windowTitle()), std::pair(2, QStringLiteral("Dropped.ASE - Trivane")));

        // A drag of anything but a model is refused.
        QMimeData text;
        text.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("notes.txt")))});
        QDragEnterEvent refused(QPoint(400, 300), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(window.get(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    // The viewer itself: a relative file argument is opened (and recorded) by
    // its absolute path before the first frame. The recording grows beside
    // its file and takes its place when the viewer is told to end.
    void commandLineOpensTheFileArgument() {
        const QString model = writeFile(dir, QStringLiteral("arg.ase"), kCube);
        const QString recording = dir.filePath(QStringLiteral("arg.txt"));
        QProcess viewer;
        viewer.setWorkingDirectory(QStringLiteral(TRIVANE_SOURCE_DIR));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        viewer.setProcessEnvironment(environment);
        viewer.start(QStringLiteral(TRIVANE_VIEWER),
                     {QStringLiteral("--record"), recording, QDir(TRIVANE_SOURCE_DIR).relativeFilePath(model)});
        auto contents = [&](const QString& name) {
            QFile file(dir.filePath(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const auto growing = [&] {
            const QStringList names = QDir(dir.path()).entryList({QStringLiteral(".arg.txt.*")}, QDir::Files | QDir::Hidden);
            return names.size() == 1 ? contents(names.front()) : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(growing().contains("frame;"), 10000);
        QVERIFY(!QFile::exists(recording));
        viewer.terminate();
        QVERIFY(viewer.waitForFinished(10000));
        QVERIFY(growing().isEmpty());
        const QByteArray recorded = contents(QStringLiteral("arg.txt"));
        QVERIFY2(recorded.startsWith("load:" + QFile::encodeName(model) + ";menu:openframing;frame;"), recorded.left(200).constData());

        QProcess version;
        version.start(QStringLiteral(TRIVANE_VIEWER), {QStringLiteral("--version")});
        QVERIFY(version.waitForFinished(10000));
        QCOMPARE(version.readAllStandardOutput().trimmed(), QByteArray("trivane " TRIVANE_VERSION));
    }

    // Started where no default scene is (this test program does not read the
    // source tree's): the window says which files it looked for, and where.
    void aMissingSceneIsNamedInAMessageBox() {
        QTemporaryDir empty;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(empty.path()));
        Session lost;
        MainWindow shown(lost);
        QDir::setCurrent(previous);
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = shown.findChild<QMessageBox*>(QStringLiteral("startMessage"))) != nullptr && box->isVisible());
        const QString where = QDir(empty.path()).canonicalPath();
        QVERIFY2(box->text().startsWith(QStringLiteral("cannot find ./64Bits.bmp, looked for %1/64Bits.bmp").arg(where)),
                 qPrintable(box->text()));
        QVERIFY(box->text().endsWith(QStringLiteral("; nothing will be drawn")));
    }

    void failedLoadKeepsTheModelAndSaysWhy() {
        window->openModelFile(writeFile(dir, QStringLiteral("good.ase"), kCube).toStdString());
        WAIT_FOR_LOADS();
        const QString bad = writeFile(dir, QStringLiteral("empty.ase"), QByteArray());
        window->openModelFile(bad.toStdString());
        WAIT_FOR_LOADS();
        auto* box = window->findChild<QMessageBox*>(QStringLiteral("loadMessage"));
        QVERIFY(box != nullptr && box->isVisible());
        QVERIFY2(box->text().contains(bad) && box->text().contains(QStringLiteral("the file is empty")),
                 qPrintable(box->text()));
        QCOMPARE(window->windowTitle(), QStringLiteral("good.ase - Trivane"));

        // A file argument or drop that cannot be opened changes nothing (the
        // loader would have read the default model in its place).
        const auto closeBox = [&] {
            box->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        closeBox();
        const int32_t meshes = renderer->scene.meshCount;
        for (const QString& unreadable : {dir.filePath(QStringLiteral("gone.ase")), dir.path()}) {
            window->openModelFile(unreadable.toStdString());
            box = window->findChild<QMessageBox*>(QStringLiteral("loadMessage"));
            QVERIFY(box != nullptr && box->isVisible());
            QVERIFY2(box->text().contains(unreadable + QStringLiteral(": cannot open it (")), qPrintable(box->text()));
            QCOMPARE(std::pair(renderer->scene.meshCount, window->windowTitle()),
                     std::pair(meshes, QStringLiteral("good.ase - Trivane")));
            closeBox();
        }
    }

    // Keys, a drag, the wheel, a menu command and a dialog scroll, recorded
    // and replayed headless: the same picture (below the text lines).
    void recordingReplaysToTheSamePicture() {
        const QString script = dir.filePath(QStringLiteral("session.txt"));
        QVERIFY(window->recordTo(script.toStdString()));
        window->show();
        QWidget* area = window->clientArea();
        QTest::qWait(30);
        gui::sendKey(area, QEvent::KeyPress, Qt::Key_Right, false);
        QTest::qWait(30);
        gui::sendKey(area, QEvent::KeyRelease, Qt::Key_Right, false);
        gui::sendMouse(area, QEvent::MouseButtonPress, QPoint(300, 200), Qt::LeftButton, Qt::LeftButton);
        gui::sendMouse(area, QEvent::MouseMove, QPoint(340, 230), Qt::NoButton, Qt::LeftButton);
        QTest::qWait(20);
        gui::sendMouse(area, QEvent::MouseButtonRelease, QPoint(340, 230), Qt::LeftButton, Qt::NoButton);
        gui::sendWheel(area, QPoint(300, 200), 120, Qt::NoButton, Qt::NoModifier);
        window->menuCommand(menu::kModeGouraud);
        window->menuCommand(menu::kToggleAnimation);
        QTest::qWait(40);
        window->hide();
        QCoreApplication::processEvents();
        std::vector<uint8_t> shown(renderer->target.frameBits, renderer->target.frameBits + kFrameBytes);
        window.reset();  // closes the recording

        const QString raw = dir.filePath(QStringLiteral("replay.raw"));
        QProcess replay;
        replay.setProcessChannelMode(QProcess::ForwardedChannels);
        replay.start(QStringLiteral(TRIVANE_RENDER),
                     {QStringLiteral("--events-file"), script, QStringLiteral("--frames"), QStringLiteral("0"),
                      QStringLiteral("--no-text"), QStringLiteral("--raw"), raw});
        QVERIFY(replay.waitForFinished(60000) && replay.exitCode() == 0);
        QFile file(raw);
        const QByteArray replayed = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        QCOMPARE(replayed.size(), static_cast<qsizetype>(kFrameBytes));
        // Everything but the text lines: the three long lines and the frame
        // rate at the top, the light and material block below them.
        auto differs = [&](int row, int from, int to) {
            const size_t at = static_cast<size_t>(row) * kFrameStride + 3 * from;
            return std::memcmp(shown.data() + at, replayed.constData() + at, 3 * static_cast<size_t>(to - from)) != 0;
        };
        int drawn = 0;
        for (int row = 0; row < kFrameHeight; ++row) {
            const int fromTop = kFrameHeight - 1 - row;
            const int from = fromTop < 66 ? 380 : fromTop < 270 ? 200 : 0;
            const int to = fromTop < 66 ? 680 : kFrameWidth;
            QVERIFY2(!differs(row, from, to), qPrintable(QString::number(row)));
            drawn += std::any_of(shown.begin() + row * kFrameStride, shown.begin() + (row + 1) * kFrameStride,
                                 [](uint8_t b) { return b != 0; });
        }
        QVERIFY(drawn > 100);
    }

    // A model file is read on a worker: the model on screen goes on turning
    // under a drag, a bar shows a load that takes longer than 0.3 s, and Esc
    // cancels it, keeping the model. A load let through is installed.
    void slowLoadShowsProgressAndEscapeKeepsTheModel() {
        const QByteArray filler = "*COMMENT " + QByteArray(1000, 'x') + "\n";
        const QString path = writeFile(dir, QStringLiteral("slow.ase"), filler.repeated(6000) + kCube);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const int32_t meshes = renderer->scene.meshCount;
        // Each of the six megabytes held back 100 ms.
        window->loader().stepped = [] { QThread::msleep(100); };
        window->openModelFile(path.toStdString());
        auto* bar = window->clientArea()->findChild<QProgressBar*>(QStringLiteral("loadProgress"));
        QVERIFY(bar != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible() && bar->value() > 0, 5000);
        QVERIFY(window->loader().busy());
        const float turned = renderer->scene.meshes[0].rotation.x;
        QWidget* area = window->clientArea();
        gui::sendMouse(area, QEvent::MouseButtonPress, QPoint(300, 200), Qt::LeftButton, Qt::LeftButton);
        gui::sendMouse(area, QEvent::MouseMove, QPoint(300, 240), Qt::NoButton, Qt::LeftButton);
        gui::sendMouse(area, QEvent::MouseButtonRelease, QPoint(300, 240), Qt::LeftButton, Qt::NoButton);
        QVERIFY(renderer->scene.meshes[0].rotation.x != turned);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->loader().busy());
        QVERIFY(!bar->isVisible());
        QCOMPARE(renderer->scene.meshCount, meshes);

        window->loader().stepped = {};
        window->openModelFile(path.toStdString());
        WAIT_FOR_LOADS();
        QCOMPARE(std::pair(renderer->scene.meshCount, window->windowTitle()), std::pair(1, QStringLiteral("slow.ase - Trivane")));
    }

    // A recording that can no longer be written (here past a file size
    // limit) says so once and stops; the earlier recording stays as it was.
    void failedRecordingKeepsTheEarlierOne() {
        const QString script = writeFile(dir, QStringLiteral("kept.txt"), "earlier recording");
        QVERIFY(window->recordTo(script.toStdString()));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit usual = limit;
        limit.rlim_cur = 512;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(window->findChild<QMessageBox*>(QStringLiteral("recordingMessage")) != nullptr, 20000);
        setrlimit(RLIMIT_FSIZE, &usual);
        QTest::qWait(50);
        const QList<QMessageBox*> boxes = window->findChildren<QMessageBox*>(QStringLiteral("recordingMessage"));
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.front()->text().contains(QStringLiteral("File too large")), qPrintable(boxes.front()->text()));
        QVERIFY(!window->finishRecording());
        QFile file(script);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("earlier recording"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("kept")),
                 QStringList{QStringLiteral("kept.txt")});
    }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
