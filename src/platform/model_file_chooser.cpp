#include "platform/model_file_chooser.h"

#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>

#include "scene/model_formats.h"

namespace trivane {

namespace {

const char* const kEveryFile = "All Files(*.*)";

}  // namespace

QStringList modelFileFilters() {
    QStringList filters{QString::fromStdString("All model files(" + allModelPatterns() + ")"),
                        QStringLiteral("Bitmap File(*.ase)")};
    for (const ModelFormat& format : importedFormats())
        filters << QString::fromUtf8(format.name) + QLatin1Char('(') + QString::fromUtf8(format.patterns) +
                       QLatin1Char(')');
    filters << QString::fromUtf8(kEveryFile);
    return filters;
}

void configureModelFileDialog(QFileDialog& dialog) {
    dialog.setWindowTitle(QString::fromUtf8("열기"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Only a file that is there: a name that is not would replace the model
    // on screen with the default one.
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The Qt chooser behaves the same on every desktop, and its filters can be
    // made to match the way the classic chooser read them.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const QStringList filters = modelFileFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());

    // "*.*" means every file to the people who wrote these filters, also one
    // without a dot in its name, and "*.ase" matches "bou.ASE". The list model
    // applies the patterns; widen "*.*" to "*" whenever that filter is in use.
    if (auto* model = dialog.findChild<QFileSystemModel*>()) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, model, [model](const QString& filter) {
            if (filter == QString::fromUtf8(kEveryFile)) model->setNameFilters({QStringLiteral("*")});
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
