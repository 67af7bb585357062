// The main window: menu bar, commands, the idle loop, exit codes and the
// picture on the screen.

#include <QtTest>

#include <functional>

#include <QFileDialog>
#include <QMenuBar>

#include "gui_support.h"
#include "platform/light_dialog_window.h"
#include "platform/main_window.h"
#include "ui/menu_ids.h"

using namespace trivane;

namespace {

QAction* findItem(MainWindow& window, int id) {
    for (QAction* menu : window.menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            if (item->data().toInt() == id) return item;
        }
    }
    return nullptr;
}

// Pixels of one colour (black unless said) in a rectangle of an image.
int countIn(const QImage& image, QRect area, QRgb colour = qRgb(0, 0, 0)) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) count += image.pixel(x, y) == colour;
    }
    return count;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Renderer> renderer;
    std::unique_ptr<MainWindow> window;

    // Runs the event loop until something ends it; a safety net would end it
    // with a different code.
    int execAfter(std::function<void()> action) {
        window->show();
        QTimer::singleShot(50, action);
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        return QApplication::exec();
    }

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

    void menuBarShowsTheTableWithoutLineEnds() {
        // The table's texts and ids are pinned by the handler tests.
        const QList<QAction*> menus = window->menuBar()->actions();
        QCOMPARE(menus.size(), menu::kMenuCount);
        for (int m = 0; m < menu::kMenuCount; ++m) {
            QCOMPARE(menus[m]->text(), QString::fromUtf8(menu::kMenus[m].title));
            const QList<QAction*> actions = menus[m]->menu()->actions();
            QCOMPARE(actions.size(), menu::kMenus[m].itemCount);
            for (int i = 0; i < actions.size(); ++i) {
                const menu::MenuItem& item = menu::kMenus[m].items[i];
                QCOMPARE(actions[i]->text(), QString::fromUtf8(item.text, menu::displayLength(item.text)));
                QCOMPARE(actions[i]->data().toInt(), item.id);
                QVERIFY(!actions[i]->isCheckable() && !actions[i]->isSeparator() && actions[i]->isEnabled());
            }
        }
        QCOMPARE(findItem(*window, menu::kGlobeSphere)->text(), QStringLiteral("CreateGlobeSphere"));
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
        // Camera presets and the animation toggle.
        findItem(*window, 40003)->trigger();
        QCOMPARE(renderer->lookAtMode, uint8_t{0});
        QCOMPARE(renderer->cameraPosition.z, -400.0f);
        findItem(*window, 40002)->trigger();
        QCOMPARE(renderer->lookAtMode, uint8_t{1});
        QCOMPARE(renderer->cameraPosition.z, -1000.0f);
        findItem(*window, 40020)->trigger();
        QCOMPARE(renderer->animating, uint8_t{1});
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
    }

    void noFrameWhileTheDialogOrTheChooserIsOpen() {
        // The dialog and the file chooser open modally with their titles; the
        // frames stop until they close, and follow afterwards.
        window->show();
        QTRY_VERIFY(window->stats().frames > 2);
        const struct {
            int id;
            const char* title;
            const char* className;
        } modals[] = {{40018, "Dialog", "trivane::LightDialogWindow"}, {40019, "열기", "QFileDialog"}};
        for (const auto& expected : modals) {
            int64_t atOpen = -1, later = -1;
            bool idleStopped = false;
            QString title, className;
            QTimer::singleShot(30, [&] { atOpen = window->stats().frames; });
            QTimer::singleShot(200, [&] {
                later = window->stats().frames;
                idleStopped = !window->idleRunning();
                QWidget* modal = QApplication::activeModalWidget();
                if (modal == nullptr) return;
                title = modal->windowTitle();
                className = QString::fromLatin1(modal->metaObject()->className());
                QTest::keyClick(modal, Qt::Key_Escape);
            });
            const int32_t vertices = renderer->meshes[0].vertexCount;
            findItem(*window, expected.id)->trigger();
            QCOMPARE(title, QString::fromUtf8(expected.title));
            QCOMPARE(className, QString::fromLatin1(expected.className));
            QVERIFY(atOpen > 0);
            QCOMPARE(later, atOpen);
            QVERIFY(idleStopped);
            QCOMPARE(renderer->meshes[0].vertexCount, vertices);  // a cancel loads nothing
            const int64_t closed = window->stats().frames;
            QTRY_VERIFY(window->stats().frames > closed);
        }
    }

    void aBurstOfInputIsHandledBeforeTheNextFrame() {
        // Records the frame count as each queued event reaches the window.
        struct FrameStamp : QObject {
            MainWindow* window = nullptr;
            QList<int64_t> stamps;
            bool eventFilter(QObject*, QEvent* event) override {
                const QEvent::Type t = event->type();
                if (t == QEvent::KeyPress || t == QEvent::KeyRelease || t == QEvent::Wheel)
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

    void windowLinesAreRedrawnOpaqueOverTheLastOnes() {
        // Lines that did not change are not drawn again; the ones that did
        // must show exactly what a first drawing shows.
        window->present();
        window->present();
        gui::sendKey(window->clientArea(), QEvent::KeyPress, Qt::Key_Q, false);
        gui::sendKey(window->clientArea(), QEvent::KeyPress, Qt::Key_L, false);
        window->present();
        const QImage changed = window->clientArea()->surface().copy(800, 0, 600, 200);
        auto fresh = gui::makeRenderer();
        MainWindow other(*fresh);
        fresh->cameraPosition = renderer->cameraPosition;
        fresh->cameraTarget = renderer->cameraTarget;
        other.present();
        QCOMPARE(other.clientArea()->surface().copy(800, 0, 600, 200), changed);
        auto startUp = gui::makeRenderer();
        MainWindow third(*startUp);
        third.present();
        QVERIFY(third.clientArea()->surface().copy(800, 0, 600, 200) != changed);

        // A line drawn over a longer one leaves nothing of it: the cell is
        // cleared to the full width, where the trailing blanks fell short.
        const QRect farRight(1250, 130, 300, 18);  // beyond any line with small values
        QCOMPARE(countIn(window->clientArea()->surface(), farRight), 0);
        renderer->cameraPosition.x = 3.0e38f;
        renderer->cameraPosition.y = -3.0e38f;
        window->present();
        QVERIFY(countIn(window->clientArea()->surface(), farRight) > 50);
        renderer->cameraPosition.x = 0.0f;
        renderer->cameraPosition.y = 0.0f;
        window->present();
        QCOMPARE(countIn(window->clientArea()->surface(), farRight), 0);
        // So is a line whose last characters are wider than the blanks after
        // the shorter text: after the Euler camera turned by I, L and U, the
        // LookAt preset's zeros.
        findItem(*window, menu::kCameraEuler)->trigger();
        for (int key : {Qt::Key_I, Qt::Key_L, Qt::Key_U}) gui::sendKey(window->clientArea(), QEvent::KeyPress, key, false);
        window->present();
        findItem(*window, menu::kCameraLookAt)->trigger();
        window->present();
        startUp->cameraPosition = renderer->cameraPosition;
        startUp->cameraTarget = renderer->cameraTarget;
        third.present();
        QCOMPARE(window->clientArea()->surface().copy(800, 100, 1600, 100),
                 third.clientArea()->surface().copy(800, 100, 1600, 100));
    }

    void exitCommandAndClosingEndWithCodeZero() {
        QCOMPARE(execAfter([&] { findItem(*window, 40001)->trigger(); }), 0);
        QVERIFY(window->isVisible());  // Exit ends the loop; it does not destroy the window
        QCOMPARE(execAfter([&] { window->close(); }), 0);
        QVERIFY(!window->isVisible());
    }

    void pictureIsTheFramebufferRightWayUp() {
        window->show();
        QTRY_VERIFY(window->stats().frames > 1);
        window->present();
        QImage expected(800, 600, QImage::Format_RGB32);
        for (int y = 0; y < 600; ++y) {
            const uint8_t* row = renderer->frameBits + (599 - y) * 2400;
            for (int x = 0; x < 800; ++x) expected.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
        }
        QVERIFY(countIn(expected, expected.rect()) < 800 * 600 - 1000);  // the model and the picture lines are in it
        // What the window shows on the screen, and the same painted into an
        // image of another format, which takes the picture another way.
        const QPoint corner = window->clientArea()->mapTo(window.get(), QPoint(0, 0));
        const QImage screen = window->screen()->grabWindow(window->winId()).toImage();
        QCOMPARE(screen.copy(QRect(corner, QSize(800, 600))).convertToFormat(QImage::Format_RGB32), expected);
        QImage narrow(800, 600, QImage::Format_RGB16);
        window->clientArea()->render(&narrow);
        QCOMPARE(narrow, expected.convertToFormat(QImage::Format_RGB16));

        const QImage shown = window->clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(shown.width() > 900 && shown.height() >= 600);
        QCOMPARE(shown.copy(0, 0, 800, 600), expected);
        // The picture lines are inside the picture, black on white near the
        // top; beside it, from x = 810, the window lines.
        const QRgb white = qRgb(255, 255, 255);
        const QRect side(810, 0, shown.width() - 810, 200);
        QVERIFY(countIn(shown, QRect(10, 10, 190, 20)) > 0);
        QVERIFY(countIn(shown, side) > 200);
        QVERIFY(countIn(shown, side, white) > 20000);
        QCOMPARE(countIn(shown, QRect(800, 0, 10, 200), white), 10 * 200);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

