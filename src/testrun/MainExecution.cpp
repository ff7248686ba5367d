// The test start of the main window: the commands that open a test-run window, the
// hand-over to it, the lists it registers, and the rights of that window.
#include "MainUnit.h"

#include "CardUnit.h"
#include "Cexectable.h"
#include "CountEditor.h"
#include "Csch.h"
#include "ExecuteUnit.h"
#include "OptionIni.h"
#include "ReplyRecord.h"
#include "ResultUnit.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "StringGrid.h"
#include "TestRunLists.h"
#include "TextTable.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabBar>
#include <QToolButton>
#include <algorithm>
#include <initializer_list>

namespace {

// The service's record of the project; empty when the service does not hold it or cannot
// be reached.
bool LookUpProject(tamvik::ServiceClient& client, const QString& path, QString* projectSeq) {
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, false);
    client.SetConnectTimeout(30000);
    client.SetReadTimeout(30000);
    const QStringList lines{FormLine(QStringLiteral("USER_ID"), id),
                            FormLine(QStringLiteral("USER_PWD"), password),
                            FormLine(QStringLiteral("TMV_NAME"), ReplacePlusForService(path))};
    QString reply;
    if (!PostServiceForm(client, url + QStringLiteral("getTmvInfo"), lines, reply).ok())
        return false;
    const ReplyRecord record = ParseKeyValueText(reply);
    if (!ReplyTestC(record))
        return false;
    if (projectSeq)
        *projectSeq = ReplyValue(record, QStringLiteral("TMV_SEQ"));
    return true;
}

void SetEnabled(std::initializer_list<QWidget*> widgets, bool on) {
    for (QWidget* w : widgets)
        if (w)
            w->setEnabled(on);
}

} // namespace

void TfrmMain::ConnectExecutionActions() {
    connect(actExecShow, &QAction::triggered, this, &TfrmMain::actExecShowExecute);
    connect(actExecQst, &QAction::triggered, this, &TfrmMain::actExecQstExecute);
}

void TfrmMain::actExecShowExecute() {
    if (project.GetGeneral()->title.trimmed().isEmpty()) {
        ShowMessage("IDS_311", UiServices::Kind::Warning);
        return;
    }
    // A schedule cell that does not read is named before anything starts.
    if (!StoreShownSchedule())
        return;
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, false);
    IdHTTP1->SetConnectTimeout(30000);
    IdHTTP1->SetReadTimeout(30000);
    const QStringList lines{
        FormLine(QStringLiteral("USER_ID"), id), FormLine(QStringLiteral("USER_PWD"), password),
        FormLine(QStringLiteral("TMV_NAME"), ReplacePlusForService(project.GetFileName()))};
    QString reply;
    if (!PostServiceForm(*IdHTTP1, url + QStringLiteral("getTmvInfo"), lines, reply).ok())
        return; // no connection: nothing is shown and nothing starts
    if (!ReplyTestC(ParseKeyValueText(reply)) || !StartExecution(0))
        ShowMessage("IDS_311", UiServices::Kind::Warning);
}

void TfrmMain::actExecQstExecute() {
    if (!StoreShownSchedule())
        return;
    if (!StartExecution(1))
        ShowMessage("IDS_275", UiServices::Kind::Warning);
}

void TfrmMain::LockForExecution(bool locked) {
    // The commands keep their own state: the test run only holds them, so the close gives
    // back exactly what the start took (menus and the tool buttons that show them included).
    HoldBusyCommands(locked);
    if (locked) {
        for (QAction* a : {actExecCtrlPlay, actExecCtrlSuspend, actExecCtrlStop, actExecCtrlCancelRepeat})
            a->setEnabled(false);
    }
    const bool on = !locked;
    SetEnabled({sbtnStimulus, sbtnStmClose, sbtnSchedule, sbtnSdlClose, sbtnParameter, sbtnPrmClose}, on);
    SetEnabled({static_cast<QWidget*>(edtStmNumber), static_cast<QWidget*>(updStmNumber),
                static_cast<QWidget*>(edtTrlNumber), static_cast<QWidget*>(updTrlNumber),
                static_cast<QWidget*>(edtPrsNumber), static_cast<QWidget*>(updPrsNumber),
                static_cast<QWidget*>(memExplain), static_cast<QWidget*>(updTrnBtnNum),
                static_cast<QWidget*>(edtTrnBtnNum), static_cast<QWidget*>(updSdmScale),
                static_cast<QWidget*>(edtSdmScale), static_cast<QWidget*>(updSdmExpressNum),
                static_cast<QWidget*>(edtSdmExpressNum), static_cast<QWidget*>(updCatCategoryNum),
                static_cast<QWidget*>(edtCatCategoryNum), static_cast<QWidget*>(sbxOption)},
               on);
}

bool TfrmMain::StartExecution(int mode) {
    const int tab = tabSchedule->currentIndex();
    StoreStimulusComments();
    SaveParameterPanel();
    SaveQuestionGrid(true);
    StoreScheduleGrid(tab);

    QStringList names;
    std::vector<int> indexes;
    for (int i = 0; i < tabSchedule->count() && i < project.GetScheduleCount(); ++i) {
        const int trials = project.GetSchedule(i)->GetTrialCount();
        if (trials > 0 && ValidateScheduleRange(i, 0, trials - 1)) {
            names << tabSchedule->tabText(i);
            indexes.push_back(i);
        }
    }
    if ((mode == 0 && indexes.empty()) || (mode == 1 && project.GetQuestionnaire()->GetTermCount() == 0) ||
        (mode != 0 && mode != 1))
        return false;

    // The run and the main window show one schedule: when the selected tab cannot run,
    // the first that can is shown before its lists are built.
    int chosen = 0;
    if (!indexes.empty()) {
        const auto it = std::find(indexes.begin(), indexes.end(), tab);
        chosen = it == indexes.end() ? 0 : static_cast<int>(it - indexes.begin());
        if (indexes[size_t(chosen)] != tab)
            OnExecuteMessage(1, indexes[size_t(chosen)]);
    }

    // The lists and the durations are made before any window: a stimulus that cannot be
    // measured stops the start while nothing has changed yet.
    CStimuli* stimuli = project.GetStimuli();
    std::vector<QString> durations;
    for (int i = 0; i < stimuli->GetCount(); ++i) {
        int channels = 0, bits = 0, rate = 0;
        uint32_t frames = 0;
        const QString path = project.GetWorkFolder() + (*stimuli)[i].fileName;
        durations.push_back(ProbeWaveFile(path, &channels, &bits, &rate, &frames) ? DurationText(frames, rate)
                                                                                  : QString());
    }
    const bool training = project.GetMethod() == 0;
    TestRunLists lists{QStringLiteral("TEST_RUN_LIST="), QStringLiteral("TEST_RUN_STIM_LIST=")};
    if (!indexes.empty()) {
        const int shown = tabSchedule->currentIndex();
        const CSchedule* schedule = project.GetSchedule(shown);
        const int positions = schedule->GetStimulusCount();
        std::vector<TestRunTrial> trials;
        for (int row = 1; row < asgdSchedule->RowCount(); ++row) {
            std::vector<QString> cells;
            for (int col = 0; col < asgdSchedule->ColCount(); ++col)
                cells.push_back(asgdSchedule->Cell(col, row));
            const int stored =
                row - 1 < schedule->GetTrialCount() ? schedule->trials[size_t(row - 1)].correctAnswer : -1;
            trials.push_back(TestRunTrialFromGridRow(cells, positions, training, stored));
        }
        const auto duration = [&durations](const QString& id) {
            bool ok = false;
            const int n = id.toInt(&ok);
            return ok && n >= 1 && size_t(n) <= durations.size() ? durations[size_t(n - 1)] : QString();
        };
        if (!WriteTestRunLists(trials, duration, lists))
            return false;
    }

    auto* w = new TfrmExecute(this);
    frmExecute = w;
    AuthenticateExecUser();
    w->SetHideLastColumn(selfTraining);
    w->mainWindow = handle();
    w->edtDelay->setText(QString::number(delayTimes));
    w->project = &project;
    w->execTable = execTable.get();
    ShareOutputSelection();
    w->output = output;
    w->sound = sound.get();
    w->waveRead = waveRead.get();
    w->textSubjectIds = 1;
    w->imgCheck->setVisible(execTable->checkRepetition());
    w->imgWait->setVisible(execTable->waitResponses());
    (sortMode == 1   ? w->popOptionSortID
     : sortMode == 2 ? w->popOptionSortIP
                     : w->popOptionSortConnection)
        ->setChecked(true);
    w->popOptionFeedBack->setEnabled(training && w->popOptionFeedBack->isVisible());
    w->btnExecute->setEnabled(false);
    w->setDelayTimes = [this](int value) { SetDelayTimes(value); };
    w->randomizeTrials = [this] { RandomizeTrials(); };
    if (indexes.empty()) {
        for (QAction* a : {w->popOptionCheck, w->popOptionWait, w->popOptionFeedBack})
            a->setEnabled(false);
    } else {
        for (size_t i = 0; i < indexes.size(); ++i)
            w->cboSchedule->addItem(names.at(qsizetype(i)), indexes[i]);
        w->cboSchedule->setCurrentIndex(chosen);
        w->scheduleItemIndex = chosen;
        BuildAnswerGrid(*w, *project.GetSchedule(indexes[size_t(chosen)]), training);
    }

    LockForExecution(true);
    if (frmCard)
        frmCard->hide();
    if (frmResult.Built())
        frmResult->hide();

    if (mode == 0)
        w->sbtnExecClick();
    else
        w->sbtnQuestionClick();
    w->ProjectTitle->setText(project.GetGeneral()->title);
    w->ProjectFileName->setText(project.GetFileName());
    w->rdbPlay->setText(rdbPlayON && rdbPlayON->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    w->rdbCorrect->setText(rdbCorrectON && rdbCorrectON->isChecked() ? QStringLiteral("1")
                                                                     : QStringLiteral("0"));
    w->rdbJudge->setText(rdbJudgeON && rdbJudgeON->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    w->rdbYellow->setText(rdbYellowON && rdbYellowON->isChecked() ? QStringLiteral("1")
                                                                  : QStringLiteral("0"));
    w->chkCheck->setText(execTable->checkRepetition() ? QStringLiteral("1") : QStringLiteral("0"));
    const QString archive = project.GetFileName();
    SaveRdbSettings(archive.mid(archive.lastIndexOf(QLatin1Char('/')) + 1), w->rdbPlay->text(),
                    w->rdbJudge->text(), w->rdbCorrect->text(), w->rdbYellow->text());
    w->testRunList = lists.testRunList;
    w->testRunStimList = lists.testRunStimList;

    QString projectSeq;
    if (!LookUpProject(*IdHTTP1, archive, &projectSeq)) {
        // A half-made start is undone as a close would: nothing stays locked.
        OnExecuteMessage(-1, 0);
        return false;
    }
    w->projectSeq = projectSeq;
    w->stimulusDurations = durations;
    w->show();
    w->Start();
    return true;
}

void TfrmMain::BuildAnswerGrid(TfrmExecute& w, const CSchedule& schedule, bool training) {
    StringGrid* grid = w.asgdResponse;
    grid->SetColCount(training ? 4 : 2);
    grid->SetFixedCols(1);
    grid->SetFixedRows(2);
    w.RebuildTrialRows(schedule); // with the headings
    const QFontMetrics metrics(grid->font());
    const auto fit = [&](int col) {
        int width = 0;
        for (int row = 0; row < grid->RowCount(); ++row)
            width = std::max(width, metrics.horizontalAdvance(grid->Cell(col, row)));
        grid->SetColWidth(col, width + 12);
    };
    fit(0);
    if (training) {
        fit(2);
        fit(3);
    }
    grid->verticalHeader()->setDefaultSectionSize(metrics.height() + 5);
    grid->SetColWidth(1, 0);
    grid->HideColumn(1);
    w.SetHideLastColumn(w.hideLastColumn);
}

void TfrmMain::AuthenticateExecUser() {
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, false);
    SetFullExecUser(true);
    if (id.isEmpty() || password.isEmpty() || id == QStringLiteral("0") || password == QStringLiteral("0")) {
        SetFullExecUser(false);
        return;
    }
    IdHTTP1->SetConnectTimeout(30000);
    IdHTTP1->SetReadTimeout(30000);
    QString reply;
    const QStringList lines{FormLine(QStringLiteral("USER_ID"), id),
                            FormLine(QStringLiteral("USER_PWD"), password)};
    if (!PostServiceForm(*IdHTTP1, url + QStringLiteral("userAuth"), lines, reply).ok()) {
        SetFullExecUser(false);
        ShowMessage("IDS_546", ServiceFailureDetail(*IdHTTP1), UiServices::Kind::Error);
        return;
    }
    const ReplyRecord record = ParseKeyValueText(reply);
    const QString result = ReplyValue(record, QStringLiteral("API_RESULT"));
    if ((result == QStringLiteral("0") &&
         ReplyValue(record, QStringLiteral("USER_AUTH")) != QStringLiteral("0")) ||
        result == QStringLiteral("1"))
        SetFullExecUser(false);
}

void TfrmMain::SetFullExecUser(bool full) {
    TfrmExecute* w = frmExecute;
    if (!w)
        return;
    for (QAction* a : {w->popTermCtrlSleepOn, w->popTermCtrlSleepOff, w->popTermCtrlSetSubID}) {
        a->setVisible(full);
        a->setEnabled(full);
    }
    w->sbtnOption->setVisible(full);
    w->sbtnOption->setEnabled(full);
    w->popOptionSort->menuAction()->setVisible(full);
    w->popOptionSort->setEnabled(full);
    for (QAction* a : {w->popOptionCheck, w->popOptionWait, w->popOptionFeedBack, w->popOptionCloseMethod,
                       w->popOptionKillZappa}) {
        a->setVisible(full);
        a->setEnabled(full);
    }
}
