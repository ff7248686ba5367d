// Project file commands of the main window: Open, Save, Save As, Project information and
// the one project load every open path goes through.
#include "MainUnit.h"

#include "BusyStatus.h"
#include "CardUnit.h"
#include "CountEditor.h"
#include "Csound.h"
#include "DateTime.h"
#include "DialogStartFolder.h"
#include "ExecuteUnit.h"
#include "FileFilter.h"
#include "OptionIni.h"
#include "PanelStatusBar.h"
#include "PrjInfoUnit.h"
#include "ReplyRecord.h"
#include "ResultUnit.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "StringGrid.h"
#include "vantrel.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolButton>
#include <algorithm>
#include <exception>
#include <utility>

namespace {

QString TrimControls(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

// Short date, then the time with seconds, in the user's locale.
QString DateText(double days) {
    const QDateTime when = tamvik::DaysToDateTime(days);
    const QLocale locale;
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           when.time().toString(QStringLiteral("H:mm:ss"));
}

// A user without full rights opens only projects the library service knows. False with
// what failed in detail.
bool KnownToService(tamvik::ServiceClient& client, const QString& path, const QString& title,
                    QString& detail) {
    LoadOptionSettings(ExecProjectFolder, ExecServiceUrl, ExecUserId, ExecUserPassword, false);
    const qint64 size = QFileInfo(path).size();
    if (TrimControls(title).isEmpty()) {
        detail = path + QStringLiteral(": the project has no title, by which the library knows it");
        return false;
    }
    client.SetConnectTimeout(30000);
    client.SetReadTimeout(30000);
    const QStringList lines{
        FormLine(QStringLiteral("USER_ID"), ExecUserId),
        FormLine(QStringLiteral("USER_PWD"), ExecUserPassword),
        FormLine(QStringLiteral("TMV_TITLE"), ReplacePlusForService(title)),
        FormLine(QStringLiteral("TMV_SIZE"), QString::number(size)),
        FormLine(QStringLiteral("TMV_NAME"), ReplacePlusForService(path)),
    };
    QString reply;
    if (!PostServiceForm(client, ExecServiceUrl + QStringLiteral("getTmvInfo"), lines, reply).ok()) {
        detail = ServiceFailureDetail(client);
        return false;
    }
    if (ReplyTestC(ParseKeyValueText(reply)))
        return true;
    detail = path + QStringLiteral(": the library service does not know this project");
    return false;
}

// A project part's exception, with the file it came from.
QString ExceptionDetail(const QString& path, const std::exception* e) {
    return path + QStringLiteral(": ") +
           (e ? QString::fromLocal8Bit(e->what()) : QStringLiteral("unknown error"));
}

} // namespace

QString TfrmMain::ProjectFileFilter() const {
    return DialogFilter(Ids("IDS_344"));
}

void TfrmMain::SetCountEditor(UpDown* upDown, CountEdit* edit, int value) {
    const auto veto = std::exchange(upDown->onChangingEx, nullptr);
    upDown->SetPosition(value);
    upDown->onChangingEx = veto;
    upDown->Tag = value;
    if (edit)
        edit->setText(QString::number(value));
}

void TfrmMain::SetPresentationRange(int method) {
    if (method == 2) {
        updPrsNumber->SetRange(2, 2);
    } else {
        if (maxPresentations < 1)
            maxPresentations = 1;
        updPrsNumber->SetRange(1, maxPresentations);
    }
    updPrsNumber->update();
}

void TfrmMain::SetMethodStatus(int method) {
    static const char* const keys[] = {"IDS_132", "IDS_133", "IDS_134", "IDS_135", "IDS_136"};
    stbInformation->SetPanelText(0, method >= 0 && method <= 4 ? Ids(keys[method]) : Ids("IDS_18"));
}

void TfrmMain::SetDeviceTextOfCard() {
    const int device = project.GetGeneral()->soundDevice;
    if (useMME) {
        WaveOutCaps caps;
        if (GetWaveOutDeviceCaps(device, &caps))
            frmCard->stbNowStatus->SetPanelText(0, Ids("IDS_140") + caps.productName);
        return;
    }
    char name[256] = {};
    const int length = VANTREL_GetAsioDriverName(device, name, sizeof name);
    if (length > 0)
        frmCard->stbNowStatus->SetPanelText(0, Ids("IDS_140") + QString::fromLocal8Bit(name, length));
}

void TfrmMain::actFileOpenPrjExecute() {
    if (!ConfirmSaveChanges())
        return;
    const QString last = project.GetFileName().isEmpty() ? saveDialogPath : project.GetFileName();
    const QString path = UiServices::Get().OpenFileName(this, QString(), DialogStartFolder(FolderOf(last)),
                                                        ProjectFileFilter());
    if (path.isEmpty())
        return;
    LoadProject(path);
}

bool TfrmMain::LoadProject(const QString& path) {
    PrepareOutput(); // a project handed over before the first paint needs the devices too
    const bool restricted = !tbtnFileOpenPrj->isEnabled();
    const int lastColumn = asgdSchedule->ColCount() - 1;
    if (selfTraining)
        asgdSchedule->UnHideColumn(lastColumn);

    BusyStatus busy(stbInformation, Ids("IDS_346"));
    const QString previousFileName = project.GetFileName();
    bool opened = false;
    QString detail; // what failed, for the message
    CloseResultWindow();
    try {
        // The check runs on a project of its own, so a refused project never replaces
        // the open one.
        if (restricted) {
            CProject probe;
            probe.SetFileName(path);
            opened = probe.Open();
            if (!opened)
                detail = probe.ErrorText();
            else
                opened = KnownToService(*IdHTTP1, path, probe.GetGeneral()->title, detail);
        } else {
            opened = true;
        }
        if (opened) {
            project.SetFileName(path);
            opened = project.Open();
            if (!opened)
                detail = project.ErrorText();
        }
    } catch (const std::exception& e) {
        // Whatever the reader threw, the load simply failed.
        opened = false;
        detail = ExceptionDetail(path, &e);
    } catch (...) {
        opened = false;
        detail = ExceptionDetail(path, nullptr);
    }
    if (!opened) {
        project.SetFileName(previousFileName);
        busy.End();
        ShowMessage("IDS_213", detail, UiServices::Kind::Warning);
        if (selfTraining)
            asgdSchedule->HideColumn(lastColumn);
        return false;
    }

    ResetProjectUI();
    asgdStimulus->ClearNormalCells();
    asgdSchedule->ClearNormalCells();
    setWindowTitle(QStringLiteral("Tamvik - ") + path);

    CProjectGeneral* general = project.GetGeneral();
    general->soundDevice = soundDeviceId;
    stbInformation->SetPanelText(1, Ids("IDS_19") + general->title);
    stbInformation->SetPanelText(2, Ids("IDS_20") + general->user);
    stbInformation->SetPanelText(3, Ids("IDS_21") + general->comment);

    bool deviceChanged = false;
    if (useMME) {
        // -1 is ALSA's "default", where an unknown device falls back to.
        if (general->soundDevice < -1 || general->soundDevice >= GetWaveOutDeviceCount()) {
            general->soundDevice = -1;
            deviceChanged = true;
        }
    } else {
        QStringList names;
        ListAsioDrivers(&names);
        bool found = false;
        if (!general->soundDeviceName.isEmpty() && !names.isEmpty()) {
            for (qsizetype i = 0; i < names.size(); ++i) {
                if (names.at(i).compare(general->soundDeviceName, Qt::CaseInsensitive) == 0) {
                    general->soundDevice = asioDriverIndexes[static_cast<size_t>(i)];
                    found = true;
                    break;
                }
            }
        }
        const bool known = std::find(asioDriverIndexes.begin(), asioDriverIndexes.end(),
                                     general->soundDevice) != asioDriverIndexes.end();
        if (!found && !known && !asioDriverIndexes.empty()) {
            general->soundDevice = asioDriverIndexes.front();
            deviceChanged = true;
        }
        LoadAsioChannelOrder(soundDeviceName);
        VANTREL_AsioDriverInitialize(soundDeviceId);
    }
    ProbeSampleRates();
    ShareOutputSelection();

    const int method = project.GetMethod();
    SetMethodStatus(method);
    SetMethodUI(method);
    SetDeviceTextOfCard();

    {
        const QSignalBlocker blockTabs(tabSchedule);
        while (tabSchedule->count() > 0)
            tabSchedule->removeTab(0);
        for (int i = 0; i < project.GetScheduleCount(); ++i)
            tabSchedule->addTab(project.GetSchedule(i)->name);
        tabSchedule->setCurrentIndex(0);
    }

    const int stimuli = project.GetStimuli()->GetCount();
    CSchedule* first = project.GetScheduleCount() > 0 ? project.GetSchedule(0) : nullptr;
    const int trials = first ? first->GetTrialCount() : 0;
    const int presentations = first ? first->GetStimulusCount() : 0;
    const int questions = project.GetQuestionnaire()->GetTermCount();
    ResizeStimulusGrid(0, stimuli);
    ResizeScheduleGrid(0, 0, presentations, trials);
    SetQuestionRows(0, questions);
    SetCountEditor(updStmNumber, edtStmNumber, stimuli);
    SetPresentationRange(method);
    SetCountEditor(updPrsNumber, edtPrsNumber, presentations);
    SetCountEditor(updTrlNumber, edtTrlNumber, trials);
    SetCountEditor(updQstNum, edtQstNum, questions);
    ShowStimulusList();
    LoadParameterPanel();
    LoadQuestionGrid();
    if (first)
        ShowSchedule(tabSchedule->currentIndex());

    CTerminalInfo* terminals = project.GetTerminalInfo();
    if (terminals->GetTerminalCount() > terminalLimit || terminals->GetTerminalCount() < 1)
        terminals->SetTerminalCount(terminalLimit);
    actExecResult->setEnabled(project.GetResponseCount() + project.GetQuestionnaireResultsCount() > 0);

    projectModified = deviceChanged;
    stimulusUndoAvailable = scheduleUndoAvailable = false;
    busy.End();
    if (selfTraining)
        asgdSchedule->HideColumn(asgdSchedule->ColCount() - 1);
    else
        asgdSchedule->UnHideColumn(asgdSchedule->ColCount() - 1);
    return true;
}

bool TfrmMain::WriteProject() {
    // A schedule cell that does not read would leave the file with the old schedule.
    if (!StoreShownSchedule())
        return false;
    StoreStimulusComments();
    SaveParameterPanel();
    SaveQuestionGrid(true);

    CProjectGeneral* general = project.GetGeneral();
    general->updateDates.push_back(tamvik::NowDays());
    BusyStatus busy(stbInformation, Ids("IDS_395"));
    bool saved = false;
    QString detail; // what failed, for the message
    try {
        saved = project.Save();
        if (!saved)
            detail = project.ErrorText();
    } catch (const std::exception& e) {
        saved = false;
        detail = ExceptionDetail(project.GetFileName(), &e);
    } catch (...) {
        saved = false;
        detail = ExceptionDetail(project.GetFileName(), nullptr);
    }
    busy.End();
    if (!saved) {
        // Nothing was saved, so no save time is recorded.
        general->updateDates.pop_back();
        ShowMessage("IDS_396", detail, UiServices::Kind::Warning);
        return false;
    }
    setWindowTitle(QStringLiteral("Tamvik - ") + project.GetFileName());
    projectModified = false;
    return true;
}

bool TfrmMain::actFileSavePrjExecute() {
    // No file is asked for while the schedule cannot be stored.
    if (!StoreShownSchedule())
        return false;
    if (project.GetFileName().isEmpty()) {
        QString proposed = Ids("IDS_0");
        const QFileInfo proposedInfo(proposed);
        if (!proposedInfo.suffix().isEmpty())
            proposed = proposedInfo.completeBaseName();
        const QString path = UiServices::Get().SaveFileNameAsking(
            this, QString(), DialogStartFolder(FolderOf(saveDialogPath)) + proposed, ProjectFileFilter(),
            QStringLiteral("tmv"));
        if (path.isEmpty())
            return false;
        saveDialogPath = path;
        project.SetFileName(saveDialogPath);
    }
    if (project.GetGeneral()->title.isEmpty()) {
        ShowMessage("IDS_547", UiServices::Kind::Warning);
        return false;
    }
    return WriteProject();
}

bool TfrmMain::actFileSaveAsPrjExecute() {
    // Checked before the project takes the new name that nothing would then be written to.
    if (!StoreShownSchedule())
        return false;
    // An untitled project keeps the name the dialog had last.
    QString start = DialogStartFolder(FolderOf(saveDialogPath)) + QFileInfo(saveDialogPath).fileName();
    if (!project.GetFileName().isEmpty()) {
        QString folder;
        ReadOtherSetting(QStringLiteral("FileSaveAsPath"), folder);
        if (folder.isEmpty() || folder == QLatin1String("0"))
            folder = FolderOf(saveDialogPath.isEmpty() ? project.GetFileName() : saveDialogPath);
        start = DialogStartFolder(folder) + QFileInfo(project.GetFileName()).fileName();
    }
    const QString chosen = UiServices::Get().SaveFileNameAsking(this, QString(), start, ProjectFileFilter(),
                                                                QStringLiteral("tmv"));
    if (chosen.isEmpty())
        return false;
    saveDialogPath = chosen;
    project.SetFileName(saveDialogPath);
    if (!WriteProject())
        return false;
    WriteOtherSetting(QStringLiteral("FileSaveAsPath"), FolderOf(saveDialogPath));
    return true;
}

void TfrmMain::actFileSavePrjUpdate() {
    // Hidden in the restricted mode and held while busy: the action knows both.
    actFileSavePrj->setEnabled(projectModified && !frmExecute);
}

void TfrmMain::actFilePrjInfoExecute() {
    CProjectGeneral* general = project.GetGeneral();
    frmPrjInfo->edtPrjTitle->setText(general->title);
    frmPrjInfo->edtPrjUser->setText(general->user);
    frmPrjInfo->edtPrjComment->setText(general->comment);
    frmPrjInfo->edtPrjCreate->setText(DateText(general->createDate));
    const bool saved = !general->updateDates.empty();
    frmPrjInfo->lblPrjUpdate->setEnabled(saved);
    frmPrjInfo->edtPrjUpdate->setEnabled(saved);
    frmPrjInfo->edtPrjUpdate->setText(saved ? DateText(general->updateDates.back()) : QString());
    if (frmPrjInfo->exec() != QDialog::Accepted)
        return;
    for (auto [edit, value] : {std::pair{frmPrjInfo->edtPrjTitle, &general->title},
                               std::pair{frmPrjInfo->edtPrjUser, &general->user},
                               std::pair{frmPrjInfo->edtPrjComment, &general->comment}}) {
        if (edit->text() != *value) {
            *value = edit->text();
            projectModified = true;
        }
    }
    stbInformation->SetPanelText(1, Ids("IDS_19") + frmPrjInfo->edtPrjTitle->text());
    stbInformation->SetPanelText(2, Ids("IDS_20") + frmPrjInfo->edtPrjUser->text());
    stbInformation->SetPanelText(3, Ids("IDS_21") + frmPrjInfo->edtPrjComment->text());
}
