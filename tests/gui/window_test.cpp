// The main window: menu bar, commands, the idle loop, exit codes and the
// picture on the screen.

#include <QtTest>

#include <QFileDialog>
#include <QMenuBar>

#include "gui_support.h"
#include "platform/light_dialog_window.h"
#include "platform/main_window.h"

using namespace trivane;

namespace {

struct ExpectedItem {
    const char* text;
    int id;
};

QList<QAction*> menuActions(MainWindow& window) { return window.menuBar()->actions(); }

QAction* findItem(MainWindow& window, int id) {
    for (QAction* menu : menuActions(window)) {
        for (QAction* item : menu->menu()->actions()) {
            if (item->data().toInt() == id) return item;
        }
    }
    return nullptr;
}

// Closes the modal widget that is open once the nested loop runs, after
// checking what it is; records what it found.
struct ModalCloser {
    QString title;
    QString className;
    void arm(int delayMs) {
        QTimer::singleShot(delayMs, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) return;
            title = modal->windowTitle();
            className = QString::fromLatin1(modal->metaObject()->className());
            QTest::keyClick(modal, Qt::Key_Escape);
        });
    }
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Renderer> renderer;
    std::unique_ptr<MainWindow> window;

private slots:
    void init() {
        renderer = gui::makeRenderer();
        window = std::make_unique<MainWindow>(*renderer);
    }
    void cleanup() {
        window.reset();
        renderer.reset();
    }

    void startUpAsAtWindowCreation() {
        QCOMPARE(window->windowTitle(), QStringLiteral("Trivane"));
        QCOMPARE(renderer->frameBits, renderer->frameStorage);
        QCOMPARE(renderer->frameStride, 2400);
        QCOMPARE(renderer->dirty, uint8_t{1});
        QCOMPARE(renderer->renderMode, 2);
        QCOMPARE(renderer->cameraPosition.z, -1700.0f);
        QCOMPARE(window->size(), QSize(1100, 700));
        QVERIFY(window->clientArea()->minimumWidth() >= 800);
        QVERIFY(window->idleRunning());
    }

    void menuBarTextsAndIds() {
        const char* titles[6] = {"File", "Camera", "모델선택", "Mapping", "Lighting", "애니메이션"};
        const QList<QList<ExpectedItem>> items = {
            {{"Load ASE", 40019}, {"Exit", 40001}},
            {{"Lookat", 40002}, {"Euler", 40003}},
            {{"CreateGlobeSphere", 40010}, {"CreateGeoSphere", 40011}, {"20면체구", 40014}, {"3D정사각형", 40017}},
            {{"Mapping", 40012}, {"Wire", 40013}, {"Gouraud Shading", 40015}},
            {{"빛,재질조정", 40018}},
            {{"활성,비활성", 40020}},
        };
        const QList<QAction*> menus = menuActions(*window);
        QCOMPARE(menus.size(), 6);
        for (int m = 0; m < 6; ++m) {
            QCOMPARE(menus[m]->text(), QString::fromUtf8(titles[m]));
            const QList<QAction*> actions = menus[m]->menu()->actions();
            QCOMPARE(actions.size(), items[m].size());
            for (int i = 0; i < actions.size(); ++i) {
                QCOMPARE(actions[i]->text(), QString::fromUtf8(items[m][i].text));
                QCOMPARE(actions[i]->data().toInt(), items[m][i].id);
                QVERIFY(!actions[i]->isCheckable());
                QVERIFY(!actions[i]->isSeparator());
                QVERIFY(actions[i]->isEnabled());
            }
        }
    }

    void everyItemReachesItsCommand() {
        // Render modes, each followed by a dirty scene.
        const int modes[3][2] = {{40013, 1}, {40015, 3}, {40012, 2}};
        for (const auto& mode : modes) {
            renderer->setDirty(false);
            findItem(*window, mode[0])->trigger();
            QCOMPARE(renderer->renderMode, mode[1]);
            QCOMPARE(renderer->dirty, uint8_t{1});
        }

        // Camera presets.
        renderer->cameraPosition.x = 55.0f;
        findItem(*window, 40003)->trigger();
        QCOMPARE(renderer->lookAtMode, uint8_t{0});
        QCOMPARE(renderer->cameraPosition.z, -400.0f);
        QCOMPARE(renderer->cameraPosition.x, 0.0f);
        findItem(*window, 40002)->trigger();
        QCOMPARE(renderer->lookAtMode, uint8_t{1});
        QCOMPARE(renderer->cameraPosition.z, -1000.0f);

        // The animation toggle.
        findItem(*window, 40020)->trigger();
        QCOMPARE(renderer->animating, uint8_t{1});
        findItem(*window, 40020)->trigger();
        QCOMPARE(renderer->animating, uint8_t{0});

        // The four models: each one builds different geometry.
        int32_t previousVertices = -1;
        for (int id : {40010, 40011, 40014, 40017}) {
            renderer->buildVertexCursor = 0;
            renderer->meshes[0].vertexCount = 0;
            findItem(*window, id)->trigger();
            QVERIFY2(renderer->meshes[0].vertexCount > 0, qPrintable(QString::number(id)));
            QVERIFY(renderer->meshes[0].vertexCount != previousVertices);
            previousVertices = renderer->meshes[0].vertexCount;
        }

        // The dialog and the file chooser open modally with their titles.
        ModalCloser dialogCloser;
        dialogCloser.arm(50);
        findItem(*window, 40018)->trigger();
        QCOMPARE(dialogCloser.title, QStringLiteral("Dialog"));
        QCOMPARE(dialogCloser.className, QStringLiteral("trivane::LightDialogWindow"));

        ModalCloser chooserCloser;
        chooserCloser.arm(50);
        const int32_t vertices = renderer->meshes[0].vertexCount;
        findItem(*window, 40019)->trigger();
        QCOMPARE(chooserCloser.title, QString::fromUtf8("열기"));
        QCOMPARE(chooserCloser.className, QStringLiteral("QFileDialog"));
        QCOMPARE(renderer->meshes[0].vertexCount, vertices);  // cancelled: nothing loaded
        QVERIFY(window->idleRunning());
    }

    void noFrameWhileTheDialogIsOpen() {
        window->show();
        QTRY_VERIFY(window->stats().frames > 2);
        int64_t atOpen = -1;
        int64_t later = -1;
        bool idleStopped = false;
        QTimer::singleShot(30, [&] { atOpen = window->stats().frames; });
        QTimer::singleShot(200, [&] {
            later = window->stats().frames;
            idleStopped = !window->idleRunning();
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr) QTest::keyClick(modal, Qt::Key_Return);
        });
        findItem(*window, 40018)->trigger();
        QVERIFY(atOpen > 0);
        QCOMPARE(later, atOpen);
        QVERIFY(idleStopped);
        const int64_t closed = window->stats().frames;
        QTRY_VERIFY(window->stats().frames > closed);

        // The same for the file chooser.
        int64_t inChooser = -1;
        QTimer::singleShot(30, [&] { inChooser = window->stats().frames; });
        QTimer::singleShot(150, [&] {
            later = window->stats().frames;
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr) QTest::keyClick(modal, Qt::Key_Escape);
        });
        findItem(*window, 40019)->trigger();
        QCOMPARE(later, inChooser);
        const int64_t afterChooser = window->stats().frames;
        QTRY_VERIFY(window->stats().frames > afterChooser);
    }

    void aBurstOfInputIsHandledBeforeTheNextFrame() {
        // Records the frame count as each queued event reaches the window.
        struct FrameStamp : QObject {
            MainWindow* window = nullptr;
            QList<int64_t> stamps;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
                    event->type() == QEvent::MouseMove || event->type() == QEvent::Wheel)
                    stamps.append(window->stats().frames);
                return false;
            }
        } stamp;
        stamp.window = window.get();
        QWidget* area = window->clientArea();
        area->installEventFilter(&stamp);
        window->show();
        QTRY_VERIFY(window->stats().frames > 2);

        const float startY = renderer->cameraPosition.y;
        for (int i = 0; i < 40; ++i) {
            QCoreApplication::postEvent(area, new QKeyEvent(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier));
            QCoreApplication::postEvent(area, new QKeyEvent(QEvent::KeyRelease, Qt::Key_W, Qt::NoModifier));
            QCoreApplication::postEvent(area, new QWheelEvent(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120),
                                                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                                              false));
        }
        const int64_t before = window->stats().frames;
        QTRY_VERIFY(window->stats().frames > before);
        QCOMPARE(stamp.stamps.size(), 120);
        QCOMPARE(stamp.stamps.first(), before);
        QCOMPARE(stamp.stamps.last(), before);
        QCOMPARE(renderer->cameraPosition.y, startY + 400.0f);
        QCOMPARE(renderer->meshes[0].rotation.z, 40 * 15.0f);
    }

    void changedWindowLinesAreRedrawn() {
        // Lines that did not change are not drawn again; the ones that did
        // must show exactly what a first drawing shows.
        window->present();
        window->present();
        gui::sendKey(window->clientArea(), QEvent::KeyPress, Qt::Key_Q, false);
        gui::sendKey(window->clientArea(), QEvent::KeyPress, Qt::Key_L, false);
        gui::sendKey(window->clientArea(), QEvent::KeyRelease, Qt::Key_L, false);
        window->present();
        const QImage changed = window->clientArea()->surface().copy(800, 0, 600, 200);

        auto fresh = gui::makeRenderer();
        MainWindow other(*fresh);
        fresh->cameraPosition = renderer->cameraPosition;
        fresh->cameraTarget = renderer->cameraTarget;
        other.present();
        QCOMPARE(other.clientArea()->surface().copy(800, 0, 600, 200), changed);
        // And it differs from what start-up showed.
        auto startUp = gui::makeRenderer();
        MainWindow third(*startUp);
        third.present();
        QVERIFY(third.clientArea()->surface().copy(800, 0, 600, 200) != changed);
    }

    void exitCommandEndsWithCodeZero() {
        window->show();
        QTimer::singleShot(50, [&] { findItem(*window, 40001)->trigger(); });
        // A safety net that would end the loop with a different code.
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        QCOMPARE(QApplication::exec(), 0);
        // Exit ends the loop; it does not destroy the window.
        QVERIFY(window->isVisible());
    }

    void closingTheWindowEndsWithCodeZero() {
        window->show();
        QTimer::singleShot(50, [&] { window->close(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!window->isVisible());
    }

    void pictureIsTheFramebufferRightWayUp() {
        window->show();
        QTRY_VERIFY(window->stats().frames > 1);
        window->present();
        const QImage shown = window->clientArea()->grab(QRect(0, 0, 800, 600)).toImage().convertToFormat(
            QImage::Format_RGB32);
        QCOMPARE(shown.size(), QSize(800, 600));
        const uint8_t* bits = renderer->frameBits;
        int mismatches = 0;
        int nonBlack = 0;
        for (int y = 0; y < 600; ++y) {
            const uint8_t* row = bits + (599 - y) * 2400;
            for (int x = 0; x < 800; ++x) {
                const QRgb expected = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                if (shown.pixel(x, y) != expected) ++mismatches;
                if ((expected & 0xffffff) != 0) ++nonBlack;
            }
        }
        QCOMPARE(mismatches, 0);
        // The frame is not empty: the model and the picture lines are in it.
        QVERIFY(nonBlack > 1000);
        // The picture lines are inside the picture: black on white near the top.
        bool textNearTop = false;
        for (int x = 10; x < 200 && !textNearTop; ++x) {
            for (int y = 10; y < 30 && !textNearTop; ++y) textNearTop = shown.pixel(x, y) == qRgb(0, 0, 0);
        }
        QVERIFY(textNearTop);

        // Beside it, from x = 810, the window lines black on white.
        const QImage side = window->clientArea()->grab(QRect(800, 0, 300, 200)).toImage().convertToFormat(
            QImage::Format_RGB32);
        int black = 0;
        int white = 0;
        for (int y = 0; y < side.height(); ++y) {
            for (int x = 0; x < side.width(); ++x) {
                if (side.pixel(x, y) == qRgb(0, 0, 0)) ++black;
                if (side.pixel(x, y) == qRgb(255, 255, 255)) ++white;
                if (x < 10) QCOMPARE(side.pixel(x, y), qRgb(255, 255, 255));
            }
        }
        QVERIFY(black > 200);
        QVERIFY(white > 20000);
    }

    void windowLinesAreDrawnOverTheLastOnes() {
        // The window lines are not cleared between frames: each frame draws
        // opaque over the last, so the blanks at the end of a line cover what
        // a longer earlier line left, and only as far as they reach.
        auto blackIn = [&](QRect area) {
            const QImage& surface = window->clientArea()->surface();
            int count = 0;
            for (int y = area.top(); y <= area.bottom(); ++y) {
                for (int x = area.left(); x <= area.right(); ++x) count += surface.pixel(x, y) == qRgb(0, 0, 0);
            }
            return count;
        };
        const QRect farRight(1250, 130, 300, 18);  // beyond any line with small values
        window->present();
        QCOMPARE(blackIn(farRight), 0);
        renderer->cameraPosition.x = 3.0e38f;
        renderer->cameraPosition.y = -3.0e38f;
        window->present();
        const int residue = blackIn(farRight);
        QVERIFY(residue > 50);
        renderer->cameraPosition.x = 0.0f;
        renderer->cameraPosition.y = 0.0f;
        window->present();
        QCOMPARE(blackIn(farRight), residue);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
