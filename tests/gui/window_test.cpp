// The main window: menu bar, commands, the idle loop, exit codes and the
// picture on the screen.

#include <QtTest>

#include <functional>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "gui_support.h"
#include "platform/light_dialog_window.h"
#include "core/workers.h"
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

// Check marks only on the render modes, the cameras, the rotation and
// the view settings (drawing continuously on in these tests).
const QList<int> kCheckable = {40002, 40003, 40012, 40013, 40015, 40020, 40033, 40034, 40035};

// Pixels of one colour (black unless said) in a rectangle of an image.
int countIn(const QImage& image, QRect area, QRgb colour = qRgb(0, 0, 0)) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) count += image.pixel(x, y) == colour;
    }
    return count;
}

// As a person does it: the name typed into the chooser's field, then Enter.
// (selectFile leaves a focused field alone.)
void typeFileName(QFileDialog* chooser, const QString& path) {
    auto* field = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (field == nullptr) return;
    field->setText(path);
    QTest::keyClick(field, Qt::Key_Return);
}

}  // namespace

class WindowTest : public QObject, gui::WindowFixture {
    Q_OBJECT

    // Runs the event loop until something ends it; a safety net would end it
    // with a different code.
    int execAfter(std::function<void()> action) {
        window->show();
        QTimer::singleShot(50, action);
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        return QApplication::exec();
    }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

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
                QVERIFY(!actions[i]->isSeparator() && actions[i]->isEnabled());
                QCOMPARE(actions[i]->isCheckable(), kCheckable.contains(item.id));
            }
        }
    }

    void checkMarksFollowTheStateInForce() {
        const struct {
            int command;  // 0: start-up
            QList<int> checked;
        } steps[] = {
            {0, {40002, 40012, 40033}},     {40013, {40002, 40013, 40033}}, {40003, {40003, 40013, 40033}},
            {40020, {40003, 40013, 40020, 40033}}, {40015, {40003, 40015, 40020, 40033}},
            {40020, {40003, 40015, 40033}}, {40002, {40002, 40015, 40033}}, {40012, {40002, 40012, 40033}},
            {40033, {40002, 40012}},
        };
        for (const auto& step : steps) {
            if (step.command != 0) findItem(*window, step.command)->trigger();
            for (int id : kCheckable)
                QVERIFY2(findItem(*window, id)->isChecked() == step.checked.contains(id),
                         qPrintable(QStringLiteral("after %1: item %2").arg(step.command).arg(id)));
        }
        // Changed elsewhere than in the menu: right again when the menu opens.
        renderer->settings.renderMode = Wire;
        renderer->clock.animating = 1;
        emit qobject_cast<QMenu*>(findItem(*window, 40013)->parent())->aboutToShow();
        QVERIFY(findItem(*window, 40013)->isChecked() && !findItem(*window, 40012)->isChecked());
        QVERIFY(findItem(*window, 40020)->isChecked());
    }

    // F12 and Ctrl+S open the chooser; the PNG written is the picture on the
    // screen. The keys are the menu's: a key held meanwhile stays held.
    void savePictureWritesThePictureShown() {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_VERIFY(window->stats().frames > 2);
        QWidget* area = window->clientArea();
        gui::sendKey(area, QEvent::KeyPress, Qt::Key_W, false);
        QCOMPARE(renderer->input.keyHeld, uint8_t{1});
        const float cameraY = renderer->camera.cameraPosition.y;

        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("saved.png"));
        QString title;
        QImage shown;
        QTimer::singleShot(100, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (chooser == nullptr) return;
            title = chooser->windowTitle();
            shown = area->grab(QRect(0, 0, 800, 600)).toImage().convertToFormat(QImage::Format_RGB32);
            typeFileName(chooser, path);
        });
        QTest::keyClick(area, Qt::Key_F12);
        QCOMPARE(title, QStringLiteral("Save Picture"));
        // F12's release did not reach the handler.
        QCOMPARE(std::pair(renderer->input.keyHeld, renderer->camera.cameraPosition.y), std::pair(uint8_t{1}, cameraY));
        const QImage saved(path, "PNG");
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), shown);
        QVERIFY(countIn(shown, QRect(0, 0, 800, 600)) < 800 * 600 - 1000);  // not an empty picture

        // Ctrl+S, to a file that cannot be written: a message says so.
        QTimer::singleShot(100, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (chooser == nullptr) return;
            typeFileName(chooser, directory.filePath(QStringLiteral("no/such/dir/x.png")));
            QTimer::singleShot(100, [&] {
                if (QWidget* box = QApplication::activeModalWidget()) {
                    title = box->windowTitle() + QStringLiteral(": ") + qobject_cast<QMessageBox*>(box)->text();
                    QTest::keyClick(box, Qt::Key_Escape);
                }
            });
        });
        // The offscreen platform gives the focus back to no window.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(area, Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(title.contains(QStringLiteral("no/such/dir/x.png")), qPrintable(title));
    }

    // F1 and the Help menu: the README's controls table and the versions.
    void helpWindowsShowTheControlsTableAndTheVersions() {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QWidget* area = window->clientArea();
        gui::sendKey(area, QEvent::KeyPress, Qt::Key_W, false);
        QTest::keyClick(area, Qt::Key_F1);
        QCOMPARE(renderer->input.keyHeld, uint8_t{1});  // F1's release did not reach the handler

        auto* controls = window->findChild<QDialog*>(QStringLiteral("controls"));
        // Not modal: the picture keeps moving.
        QVERIFY(controls != nullptr && controls->isVisible() && window->idleRunning());
        const QString shown = controls->findChild<QTextBrowser*>()->toPlainText();
        QFile readme(QStringLiteral("README.md"));
        const QStringList lines = readme.open(QIODevice::ReadOnly) ? QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n')) : QStringList();
        int rows = 0;
        for (qsizetype i = lines.indexOf(QStringLiteral("| input | effect |")) + 2;
             i > 1 && i < lines.size() && lines[i].startsWith(QLatin1Char('|')); ++i, ++rows) {
            for (const QString& cell : lines[i].split(QLatin1Char('|'), Qt::SkipEmptyParts))
                QVERIFY2(shown.contains(cell.trimmed()), qPrintable(cell));
        }
        QVERIFY(rows >= 9);

        findItem(*window, menu::kShowAbout)->trigger();
        auto* about = window->findChild<QDialog*>(QStringLiteral("about"));
        QVERIFY(about != nullptr && about->isVisible());
        const QString text = about->findChild<QLabel*>()->text();
        for (const QString& expected : {QStringLiteral("Trivane " TRIVANE_VERSION), QStringLiteral("Qt ") + qVersion(),
                                        QStringLiteral("Render threads: %1").arg(workerCount())})
            QVERIFY2(text.contains(expected), qPrintable(text));
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
            const int32_t vertices = renderer->scene.meshes[0].vertexCount;
            findItem(*window, expected.id)->trigger();
            QCOMPARE(title + className, QString::fromUtf8(expected.title) + QString::fromLatin1(expected.className));
            QVERIFY(atOpen > 0 && later == atOpen && idleStopped);
            QCOMPARE(renderer->scene.meshes[0].vertexCount, vertices);  // a cancel loads nothing
            const int64_t closed = window->stats().frames;
            QTRY_VERIFY(window->stats().frames > closed);
        }
    }

    // Drawn only on change: the loop sleeps once nothing can move the
    // picture, and input, a held key, the rotation or drawing continuously
    // bring frames back. The rate shown then comes from the drawing time.
    void framesStopWhenNothingCanChangeThePicture() {
        window->setContinuous(false);
        window->show();
        QTRY_VERIFY(!window->idleRunning());
        const int64_t resting = window->stats().frames;
        QTest::qWait(50);
        QCOMPARE(window->stats().frames, resting);
        QWidget* area = window->clientArea();
        gui::sendKey(area, QEvent::KeyPress, Qt::Key_W, false);
        QVERIFY(window->idleRunning());
        QTRY_VERIFY(window->stats().frames > resting + 2);  // held: every frame re-transforms
        gui::sendKey(area, QEvent::KeyRelease, Qt::Key_W, false);
        QTRY_VERIFY(!window->idleRunning());
        QVERIFY(renderer->clock.fps > 100.0f);  // one frame's drawing takes a few milliseconds at most
        for (const int id : {menu::kToggleAnimation, menu::kRenderContinuously}) {
            findItem(*window, id)->trigger();
            const int64_t before = window->stats().frames;
            QTRY_VERIFY(window->stats().frames > before + 2);
            QVERIFY(window->idleRunning());
            findItem(*window, id)->trigger();
            QTRY_VERIFY(!window->idleRunning());
        }
    }

    // A picture that fits the window follows every resize, with the window
    // lines beside it; off, the classic picture comes back.
    void thePictureCanFitTheWindow() {
        window->show();
        QTRY_VERIFY(window->stats().frames > 1);
        findItem(*window, menu::kPictureFitsWindow)->trigger();
        QWidget* area = window->clientArea();
        for (const QSize outer : {QSize(1000, 500), QSize(500, 300)}) {
            window->resize(outer);
            QTRY_COMPARE(window->size(), outer);
            const QSize size = area->size();
            const FramePixels picture = session->picture();
            QCOMPARE(QSize(picture.width, picture.height), QSize(size.width() - 300, size.height()));
            QCOMPARE(renderer->camera.viewportWidth, static_cast<float>(size.width() - 300));
            const int64_t before = window->stats().frames;
            QTRY_VERIFY(window->stats().frames > before);
            TextLine lines[kWindowLineCount];
            session->windowLines(lines, window->clientArea()->pictureArea().width() + 10);
            QCOMPARE(lines[0].x, size.width() - 300 + 10);
        }
        QVERIFY(findItem(*window, menu::kPictureFitsWindow)->isChecked());
        findItem(*window, menu::kPictureFitsWindow)->trigger();
        QCOMPARE(std::pair(session->picture().width, session->picture().height), std::pair(800, 600));
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

        const float startY = renderer->camera.cameraPosition.y;
        for (int i = 0; i < 40; ++i) {
            QCoreApplication::postEvent(area, new QKeyEvent(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier));
            QCoreApplication::postEvent(area, new QKeyEvent(QEvent::KeyRelease, Qt::Key_W, Qt::NoModifier));
            QCoreApplication::postEvent(area, new QWheelEvent(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120),
                                                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                                              false));
        }
        const int64_t before = window->stats().frames;
        QTRY_VERIFY(window->stats().frames > before);
        QCOMPARE(stamp.stamps, QList<int64_t>(120, before));
        QCOMPARE(std::pair(renderer->camera.cameraPosition.y, renderer->scene.meshes[0].rotation.z), std::pair(startY + 400.0f, 40 * 15.0f));
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
        Session freshSession;
        Renderer* fresh = &freshSession.state();
        MainWindow other(freshSession);
        fresh->camera.cameraPosition = renderer->camera.cameraPosition;
        fresh->camera.cameraTarget = renderer->camera.cameraTarget;
        other.present();
        QCOMPARE(other.clientArea()->surface().copy(800, 0, 600, 200), changed);
        Session startUpSession;  // drawn once with the start values
        Renderer* startUp = &startUpSession.state();
        MainWindow third(startUpSession);
        third.present();

        // A line drawn over a longer one leaves nothing of it, also where its
        // last characters are wider than the blanks after the shorter text:
        // after the Euler camera turned by I, L and U, the LookAt preset's zeros.
        findItem(*window, menu::kCameraEuler)->trigger();
        for (int key : {Qt::Key_I, Qt::Key_L, Qt::Key_U})
            gui::sendKey(window->clientArea(), QEvent::KeyPress, key, false);
        window->present();
        findItem(*window, menu::kCameraLookAt)->trigger();
        window->present();
        startUp->camera.cameraPosition = renderer->camera.cameraPosition;
        startUp->camera.cameraTarget = renderer->camera.cameraTarget;
        third.present();
        QCOMPARE(window->clientArea()->surface().copy(800, 100, 1600, 100),
                 third.clientArea()->surface().copy(800, 100, 1600, 100));
    }

    void exitCommandAndClosingEndWithCodeZero() {
        // Exit ends the loop; it does not destroy the window.
        QCOMPARE((std::pair{execAfter([&] { findItem(*window, 40001)->trigger(); }), window->isVisible()}), std::pair(0, true));
        QCOMPARE((std::pair{execAfter([&] { window->close(); }), window->isVisible()}), std::pair(0, false));
    }

    void pictureIsTheFramebufferRightWayUp() {
        window->show();
        QTRY_VERIFY(window->stats().frames > 1);
        window->present();
        QImage expected(800, 600, QImage::Format_RGB32);
        for (int y = 0; y < 600; ++y) {
            const uint8_t* row = renderer->target.frameBits + (599 - y) * 2400;
            for (int x = 0; x < 800; ++x) expected.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
        }
        const QImage shown = window->clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
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

