#pragma once

#include <optional>
#include <string>

class QFileDialog;
class QWidget;

namespace trivane {

// The two filters of the model file chooser, the first one selected.
extern const char* const kModelFileFilters[2];

// Sets up a chooser for a model file: title "열기", the two filters, only an
// existing file accepted, no initial directory.
void configureModelFileDialog(QFileDialog& dialog);

// Runs the chooser modally; the chosen path in the local file name encoding,
// or nothing when the user cancelled.
std::optional<std::string> chooseModelFile(QWidget* parent);

}  // namespace trivane
