#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace trivane {

// The README's controls table as Markdown, taken from the README when the
// program is built, so the two cannot drift apart.
QString controlsTableMarkdown();

// The text of Help > "About Trivane": version, Qt version, render threads.
QString aboutText();

// The two help windows. Neither is modal: the picture keeps moving and the
// keys keep working while one is open, as while one reads a table of keys.
QDialog* createControlsWindow(QWidget* parent);
QDialog* createAboutWindow(QWidget* parent);

}  // namespace trivane
