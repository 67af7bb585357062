// The light and material dialog: layout, scroll-bar notifications driving
// the handlers, and the ways of closing it.

#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionSlider>

#include "gui_support.h"
#include "platform/light_dialog_window.h"

using namespace trivane;

namespace {

QPoint centreOf(DialogScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    if (bar->orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}

void click(DialogScrollBar* bar, QStyle::SubControl part) {
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, centreOf(bar, part));
}

void dragTo(DialogScrollBar* bar, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(bar->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
}

QString fixed2(int position) { return QString::asprintf("%.2f", position * 0.01); }

// Records the notifications on their way to the handlers.
class RecordingDialog : public LightDialogWindow {
public:
    using LightDialogWindow::LightDialogWindow;
    QList<QList<int>> events;
    void scrollEvent(int32_t controlId, int32_t code, int32_t thumb) override {
        events.append({controlId, code, thumb});
        LightDialogWindow::scrollEvent(controlId, code, thumb);
    }
};

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Session> session;
    Renderer* renderer = nullptr;
    std::unique_ptr<RecordingDialog> dialog;

private slots:
    void init() {
        // The light's start values; a material whose specular green stands out.
        session = std::make_unique<Session>();
        renderer = &session->state();
        renderer->lighting.light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}};
        renderer->lighting.material = LightingTerms{{0.2f, 0.2f, 0.2f}, {1.0f, 1.0f, 1.0f}, {1.0f, 0.75f, 1.0f}};
        dialog = std::make_unique<RecordingDialog>(*session);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    }
    void cleanup() {
        dialog.reset();
        session.reset();
    }

    void layoutAndOpeningValues() {
        QCOMPARE(std::pair(dialog->windowTitle(), dialog->findChildren<QLabel*>().size()), std::pair(QStringLiteral("Dialog"), qsizetype{2 + 18}));
        QVERIFY(dialog->okButton()->isDefault());
        for (int row = 0; row < 18; ++row) {
            DialogScrollBar* bar = dialog->scrollBar(kColorControls[row].scrollBarId);
            QCOMPARE(std::tuple(bar->minimum(), bar->maximum(), bar->orientation()), std::tuple(0, 100, Qt::Horizontal));
            QVERIFY(dialog->textBox(kColorControls[row].textBoxId)->isReadOnly());
        }
        // The handlers' opening values reach the controls: material specular
        // green in text box 1035 and scroll bar 1057.
        QCOMPARE(std::tuple(dialog->scrollBar(1060)->value(), dialog->scrollBar(1057)->value()), std::tuple(20, 75));
        QCOMPARE(dialog->textBox(1022)->text() + dialog->textBox(1035)->text(), QStringLiteral("1.000.75"));

        // Rows in table order top to bottom, light on the left.
        QVERIFY(dialog->scrollBar(1060)->y() < dialog->scrollBar(1042)->y() &&
                dialog->scrollBar(1042)->y() < dialog->scrollBar(1049)->y() &&
                dialog->scrollBar(1050)->y() == dialog->scrollBar(1060)->y());
        QVERIFY(dialog->scrollBar(1060)->x() < dialog->textBox(1019)->x() &&
                dialog->textBox(1019)->x() < dialog->scrollBar(1050)->x());
        QVERIFY(dialog->okButton()->y() > dialog->scrollBar(1058)->y());
    }

    void arrowsAndPagesChangeTheirRowOnly() {
        // Each click reports its code and then an end-scroll; the handlers'
        // answer reaches the bar, the text box and the value.
        const struct {
            int bar;
            QStyle::SubControl part;
            int code, position;
        } clicks[] = {{1042, QStyle::SC_ScrollBarAddLine, 1, 22}, {1042, QStyle::SC_ScrollBarSubLine, 0, 20},
                      {1050, QStyle::SC_ScrollBarAddPage, 3, 30}, {1050, QStyle::SC_ScrollBarSubPage, 2, 20}};
        for (const auto& c : clicks) {
            dialog->events.clear();
            click(dialog->scrollBar(c.bar), c.part);
            QCOMPARE(dialog->events, QList<QList<int>>({{c.bar, c.code, 0}, {c.bar, 8, 0}}));
            QCOMPARE(dialog->scrollBar(c.bar)->value(), c.position);
        }
        QCOMPARE(dialog->textBox(1028)->text(), fixed2(20));
        QCOMPARE(renderer->lighting.light.ambient.g, static_cast<float>(20 * 0.01));

        // Held down, the arrow repeats; one end-scroll comes when it is let go.
        DialogScrollBar* bar = dialog->scrollBar(1045);  // light diffuse green, at 100
        dialog->events.clear();
        const QPoint arrow = centreOf(bar, QStyle::SC_ScrollBarSubLine);
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, arrow);
        QTRY_VERIFY(dialog->events.size() >= 3);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, arrow);
        const int presses = static_cast<int>(dialog->events.size()) - 1;
        for (int i = 0; i < presses; ++i) QCOMPARE(dialog->events[i], QList<int>({1045, 0, 0}));
        QCOMPARE(dialog->events.last(), QList<int>({1045, 8, 0}));
        QCOMPARE(bar->value(), 100 - 2 * presses);
        QCOMPARE(renderer->lighting.light.diffuse.g, static_cast<float>((100 - 2 * presses) * 0.01));
    }

    void thumbDragsTrackAndStay() {
        // Thumb tracks while dragging, then the thumb position and an end
        // scroll that keep the dragged value.
        DialogScrollBar* bar = dialog->scrollBar(1058);  // material specular blue
        const QPoint thumb = centreOf(bar, QStyle::SC_ScrollBarSlider);
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, thumb);
        dragTo(bar, thumb + QPoint(-10, 0));
        dragTo(bar, thumb + QPoint(-20, 0));
        const int tracked = bar->value();
        QVERIFY(tracked > 0 && tracked < 100);
        for (bool released : {false, true}) {
            if (released) QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, thumb + QPoint(-20, 0));
            QCOMPARE(std::tuple(bar->value(), renderer->lighting.material.specular.b, dialog->textBox(1036)->text()),
                     std::tuple(tracked, static_cast<float>(tracked * 0.01), fixed2(tracked)));
        }
        const QList<QList<int>>& events = dialog->events;
        QVERIFY(events.size() == 4 && events[0][1] == 5 && events[0][2] > tracked);
        QCOMPARE(events.mid(1), QList<QList<int>>({{1058, 5, tracked}, {1058, 4, tracked}, {1058, 8, 0}}));
    }

    void theWheelDoesNotMoveAThumb() {
        DialogScrollBar* bar = dialog->scrollBar(1043);
        gui::sendWheel(bar, QPoint(5, 5), -120, Qt::NoButton, Qt::NoModifier);
        QCOMPARE(std::pair(bar->value(), renderer->lighting.light.ambient.b), std::pair(20, 0.2f));
    }

    void enterEscapeAndTheCloseBoxEndIt() {
        // Enter presses "확인" (id 1), the result is 1.
        // Escape (id 2) keeps the changes made so far.
        const std::function<void()> closers[] = {
            [&] { QTest::keyClick(dialog.get(), Qt::Key_Return); },
            [&] {
                click(dialog->scrollBar(1047), QStyle::SC_ScrollBarSubPage);
                QTest::keyClick(dialog.get(), Qt::Key_Escape);
            },
            [&] { dialog->close(); }, [&] { dialog->okButton()->click(); }};
        for (const auto& closer : closers) {
            QTimer::singleShot(0, closer);
            QCOMPARE((std::pair{dialog->exec(), dialog->isVisible()}), std::pair(1, false));
        }
        QCOMPARE(renderer->lighting.light.specular.r, static_cast<float>(90 * 0.01));
    }
};

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
