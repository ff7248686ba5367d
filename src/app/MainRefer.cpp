// File > Refer: takes the stimulus list, a schedule, a set of parameters or the
// questionnaire of another project file (current, or as a stored result used it) into the
// open project. A failed import leaves the open project as it was.
#include "MainUnit.h"

#include "BusyStatus.h"
#include "CountEditor.h"
#include "ReferUnit.h"
#include "StringGrid.h"

#include <QAction>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QTabBar>
#include <exception>

void TfrmMain::ConnectReferActions() {
    connect(actFileReferStm, &QAction::triggered, this, &TfrmMain::actFileReferStmExecute);
    connect(actFileReferPrm, &QAction::triggered, this, &TfrmMain::actFileReferPrmExecute);
    connect(actFileReferSdl, &QAction::triggered, this, &TfrmMain::actFileReferSdlExecute);
    connect(actFileReferQst, &QAction::triggered, this, &TfrmMain::actFileReferQstExecute);
}

std::unique_ptr<CProject> TfrmMain::ReferSource(int kind, const char* captionKey, const char* labelKey,
                                                std::initializer_list<const char*> headerKeys) {
    QStringList headers;
    for (const char* key : headerKeys)
        headers << Ids(key);
    frmRefer->Prepare(Ids(captionKey), Ids(labelKey), kind, headers, project.GetMethod());
    if (frmRefer->exec() != QDialog::Accepted)
        return nullptr;

    const QString path = frmRefer->edtDataFile->text();
    if (!QFileInfo(path).isFile()) {
        ShowMessage("IDS_215", UiServices::Kind::Warning);
        return nullptr;
    }
    auto source = std::make_unique<CProject>();
    source->SetFileName(path);
    if (ShowMessage("IDS_212", UiServices::Kind::Warning, UiServices::Buttons::OkCancel) !=
        UiServices::Answer::Ok)
        return nullptr;
    bool opened = false;
    {
        BusyStatus busy(stbInformation, Ids("IDS_346"));
        try {
            opened = source->Open();
        } catch (...) {
            opened = false; // whatever the reader threw, the file did not open
        }
    }
    if (!opened) {
        ShowMessage("IDS_213", UiServices::Kind::Warning);
        return nullptr;
    }
    return source;
}

void TfrmMain::actFileReferStmExecute() {
    const std::unique_ptr<CProject> source =
        ReferSource(TfrmRefer::Stimuli, "IDS_206", "IDS_207", {"IDS_208", "IDS_209", "IDS_210", "IDS_211"});
    if (!source)
        return;
    const int oldCount = updStmNumber->Position();
    bool copied = false;
    {
        BusyCursor busy;
        try {
            copied = project.CopyStimuliFrom(source.get());
        } catch (const std::exception&) {
            copied = false;
        }
    }
    if (!copied) {
        ShowMessage("IDS_214", UiServices::Kind::Warning);
        return;
    }
    const int count = project.GetStimuli()->GetCount();
    ResizeStimulusGrid(oldCount, count);
    SetCountEditor(updStmNumber, edtStmNumber, count);
    ShowStimulusList();
    projectModified = true;
}

void TfrmMain::actFileReferPrmExecute() {
    const std::unique_ptr<CProject> source =
        ReferSource(TfrmRefer::Parameters, "IDS_216", "IDS_217",
                    {"IDS_208", "IDS_219", "IDS_220", "IDS_221", "IDS_210", "IDS_211"});
    if (!source)
        return;
    const int method = project.GetMethod();
    if (method != source->GetMethod()) {
        ShowMessage("IDS_226", UiServices::Kind::Warning);
        return;
    }
    const int item = frmRefer->SelectedItem();
    const CExperimentParameter* from = nullptr;
    if (item == 0)
        from = source->GetExperimentParameter();
    else if (item >= 1 && item <= source->GetResponseCount())
        from = &source->GetResponse(item - 1)->experimentParameter;

    // The copy is made apart and put in whole, so a snapshot without parameters of this
    // method changes nothing.
    CExperimentParameter copy = *project.GetExperimentParameter();
    const auto copyBase = [](CExpBase* to, const CExpBase* in) {
        to->play = in->play;
        to->fontSize = in->fontSize;
    };
    bool ok = from != nullptr;
    if (ok) {
        switch (method) {
        case 0:
            if ((ok = copy.GetTraining() && from->GetTraining())) {
                const CExpTraining* in = from->GetTraining();
                CExpTraining* to = copy.GetTraining();
                copyBase(to, in);
                to->buttonLabels = in->buttonLabels;
                to->judge = in->judge;
                to->yellow = in->yellow;
                to->correct = in->correct;
                to->showAnswer = in->showAnswer;
            }
            break;
        case 1:
            if ((ok = copy.GetSD() && from->GetSD())) {
                copyBase(copy.GetSD(), from->GetSD());
                copy.GetSD()->scales = from->GetSD()->scales;
                copy.GetSD()->divisions = from->GetSD()->divisions;
            }
            break;
        case 2:
        case 3: {
            const CExpCategory* in = method == 2 ? from->GetPair() : from->GetCategory();
            CExpCategory* to = method == 2 ? copy.GetPair() : copy.GetCategory();
            if ((ok = in && to)) {
                copyBase(to, in);
                to->buttonLabels = in->buttonLabels;
                to->horizontalButtons = in->horizontalButtons;
            }
            break;
        }
        case 4:
            if ((ok = copy.GetME() && from->GetME()))
                copyBase(copy.GetME(), from->GetME());
            break;
        default:
            ok = false;
        }
    }
    if (!ok) {
        ShowMessage("IDS_214", UiServices::Kind::Warning);
        return;
    }
    *project.GetExperimentParameter() = copy;
    // The instruction is the other project's current one, whichever row was chosen.
    project.GetInstruction()->lines = source->GetInstruction()->lines;
    LoadParameterPanel();
    projectModified = true;
}

void TfrmMain::actFileReferSdlExecute() {
    const std::unique_ptr<CProject> source =
        ReferSource(TfrmRefer::Schedules, "IDS_229", "IDS_230",
                    {"IDS_208", "IDS_232", "IDS_233", "IDS_234", "IDS_210", "IDS_211"});
    if (!source)
        return;
    const int item = frmRefer->SelectedItem();
    const CSchedule* from = nullptr;
    const int schedules = source->GetScheduleCount();
    if (item >= 0 && item < schedules)
        from = source->GetSchedule(item);
    else if (item >= schedules && item < schedules + source->GetResponseCount())
        from = &source->GetResponse(item - schedules)->schedule;
    if (!from) {
        ShowMessage("IDS_214", UiServices::Kind::Warning);
        return;
    }

    if (!StoreShownSchedule())
        return;
    CSchedule* added = nullptr;
    try {
        added = project.AddSchedule(from);
    } catch (const std::exception&) {
        // A schedule half copied is taken back: no schedule without its tab.
        if (project.GetScheduleCount() > tabSchedule->count())
            project.DeleteSchedule(project.GetScheduleCount() - 1);
        added = nullptr;
    }
    if (!added) {
        ShowMessage("IDS_214", UiServices::Kind::Warning);
        return;
    }

    const int tab = project.GetScheduleCount() - 1;
    const int trials = added->GetTrialCount();
    const int positions = added->GetStimulusCount();
    {
        // The new tab is shown below; its own change handler stays out of it.
        const QSignalBlocker blockTabs(tabSchedule);
        tabSchedule->setCurrentIndex(tabSchedule->addTab(added->name));
    }
    ResizeScheduleGrid(updPrsNumber->Position(), updTrlNumber->Position(), positions, trials);
    SetScheduleSize(tab, trials, positions);
    SetCountEditor(updPrsNumber, edtPrsNumber, positions);
    SetCountEditor(updTrlNumber, edtTrlNumber, trials);
    ShowSchedule(tab);
    if (selfTraining)
        HideAnswerColumns();
    projectModified = true;
}

void TfrmMain::actFileReferQstExecute() {
    const std::unique_ptr<CProject> source = ReferSource(TfrmRefer::Questionnaire, "IDS_241", "IDS_242",
                                                         {"IDS_208", "IDS_244", "IDS_210", "IDS_211"});
    if (!source)
        return;
    const int item = frmRefer->SelectedItem();
    const CQuestionnaire* from = nullptr;
    if (item == 0)
        from = source->GetQuestionnaire();
    else if (item >= 1 && item <= source->GetQuestionnaireResultsCount())
        from = source->GetQuestionnaireResults(item - 1)->GetQuestionnaire();
    if (!from) {
        ShowMessage("IDS_214", UiServices::Kind::Warning);
        return;
    }
    *project.GetQuestionnaire() = *from;
    const int count = from->GetTermCount();
    SetQuestionRows(updQstNum->Position(), count);
    SetCountEditor(updQstNum, edtQstNum, count);
    SetQuestionCount(count);
    LoadQuestionGrid();
    projectModified = true;
}
