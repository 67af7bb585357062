// The model file chooser: what each filter shows, and a typed name that does
// not exist, which it refuses. Its title is checked where the window opens it.

#include <QtTest>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

#include "platform/model_file_chooser.h"

using namespace trivane;

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// The names the chooser's list shows for a folder.
QStringList shownNames(QFileDialog& dialog, const QString& folder) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (model == nullptr) return {};
    const QModelIndex parent = model->index(folder);
    QStringList names;
    for (int row = 0; row < model->rowCount(parent); ++row) names << model->index(row, 0, parent).data().toString();
    names.sort();
    return names;
}

}  // namespace

class FileChooserTest : public QObject {
    Q_OBJECT

private slots:
    void filtersShowTheRightFiles() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        for (const char* name : {"bou.ASE", "cube.ase", "notes.txt", "README", "part.OBJ", "scan.ply", "print.stl"})
            touch(folder.filePath(name));

        QFileDialog dialog;
        configureModelFileDialog(dialog);
        dialog.setDirectory(folder.path());
        dialog.show();
        QTRY_COMPARE(shownNames(dialog, folder.path()),
                     QStringList({"bou.ASE", "cube.ase", "part.OBJ", "print.stl", "scan.ply"}));

        // Choosing a filter in the list shows its files; "All Files(*.*)",
        // the last, shows every file, also one without a dot.
        auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(combo != nullptr);
        const auto choose = [&](int index) {
            combo->setCurrentIndex(index);
            emit combo->activated(index);
            emit combo->textActivated(combo->itemText(index));
        };
        choose(1);
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Bitmap File(*.ase)"));
        QTRY_COMPARE(shownNames(dialog, folder.path()), QStringList({"bou.ASE", "cube.ase"}));
        choose(combo->count() - 1);
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("All Files(*.*)"));
        QTRY_COMPARE(shownNames(dialog, folder.path()),
                     QStringList({"README", "bou.ASE", "cube.ase", "notes.txt", "part.OBJ", "print.stl", "scan.ply"}));
    }

    void onlyAnExistingFileIsAccepted() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString missing = folder.filePath(QStringLiteral("missing.ase"));
        const QString there = folder.filePath(QStringLiteral("there.ase"));
        touch(there);
        // A missing name is refused with a warning over the chooser, which
        // then takes an existing one.
        QString refusal;
        QTimer::singleShot(300, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            refusal = box->text();
            box->accept();
        });
        QTimer::singleShot(50, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* edit = dialog != nullptr ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
            if (edit == nullptr) return;
            edit->setText(missing);
            QTest::keyClick(edit, Qt::Key_Return);
            edit->setText(there);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        const std::optional<std::string> chosen = chooseModelFile(nullptr);
        QVERIFY2(refusal.contains(QStringLiteral("missing.ase")), qPrintable(refusal));
        QCOMPARE(QString::fromStdString(chosen.value_or("")), there);

        // Escape is a cancel.
        QTimer::singleShot(50, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(!chooseModelFile(nullptr).has_value());
    }
};

QTEST_MAIN(FileChooserTest)
#include "file_chooser_test.moc"
