// Keys, pointer and wheel: from Qt events to the handler's codes and values.

#include <QtTest>

#include "gui_support.h"
#include "platform/input_mapping.h"

using namespace trivane;

class InputTest : public QObject, gui::WindowFixture {
    Q_OBJECT

    QWidget* area = nullptr;

private slots:
    void init() {
        open();
        area = window->clientArea();
    }
    void cleanup() { close(); }

    void keyCodes() {
        // Letters, space and the navigation keys, then keys without a binding.
        const int pairs[][2] = {
            {Qt::Key_W, 87}, {Qt::Key_S, 83}, {Qt::Key_A, 65}, {Qt::Key_D, 68}, {Qt::Key_Q, 81},
            {Qt::Key_E, 69}, {Qt::Key_J, 74}, {Qt::Key_L, 76}, {Qt::Key_I, 73}, {Qt::Key_K, 75},
            {Qt::Key_U, 85}, {Qt::Key_O, 79}, {Qt::Key_Space, 32}, {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
            {Qt::Key_Left, 37}, {Qt::Key_Up, 38}, {Qt::Key_Right, 39}, {Qt::Key_Down, 40}, {Qt::Key_7, 55},
            {Qt::Key_F5, 116}, {Qt::Key_Escape, 27}, {Qt::Key_Eacute, 0}};
        for (const auto& pair : pairs) QCOMPARE(virtualKeyCode(pair[0]), pair[1]);
    }

    void wheelWords() {
        // The delta is a 16-bit field: a larger burst saturates instead of
        // wrapping into the other direction.
        const QList<int> words = {wheelWord(120, Qt::NoButton, Qt::NoModifier), wheelWord(-120, Qt::NoButton, Qt::ControlModifier),
                                  wheelWord(240, Qt::LeftButton | Qt::RightButton | Qt::MiddleButton, Qt::ShiftModifier),
                                  wheelWord(40000, Qt::NoButton, Qt::NoModifier), wheelWord(-40000, Qt::NoButton, Qt::NoModifier),
                                  wheelWord(-1, Qt::NoButton, Qt::NoModifier)};
        QCOMPARE(words, QList<int>({120 * 65536, -120 * 65536 + 8, 240 * 65536 + 1 + 2 + 16 + 4, 32767 * 65536, INT32_MIN, -65536}));
    }

    void pressesReleasesAndAutoRepeatReachTheHandler() {
        // Each press (W, a key without a binding, Tab, which must not move the
        // focus away) holds the re-transform on and each release ends it.
        const float startY = renderer->camera.cameraPosition.y;
        for (int key : {Qt::Key_W, Qt::Key_F5, Qt::Key_Tab}) {
            gui::sendKey(area, QEvent::KeyPress, key, false);
            QCOMPARE(renderer->input.keyHeld, uint8_t{1});
            gui::sendKey(area, QEvent::KeyRelease, key, false);
            QCOMPARE(renderer->input.keyHeld, uint8_t{0});
        }
        // Alt belongs to the menu bar, as it did on the classic platform.
        gui::sendKey(area, QEvent::KeyPress, Qt::Key_Alt, false, Qt::AltModifier);
        gui::sendKey(area, QEvent::KeyPress, Qt::Key_W, false, Qt::AltModifier);
        QCOMPARE(renderer->input.keyHeld, uint8_t{0});
        QCOMPARE(renderer->camera.cameraPosition.y, startY + 10.0f);

        // Holding the space bar: a press, then for every repeat Qt's release
        // and press pair, then the real release.
        QCOMPARE(renderer->input.moveModel, uint8_t{1});
        gui::sendKey(area, QEvent::KeyPress, Qt::Key_Space, false);
        for (int repeat = 0; repeat < 3; ++repeat) {
            gui::sendKey(area, QEvent::KeyRelease, Qt::Key_Space, true);
            QCOMPARE(renderer->input.keyHeld, uint8_t{1});
            gui::sendKey(area, QEvent::KeyPress, Qt::Key_Space, true);
        }
        QCOMPARE(renderer->input.moveModel, uint8_t{1});  // four presses in all
        gui::sendKey(area, QEvent::KeyRelease, Qt::Key_Space, false);
        QCOMPARE(renderer->input.keyHeld, uint8_t{0});
    }

    void dragsAndTheWheelReachTheHandlers() {
        // Positions are client pixels, negative past the left edge; a double
        // click is a press; the middle button has no binding.
        const float scale = renderer->scene.meshes[0].scale.x;
        gui::sendMouse(area, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
        gui::sendMouse(area, QEvent::MouseButtonPress, QPoint(100, 100), Qt::RightButton, Qt::LeftButton | Qt::RightButton);
        gui::sendMouse(area, QEvent::MouseMove, QPoint(-5, 190), Qt::NoButton, Qt::LeftButton | Qt::RightButton);
        QCOMPARE(std::tuple(renderer->input.lastMouseX, renderer->scene.meshes[0].rotation.y, renderer->scene.meshes[0].scale.z),
                 std::tuple(-5, 2.0f, static_cast<float>(scale + 0.01)));
        gui::sendMouse(area, QEvent::MouseButtonRelease, QPoint(-5, 190), Qt::RightButton, Qt::LeftButton);
        gui::sendMouse(area, QEvent::MouseButtonRelease, QPoint(-5, 190), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(std::pair(renderer->input.rightButtonDown, renderer->input.leftButtonDown), std::pair(uint8_t{0}, uint8_t{0}));
        gui::sendMouse(area, QEvent::MouseButtonDblClick, QPoint(20, 30), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(renderer->input.dragStartY, 30);
        gui::sendMouse(area, QEvent::MouseButtonRelease, QPoint(20, 30), Qt::LeftButton, Qt::NoButton);
        gui::sendMouse(area, QEvent::MouseButtonPress, QPoint(50, 60), Qt::MiddleButton, Qt::MiddleButton);
        QCOMPARE(renderer->input.mouseDragging, uint8_t{0});

        renderer->input.dirty = 0;
        gui::sendWheel(area, QPoint(10, 10), -240, Qt::NoButton, Qt::ControlModifier);
        QCOMPARE(std::pair(renderer->scene.meshes[0].rotation.z, renderer->input.dirty), std::pair(-31.0f, uint8_t{1}));
        // A sideways wheel does not turn the model.
        QWheelEvent sideways(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(120, 0), Qt::NoButton,
                             Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area, &sideways);
        QCOMPARE(renderer->scene.meshes[0].rotation.z, -31.0f);
    }
};

QTEST_MAIN(InputTest)
#include "input_test.moc"
