// The detail pages of the current result, its answer grid, the questionnaire answers and
// the scrolling link between the schedule page and the answer grid.
#include "Cproject.h"
#include "ResultGrid.h"
#include "ResultPages.h"
#include "ResultUnit.h"
#include "StringGrid.h"
#include "TextTable.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>

namespace {

QString Ids(const char* key) {
    return TextTable::Instance().Text(QStringLiteral("TfrmResult"), QString::fromLatin1(key));
}

QString OnOff(bool on) {
    return on ? QStringLiteral("ON") : QStringLiteral("OFF");
}

// The data columns share what column 0 leaves of the client width.
void ShareColumns(StringGrid* grid, int firstShared) {
    grid->resizeColumnToContents(0);
    const int shared = grid->ColCount() - firstShared;
    if (shared <= 0)
        return;
    const int rest = grid->viewport()->width() - (firstShared > 0 ? grid->ColWidth(0) : 0) - 4;
    for (int c = firstShared; c < grid->ColCount(); ++c)
        grid->SetColWidth(c, std::max(rest / shared, 20));
}

} // namespace

void TfrmResult::ShowPagesOfResult(int resultIndex) {
    m_currentResult = resultIndex;
    FillStimulusPage(resultIndex);
    FillParameterPage(resultIndex);
    FillSchedulePage(resultIndex);
    FillResultData(resultIndex);
}

void TfrmResult::ShowNoResult() {
    m_currentResult = -1;
    for (StringGrid* grid : {asgdStmData, asgdSdlData, asgdButtons, asgdRstData})
        ClearResultGrid(grid);
    memExplain->clear();
}

void TfrmResult::FillStimulusPage(int resultIndex) {
    ShowResultTable(asgdStmData, StimulusPageTable(*project->GetResponse(resultIndex), Format()));
    ShareColumns(asgdStmData, 1);
}

void TfrmResult::FillParameterPage(int resultIndex) {
    const CExperimentParameter& parameter = project->GetResponse(resultIndex)->experimentParameter;
    memExplain->setPlainText(project->GetInstruction()->lines.join(QLatin1Char('\n')));
    const CExpBase* base = parameter.GetParameters();
    lblPlayIndValue->setText(OnOff(base && base->play));
    const int method = parameter.GetMethod();
    const bool training = method == 0;
    for (QLabel* label : {lblJudgeIndicator, lblJudgeIndValue, lblCorrectIndicator, lblCorrectIndValue,
                          lblYellowIndicator, lblYellowIndValue})
        label->setVisible(training);
    lblBtnDirection->setVisible(method == 3);
    lblBtnDirecValue->setVisible(method == 3);
    lblSdmExpressNum->setVisible(method == 1);
    lblSdmExpressNumValue->setVisible(method == 1);
    if (method < 0 || method > 3) {
        // ME has no buttons to show; the panel keeps what it showed, disabled.
        pnlExecPrmBtns->setEnabled(method != 4 && pnlExecPrmBtns->isEnabled());
        return;
    }
    pnlExecPrmBtns->setEnabled(true);
    switch (method) {
    case 0: {
        const CExpTraining* p = parameter.GetTraining();
        lblJudgeIndValue->setText(OnOff(p->judge));
        lblCorrectIndValue->setText(OnOff(p->correct));
        lblYellowIndValue->setText(OnOff(p->yellow));
        lblBtnNum->setText(Ids("IDS_106"));
        lblBtnNumValue->setText(QString::number(p->buttonLabels.size()));
        lblBtnCaption->setText(Ids("IDS_107"));
        break;
    }
    case 1: {
        const CExpSD* p = parameter.GetSD();
        lblBtnNum->setText(Ids("IDS_111"));
        lblBtnNumValue->setText(QString::number(p->divisions));
        lblSdmExpressNumValue->setText(QString::number(p->scales.size()));
        lblBtnCaption->setText(Ids("IDS_112"));
        break;
    }
    case 2:
        lblBtnNum->setText(Ids("IDS_106"));
        lblBtnNumValue->setText(QStringLiteral("2"));
        lblBtnCaption->setText(Ids("IDS_107"));
        break;
    case 3: {
        const CExpCategory* p = parameter.GetCategory();
        lblBtnDirecValue->setText(Ids(p->horizontalButtons ? "IDS_123" : "IDS_124"));
        lblBtnNum->setText(Ids("IDS_125"));
        lblBtnNumValue->setText(QString::number(p->buttonLabels.size()));
        lblBtnCaption->setText(Ids("IDS_126"));
        break;
    }
    }
    ShowResultTable(asgdButtons, ButtonsTable(parameter, Format()));
    ShareColumns(asgdButtons, method == 2 ? 0 : 1);
}

void TfrmResult::FillSchedulePage(int resultIndex) {
    ShowResultTable(asgdSdlData, SchedulePageTable(*project->GetResponse(resultIndex), Format()));
    asgdSdlData->resizeColumnsToContents();
}

void TfrmResult::FillResultData(int resultIndex) {
    ShowResultTable(asgdRstData, ResultDataTable(*project->GetResponse(resultIndex), Format()));
    asgdRstData->resizeColumnsToContents();
}

void TfrmResult::FillQstResultData(int setIndex) {
    ShowResultTable(asgdQstData,
                    QuestionnaireDataTable(*project->GetQuestionnaireResults(setIndex), Format()));
    asgdQstData->resizeColumnsToContents();
}

void TfrmResult::tbtnOtherListVisibleClick() {
    const bool shown = tbtnOtherListVisible->isChecked();
    pnlOtherData->setVisible(shown);
    if (shown) {
        sbtnLink->setVisible(sbtnLink->property("tag").toInt() != 0);
        sbtnUnLink->setVisible(sbtnUnLink->property("tag").toInt() != 0);
        if (sbtnLink->isVisible())
            asgdSdlData->verticalScrollBar()->setValue(asgdRstData->verticalScrollBar()->value());
    } else {
        sbtnLink->hide();
        sbtnUnLink->hide();
    }
}

void TfrmResult::pgeOtherListChange() {
    const bool schedule = pgeOtherList->currentWidget() == shtSchedule;
    sbtnLink->setEnabled(schedule);
    sbtnUnLink->setEnabled(schedule);
}

void TfrmResult::sbtnLinkClick() {
    sbtnLink->setProperty("tag", 0);
    sbtnUnLink->setProperty("tag", 1);
    sbtnLink->hide();
    sbtnUnLink->show();
}

void TfrmResult::sbtnUnLinkClick() {
    sbtnLink->setProperty("tag", 1);
    sbtnUnLink->setProperty("tag", 0);
    sbtnUnLink->hide();
    sbtnLink->show();
    asgdSdlData->verticalScrollBar()->setValue(asgdRstData->verticalScrollBar()->value());
}

void TfrmResult::FollowScroll(StringGrid* from, StringGrid* to) {
    // Rows of both grids are trials: while linked, each takes the other's top row.
    connect(from->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, to](int value) {
        if (m_syncingScroll || sbtnLink->property("tag").toInt() == 0)
            return;
        m_syncingScroll = true;
        to->verticalScrollBar()->setValue(value);
        m_syncingScroll = false;
    });
}
