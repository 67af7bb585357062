#pragma once

#include <optional>
#include <string>

#include <QStringList>

class QFileDialog;
class QWidget;

namespace trivane {

// The filters of the model file chooser: every model file first (selected),
// our own text format, each imported format, then every file.
QStringList modelFileFilters();

// Sets up a chooser for a model file: title "열기", the filters, only an
// existing file accepted, no initial directory.
void configureModelFileDialog(QFileDialog& dialog);

// Runs the chooser modally; the chosen path in the local file name encoding,
// or nothing when the user cancelled.
std::optional<std::string> chooseModelFile(QWidget* parent);

}  // namespace trivane
