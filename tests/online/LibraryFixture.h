#pragma once

#include "Cproject.h"
#include "MainWindowFixture.h"
#include "ModalScript.h"
#include "StringGrid.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

// The main window of a user with full rights, whose Option.ini names the fake service and a
// local library folder.
class LibraryTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        library = root->file(QStringLiteral("library")) + QLatin1Char('/');
        QDir().mkpath(library);
        service = std::make_unique<fake::FakeService>();
        service->SetReply("userAuth", "API_RESULT=0,USER_AUTH=0");
        ASSERT_TRUE(SaveOptionSettings(library, QString::fromStdString(service->BaseUrl()),
                                       QStringLiteral("user"), QStringLiteral("secret"), QStringLiteral("0"),
                                       QString(), QString()));
    }

    // Runs script in dialog once the command shows it.
    void Command(const char* action, QDialog* dialog, std::function<void()> script) {
        WhileModal(dialog, std::move(script));
        Find<QAction>(action)->trigger();
    }

    // Triggers a command that shows a modal dialog; false when the command did not return,
    // its modal loop then ended by force (every running loop is told to exit) so that the
    // test fails instead of hanging.
    bool CommandReturns(const char* action) {
        bool hung = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            hung = true;
            QCoreApplication::exit(1);
        });
        guard.start(10000); // detects a hang only
        Find<QAction>(action)->trigger();
        return !hung;
    }

    static QPoint CellCentre(StringGrid* grid, int col, int row) {
        return grid->visualRect(grid->model()->index(row, col)).center();
    }
    // Chooses rows as a user does: a click on the first, Ctrl+click on the others.
    static void ChooseRows(StringGrid* grid, std::initializer_list<int> rows, int col = 2) {
        bool first = true;
        for (int row : rows) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, first ? Qt::NoModifier : Qt::ControlModifier,
                              CellCentre(grid, col, row));
            first = false;
        }
    }
    // A double click as the window system delivers it: press, release, double click, release.
    static void DoubleClick(StringGrid* grid, int col, int row) {
        const QPoint at = CellCentre(grid, col, row);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }
    // Double-clicks a cell and types text into its editor.
    static void TypeInCell(StringGrid* grid, int col, int row, const QString& text) {
        DoubleClick(grid, col, row);
        ASSERT_TRUE(grid->IsEditorOpen()) << "no editor opened at " << col << "," << row;
        QLineEdit* editor = nullptr;
        for (QLineEdit* candidate : grid->viewport()->findChildren<QLineEdit*>())
            if (candidate->isVisible())
                editor = candidate;
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    }
    static QStringList Column(StringGrid* grid, int col) {
        QStringList cells;
        for (int row = grid->FixedRows(); row < grid->RowCount(); ++row)
            cells << grid->Cell(col, row);
        return cells;
    }
    // Saves a small project at path and hands back the file's bytes.
    static QByteArray MakeProjectFile(const QString& path, const QString& title,
                                      const std::vector<QString>& buttons = {QStringLiteral("Left"),
                                                                             QStringLiteral("Right")}) {
        CProject p;
        EXPECT_TRUE(p.New());
        p.SetMethod(0);
        p.GetGeneral()->title = title;
        if (CExpTraining* training = p.GetExperimentParameter()->GetTraining())
            training->buttonLabels = buttons;
        p.AddSchedule(nullptr)->name = QStringLiteral("Only");
        p.SetFileName(path);
        EXPECT_TRUE(p.Save());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    static QByteArray ReadBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void WriteBytes(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // Every file below folder, relative, sorted (hidden ones included).
    static QStringList FilesBelow(const QString& folder) {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(folder).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    QString library;
};
