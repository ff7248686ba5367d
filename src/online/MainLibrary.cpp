// The main window's library commands: category management, download and upload.
#include "CategoryUnit.h"
#include "CountEditor.h"
#include "MainUnit.h"
#include "PrjDownloadUnit.h"
#include "PrjUploadUnit.h"
#include "StringGrid.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

void TfrmMain::ConnectLibraryActions() {
    connect(categoryManage, &QAction::triggered, this, &TfrmMain::categoryManageClick);
    connect(projectDownload, &QAction::triggered, this, &TfrmMain::projectDownloadClick);
    connect(proDownloadTbn, &QToolButton::clicked, this, &TfrmMain::projectDownloadClick);
    connect(projectUpload, &QAction::triggered, this, &TfrmMain::projectUploadClick);
}

void TfrmMain::categoryManageClick() {
    frmCategory->exec();
}

void TfrmMain::projectDownloadClick() {
    frmPrjDownload->exec();
    // The dialog names a project only when the operator chose to open one.
    const QString path = frmPrjDownload->openFileEdit->text();
    if (!path.trimmed().isEmpty())
        LoadProject(path);
}

namespace {

// The captions of the answer buttons that the project's method shows, in button order, as
// the parameter panel holds them: the training buttons, the pair's two buttons or the
// categories. The other methods have no captioned buttons.
QStringList MethodButtonCaptions(const TfrmMain& w, int method) {
    const auto column = [](const StringGrid* grid, int count) {
        QStringList captions;
        for (int i = 0; i < count; ++i)
            captions << grid->Cell(grid->FixedCols(), grid->FixedRows() + i);
        return captions;
    };
    switch (method) {
    case 0:
        return column(w.asgdTrnBtn, w.updTrnBtnNum->Position());
    case 2:
        return {w.asgdParBtn->Cell(0, w.asgdParBtn->FixedRows()),
                w.asgdParBtn->Cell(1, w.asgdParBtn->FixedRows())};
    case 3:
        return column(w.asgdCatCategory, w.updCatCategoryNum->Position());
    default:
        return {};
    }
}

} // namespace

void TfrmMain::projectUploadClick() {
    // Nothing to upload before a project is open (the command is disabled then too).
    const int method = project.GetMethod();
    if (method < 0)
        return;
    // Only the captions of the project's own method count: the panels of the other
    // methods are hidden and hold nothing of this project.
    const QStringList captions = MethodButtonCaptions(*this, method);
    for (const QString& caption : captions) {
        if (caption.trimmed().isEmpty()) {
            ShowMessage("IDS_548", UiServices::Kind::Error);
            return;
        }
    }
    // The dialog of an earlier upload is not used again.
    frmPrjUpload.Reset();
    TfrmPrjUpload* dialog = frmPrjUpload;
    // What is sent stays the training buttons and their count, as the service expects them
    // with every upload, whatever the method.
    dialog->BtnCapComboBox->clear();
    for (int row = 1; row < asgdTrnBtn->RowCount(); ++row)
        dialog->BtnCapComboBox->addItem(asgdTrnBtn->Cell(1, row));
    if (projectModified)
        actFileSavePrjExecute();
    if (projectModified)
        return;
    // Filled after the save, so the dialog shows the file the save wrote.
    dialog->ProjectFileLbl->setText(project.GetFileName());
    dialog->ProjectTitleLbl->setText(project.GetGeneral()->title);
    dialog->InsEdit->setPlainText(memExplain->toPlainText());
    dialog->ButtonNum->setText(edtTrnBtnNum->text());
    dialog->exec();
}
