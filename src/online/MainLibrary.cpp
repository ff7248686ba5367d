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

void TfrmMain::projectUploadClick() {
    // The dialog of an earlier upload is not used again.
    frmPrjUpload.Reset();
    TfrmPrjUpload* dialog = frmPrjUpload;
    dialog->BtnCapComboBox->clear();
    for (int row = 1; row < asgdTrnBtn->RowCount(); ++row) {
        const QString caption = asgdTrnBtn->Cell(1, row);
        if (caption.trimmed().isEmpty()) {
            ShowMessage("IDS_548", UiServices::Kind::Error);
            return;
        }
        dialog->BtnCapComboBox->addItem(caption);
    }
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
