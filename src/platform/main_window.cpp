#include "platform/main_window.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include "core/renderer.h"
#include "math/numeric.h"
#include "platform/frame_image.h"
#include "platform/help_windows.h"
#include "platform/input_mapping.h"
#include "platform/light_dialog_window.h"
#include "platform/model_file_chooser.h"
#include "platform/text_painter.h"
#include "scene/files.h"
#include "ui/menu_ids.h"
#include "ui/text_lines.h"

namespace trivane {

namespace {

constexpr int kOuterWidth = 1100;
constexpr int kOuterHeight = 700;
// Wide enough for window lines holding values of any magnitude.
constexpr int kSurfaceWidth = 2400;

int64_t nanosSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

int32_t clientCoordinate(double value) { return truncToInt32(std::floor(value)); }

ScriptEvent scripted(ScriptEvent::Kind kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, std::string path = {}) {
    ScriptEvent event;
    event.kind = kind;
    event.a = a;
    event.b = b;
    event.c = c;
    event.path = std::move(path);
    return event;
}

bool sameLine(const TextLine& a, const TextLine& b) {
    return a.x == b.x && a.y == b.y && a.length == b.length && std::memcmp(a.text, b.text, sizeof a.text) == 0;
}

}  // namespace

ClientArea::ClientArea(Renderer& renderer, QWidget* parent)
    : QWidget(parent), renderer_(renderer), surface_(kSurfaceWidth, kFrameHeight, QImage::Format_RGB32) {
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
    if (surface_.devicePixelRatio() == ratio) return false;
    const int width = static_cast<int>(std::ceil(kSurfaceWidth * ratio));
    const int height = static_cast<int>(std::ceil(kFrameHeight * ratio));
    surface_ = QImage(width, height, QImage::Format_RGB32);
    surface_.setDevicePixelRatio(ratio);
    surface_.fill(Qt::white);
    return true;
}

void ClientArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Scaled pictures stay sharp: every picture pixel becomes a block of
    // screen pixels, never a blend of its neighbours.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    QRegion kept = event->region();
    if (pictureShown_ && renderer_.frameBits != nullptr) {
        const QRegion picture = kept & QRect(0, 0, kFrameWidth, kFrameHeight);
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
    if (area.bottom() >= kFrameHeight) {
        painter.fillRect(QRect(area.left(), kFrameHeight, area.width(), area.bottom() - kFrameHeight + 1), Qt::white);
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
    if (device != nullptr && device->devType() == QInternal::Image && toDevice.type() <= QTransform::TxTranslate &&
        offset.x() == toDevice.dx() && offset.y() == toDevice.dy()) {
        // Not detached, bits() would write into a copy that nobody shows.
        QImage& image = *static_cast<QImage*>(device);
        bool written = image.isDetached();
        for (auto area = picture.begin(); written && area != picture.end(); ++area) {
            written = copyFrameToImage(renderer_.frameBits, image, *area, area->topLeft() + offset);
        }
        if (written) return;
    }
    if (picture_.isNull()) picture_ = QImage(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
    copyFrameToImage(renderer_.frameBits, picture_, QRect(0, 0, kFrameWidth, kFrameHeight), QPoint(0, 0));
    for (const QRect& area : picture) painter.drawImage(area.topLeft(), picture_, area);
}

void ClientArea::keyPressEvent(QKeyEvent* event) {
    if (isMenuKey(event->key(), event->modifiers())) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (shortcutKeys_.count(event->key()) != 0) shortcutKeysPressedHere_.insert(event->key());
    // An auto-repeat of a held key is one more press.
    const int32_t code = virtualKeyCode(event->key());
    if (recordInput) recordInput(scripted(ScriptEvent::Kind::Down, code));
    renderer_.onKey(code, 1);
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
    if (recordInput) recordInput(scripted(ScriptEvent::Kind::Up, code));
    renderer_.onKey(code, 0);
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    const int32_t x = clientCoordinate(event->position().x());
    const int32_t y = clientCoordinate(event->position().y());
    using K = ScriptEvent::Kind;
    if (event->button() == Qt::LeftButton) {
        if (recordInput) recordInput(scripted(K::LeftDown, x, y));
        renderer_.onLeftButtonDown(x, y);
    }
    if (event->button() == Qt::RightButton) {
        if (recordInput) recordInput(scripted(K::RightDown, x, y));
        renderer_.onRightButtonDown(x, y);
    }
}

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
    using K = ScriptEvent::Kind;
    if (event->button() == Qt::LeftButton) {
        if (recordInput) recordInput(scripted(K::LeftUp));
        renderer_.onLeftButtonUp();
    }
    if (event->button() == Qt::RightButton) {
        if (recordInput) recordInput(scripted(K::RightUp));
        renderer_.onRightButtonUp();
    }
}

// No double clicks: the second click is one more press.
void ClientArea::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
    // While a button is held Qt keeps sending moves beyond the window's edge,
    // with negative coordinates there; they go to the handler as they are so
    // that the drag keeps its direction.
    const int32_t x = clientCoordinate(event->position().x()), y = clientCoordinate(event->position().y());
    if (recordInput) recordInput(scripted(ScriptEvent::Kind::Move, x, y));
    renderer_.onMouseMove(x, y);
}

void ClientArea::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    // A sideways wheel or a zero-length scroll phase is no turn of the wheel.
    if (delta == 0) return;
    const int32_t raw = wheelWord(delta, event->buttons(), event->modifiers());
    if (recordInput) recordInput(scripted(ScriptEvent::Kind::Wheel, raw));
    renderer_.onMouseWheel(raw);
}

// Tab is a key like any other here, not a focus move.
bool ClientArea::focusNextPrevChild(bool) { return false; }

MainWindow::MainWindow(Renderer& renderer, QWidget* parent) : QMainWindow(parent), renderer_(renderer) {
    setWindowTitle(QStringLiteral("Trivane"));
    buildMenuBar();
    clientArea_ = new ClientArea(renderer_, this);
    setCentralWidget(clientArea_);
    clientArea_->setFocus();
    resize(kOuterWidth, kOuterHeight);
    std::set<int> shortcutKeys;
    for (const QAction* action : findChildren<QAction*>()) {
        for (const QKeySequence& keys : action->shortcuts()) {
            if (!keys.isEmpty()) shortcutKeys.insert(keys[keys.count() - 1].key());
        }
    }
    clientArea_->setShortcutKeys(std::move(shortcutKeys));
    clientArea_->recordInput = [this](const ScriptEvent& event) { record(event); };
    setAcceptDrops(true);

    renderer_.createFrameBitmap(kFrameWidth, kFrameHeight);
    renderer_.initialise();
    renderer_.setDirty(true);
    syncMenuChecks();

    // A zero-interval timer fires whenever the event queue is empty: the
    // loop's idle branch. Its rate is bounded only by the work per frame.
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, &MainWindow::present);
    idle_.start();
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
            if (menuItemChecked(renderer_, item.id)) {
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
        action->setChecked(menuItemChecked(renderer_, action->data().toInt()).value_or(false));
    }
}

void MainWindow::menuCommand(int32_t id) {
    // A load is recorded with its file once chosen, the dialog with its scrolls.
    if (id != menu::kLoadModel && id != menu::kLightMaterialDialog) record(scripted(ScriptEvent::Kind::Menu, id));
    if (id == menu::kGlobeSphere || id == menu::kGeoSphere || id == menu::kIcoSphere || id == menu::kCube)
        setWindowTitle(QStringLiteral("Trivane"));
    renderer_.onMenuCommand(*this, id);
    renderer_.setDirty(true);
    // Qt has already flipped the mark of the item chosen; the state decides.
    syncMenuChecks();
}

void MainWindow::requestQuit() { QCoreApplication::exit(0); }

void MainWindow::runLightMaterialDialog() {
    // A modal exec() runs a nested loop in which the idle step would keep
    // rendering; the picture stands still while the dialog is open.
    idle_.stop();
    {
        LightDialogWindow dialog(renderer_, this);
        bool scrolled = false;
        dialog.scrolled = [&](int32_t control, int32_t code, int32_t thumb) {
            record(scripted(ScriptEvent::Kind::Dialog, control, code, thumb));
            scrolled = true;
        };
        dialog.exec();
        // Opened and closed untouched, as the script's menu command does it.
        if (!scrolled) record(scripted(ScriptEvent::Kind::Menu, menu::kLightMaterialDialog));
    }
    idle_.start();
}

std::optional<std::string> MainWindow::pickModelFile() {
    std::optional<std::string> path;
    if (pendingModelPath_) {
        path.swap(pendingModelPath_);
    } else {
        idle_.stop();
        path = chooseModelFile(this);
        idle_.start();
    }
    if (path) {
        // The script cannot carry a ';' inside a path.
        if (recording_.is_open() && path->find(';') != std::string::npos)
            std::fprintf(stderr, "trivane: the recording cannot name %s (it holds a ';')\n", path->c_str());
        record(scripted(ScriptEvent::Kind::Load, 0, 0, 0, *path));
    }
    return path;
}

void MainWindow::openModelFile(const std::string& path) {
    if (path.size() > static_cast<size_t>(menu::kMaxModelPathBytes)) {
        LoadReport tooLong;
        tooLong.failure = "the path is longer than " + std::to_string(menu::kMaxModelPathBytes) + " bytes";
        showLoadReport(path, tooLong);
        return;
    }
    pendingModelPath_ = path;
    menuCommand(menu::kLoadModel);
    pendingModelPath_.reset();
}

bool MainWindow::recordTo(const std::string& path) {
    recording_.open(path, std::ios::binary | std::ios::trunc);
    return recording_.is_open();
}

void MainWindow::record(const ScriptEvent& event) {
    if (!recording_.is_open()) return;
    recording_ << formatEvent(event) << (event.kind == ScriptEvent::Kind::Frame ? ";\n" : ";");
    if (event.kind == ScriptEvent::Kind::Frame) recording_.flush();
}

namespace {

// The first local file of a drag that looks like a model.
std::optional<QString> droppedModel(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".ase"), Qt::CaseInsensitive))
            return url.toLocalFile();
    }
    return std::nullopt;
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedModel(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::optional<QString> file = droppedModel(event->mimeData());
    if (!file) return;
    event->acceptProposedAction();
    const QByteArray name = QFile::encodeName(*file);
    openModelFile(std::string(name.constData(), static_cast<size_t>(name.size())));
}

void MainWindow::showLoadReport(const std::string& path, const LoadReport& report) {
    const std::string message = report.message(path);
    if (report.loaded()) {
        const std::string shown = report.fellBack ? std::string(kDefaultModelPath) : path;
        setWindowTitle(QFileInfo(QFile::decodeName(shown.c_str())).fileName() + QStringLiteral(" - Trivane"));
    }
    if (message.empty()) return;
    std::fprintf(stderr, "trivane: %s\n", message.c_str());
    // Ignored lines of a file that loaded only go to the terminal; a failure
    // or a fall-back changes what the user expected to see, so it is shown.
    if (report.loaded() && !report.fellBack) return;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Load ASE"), QString::fromStdString(message),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("loadMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

std::optional<std::string> MainWindow::pickPictureFile() {
    // The picture stands still while the chooser is open, so what is saved is
    // what was on the screen when the command came.
    idle_.stop();
    QFileDialog dialog(this, QStringLiteral("Save Picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(QStringLiteral("PNG image (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.selectFile(QStringLiteral("trivane.png"));
    std::optional<std::string> path;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QByteArray name = QFile::encodeName(dialog.selectedFiles().front());
        path = std::string(name.constData(), static_cast<size_t>(name.size()));
    }
    idle_.start();
    return path;
}

void MainWindow::pictureNotSaved(const std::string& path) {
    idle_.stop();
    const QString name = QFile::decodeName(path.c_str());
    QMessageBox::warning(this, QStringLiteral("Save Picture"),
                         QStringLiteral("The picture could not be written to\n%1").arg(name));
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
    renderer_.renderFrame();
    record(scripted(ScriptEvent::Kind::Frame));
    const auto rendered = std::chrono::steady_clock::now();
    stats_.renderNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(rendered - start).count();

    renderer_.presentWidth = kFrameWidth;
    renderer_.presentHeight = kFrameHeight;
    drawWindowLines();
    TextLine pictureLines[kPictureLineCount];
    formatPictureLines(renderer_, pictureLines);
    pictureCells_.draw(renderer_, pictureLines, kPictureLineCount);
    // Only what changed goes to the screen: the picture, converted on its way
    // there, and the window lines drawn this frame.
    clientArea_->showPicture();
    clientArea_->repaint(QRegion(0, 0, kFrameWidth, kFrameHeight) + windowLinesArea_);

    stats_.presentNanos += nanosSince(rendered);
    ++stats_.frames;
}

void MainWindow::drawWindowLines() {
    TextLine lines[kWindowLineCount];
    formatWindowLines(renderer_, lines);
    windowLinesArea_ = QRect();
    // A surface made anew for another pixel density is white: every line is
    // drawn again, and the whole client area shown again.
    if (clientArea_->matchSurfaceToScreen()) {
        windowLinesDrawn_ = false;
        clientArea_->update();
    }
    // Drawing a line over itself changes no pixel, so the lines are drawn from
    // the first one that differs from the last frame's (and all after it, to
    // keep the table's order where cells might overlap).
    int first = 0;
    while (first < kWindowLineCount && windowLinesDrawn_ && sameLine(lines[first], lastWindowLines_[first])) ++first;
    if (first == kWindowLineCount) return;

    // The same look as the picture lines: the default font without
    // antialiasing, black on white. The white cell reaches to the surface's
    // right edge, not just as far as the text: blanks at the end of a line
    // are narrower than the digits they replace, and a shorter line drawn
    // over a longer one left the longer one's last characters standing.
    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    QImage& surface = clientArea_->surface();
    const QFontMetrics metrics(font, &surface);
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int i = first; i < kWindowLineCount; ++i) {
        const TextLine& line = lines[i];
        const QString text = QString::fromLatin1(line.text, std::clamp<int>(line.length, 0, sizeof line.text));
        const QRect cell(line.x, line.y, kSurfaceWidth - line.x, metrics.height());
        windowLinesArea_ |= cell;
        painter.fillRect(cell, Qt::white);
        painter.drawText(QPoint(line.x, line.y + metrics.ascent()), text);
        lastWindowLines_[i] = line;
    }
    windowLinesDrawn_ = true;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    fitOuterSize();
}

// The 1100 x 700 include the frame that the window manager adds; its size is
// known only once the window is on the screen.
void MainWindow::fitOuterSize() {
    if (outerSizeFitted_) return;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty()) return;
    outerSizeFitted_ = true;
    resize(kOuterWidth - frame.width(), kOuterHeight - frame.height());
}

}  // namespace trivane
