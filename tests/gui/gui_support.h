#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include "../test_support.h"
#include "platform/client_area.h"
#include "platform/main_window.h"
#include "ui/session.h"

namespace trivane::gui {

// A session and a main window on it, fresh for each test function; renderer
// is the session's state. The window draws continuously, so that tests can
// wait for frames.
struct WindowFixture {
    std::unique_ptr<Session> session;
    std::unique_ptr<MainWindow> window;
    Renderer* renderer = nullptr;
    void open() {
        session = std::make_unique<Session>();
        renderer = &session->state();
        window = std::make_unique<MainWindow>(*session);
        window->setContinuous(true);
    }
    void close() { window.reset(), session.reset(), renderer = nullptr; }
};

inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held, modifiers);
    QApplication::sendEvent(widget, &event);
}

inline void sendWheel(QWidget* widget, QPoint at, int delta, Qt::MouseButtons held,
                      Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(QPointF(at), QPointF(widget->mapToGlobal(at)), QPoint(), QPoint(0, delta), held,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

inline void sendKey(QWidget* widget, QEvent::Type type, int key, bool autoRepeat,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(widget, &event);
}

}  // namespace trivane::gui
