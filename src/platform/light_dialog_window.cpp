#include "platform/light_dialog_window.h"

#include <algorithm>

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>

#include "ui/session.h"

namespace trivane {

namespace {

// Tops of the nine scroll bars of a group, in dialog units.
constexpr int kRowTops[9] = {21, 35, 51, 69, 87, 102, 116, 132, 149};
constexpr int kScrollWidth = 89;

}  // namespace

DialogScrollBar::DialogScrollBar(int32_t controlId, LightDialogWindow& owner, QWidget* parent)
    : QScrollBar(Qt::Horizontal, parent), controlId_(controlId), owner_(owner) {
    setFocusPolicy(Qt::NoFocus);
    setSingleStep(2);
    setPageStep(10);
    connect(this, &QAbstractSlider::actionTriggered, this, &DialogScrollBar::onAction);
    connect(this, &QAbstractSlider::sliderMoved, this, &DialogScrollBar::onSliderMoved);
    connect(this, &QAbstractSlider::sliderReleased, this, &DialogScrollBar::onSliderReleased);
}

void DialogScrollBar::placeThumb(int32_t position) {
    placing_ = true;
    setValue(position);
    placing_ = false;
}

void DialogScrollBar::send(int32_t code, int32_t thumb) { owner_.scrollEvent(controlId_, code, thumb); }

void DialogScrollBar::onAction(int action) {
    if (placing_) return;
    int32_t code = -1;
    switch (action) {
        case SliderSingleStepAdd: code = LineRight; break;
        case SliderSingleStepSub: code = LineLeft; break;
        case SliderPageStepAdd: code = PageRight; break;
        case SliderPageStepSub: code = PageLeft; break;
        case SliderToMinimum: code = Top; break;
        case SliderToMaximum: code = Bottom; break;
        case SliderMove:
            // A drag reports through sliderMoved; any other jump of the thumb
            // (a click that places it) is a whole track-and-drop at once.
            if (!isSliderDown()) {
                const int32_t thumb = sliderPosition();
                send(ThumbTrack, thumb);
                send(ThumbPosition, thumb);
                send(EndScroll, 0);
            }
            return;
        default: return;
    }
    send(code, 0);
    if (mouseHeld_) {
        endPending_ = true;
    } else {
        send(EndScroll, 0);
    }
}

void DialogScrollBar::onSliderMoved(int position) {
    if (placing_) return;
    send(ThumbTrack, position);
}

void DialogScrollBar::onSliderReleased() {
    if (placing_) return;
    send(ThumbPosition, sliderPosition());
    send(EndScroll, 0);
}

void DialogScrollBar::mousePressEvent(QMouseEvent* event) {
    mouseHeld_ = true;
    endPending_ = false;
    QScrollBar::mousePressEvent(event);
}

void DialogScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    QScrollBar::mouseReleaseEvent(event);
    mouseHeld_ = false;
    if (endPending_) {
        endPending_ = false;
        send(EndScroll, 0);
    }
}

// The classic control ignores the wheel; letting Qt move the thumb here would
// change a value behind the handlers' back.
void DialogScrollBar::wheelEvent(QWheelEvent* event) { event->ignore(); }

LightDialogWindow::LightDialogWindow(Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      handlers_(session.lightMaterialDialog(*this)) {
    setWindowTitle(QStringLiteral("Dialog"));
    setModal(true);

    // Dialog units follow the dialog's font as they do on the classic
    // platform: a quarter of the average letter width, an eighth of the height.
    const QFontMetrics metrics(font());
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseUnitX_ = std::max(1, (letters + 26) / 52);
    baseUnitY_ = std::max(1, metrics.height());
    setFixedSize(dialogUnits(0, 0, 357, 204).size());

    auto* lightTitle = new QLabel(QString::fromUtf8("빛"), this);
    lightTitle->setGeometry(dialogUnits(78, 10, 30, 8));
    auto* materialTitle = new QLabel(QString::fromUtf8("재질"), this);
    materialTitle->setGeometry(dialogUnits(254, 10, 30, 8));

    for (int row = 0; row < 18; ++row) {
        const ColorControl& control = kColorControls[row];
        const bool light = row < 9;
        const int line = row % 9;
        const int top = kRowTops[line];
        auto* label = new QLabel(QString::fromUtf8(control.label), this);
        label->setGeometry(dialogUnits(light ? 13 : 184, top + 2, 14, 8));

        auto* bar = new DialogScrollBar(control.scrollBarId, *this, this);
        bar->setGeometry(dialogUnits(light ? 29 : 201, top, kScrollWidth, 11));
        scrollBars_[row] = bar;

        auto* box = new QLineEdit(this);
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::TabFocus);
        box->setGeometry(dialogUnits(light ? 125 : 295, top - 2, 40, 14));
        textBoxes_[row] = box;
    }

    okButton_ = new QPushButton(QString::fromUtf8("확인"), this);
    okButton_->setGeometry(dialogUnits(147, 178, 50, 14));
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    connect(okButton_, &QPushButton::clicked, this, [this] { handlers_.onCommand(1); });

    handlers_.onInitDialog();
    okButton_->setFocus();
}

QRect LightDialogWindow::dialogUnits(int x, int y, int width, int height) const {
    return QRect(x * baseUnitX_ / 4, y * baseUnitY_ / 8, width * baseUnitX_ / 4, height * baseUnitY_ / 8);
}

void LightDialogWindow::setScrollRange(int32_t scrollBarId, int32_t minimum, int32_t maximum) {
    if (DialogScrollBar* bar = scrollBar(scrollBarId)) {
        bar->blockSignals(true);
        bar->setRange(minimum, maximum);
        bar->blockSignals(false);
    }
}

void LightDialogWindow::setScrollPos(int32_t scrollBarId, int32_t position) {
    if (DialogScrollBar* bar = scrollBar(scrollBarId)) bar->placeThumb(position);
}

void LightDialogWindow::setText(int32_t textBoxId, const char* text) {
    if (QLineEdit* box = textBox(textBoxId)) box->setText(QString::fromUtf8(text));
}

void LightDialogWindow::endDialog(int32_t result) { done(result); }

void LightDialogWindow::scrollEvent(int32_t controlId, int32_t code, int32_t thumb) {
    // The thumb travels in a 16-bit field.
    handlers_.onScroll(controlId, code, thumb & 0xFFFF);
    if (scrolled) scrolled(controlId, code, thumb & 0xFFFF);
}

// Escape and the close box both arrive here.
void LightDialogWindow::reject() { handlers_.onCommand(2); }

DialogScrollBar* LightDialogWindow::scrollBar(int32_t scrollBarId) const {
    const int32_t row = colorControlRow(scrollBarId);
    return row < 0 ? nullptr : scrollBars_[row];
}

QLineEdit* LightDialogWindow::textBox(int32_t textBoxId) const {
    const int32_t row = colorTextBoxRow(textBoxId);
    return row < 0 ? nullptr : textBoxes_[row];
}

}  // namespace trivane
