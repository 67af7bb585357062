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

// The light's start values; a material whose specular green stands out.
void startValues(Renderer& renderer) {
    renderer.light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}};
    renderer.material = LightingTerms{{0.2f, 0.2f, 0.2f}, {1.0f, 1.0f, 1.0f}, {1.0f, 0.75f, 1.0f}};
}

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

    std::unique_ptr<Renderer> renderer;
    std::unique_ptr<LightDialogWindow> dialog;

private slots:
    void init() {
        renderer = gui::makeRenderer();
        startValues(*renderer);
        dialog = std::make_unique<LightDialogWindow>(*renderer);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    }
    void cleanup() {
        dialog.reset();
        renderer.reset();
    }

    void layoutAndOpeningValues() {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Dialog"));
        QStringList labels;
        for (QLabel* label : dialog->findChildren<QLabel*>()) labels << label->text();
        QVERIFY(labels.contains(QString::fromUtf8("빛")));
        QVERIFY(labels.contains(QString::fromUtf8("재질")));
        QCOMPARE(labels.count(QStringLiteral("Sg")), 2);
        QCOMPARE(labels.size(), 2 + 18);
        QCOMPARE(dialog->okButton()->text(), QString::fromUtf8("확인"));
        QVERIFY(dialog->okButton()->isDefault());
        QCOMPARE(dialog->findChildren<DialogScrollBar*>().size(), 18);
        QCOMPARE(dialog->findChildren<QLineEdit*>().size(), 18);

        for (int id : {1060, 1042, 1043}) QCOMPARE(dialog->scrollBar(id)->value(), 20);
        for (int id = 1044; id <= 1049; ++id) QCOMPARE(dialog->scrollBar(id)->value(), 100);
        for (int id = 1019; id <= 1021; ++id) QCOMPARE(dialog->textBox(id)->text(), QStringLiteral("0.20"));
        for (int id = 1022; id <= 1027; ++id) QCOMPARE(dialog->textBox(id)->text(), QStringLiteral("1.00"));
        // Material specular green: text box 1035 and scroll bar 1057.
        QCOMPARE(dialog->textBox(1035)->text(), QStringLiteral("0.75"));
        QCOMPARE(dialog->scrollBar(1057)->value(), 75);
        for (int row = 0; row < 18; ++row) {
            DialogScrollBar* bar = dialog->scrollBar(kColorControls[row].scrollBarId);
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 100);
            QCOMPARE(bar->orientation(), Qt::Horizontal);
            QVERIFY(dialog->textBox(kColorControls[row].textBoxId)->isReadOnly());
        }

        // Rows in table order top to bottom, light on the left.
        QVERIFY(dialog->scrollBar(1060)->y() < dialog->scrollBar(1042)->y());
        QVERIFY(dialog->scrollBar(1042)->y() < dialog->scrollBar(1049)->y());
        QCOMPARE(dialog->scrollBar(1050)->y(), dialog->scrollBar(1060)->y());
        QVERIFY(dialog->scrollBar(1060)->x() < dialog->textBox(1019)->x());
        QVERIFY(dialog->textBox(1019)->x() < dialog->scrollBar(1050)->x());
        QVERIFY(dialog->okButton()->y() > dialog->scrollBar(1058)->y());
    }

    void arrowsChangeTheirRowOnly() {
        DialogScrollBar* ambientGreen = dialog->scrollBar(1042);
        click(ambientGreen, QStyle::SC_ScrollBarAddLine);
        QCOMPARE(ambientGreen->value(), 22);
        QCOMPARE(renderer->light.ambient.g, static_cast<float>(22 * 0.01));
        QCOMPARE(dialog->textBox(1020)->text(), QStringLiteral("0.22"));
        QCOMPARE(renderer->light.ambient.r, 0.2f);
        QCOMPARE(renderer->light.ambient.b, 0.2f);
        QCOMPARE(dialog->textBox(1019)->text(), QStringLiteral("0.20"));

        click(ambientGreen, QStyle::SC_ScrollBarSubLine);
        click(ambientGreen, QStyle::SC_ScrollBarSubLine);
        QCOMPARE(ambientGreen->value(), 18);
        QCOMPARE(renderer->light.ambient.g, static_cast<float>(18 * 0.01));
        QCOMPARE(dialog->textBox(1020)->text(), QStringLiteral("0.18"));

        // At the top of the range a line right stays at 100.
        DialogScrollBar* diffuseRed = dialog->scrollBar(1044);
        click(diffuseRed, QStyle::SC_ScrollBarAddLine);
        QCOMPARE(diffuseRed->value(), 100);
        QCOMPARE(renderer->light.diffuse.r, 1.0f);
        click(diffuseRed, QStyle::SC_ScrollBarSubLine);
        QCOMPARE(renderer->light.diffuse.r, static_cast<float>(98 * 0.01));
        QCOMPARE(dialog->textBox(1022)->text(), QStringLiteral("0.98"));
    }

    void pagesStepByTen() {
        DialogScrollBar* materialAmbientRed = dialog->scrollBar(1050);
        click(materialAmbientRed, QStyle::SC_ScrollBarAddPage);
        QCOMPARE(materialAmbientRed->value(), 30);
        QCOMPARE(renderer->material.ambient.r, static_cast<float>(30 * 0.01));
        QCOMPARE(dialog->textBox(1028)->text(), QStringLiteral("0.30"));
        click(materialAmbientRed, QStyle::SC_ScrollBarSubPage);
        click(materialAmbientRed, QStyle::SC_ScrollBarSubPage);
        click(materialAmbientRed, QStyle::SC_ScrollBarSubPage);
        QCOMPARE(materialAmbientRed->value(), 0);
        QCOMPARE(renderer->material.ambient.r, 0.0f);
        QCOMPARE(dialog->textBox(1028)->text(), QStringLiteral("0.00"));
    }

    void thumbDragsTrackAndStay() {
        DialogScrollBar* specularBlue = dialog->scrollBar(1058);
        const QPoint thumb = centreOf(specularBlue, QStyle::SC_ScrollBarSlider);
        const QRect groove = [&] {
            QStyleOptionSlider option;
            option.initFrom(specularBlue);
            option.orientation = Qt::Horizontal;
            option.state |= QStyle::State_Horizontal;
            option.minimum = 0;
            option.maximum = 100;
            option.pageStep = specularBlue->pageStep();
            option.sliderPosition = specularBlue->sliderPosition();
            return specularBlue->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                         QStyle::SC_ScrollBarGroove, specularBlue);
        }();
        QTest::mousePress(specularBlue, Qt::LeftButton, Qt::NoModifier, thumb);
        // Drag towards the left end: while dragging the value follows.
        const QPoint left(groove.left() + groove.width() / 4, thumb.y());
        QMouseEvent move(QEvent::MouseMove, QPointF(left), QPointF(specularBlue->mapToGlobal(left)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(specularBlue, &move);
        const int tracked = specularBlue->value();
        QVERIFY(tracked > 0 && tracked < 100);
        QCOMPARE(renderer->material.specular.b, static_cast<float>(tracked * 0.01));
        QCOMPARE(dialog->textBox(1036)->text(), QString::asprintf("%.2f", tracked * 0.01));
        QTest::mouseRelease(specularBlue, Qt::LeftButton, Qt::NoModifier, left);
        // Thumb position and end scroll keep the dragged value.
        QCOMPARE(specularBlue->value(), tracked);
        QCOMPARE(renderer->material.specular.b, static_cast<float>(tracked * 0.01));
        QCOMPARE(dialog->textBox(1036)->text(), QString::asprintf("%.2f", tracked * 0.01));
        // Nothing else moved.
        QCOMPARE(renderer->material.specular.g, 0.75f);
        QCOMPARE(renderer->light.specular.b, 1.0f);
    }

    void notificationsFollowTheClassicOrder() {
        RecordingDialog recording(*renderer);
        recording.show();
        QVERIFY(QTest::qWaitForWindowExposed(&recording));
        DialogScrollBar* bar = recording.scrollBar(1045);  // light diffuse green, at 100
        const QList<int> end{1045, 8, 0};

        click(bar, QStyle::SC_ScrollBarSubLine);
        QCOMPARE(recording.events, QList<QList<int>>({{1045, 0, 0}, end}));
        recording.events.clear();
        click(bar, QStyle::SC_ScrollBarSubPage);
        QCOMPARE(recording.events, QList<QList<int>>({{1045, 2, 0}, end}));
        recording.events.clear();
        click(bar, QStyle::SC_ScrollBarAddPage);
        QCOMPARE(recording.events, QList<QList<int>>({{1045, 3, 0}, end}));
        recording.events.clear();
        click(bar, QStyle::SC_ScrollBarAddLine);
        QCOMPARE(recording.events, QList<QList<int>>({{1045, 1, 0}, end}));
        QCOMPARE(bar->value(), 100);

        // Held down, the arrow repeats; one end-scroll comes when it is let go.
        recording.events.clear();
        const QPoint arrow = centreOf(bar, QStyle::SC_ScrollBarSubLine);
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, arrow);
        QTRY_VERIFY(recording.events.size() >= 3);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, arrow);
        const int presses = static_cast<int>(recording.events.size()) - 1;
        for (int i = 0; i < presses; ++i) QCOMPARE(recording.events[i], QList<int>({1045, 0, 0}));
        QCOMPARE(recording.events.last(), end);
        QCOMPARE(bar->value(), 100 - 2 * presses);
        QCOMPARE(renderer->light.diffuse.g, static_cast<float>((100 - 2 * presses) * 0.01));

        // A drag: thumb tracks with the positions, then thumb position and end.
        recording.events.clear();
        const QPoint thumb = centreOf(bar, QStyle::SC_ScrollBarSlider);
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, thumb);
        for (const int dx : {-10, -20}) {
            const QPoint to = thumb + QPoint(dx, 0);
            QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(bar->mapToGlobal(to)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(bar, &move);
        }
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, thumb + QPoint(-20, 0));
        QCOMPARE(recording.events.size(), 4);
        QCOMPARE(recording.events[0][1], 5);
        QCOMPARE(recording.events[1][1], 5);
        QVERIFY(recording.events[1][2] < recording.events[0][2]);
        QCOMPARE(recording.events[2], QList<int>({1045, 4, recording.events[1][2]}));
        QCOMPARE(recording.events[3], end);
        QCOMPARE(bar->value(), recording.events[1][2]);
    }

    void theWheelDoesNotMoveAThumb() {
        DialogScrollBar* bar = dialog->scrollBar(1043);
        gui::sendWheel(bar, QPoint(5, 5), -120, Qt::NoButton, Qt::NoModifier);
        QCOMPARE(bar->value(), 20);
        QCOMPARE(renderer->light.ambient.b, 0.2f);
    }

    void enterEscapeAndTheCloseBoxEndIt() {
        // Enter presses "확인" (id 1), the result is 1.
        QTimer::singleShot(0, [&] { QTest::keyClick(dialog.get(), Qt::Key_Return); });
        QCOMPARE(dialog->exec(), 1);
        QVERIFY(!dialog->isVisible());

        // Escape (id 2) keeps the changes made so far.
        QTimer::singleShot(0, [&] {
            click(dialog->scrollBar(1047), QStyle::SC_ScrollBarSubPage);
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        });
        QCOMPARE(dialog->exec(), 1);
        QCOMPARE(renderer->light.specular.r, static_cast<float>(90 * 0.01));

        QTimer::singleShot(0, [&] { dialog->close(); });
        QCOMPARE(dialog->exec(), 1);
        QVERIFY(!dialog->isVisible());

        QTimer::singleShot(0, [&] { dialog->okButton()->click(); });
        QCOMPARE(dialog->exec(), 1);
    }
};

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
