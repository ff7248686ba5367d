// The main window's settings files, the options command that changes them, and the
// closing step that stores the language.
#include "MainUnit.h"

#include "CardUnit.h"
#include "Cexectable.h"
#include "IniFile.h"
#include "OptionIni.h"
#include "OptionUnit.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "WindowTexts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QSlider>
#include <QTabWidget>

void TfrmMain::LoadSettings() {
    const QString path = MainSettingsPath();
    if (path.isEmpty())
        return;
    tamvik::IniFile ini;
    ini.LoadFromFile(path); // a missing file gives the defaults
    settings.Read(ini, terminalLimit);
    execTable->setCheckRepetition(checkRepetition);
    execTable->setWaitResponses(waitResponses);
    execTable->setFeedbackSeconds(feedbackTenths * 0.1);
    execTable->setPauseEachStimulus(pauseEachStimulus);
    project.GetTerminalInfo()->SetTerminalCount(terminalCount);
}

bool TfrmMain::SaveSettings() {
    if (MainSettingsPath().isEmpty() || !CreateSettingsFolder())
        return false;
    tamvik::IniFile ini(MainSettingsPath());
    settings.Write(ini, terminalLimit);
    return ini.UpdateFile();
}

void TfrmMain::LoadLanguageSetting() {
    const int language = StoredLanguage();
    if (language == 0)
        return;
    TextTable::Instance().setLanguage(language == 1 ? TextTable::Language::Japanese
                                                    : TextTable::Language::English);
}

void TfrmMain::SaveLanguageSetting() {
    if (LanguageSettingsPath().isEmpty() || !CreateSettingsFolder())
        return;
    tamvik::IniFile ini(LanguageSettingsPath());
    const int active = TextTable::Instance().language() == TextTable::Language::Japanese ? 1 : 2;
    if (ini.ReadInteger(QStringLiteral("Language"), QStringLiteral("Default"), -1) != active)
        ini.WriteInteger(QStringLiteral("Language"), QStringLiteral("Default"), active);
    ini.UpdateFile(); // also unchanged, so the first close creates it
}

void TfrmMain::FormClose() {
    project.Close();
    SaveLanguageSetting();
}

void TfrmMain::actOptSettingExecute() {
    TfrmOption* dialog = frmOption;
    dialog->chkVisible->setChecked(rememberPanels);
    dialog->chkExecute->setChecked(rememberExecute);
    dialog->chkCheck->setChecked(execTable->checkRepetition());
    dialog->chkPause->setChecked(execTable->pauseEachStimulus());
    dialog->chkMono2Stereo->setEnabled(!useMME);
    dialog->lblASIO->setEnabled(!useMME);
    dialog->chkMono2Stereo->setChecked(mono2Stereo);
    const double feedback = execTable->feedbackSeconds();
    dialog->trbFeedback->setValue(static_cast<int>(feedback * 10 + 0.5));
    dialog->pnlFeedback->setText(QString::number(feedback, 'f', 1));
    dialog->trbFeedback->setEnabled(project.GetMethod() == 0);
    dialog->chkAutoAdjust->setChecked(autoAdjust);
    dialog->chkSelfTraining->setChecked(selfTraining);
    dialog->edtDelayTimes->setText(QString::number(delayTimes));
    dialog->pgeOption->setCurrentWidget(dialog->shtGeneral);
    QComboBox* devices = dialog->cboSndDevice;
    int match = 0;
    for (int i = 0; i < devices->count(); ++i) {
        if (devices->itemText(i).trimmed().compare(soundDeviceName.trimmed(), Qt::CaseInsensitive) == 0) {
            match = i;
            break;
        }
    }
    if (devices->count() > 0)
        devices->setCurrentIndex(match);

    dialog->exec();
    if (dialog->settingsSaved) {
        if (devices->currentIndex() >= 0)
            ApplyOutputDevice(devices->currentIndex());
        rememberPanels = dialog->chkVisible->isChecked();
        rememberExecute = dialog->chkExecute->isChecked();
        feedbackTenths = dialog->trbFeedback->value();
        execTable->setFeedbackSeconds(feedbackTenths * 0.1);
        checkRepetition = dialog->chkCheck->isChecked();
        execTable->setCheckRepetition(checkRepetition);
        autoAdjust = dialog->chkAutoAdjust->isChecked();
        pauseEachStimulus = dialog->chkPause->isChecked();
        execTable->setPauseEachStimulus(pauseEachStimulus);
        mono2Stereo = dialog->chkMono2Stereo->isChecked();
        ShareOutputSelection();
        selfTraining = dialog->chkSelfTraining->isChecked();
        const int last = asgdSchedule->ColCount() - 1;
        if (selfTraining)
            asgdSchedule->HideColumn(last);
        else
            asgdSchedule->UnHideColumn(last);
        // A text that is not a whole number leaves the delay as it was.
        bool isNumber = false;
        const int delay = dialog->edtDelayTimes->text().trimmed().toInt(&isNumber);
        if (isNumber)
            delayTimes = delay;
        else
            UiServices::Get().MessageText(
                this,
                TableText(QStringLiteral("TfrmMain"), QStringLiteral("InvalidInteger"))
                    .arg(dialog->edtDelayTimes->text()),
                QStringLiteral("Tamvik"), UiServices::Kind::Error, UiServices::Buttons::Ok);
    }
    AuthenticateUser();
}
