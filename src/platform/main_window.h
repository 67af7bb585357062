#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QTimer>

#include "platform/input_recorder.h"
#include "platform/text_painter.h"
#include "ui/platform_services.h"

namespace trivane {

class BackgroundLoader;
class ClientArea;
class ModelLoad;
class Session;

// What presenting has cost so far, in nanoseconds summed over the frames.
struct PresentStats {
    int64_t frames = 0;
    int64_t renderNanos = 0;   // the frame alone
    int64_t presentNanos = 0;  // text lines, conversion and the copy to the screen
};

// The main window "Trivane": menu bar, client area, and the loop's idle step
// that renders and shows a frame whenever no event is waiting.
class MainWindow : public QMainWindow, public PlatformServices {
    Q_OBJECT
public:
    // Starts the session as at window creation; frames start once the event
    // loop runs.
    explicit MainWindow(Session& session, QWidget* parent = nullptr);

    // PlatformServices
    void requestQuit() override;
    void runLightMaterialDialog() override;
    std::optional<std::string> pickModelFile() override;
    void showLoadReport(const std::string& path, const LoadReport& report) override;
    std::optional<std::string> pickPictureFile() override;
    void pictureNotSaved(const std::string& path, const std::string& why) override;
    void showControls() override;
    void showAbout() override;

    // One idle step: render the frame, draw the text lines, show the picture.
    void present();
    // A menu command as the window procedure handles it.
    void menuCommand(int32_t id);
    // Loads a model file as Load ASE does once a file is chosen (the file
    // argument, a drop, the chooser). The file is read on a worker while the
    // model on screen goes on being drawn; the model read replaces it then.
    void openModelFile(const std::string& path);
    BackgroundLoader& loader() const { return *loader_; }
    // Writes the input from now on as a trivane-render event script; false
    // when the file cannot be written.
    bool recordTo(const std::string& path) { return recorder_.recordTo(path); }
    // Puts the recording in place; false, said on stderr, when it cannot be.
    bool finishRecording() { return recorder_.finish(); }
    const std::string& recordingProblem() const { return recorder_.why(); }
    // Frames without pause, as the classic loop drew them (View > Render
    // Continuously); off, a frame is drawn only when something can change it.
    void setContinuous(bool on);
    // The picture fills the client area left of the window lines and follows
    // every resize (View > Picture Fits Window); off, it is the classic
    // 800 x 600.
    void setPictureFitsWindow(bool on);
    bool pictureFitsWindow() const { return fitsWindow_; }
    // Whether the classic 1100 x 700 window fits the screen's free area.
    bool classicWindowFits() const;

    ClientArea* clientArea() const { return clientArea_; }
    const PresentStats& stats() const { return stats_; }
    bool idleRunning() const { return idle_.isActive(); }

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenuBar();
    // Check marks from the state in force.
    void syncMenuChecks();
    std::optional<bool> itemChecked(int32_t id) const;
    // Draws the next frame as soon as no event is waiting.
    void requestFrame();
    // Whether a chosen model file can be opened; says why not where it cannot.
    bool readable(const std::string& path);
    // A model file read through: installed, told and framed.
    void modelRead(ModelLoad& load);
    // The picture's size for the client area as it is now.
    void matchPictureToWindow();
    void fitOuterSize();

    Session& session_;
    InputRecorder recorder_;
    ClientArea* clientArea_ = nullptr;
    BackgroundLoader* loader_ = nullptr;
    QTimer idle_;
    bool continuous_ = false;
    bool fitsWindow_ = false;
    bool modelOpened_ = false;  // the last load installed a model
    PresentStats stats_;
    bool outerSizeFitted_ = false;
    WindowLinePainter windowLines_;
    TextLineCells pictureCells_;
    std::vector<QAction*> checkableItems_;
    QDialog* controlsWindow_ = nullptr;
    QDialog* aboutWindow_ = nullptr;
};

}  // namespace trivane
