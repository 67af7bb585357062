#include "platform/background_loader.h"

#include <algorithm>

#include <QAction>
#include <QFileInfo>
#include <QProgressBar>

#include "platform/client_area.h"
#include "ui/model_load.h"

namespace trivane {

namespace {

// A load shorter than this shows no bar: it would only flicker.
constexpr int64_t kQuietMillis = 300;
constexpr int kProgressSteps = 1000;

}  // namespace

BackgroundLoader::BackgroundLoader(ClientArea* area, QWidget* window)
    : QObject(window), area_(area), bar_(new QProgressBar(area)), escape_(new QAction(window)) {
    bar_->setObjectName(QStringLiteral("loadProgress"));
    bar_->setRange(0, kProgressSteps);
    bar_->setTextVisible(true);
    bar_->hide();
    escape_->setShortcut(Qt::Key_Escape);
    escape_->setShortcutContext(Qt::WindowShortcut);
    escape_->setEnabled(false);
    window->addAction(escape_);
    connect(escape_, &QAction::triggered, this, [this] {
        if (!load_) return;
        const std::unique_ptr<ModelLoad> load = std::move(load_);
        load->cancel();
        stopWorker();
        if (cancelled) cancelled(*load);
    });
    progressTimer_.setInterval(50);
    connect(&progressTimer_, &QTimer::timeout, this, &BackgroundLoader::showProgress);
}

BackgroundLoader::~BackgroundLoader() {
    // The bar may be gone with the window already: only the worker is ended.
    if (load_) load_->cancel();
    if (worker_.joinable()) worker_.join();
}

void BackgroundLoader::start(std::unique_ptr<ModelLoad> load) {
    cancel();
    if (!load) return;
    load_ = std::move(load);
    const uint64_t number = ++number_;
    ModelLoad* job = load_.get();
    worker_ = std::thread([this, job, number, stepped = stepped] {
        job->run(stepped);
        QMetaObject::invokeMethod(this, [this, number] { done(number); }, Qt::QueuedConnection);
    });
    elapsed_.start();
    escape_->setEnabled(true);
    progressTimer_.start();
}

void BackgroundLoader::stopWorker() {
    if (worker_.joinable()) worker_.join();
    progressTimer_.stop();
    bar_->hide();
    escape_->setEnabled(false);
}

void BackgroundLoader::cancel() {
    if (!load_) return;
    load_->cancel();
    stopWorker();
    load_.reset();
}

void BackgroundLoader::done(uint64_t number) {
    // A load cancelled or replaced since has nothing to report.
    if (number != number_ || !load_) return;
    stopWorker();
    const std::unique_ptr<ModelLoad> load = std::move(load_);
    if (finished) finished(*load);
}

void BackgroundLoader::showProgress() {
    if (!load_ || elapsed_.elapsed() < kQuietMillis) return;
    const int64_t total = load_->bytesTotal(), read = load_->bytesRead();
    if (total > 0) {
        bar_->setRange(0, kProgressSteps);
        bar_->setValue(static_cast<int>(std::min<int64_t>(read, total) * kProgressSteps / total));
    } else {
        // A size not known (or an import, which tells nothing until done):
        // an empty bar that still says what is loading and how to stop it,
        // which a busy bar's style would not show.
        bar_->setRange(0, 1);
        bar_->setValue(0);
    }
    const QString name = QFileInfo(QString::fromLocal8Bit(load_->path().c_str())).fileName();
    bar_->setFormat(total > 0 ? QStringLiteral("Loading %1: %p% (Esc cancels)").arg(name)
                              : QStringLiteral("Loading %1 (Esc cancels)").arg(name));
    const QRect picture = area_->pictureArea();
    const int width = std::min(360, picture.width() - 16);
    const int height = bar_->sizeHint().height();
    bar_->setGeometry(picture.left() + 8, picture.bottom() - 8 - height, width, height);
    if (!bar_->isVisible()) bar_->show();
    bar_->raise();
}

}  // namespace trivane
