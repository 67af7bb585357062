#include "platform/client_area.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include "math/numeric.h"
#include "platform/frame_image.h"
#include "platform/input_mapping.h"
#include "platform/input_recorder.h"
#include "raster/frame_layout.h"
#include "ui/session.h"

namespace trivane {

namespace {

}  // namespace

int32_t ClientArea::pictureCoordinate(double value) const { return truncToInt32(std::floor(value * pictureDensity_)); }

QRect ClientArea::pictureArea() const {
    const FramePixels picture = session_.picture();
    return QRect(0, 0, static_cast<int>(std::ceil(picture.width / pictureDensity_)),
                 static_cast<int>(std::ceil(picture.height / pictureDensity_)));
}

void ClientArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (resized) resized();
}

ClientArea::ClientArea(Session& session, InputRecorder& recorder, QWidget* parent)
    : QWidget(parent), session_(session), recorder_(recorder), surface_(kSurfaceWidth, kFrameHeight, QImage::Format_RGB32) {
    surface_.fill(Qt::white);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // Pointer moves arrive with or without a button held, as on the classic
    // platform; the handler ignores them unless a drag is on.
    setMouseTracking(true);
    setMinimumSize(kFrameWidth, kFrameHeight);
}

bool ClientArea::matchSurfaceToScreen() {
    const qreal ratio = devicePixelRatioF();
    // As tall as the widget, never shorter than the classic picture.
    const int units = std::max(kFrameHeight, height());
    const int pixelsHigh = static_cast<int>(std::ceil(units * ratio));
    if (surface_.devicePixelRatio() == ratio && surface_.height() == pixelsHigh) return false;
    const int pixelsWide = static_cast<int>(std::ceil(kSurfaceWidth * ratio));
    surface_ = QImage(pixelsWide, pixelsHigh, QImage::Format_RGB32);
    surface_.setDevicePixelRatio(ratio);
    surface_.fill(Qt::white);
    return true;
}

bool ClientArea::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    bool input = false;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel: input = true; break;
        case QEvent::MouseMove: input = static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton; break;
        default: break;
    }
    if (input && inputArrived) inputArrived();
    return handled;
}

void ClientArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Scaled pictures stay sharp: every picture pixel becomes a block of
    // screen pixels, never a blend of its neighbours.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    QRegion kept = event->region();
    const QRect pictureRect = pictureArea();
    if (pictureShown_ && session_.picture().bits != nullptr) {
        const QRegion picture = kept & pictureRect;
        if (!picture.isEmpty()) paintPicture(painter, picture);
        kept -= picture;
    }
    // Rectangle by rectangle: a bounding rectangle could reach over the
    // picture just painted. The surface is in screen pixels, the areas in
    // the widget's units.
    const qreal ratio = surface_.devicePixelRatio();
    for (const QRect& area : kept) {
        painter.drawImage(QRectF(area), surface_,
                          QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
    }
    // What lies beyond the kept surface is erased with the window's white.
    const QRect area = event->rect();
    const int surfaceHeight = static_cast<int>(surface_.height() / ratio);
    if (area.bottom() >= surfaceHeight) {
        painter.fillRect(QRect(area.left(), surfaceHeight, area.width(), area.bottom() - surfaceHeight + 1), Qt::white);
    }
    if (area.right() >= kSurfaceWidth) {
        painter.fillRect(QRect(kSurfaceWidth, area.top(), area.right() - kSurfaceWidth + 1, area.height()), Qt::white);
    }
}

void ClientArea::paintPicture(QPainter& painter, const QRegion& picture) {
    // The picture goes from the framebuffer straight into the image being
    // painted (normally the window's backing store), converted on the way:
    // one pass over the pixels instead of a conversion into the surface and a
    // copy from there. That needs a plain image at whole-pixel offsets; the
    // region is what the painter may touch, so nothing outside it is written.
    // On any other device, or scaled for a screen of higher pixel density,
    // the picture goes through an image of its own and the painter.
    const QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
    const QTransform toDevice = painter.deviceTransform();
    const QPoint offset(static_cast<int>(toDevice.dx()), static_cast<int>(toDevice.dy()));
    if (pictureDensity_ == 1.0 && device != nullptr && device->devType() == QInternal::Image &&
        toDevice.type() <= QTransform::TxTranslate && offset.x() == toDevice.dx() && offset.y() == toDevice.dy()) {
        // Not detached, bits() would write into a copy that nobody shows.
        QImage& image = *static_cast<QImage*>(device);
        bool written = image.isDetached();
        for (auto area = picture.begin(); written && area != picture.end(); ++area) {
            written = copyFrameToImage(session_.picture(), image, *area, area->topLeft() + offset);
        }
        if (written) return;
    }
    const FramePixels pixels = session_.picture();
    if (picture_.size() != QSize(pixels.width, pixels.height))
        picture_ = QImage(pixels.width, pixels.height, QImage::Format_RGB32);
    copyFrameToImage(pixels, picture_, QRect(0, 0, pixels.width, pixels.height), QPoint(0, 0));
    // A picture at the screen's density lands pixel for pixel.
    const qreal d = pictureDensity_;
    for (const QRect& area : picture)
        painter.drawImage(QRectF(area), picture_, QRectF(area.x() * d, area.y() * d, area.width() * d, area.height() * d));
}

void ClientArea::keyPressEvent(QKeyEvent* event) {
    if (isMenuKey(event->key(), event->modifiers())) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (shortcutKeys_.count(event->key()) != 0) shortcutKeysPressedHere_.insert(event->key());
    // An auto-repeat of a held key is one more press.
    const int32_t code = virtualKeyCode(event->key());
    recorder_.record(scripted(ScriptEvent::Kind::Down, code));
    session_.key(code, true);
}

void ClientArea::keyReleaseEvent(QKeyEvent* event) {
    if (isMenuKey(event->key(), event->modifiers())) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    // Qt sends a release before every auto-repeated press; the key is still
    // held, so that is not a release.
    if (event->isAutoRepeat()) return;
    // The press of a menu shortcut (F1, or the S of Ctrl+S) went to the menu;
    // its release alone would stop the re-transform of a key still held.
    if (shortcutKeys_.count(event->key()) != 0 && shortcutKeysPressedHere_.erase(event->key()) == 0) return;
    const int32_t code = virtualKeyCode(event->key());
    recorder_.record(scripted(ScriptEvent::Kind::Up, code));
    session_.key(code, false);
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    const int32_t x = pictureCoordinate(event->position().x());
    const int32_t y = pictureCoordinate(event->position().y());
    using K = ScriptEvent::Kind;
    if (event->button() == Qt::LeftButton) {
        recorder_.record(scripted(K::LeftDown, x, y));
        session_.leftButtonDown(x, y);
    }
    if (event->button() == Qt::RightButton) {
        recorder_.record(scripted(K::RightDown, x, y));
        session_.rightButtonDown(x, y);
    }
}

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
    using K = ScriptEvent::Kind;
    if (event->button() == Qt::LeftButton) {
        recorder_.record(scripted(K::LeftUp));
        session_.leftButtonUp();
    }
    if (event->button() == Qt::RightButton) {
        recorder_.record(scripted(K::RightUp));
        session_.rightButtonUp();
    }
}

// No double clicks: the second click is one more press.
void ClientArea::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
    // While a button is held Qt keeps sending moves beyond the window's edge,
    // with negative coordinates there; they go to the handler as they are so
    // that the drag keeps its direction.
    const int32_t x = pictureCoordinate(event->position().x()), y = pictureCoordinate(event->position().y());
    recorder_.record(scripted(ScriptEvent::Kind::Move, x, y));
    session_.mouseMove(x, y);
}

void ClientArea::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    // A sideways wheel or a zero-length scroll phase is no turn of the wheel.
    if (delta == 0) return;
    const int32_t raw = wheelWord(delta, event->buttons(), event->modifiers());
    recorder_.record(scripted(ScriptEvent::Kind::Wheel, raw));
    session_.mouseWheel(raw);
}

// Tab is a key like any other here, not a focus move.
bool ClientArea::focusNextPrevChild(bool) { return false; }

}  // namespace trivane
