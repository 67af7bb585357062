// The window at twice the pixel density (QT_SCALE_FACTOR=2, set for this
// program by CMake): the picture pixel-doubled and sharp, the window lines
// drawn at the screen's resolution, mouse positions in picture pixels.

#include <QtTest>

#include <QScreen>

#include "gui_support.h"
#include "platform/main_window.h"

using namespace trivane;

class HiDpiTest : public QObject {
    Q_OBJECT

private slots:
    void pictureDoubledTextCrispDragsAsAtScaleOne() {
        QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("2"));
        Session session;
        Renderer* renderer = &session.state();
        MainWindow window(session);
        window.setContinuous(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.devicePixelRatio(), 2);
        QTRY_VERIFY(window.stats().frames > 1);
        window.present();

        // What the client area paints, in screen pixels. (The offscreen
        // platform's window grab hands back only a quarter of them.)
        const QPoint corner(0, 0);
        const QImage screen = window.clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen.devicePixelRatio(), 2.0);
        QVERIFY(screen.width() >= 2 * 1000 && screen.height() >= 2 * 600);
        int wrong = 0;
        for (int y = 0; y < 600; ++y) {
            const uint8_t* row = renderer->target.frameBits + (599 - y) * 2400;
            for (int x = 0; x < 800; ++x) {
                const QRgb expected = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                for (int d = 0; d < 4; ++d)
                    wrong += screen.pixel(corner.x() + 2 * x + (d & 1), corner.y() + 2 * y + (d >> 1)) != expected;
            }
        }
        QCOMPARE(wrong, 0);

        // The window lines: pure black and white, and with detail finer than
        // a block of 2 x 2 screen pixels, which text drawn at the lower
        // resolution and scaled up would never have.
        int black = 0, grey = 0, split = 0;
        for (int y = 0; y < 200; y += 1) {
            for (int x = 810; x < 1090; ++x) {
                QRgb block[4];
                for (int d = 0; d < 4; ++d) {
                    block[d] = screen.pixel(corner.x() + 2 * x + (d & 1), corner.y() + 2 * y + (d >> 1));
                    black += block[d] == qRgb(0, 0, 0);
                    grey += block[d] != qRgb(0, 0, 0) && block[d] != qRgb(255, 255, 255);
                }
                split += block[0] != block[1] || block[0] != block[2] || block[0] != block[3];
            }
        }
        QVERIFY(black > 1000);
        QCOMPARE(grey, 0);
        QVERIFY2(split > 500, qPrintable(QString::number(split)));

        // A left drag down and to the right, through the platform's own
        // mapping from screen pixels: 2 degrees a move, as at scale 1.
        QWidget* area = window.clientArea();
        QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
        QTest::mouseMove(area, QPoint(420, 330));
        QTest::mouseMove(area, QPoint(440, 360));
        QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, QPoint(440, 360));
        QCOMPARE(std::make_pair(renderer->input.lastMouseX, renderer->input.lastMouseY), std::make_pair(440, 360));
        QCOMPARE(renderer->scene.meshes[0].rotation.x, 4.0f);
        QCOMPARE(renderer->scene.meshes[0].rotation.y, -4.0f);
    }
};

QTEST_MAIN(HiDpiTest)
#include "hidpi_test.moc"
