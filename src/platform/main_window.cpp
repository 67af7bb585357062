#include "platform/main_window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "platform/background_loader.h"
#include "platform/client_area.h"
#include "platform/help_windows.h"
#include "platform/light_dialog_window.h"
#include "platform/model_file_chooser.h"
#include "raster/frame_layout.h"
#include "scene/files.h"
#include "ui/menu_ids.h"
#include "ui/model_load.h"
#include "ui/session.h"
#include "ui/text_lines.h"

namespace trivane {

namespace {

// Beside a picture that fits the window, room for the window lines.
constexpr int kSidePanelWidth = 300;
constexpr int kOuterWidth = 1100;
constexpr int kOuterHeight = 700;

int64_t nanosSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

MainWindow::MainWindow(Session& session, QWidget* parent) : QMainWindow(parent), session_(session) {
    setWindowTitle(QStringLiteral("Trivane"));
    buildMenuBar();
    recorder_.failed = [this](const std::string& message) {
        std::fprintf(stderr, "trivane: %s\n", message.c_str());
        // Shown once, without stopping the user: the viewer goes on.
        if (!isVisible()) return;
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Recording"),
                                    QString::fromLocal8Bit(message.c_str()), QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("recordingMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    clientArea_ = new ClientArea(session_, recorder_, this);
    setCentralWidget(clientArea_);
    loader_ = new BackgroundLoader(clientArea_, this);
    loader_->finished = [this](ModelLoad& load) { modelRead(load); };
    loader_->cancelled = [](const ModelLoad& load) {
        std::fprintf(stderr, "trivane: %s: the load was cancelled; the model on screen is kept\n", load.path().c_str());
    };
    clientArea_->setFocus();
    resize(kOuterWidth, kOuterHeight);
    std::set<int> shortcutKeys;
    for (const QAction* action : findChildren<QAction*>()) {
        for (const QKeySequence& keys : action->shortcuts()) {
            if (!keys.isEmpty()) shortcutKeys.insert(keys[keys.count() - 1].key());
        }
    }
    clientArea_->setShortcutKeys(std::move(shortcutKeys));
    clientArea_->inputArrived = [this] { requestFrame(); };
    clientArea_->resized = [this] { matchPictureToWindow(); };
    setAcceptDrops(true);

    const StartReport start = session_.start();
    session_.setRateFromDrawingTime(!continuous_);
    for (const std::string& line : start.notes) std::fprintf(stderr, "trivane: %s\n", line.c_str());
    if (!start.missing.empty()) {
        std::string text;
        for (const std::string& line : start.missing) {
            std::fprintf(stderr, "trivane: %s\n", line.c_str());
            text += (text.empty() ? "" : "\n\n") + line;
        }
        // Shown once the window is up; the window opens all the same.
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Trivane"), QString::fromStdString(text),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("startMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        QTimer::singleShot(0, box, [box] { box->open(); });
    }
    syncMenuChecks();

    // A zero-interval timer fires whenever the event queue is empty: the
    // loop's idle branch. It runs while frames can change (and always when
    // drawing continuously); otherwise the viewer sleeps until input comes.
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, &MainWindow::present);
    idle_.start();
}

void MainWindow::setContinuous(bool on) {
    continuous_ = on;
    session_.setRateFromDrawingTime(!on);
    syncMenuChecks();
    requestFrame();
}

bool MainWindow::classicWindowFits() const {
    const QScreen* shown = screen();
    if (shown == nullptr) return true;
    const QSize room = shown->availableGeometry().size();
    return room.width() >= kOuterWidth && room.height() >= kOuterHeight;
}

void MainWindow::setPictureFitsWindow(bool on) {
    fitsWindow_ = on;
    // A window that fits the screen it is on.
    if (on && !classicWindowFits() && screen() != nullptr) resize(screen()->availableGeometry().size() * 9 / 10);
    matchPictureToWindow();
    syncMenuChecks();
}

void MainWindow::matchPictureToWindow() {
    // At a higher pixel density a fitting picture has the screen's own
    // pixels, so it is sharp rather than doubled.
    const qreal density = fitsWindow_ ? clientArea_->devicePixelRatioF() : 1.0;
    int width = kFrameWidth, height = kFrameHeight;
    if (fitsWindow_) {
        width = static_cast<int>((clientArea_->width() - kSidePanelWidth) * density);
        height = static_cast<int>(clientArea_->height() * density);
        width = std::clamp(width, kMinPictureSide, kMaxPictureSide);
        height = std::clamp(height, kMinPictureSide, kMaxPictureSide);
    }
    clientArea_->setMinimumSize(fitsWindow_ ? QSize(kMinPictureSide + kSidePanelWidth, kMinPictureSide)
                                            : QSize(kFrameWidth, kFrameHeight));
    // The layout set the window's least size from the classic client area
    // once; it follows the client area's again.
    setMinimumSize(minimumSizeHint());
    clientArea_->setPictureDensity(density);
    const FramePixels picture = session_.picture();
    if (picture.width != width || picture.height != height) {
        session_.resizePicture(width, height);
        clientArea_->update();
        requestFrame();
    }
}

void MainWindow::requestFrame() {
    if (!idle_.isActive()) idle_.start();
}

std::optional<bool> MainWindow::itemChecked(int32_t id) const {
    if (id == menu::kRenderContinuously) return continuous_;
    if (id == menu::kPictureFitsWindow) return fitsWindow_;
    if (id == menu::kFullScreen) return isFullScreen();
    return session_.menuItemChecked(id);
}

void MainWindow::buildMenuBar() {
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);  // keep it in the window, above the client area
    for (int m = 0; m < menu::kMenuCount; ++m) {
        const menu::Menu& source = menu::kMenus[m];
        QMenu* dropDown = bar->addMenu(QString::fromUtf8(source.title));
        for (int i = 0; i < source.itemCount; ++i) {
            const menu::MenuItem& item = source.items[i];
            const QString text = QString::fromUtf8(item.text, menu::displayLength(item.text));
            QAction* action = dropDown->addAction(text);
            action->setData(item.id);
            if (item.shortcuts != nullptr) {
                action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(item.shortcuts)));
                // Also while the focus is in a help window beside the main one.
                action->setShortcutContext(Qt::ApplicationShortcut);
            }
            if (itemChecked(item.id)) {
                action->setCheckable(true);
                checkableItems_.push_back(action);
            }
            const int32_t id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { menuCommand(id); });
        }
        // Whatever changed the state, the marks are right when the menu opens.
        connect(dropDown, &QMenu::aboutToShow, this, &MainWindow::syncMenuChecks);
    }
}

void MainWindow::syncMenuChecks() {
    for (QAction* action : checkableItems_) {
        action->setChecked(itemChecked(action->data().toInt()).value_or(false));
    }
}

void MainWindow::menuCommand(int32_t id) {
    // The window's own view settings: not the session's, not recorded.
    if (id == menu::kRenderContinuously) return setContinuous(!continuous_);
    if (id == menu::kPictureFitsWindow) return setPictureFitsWindow(!fitsWindow_);
    if (id == menu::kFullScreen) {
        if (isFullScreen()) showNormal(); else showFullScreen();
        return syncMenuChecks();
    }
    // A load is recorded with its file once chosen, the dialog with its scrolls.
    if (id != menu::kLoadModel && id != menu::kLightMaterialDialog) recorder_.record(scripted(ScriptEvent::Kind::Menu, id));
    if (id == menu::kGlobeSphere || id == menu::kGeoSphere || id == menu::kIcoSphere || id == menu::kCube) {
        // The model chosen now is the one wanted, not a file still being read.
        loader_->cancel();
        setWindowTitle(QStringLiteral("Trivane"));
    }
    session_.menuCommand(*this, id);
    // Qt has already flipped the mark of the item chosen; the state decides.
    syncMenuChecks();
    requestFrame();
}

void MainWindow::requestQuit() { QCoreApplication::exit(0); }

void MainWindow::runLightMaterialDialog() {
    // A modal exec() runs a nested loop in which the idle step would keep
    // rendering; the picture stands still while the dialog is open.
    idle_.stop();
    {
        LightDialogWindow dialog(session_, this);
        bool scrolled = false;
        dialog.scrolled = [&](int32_t control, int32_t code, int32_t thumb) {
            recorder_.record(scripted(ScriptEvent::Kind::Dialog, control, code, thumb));
            scrolled = true;
        };
        dialog.exec();
        // Opened and closed untouched, as the script's menu command does it.
        if (!scrolled) recorder_.record(scripted(ScriptEvent::Kind::Menu, menu::kLightMaterialDialog));
    }
    idle_.start();
}

void MainWindow::showControls() {
    if (controlsWindow_ == nullptr) controlsWindow_ = createControlsWindow(this);
    controlsWindow_->show();
    controlsWindow_->raise();
}

void MainWindow::showAbout() {
    if (aboutWindow_ == nullptr) aboutWindow_ = createAboutWindow(this);
    aboutWindow_->show();
    aboutWindow_->raise();
}

void MainWindow::present() {
    if (!outerSizeFitted_) fitOuterSize();
    const auto start = std::chrono::steady_clock::now();
    session_.frame();
    recorder_.record(scripted(ScriptEvent::Kind::Frame));
    const auto rendered = std::chrono::steady_clock::now();
    stats_.renderNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(rendered - start).count();

    // A surface made anew for another pixel density is white: every line is
    // drawn again, and the whole client area shown again.
    if (clientArea_->matchSurfaceToScreen()) {
        windowLines_.forget();
        clientArea_->update();
    }
    TextLine windowLines[kWindowLineCount];
    const QRect pictureArea = clientArea_->pictureArea();
    session_.windowLines(windowLines, pictureArea.width() + 10);
    const QRect windowLinesArea = windowLines_.draw(clientArea_->surface(), windowLines, kWindowLineCount);
    TextLine pictureLines[kPictureLineCount];
    session_.pictureLines(pictureLines);
    pictureCells_.draw(session_.picture(), pictureLines, kPictureLineCount);
    // Only what changed goes to the screen: the picture, converted on its way
    // there, and the window lines drawn this frame.
    clientArea_->showPicture();
    clientArea_->repaint(QRegion(pictureArea) + windowLinesArea);

    stats_.presentNanos += nanosSince(rendered);
    ++stats_.frames;
    if (!continuous_ && !session_.wantsFrame()) idle_.stop();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    fitOuterSize();
}

// The 1100 x 700 include the frame that the window manager adds; its size is
// known only once the window is on the screen.
void MainWindow::fitOuterSize() {
    if (outerSizeFitted_ || fitsWindow_) return;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty()) return;
    outerSizeFitted_ = true;
    resize(kOuterWidth - frame.width(), kOuterHeight - frame.height());
}

}  // namespace trivane
