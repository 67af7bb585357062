// The window's files: choosing and opening models (read in the background),
// drops, what a load says, and saving the picture.
#include <cstdio>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

#include "platform/background_loader.h"
#include "scene/model_formats.h"
#include "platform/main_window.h"
#include "platform/model_file_chooser.h"
#include "scene/files.h"
#include "ui/menu_ids.h"
#include "ui/model_load.h"
#include "ui/session.h"

namespace trivane {

std::optional<std::string> MainWindow::pickModelFile() {
    idle_.stop();
    std::optional<std::string> path = chooseModelFile(this);
    idle_.start();
    // Read in the background: the session has nothing to do now.
    if (path) openModelFile(*path);
    return std::nullopt;
}

bool MainWindow::readable(const std::string& path) {
    // The loader would read the default model in place of a file it cannot
    // open; here the user chose this file, so it is said instead.
    LoadReport refused;
    if (path.size() > static_cast<size_t>(menu::kMaxModelPathBytes)) {
        refused.failure = "the path is longer than " + std::to_string(menu::kMaxModelPathBytes) + " bytes";
    } else if (const std::string why = whyUnreadable(path.c_str()); !why.empty()) {
        refused.failure = "cannot open it (" + why + ")";
    } else {
        return true;
    }
    showLoadReport(path, refused);
    return false;
}

void MainWindow::openModelFile(const std::string& path) {
    if (readable(path)) loader_->start(session_.prepareLoad(path));
}

void MainWindow::modelRead(ModelLoad& load) {
    // Recorded where it takes effect, after the frames drawn while reading,
    // so that a replay loads it at the same point.
    recorder_.record(scripted(ScriptEvent::Kind::Load, 0, 0, 0, load.path()));
    modelOpened_ = false;
    session_.finishLoad(*this, load);
    // Framed as it opens: real exports come at any scale and turn. The
    // framing is recorded as its own command, so a replay gives this picture.
    if (modelOpened_) menuCommand(menu::kFrameModel);
    syncMenuChecks();
    requestFrame();
}

namespace {

// The first local file of a drag that looks like a model.
std::optional<QString> droppedModel(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && looksLikeModel(url.toLocalFile().toStdString())) return url.toLocalFile();
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
    modelOpened_ = report.loaded();
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

void MainWindow::pictureNotSaved(const std::string& path, const std::string& why) {
    idle_.stop();
    const QString name = QFile::decodeName(path.c_str());
    QMessageBox::warning(this, QStringLiteral("Save Picture"),
                         QStringLiteral("The picture could not be written to\n%1\n(%2); an earlier file of that name "
                                        "is unchanged.")
                             .arg(name, QString::fromLocal8Bit(why.c_str())));
    idle_.start();
}

}  // namespace trivane
