// Pastes arbitrary text from another program into the schedule grid and the stimulus list
// of a main window with a training project, at a cell the input picks, the way Ctrl+V does:
// nothing may crash, the grids keep their shape, and the schedule still stores.
#include "FuzzFiles.h"
#include "MainUnit.h"
#include "ScriptedUiServices.h"
#include "StringGrid.h"
#include "TamvikApplication.h"
#include "TextTable.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTabBar>
#include <cstdint>

namespace {

TfrmMain* window = nullptr;
ScriptedUiServices* ui = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    const QString root = fuzzfiles::WorkRoot("pastefuzz");
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"}) {
        const QString folder = root + QLatin1Char('/') + QString::fromLatin1(var).toLower();
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(var, folder.toLocal8Bit());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("VANTREL_DRIVERS", "/nonexistent/vantrel-drivers.ini");
    // The application, the window and its dialogs live as long as the process.
    new TamvikApplication(*argc, *argv);
    TextTable::Instance().setLanguage(TextTable::Language::English);
    ui = new ScriptedUiServices;
    window = new TfrmMain;
    window->PrepareOutput();
    window->show();
    QApplication::setActiveWindow(window);
    QCoreApplication::processEvents();
    window->actPrjTrn->trigger();
    window->SetFullUser(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const bool schedule = data[0] & 1;
    StringGrid* grid = schedule ? window->asgdSchedule : window->asgdStimulus;
    QAction* paste = schedule ? window->actSdlListPaste : window->actStmListPaste;
    const int cols = grid->ColCount();
    const int rows = grid->RowCount();
    // The stimulus list takes text in its comment column only.
    const int col = schedule ? grid->FixedCols() + (data[0] >> 1) % (cols - grid->FixedCols()) : 2;
    const int row = grid->FixedRows() + data[1] % std::max(1, rows - grid->FixedRows());
    if (row >= rows)
        return 0;

    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    if (text.isEmpty())
        return 0; // nothing to paste: the command is not offered
    QGuiApplication::clipboard()->setText(text);
    grid->setFocus();
    QCoreApplication::processEvents();
    grid->SetSelection(QRect(QPoint(col, row), QPoint(col, row)));
    window->UpdateActions();
    if (!paste->isEnabled())
        fuzzfiles::Fail("Paste is not offered for text on a focused cell");
    paste->trigger();
    ui->messages.clear();

    if (grid->ColCount() != cols || grid->RowCount() != rows)
        fuzzfiles::Fail("a paste changed the shape of the grid");
    if (schedule && !window->StoreScheduleGrid(window->tabSchedule->currentIndex()))
        fuzzfiles::Fail("a pasted schedule does not store");
    return 0;
}
