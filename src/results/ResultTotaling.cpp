// The totaling command of the result window and the totals panel.
#include "BusyStatus.h"
#include "CountEditor.h"
#include "Cproject.h"
#include "NumberFormat.h"
#include "ResultGrid.h"
#include "ResultTexts.h"
#include "ResultUnit.h"
#include "RstDlgUnit.h"
#include "SdTabulation.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "UiServices.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QSplitter>
#include <QToolButton>
#include <algorithm>

namespace {

const QString kWindow = QStringLiteral("TfrmResult");

QString Ids(const char* key) {
    return TextTable::Instance().Text(kWindow, QString::fromLatin1(key));
}

void Warn(QWidget* parent, const char* key, UiServices::Kind kind = UiServices::Kind::Warning) {
    UiServices::Get().Message(parent, kWindow, QString::fromLatin1(key), kind);
}

} // namespace

void TfrmResult::ConnectTotals() {
    updNumber->onChangingEx = [this](int value, bool) {
        if (value < updNumber->Min() || value > updNumber->Max())
            return false;
        edtNumber->setText(QString::number(value));
        return true;
    };
    connect(updNumber, &UpDown::clicked, this, [this] { updNumberClick(); });
    connect(cboSubDBItem, &QComboBox::activated, this, [this] { updNumberClick(); });
    connect(edtNumber, &CountEdit::enterPressed, this, [this] { edtNumberEnter(); });
    SetupSdLook();
}

void TfrmResult::actTotalRstUpdate() {
    const bool onList = focusWidget() == asgdRstList && asgdRstList->Col() >= asgdRstList->FixedCols() &&
                        asgdRstList->Row() >= asgdRstList->FixedRows();
    actTotalRst->setEnabled(onList && project != nullptr);
}

void TfrmResult::actTotalRstExecute() {
    if (!project)
        return;
    const std::vector<SelectedResult> selected = SelectedResults();
    if (selected.empty())
        return;
    const CSchedule& reference = selected.front().response->schedule;
    for (const SelectedResult& s : selected) {
        if (s.response->schedule.GetStimulusCount() != reference.GetStimulusCount()) {
            Warn(this, "IDS_183");
            return;
        }
    }
    const int method = project->GetMethod();
    if (method == 0) {
        for (const SelectedResult& s : selected) {
            if (s.response->schedule.GetTrialCount() != reference.GetTrialCount()) {
                Warn(this, "IDS_184");
                return;
            }
        }
    }
    optionsDialog->pnlTraining->setVisible(method == 0);
    optionsDialog->pnlSD->setVisible(method == 1);
    optionsDialog->pnlOther->setVisible(method != 0 && method != 1);
    if (optionsDialog->exec() != QDialog::Accepted)
        return;
    // Totals of many results take a while to build and to show; messages end the wait.
    BusyCursor busy;

    // Each row's index names the result it stands for, whatever the order on screen.
    for (int row = asgdRstList->FixedRows(); row < asgdRstList->RowCount(); ++row) {
        const int index = ResultIndexOfRow(row);
        if (index >= 0)
            asgdRstList->SetCell(
                0, row, Ids("IDS_73") + QStringLiteral("%1").arg(index + 1, 2, 10, QLatin1Char('0')));
    }

    if (method == 0) {
        trainingLayout = optionsDialog->rdbTrnType1->isChecked()   ? 0
                         : optionsDialog->rdbTrnType2->isChecked() ? 1
                                                                   : 2;
        if (!BuildTrainingRatios()) {
            busy.End();
            Warn(this, "IDS_182", UiServices::Kind::Error);
            return;
        }
        const int maximum = trainingLayout == 0   ? trainingData.mostTrainings
                            : trainingLayout == 1 ? static_cast<int>(trainingData.subjects.size())
                                                  : trainingData.trialCount;
        updNumber->SetRange(1, std::max(maximum, 1));
        updNumber->SetPosition(1);
        edtNumber->setText(QStringLiteral("1"));
        lblNumber->setText(Ids(trainingLayout == 0 ? "IDS_186" : trainingLayout == 1 ? "IDS_187" : "IDS_39"));
        m_totalsMethod = 0;
        ShowTrainingTotals(trainingLayout, updNumber->Position() - 1);
    } else if (method == 1) {
        trainingLayout = optionsDialog->rdbSDType1->isChecked()   ? 0
                         : optionsDialog->rdbSDType2->isChecked() ? 1
                                                                  : 2;
        // The tabulation shows the result of the current row only.
        const int index = ResultIndexOfRow(asgdRstList->Row());
        m_totalsMethod = 1;
        if (index >= 0)
            ShowSDTotals(index, trainingLayout);
    } else {
        if (!BuildTotalData(method, optionsDialog->rdbComplete->isChecked())) {
            busy.End();
            Warn(this, "IDS_182", UiServices::Kind::Error);
            return;
        }
        m_totalsMethod = method;
        ShowTotalData(method, optionsDialog->chkOverLap->isChecked());
    }
    SwitchToTotalsView(method);
}

void TfrmResult::SwitchToTotalsView(int method) {
    tbtnOtherListVisible->setEnabled(false);
    sptVer->hide();
    pnlNumber->setVisible(method == 0);
    cboSubDBItem->setVisible(method == 0 && !subjectDbPath.isEmpty());
    lblTrnCaption->setVisible(method == 0);
    pnlTotalData->show();
    UpdateCommands();
}

void TfrmResult::sbtnCloseClick() {
    pnlTotalData->hide();
    sptVer->show();
    pnlResultData->show();
    pnlOtherData->setVisible(tbtnOtherListVisible->isChecked());
    tbtnOtherListVisible->setEnabled(true);
    UpdateCommands();
}

bool TfrmResult::BuildTotalData(int method, bool completeMatch) {
    return ::BuildTotalData(SelectedResults(), method, completeMatch, Format(), totalData);
}

void TfrmResult::ShowTotalData(int method, bool averageSameSubject) {
    ShowResultTable(asgdTtlData, ::ShowTotalData(totalData, method, averageSameSubject, Format()));
    asgdTtlData->resizeColumnsToContents();
}

void TfrmResult::ShowSDTotals(int resultIndex, int layout) {
    if (!project || project->GetMethod() != 1 || resultIndex < 0 ||
        resultIndex >= project->GetResponseCount())
        return;
    const ResultTable table = ::ShowSDTotals(*project->GetResponse(resultIndex), layout, Format());
    ShowResultTable(asgdTtlData, table);
    for (const RowGroup& group : table.groups)
        asgdTtlData->AddNode(group.row, group.rows);
    asgdTtlData->resizeColumnsToContents();
    asgdTtlData->SetColWidth(0, 17);
    if (asgdTtlData->RowCount() > 1 && asgdTtlData->ColCount() > 2)
        asgdTtlData->SetCurrentCell(2, 1);
    asgdTtlData->scrollToTop();
}

bool TfrmResult::BuildTrainingRatios() {
    const ResultFormat format = Format();
    try {
        // Read anew at each totaling: a database that can no longer be read gives no
        // attributes, while the list keeps the items it had.
        SubjectDatabase database;
        if (!subjectDbPath.isEmpty() && ReadSubjectDatabase(subjectDbPath, format, database)) {
            cboSubDBItem->clear();
            cboSubDBItem->addItems(database.items);
            cboSubDBItem->setCurrentIndex(0);
        }
        trainingData = ::BuildTrainingRatios(SelectedResults(), database, cboSubDBItem->count(), format);
    } catch (const std::exception&) {
        trainingData = TRNSUBDATA{};
        return false;
    }
    return true;
}

SubjectItemChoice TfrmResult::ItemChoice() const {
    SubjectItemChoice choice;
    choice.index = cboSubDBItem->currentIndex();
    choice.text = cboSubDBItem->currentText();
    choice.currentYear = QDate::currentDate().year();
    return choice;
}

void TfrmResult::ShowTrainingTotals(int layout, int index) {
    if (!project || project->GetMethod() != 0)
        return;
    const std::optional<ResultTable> table =
        ::ShowTrainingTotals(trainingData, layout, index, ItemChoice(), Format());
    if (!table)
        return;
    if (table->caption)
        lblTrnCaption->setText(*table->caption);
    ShowResultTable(asgdTtlData, *table);
    asgdTtlData->resizeColumnsToContents();
    if (asgdTtlData->ColCount() >= 2)
        asgdTtlData->SetColWidth(asgdTtlData->ColCount() - 1,
                                 asgdTtlData->ColWidth(asgdTtlData->ColCount() - 2));
}

void TfrmResult::updNumberClick() {
    ShowTrainingTotals(trainingLayout, updNumber->Position() - 1);
}

void TfrmResult::edtNumberEnter() {
    const QString text = edtNumber->text();
    int number = 0;
    if (!IsNumericText(text, Format().decimalSeparator) || !tamvik::ParseInt(text, number)) {
        Warn(this, "IDS_60");
        edtNumber->undo();
        return;
    }
    if (number < updNumber->Min() || number > updNumber->Max()) {
        const QString message = Ids("IDS_63") + QString::number(updNumber->Min()) + Ids("IDS_61") +
                                QString::number(updNumber->Max()) + Ids("IDS_62");
        UiServices::Get().MessageText(this, message, windowTitle(), UiServices::Kind::Warning,
                                      UiServices::Buttons::Ok);
        edtNumber->undo();
        return;
    }
    updNumber->SetPosition(number);
    ShowTrainingTotals(trainingLayout, number - 1);
}

void TfrmResult::SetupSdLook() {
    // While an SD tabulation is shown, rows whose label begins with the layout's node word
    // head a group that a click folds or unfolds; the labels look like fixed cells.
    auto isNode = [this](int col, int row) {
        if (m_totalsMethod != 1 || col != 1 || row < 1)
            return false;
        return asgdTtlData->Cell(col, row).startsWith(SDNodeWord(trainingLayout, Format()));
    };
    asgdTtlData->getAlignment = [this, isNode](int col, int row) -> Qt::Alignment {
        if (m_totalsMethod == 1) {
            if (asgdTtlData->Cell(col, row).startsWith(SDNodeWord(trainingLayout, Format())) && row > 0)
                return Qt::AlignLeft | Qt::AlignVCenter;
            if (row == 0 || col <= 1)
                return Qt::AlignCenter;
            return Qt::AlignRight | Qt::AlignVCenter;
        }
        if (row < asgdTtlData->FixedRows() || col < asgdTtlData->FixedCols())
            return Qt::AlignCenter;
        return Qt::AlignRight | Qt::AlignVCenter;
    };
    asgdTtlData->getCellColor = [this, isNode](int col, int row, QColor& background, QColor&) {
        if (row < 1)
            return;
        if (m_totalsMethod == 1) {
            if (isNode(col, row))
                background = palette().color(QPalette::Button);
            else if (col <= 1)
                background = palette().color(QPalette::Base);
        } else if (m_totalsMethod >= 2 && col < asgdTtlData->FixedCols()) {
            background = palette().color(QPalette::Base);
        }
    };
    // The group buttons of column 0 are the grid's own; a click on a group label folds too.
    connect(asgdTtlData, &StringGrid::cellClicked, this, [this](int col, int row) {
        if (m_totalsMethod == 1 && col > 0 &&
            asgdTtlData->Cell(col, row).startsWith(SDNodeWord(trainingLayout, Format())))
            asgdTtlData->ToggleNode(row);
    });
    // Buttons and labels are no data: they cannot be selected.
    asgdTtlData->canSelectCell = [this](int col, int) { return m_totalsMethod != 1 || col > 1; };
    asgdTtlData->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}
