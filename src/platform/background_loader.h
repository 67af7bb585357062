#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QAction;
class QProgressBar;
class QWidget;

namespace trivane {

class ClientArea;
class ModelLoad;

// Reads model files on a worker thread while the window goes on drawing the
// model on screen. A load that takes longer than 0.3 s shows a progress bar
// in the picture's corner; Esc cancels it, and the model on screen stays.
class BackgroundLoader : public QObject {
    Q_OBJECT
public:
    // The bar lies over area; window carries the Esc action.
    BackgroundLoader(ClientArea* area, QWidget* window);
    ~BackgroundLoader() override;

    // Starts reading, in place of any load still pending.
    void start(std::unique_ptr<ModelLoad> load);
    // Stops a pending load: nothing is installed, nothing is told.
    void cancel();
    bool busy() const { return load_ != nullptr; }
    // Told on the window's thread once a load has been read through.
    std::function<void(ModelLoad&)> finished;
    // Told when Esc cancelled a load.
    std::function<void(const ModelLoad&)> cancelled;
    // Told on the worker after every megabyte read (tests pace loads with it).
    std::function<void()> stepped;

private:
    void showProgress();
    void done(uint64_t number);
    void stopWorker();

    ClientArea* area_;
    QProgressBar* bar_;
    QAction* escape_;
    QTimer progressTimer_;
    QElapsedTimer elapsed_;
    std::unique_ptr<ModelLoad> load_;
    std::thread worker_;
    uint64_t number_ = 0;  // which load a finished worker reports on
};

}  // namespace trivane
