#include "platform/model_file_chooser.h"

#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>

namespace trivane {

const char* const kModelFileFilters[2] = {"Bitmap File(*.ase)", "All Files(*.*)"};

void configureModelFileDialog(QFileDialog& dialog) {
    dialog.setWindowTitle(QString::fromUtf8("열기"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Only a file that is there: a name that is not would replace the model
    // on screen with the default one.
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The Qt chooser behaves the same on every desktop, and its filters can be
    // made to match the way the classic chooser read them.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters({QString::fromUtf8(kModelFileFilters[0]), QString::fromUtf8(kModelFileFilters[1])});
    dialog.selectNameFilter(QString::fromUtf8(kModelFileFilters[0]));

    // "*.*" means every file to the people who wrote these filters, also one
    // without a dot in its name, and "*.ase" matches "bou.ASE". The list model
    // applies the patterns; widen "*.*" to "*" whenever that filter is in use.
    if (auto* model = dialog.findChild<QFileSystemModel*>()) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, model, [model](const QString& filter) {
            if (filter == QString::fromUtf8(kModelFileFilters[1])) model->setNameFilters({QStringLiteral("*")});
        });
    }
}

std::optional<std::string> chooseModelFile(QWidget* parent) {
    QFileDialog dialog(parent);
    configureModelFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    const QByteArray path = QFile::encodeName(files.front());
    return std::string(path.constData(), static_cast<size_t>(path.size()));
}

}  // namespace trivane
