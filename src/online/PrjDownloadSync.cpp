// The download dialog's commands on the library as a whole: deleting projects from the
// library and bringing the local library folder level with it.
#include "PrjDownloadUnit.h"

#include "ReplyRecord.h"
#include "ServiceForm.h"
#include "StringGrid.h"
#include "UiServices.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>

namespace {

const QString kWindow = QStringLiteral("TfrmPrjDownload");

constexpr int ColSeq = 7;

} // namespace

void TfrmPrjDownload::popupDeleteClick() {
    const QList<int> rows = SelectedDataRows();
    if (rows.isEmpty() || ProjectListGrid->RowCount() < 2) {
        Message("IDS_9", static_cast<int>(UiServices::Kind::Warning));
        return;
    }
    const int sortCol = ProjectListGrid->SortColumn();
    const bool ascending = ProjectListGrid->SortAscending();
    if (UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_8"), UiServices::Kind::Confirmation,
                                  UiServices::Buttons::OkCancel) != UiServices::Answer::Ok)
        return;
    QString seqs;
    for (int row : rows)
        seqs += ProjectListGrid->Cell(ColSeq, row) + QLatin1Char(',');
    QStringList lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("CATEGORY_SEQ"), ChosenCategoryId())
          << FormLine(QStringLiteral("DIFFICULTY"), DifficultyComboBox->currentText())
          << FormLine(QStringLiteral("PROJECT_TITLE"), TitleEdit->text())
          << FormLine(QStringLiteral("CATEGORY_NAME"), CategoryComboBox->currentText())
          << FormLine(QStringLiteral("PROJECT_SEQ"), seqs);
    QString reply;
    if (!PostList(QStringLiteral("deleteProjectInfo"), lines, reply))
        return;
    // The local copies of the deleted projects stay where they are.
    if (!FillProjectRows(reply, false))
        return;
    SortAgain(sortCol, ascending);
    ProjectListGridSet();
}

void TfrmPrjDownload::AllsyncBtnClick() {
    Synchronise(false);
}

void TfrmPrjDownload::CategorySyncBtnClick() {
    Synchronise(true);
}

void TfrmPrjDownload::Synchronise(bool oneCategory) {
    if (oneCategory && CategoryComboBox->currentText().isEmpty()) {
        Message("IDS_11", static_cast<int>(UiServices::Kind::Warning));
        return;
    }
    if (!QFileInfo(projectFolder).isDir()) {
        Message("IDS_13", static_cast<int>(UiServices::Kind::Error));
        return;
    }
    QStringList lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("OP_KBN"), 1);
    if (oneCategory)
        lines << FormLine(QStringLiteral("CATEGORY_SEQ"), ChosenCategoryId());
    QString reply;
    if (!PostList(QStringLiteral("getProjectInfo"), lines, reply))
        return;
    ReplyRecordList records;
    ParseRecordListText(reply, records);
    ShowProgress(true);
    const int step = records.empty() ? 0 : 100 / static_cast<int>(records.size());
    int base = 0;
    for (const auto& [index, record] : records) {
        if (ReplyTestA(record)) {
            ShowProgress(false);
            Message("IDS_12", static_cast<int>(UiServices::Kind::Error));
            QDialog::reject();
            return;
        }
        QString error;
        const DownloadOutcome outcome =
            DownloadOne(ReplyValue(record, QStringLiteral("PROJECT_SEQ")),
                        ReplyValue(record, QStringLiteral("CATEGORY_NAME")),
                        ReplyValue(record, QStringLiteral("PROJECT_NAME")), base, step, error);
        if (outcome != DownloadOutcome::Saved) {
            // Files saved before stay; nothing is deleted.
            ShowProgress(false);
            if (outcome == DownloadOutcome::Failed)
                Message("IDS_1", static_cast<int>(UiServices::Kind::Error), error);
            return;
        }
        base += step;
        ProgressBar1->setValue(base);
    }
    ShowProgress(false);
    if (records.empty())
        return;
    Message("IDS_10", static_cast<int>(UiServices::Kind::Information));
    const int sortCol = ProjectListGrid->SortColumn();
    const bool ascending = ProjectListGrid->SortAscending();
    SearchProjects();
    if (isVisible())
        SortAgain(sortCol, ascending);
}
