#pragma once

#include <cstdint>
#include <functional>

#include <QDialog>
#include <QScrollBar>

#include "ui/light_dialog.h"

class QLineEdit;
class QLabel;
class QPushButton;

namespace trivane {

class Session;
class LightDialogWindow;

// A horizontal scroll bar that reports the classic notification codes to
// the dialog handlers and lets them, not Qt, decide where the thumb stays:
// line and page actions, then one end-scroll when the mouse lets go; thumb
// tracking while dragged, then thumb-position and end-scroll on release.
class DialogScrollBar : public QScrollBar {
    Q_OBJECT
public:
    DialogScrollBar(int32_t controlId, LightDialogWindow& owner, QWidget* parent);
    int32_t controlId() const { return controlId_; }
    // The position the handlers chose, without echoing notifications.
    void placeThumb(int32_t position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void onAction(int action);
    void onSliderMoved(int position);
    void onSliderReleased();
    void send(int32_t code, int32_t thumb);

    int32_t controlId_;
    LightDialogWindow& owner_;
    bool mouseHeld_ = false;
    bool endPending_ = false;
    bool placing_ = false;
};

// The light and material dialog: two groups of nine rows (label, scroll bar
// 0..100, read-only text box) and the "확인" button, laid out in dialog
// units of its font. The handlers of LightMaterialDialog drive it.
class LightDialogWindow : public QDialog, public DialogControls {
    Q_OBJECT
public:
    LightDialogWindow(Session& session, QWidget* parent = nullptr);

    // DialogControls
    void setScrollRange(int32_t scrollBarId, int32_t minimum, int32_t maximum) override;
    void setScrollPos(int32_t scrollBarId, int32_t position) override;
    void setText(int32_t textBoxId, const char* text) override;
    void endDialog(int32_t result) override;

    // One notification of a scroll bar, as the handlers receive it.
    virtual void scrollEvent(int32_t controlId, int32_t code, int32_t thumb);
    // Told of every notification after the handlers (for a recording).
    std::function<void(int32_t controlId, int32_t code, int32_t thumb)> scrolled;

    // For tests and screenshots: the controls of one row of the table.
    DialogScrollBar* scrollBar(int32_t scrollBarId) const;
    QLineEdit* textBox(int32_t textBoxId) const;
    QPushButton* okButton() const { return okButton_; }

public slots:
    void reject() override;

private:
    QRect dialogUnits(int x, int y, int width, int height) const;

    LightMaterialDialog handlers_;
    DialogScrollBar* scrollBars_[18] = {};
    QLineEdit* textBoxes_[18] = {};
    QPushButton* okButton_ = nullptr;
    int baseUnitX_ = 6;
    int baseUnitY_ = 13;
};

}  // namespace trivane
