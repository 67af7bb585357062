#include "platform/help_windows.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtGlobal>

#include "controls_table.h"
#include "core/workers.h"

namespace trivane {

namespace {

QDialog* helpWindow(QWidget* parent, const QString& title, QWidget* content) {
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(content);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    return dialog;
}

}  // namespace

QString controlsTableMarkdown() { return QString::fromUtf8(generated::kControlsTable); }

QString aboutText() {
    return QStringLiteral("Trivane %1\n\nA 3D model viewer whose every pixel is computed on the CPU.\n\n"
                          "Qt %2 (built with %3)\nRender threads: %4")
        .arg(QStringLiteral(TRIVANE_VERSION), QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR))
        .arg(workerCount());
}

QDialog* createControlsWindow(QWidget* parent) {
    auto* table = new QTextBrowser;
    table->setObjectName(QStringLiteral("controlsTable"));
    table->setMarkdown(controlsTableMarkdown());
    table->setMinimumSize(640, 280);
    QDialog* dialog = helpWindow(parent, QStringLiteral("Controls"), table);
    dialog->setObjectName(QStringLiteral("controls"));
    return dialog;
}

QDialog* createAboutWindow(QWidget* parent) {
    auto* text = new QLabel(aboutText());
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QDialog* dialog = helpWindow(parent, QStringLiteral("About Trivane"), text);
    dialog->setObjectName(QStringLiteral("about"));
    return dialog;
}

}  // namespace trivane
