#include "MainSettings.h"

#include "IniFile.h"
#include "OptionIni.h"

#include <QLocale>

#include <algorithm>

namespace {

const QString General = QStringLiteral("General");
const QString Visible = QStringLiteral("Visible");
const QString Execute = QStringLiteral("Execute");
const QString Network = QStringLiteral("Network");
const QString MaxNumber = QStringLiteral("MaxNumber");
const QString Display = QStringLiteral("Display");

int16_t Bound(int value, int limit) {
    return static_cast<int16_t>(std::clamp(value, -1, limit));
}

QString InSettingsFolder(const char* name) {
    const QString folder = SettingsFolderPath();
    return folder.isEmpty() ? QString() : folder + QString::fromLatin1(name);
}

} // namespace

void MainSettings::Read(const tamvik::IniFile& ini, int terminalLimit) {
    *this = MainSettings{};
    terminalCount = terminalLimit;
    rememberPanels = ini.ReadBool(General, QStringLiteral("Visible"), rememberPanels);
    rememberExecute = ini.ReadBool(General, QStringLiteral("Execute"), rememberExecute);
    useSubDB = ini.ReadBool(General, QStringLiteral("UseSubDB"), useSubDB);
    subDBFile = ini.ReadString(General, QStringLiteral("SubDBFile"), subDBFile);
    if (rememberPanels) {
        showStimulusPanel = ini.ReadBool(Visible, QStringLiteral("Stimulus"), showStimulusPanel);
        showParameterPanel = ini.ReadBool(Visible, QStringLiteral("ExecPrm"), showParameterPanel);
        showSchedulePanel = ini.ReadBool(Visible, QStringLiteral("Schedule"), showSchedulePanel);
    }
    if (rememberExecute) {
        checkRepetition = ini.ReadBool(Execute, QStringLiteral("Check"), checkRepetition);
        waitResponses = ini.ReadBool(Execute, QStringLiteral("Wait"), waitResponses);
        feedbackTenths = ini.ReadInteger(Execute, QStringLiteral("FeedBack"), feedbackTenths);
        autoAdjust = ini.ReadBool(Execute, QStringLiteral("AutoAdjust"), autoAdjust);
        pauseEachStimulus = ini.ReadBool(Execute, QStringLiteral("Pause"), pauseEachStimulus);
        mono2Stereo = ini.ReadBool(Execute, QStringLiteral("Mono2Stereo"), mono2Stereo);
        selfTraining = ini.ReadBool(Execute, QStringLiteral("SelfTraining"), selfTraining);
        delayTimes = ini.ReadInteger(Execute, QStringLiteral("DelayTimes"), delayTimes);
    }
    terminalCount = ini.ReadInteger(Network, QStringLiteral("TermNum"), terminalCount);
    if (terminalCount > terminalLimit || terminalCount < 1)
        terminalCount = terminalLimit;
    broadcastAddress = ini.ReadString(Network, QStringLiteral("BroadCast"), broadcastAddress);
    ipPort = ini.ReadInteger(Network, QStringLiteral("IPPortNum"), ipPort);
    if (ipPort > 65535 || ipPort < 0)
        ipPort = 57000;
    udpInterval = ini.ReadInteger(Network, QStringLiteral("UDPInterval"), udpInterval);
    if (udpInterval < 0)
        udpInterval = 100;
    // Below the editors' minimum is raised where the editors are set up.
    maxStimuli = Bound(ini.ReadInteger(MaxNumber, QStringLiteral("Stimulus"), maxStimuli), GridRowLimit);
    maxTrials = Bound(ini.ReadInteger(MaxNumber, QStringLiteral("Trial"), maxTrials), GridRowLimit);
    maxPresentations =
        Bound(ini.ReadInteger(MaxNumber, QStringLiteral("Presense"), maxPresentations), GridColumnLimit);
    maxSdWordPairs =
        Bound(ini.ReadInteger(MaxNumber, QStringLiteral("SdmExpress"), maxSdWordPairs), GridRowLimit);
    maxQuestions = Bound(ini.ReadInteger(MaxNumber, QStringLiteral("Question"), maxQuestions), GridRowLimit);
    sortMode = ini.ReadInteger(Display, QStringLiteral("SortMode"), sortMode);
}

void MainSettings::Write(tamvik::IniFile& ini, int terminalLimit) {
    ini.WriteBool(General, QStringLiteral("Visible"), rememberPanels);
    ini.WriteBool(General, QStringLiteral("Execute"), rememberExecute);
    ini.WriteBool(General, QStringLiteral("UseSubDB"), useSubDB);
    ini.WriteString(General, QStringLiteral("SubDBFile"), subDBFile);
    if (rememberPanels) {
        ini.WriteBool(Visible, QStringLiteral("Stimulus"), showStimulusPanel);
        ini.WriteBool(Visible, QStringLiteral("ExecPrm"), showParameterPanel);
        ini.WriteBool(Visible, QStringLiteral("Schedule"), showSchedulePanel);
    }
    if (rememberExecute) {
        ini.WriteBool(Execute, QStringLiteral("Check"), checkRepetition);
        ini.WriteBool(Execute, QStringLiteral("Wait"), waitResponses);
        ini.WriteInteger(Execute, QStringLiteral("FeedBack"), feedbackTenths);
        ini.WriteBool(Execute, QStringLiteral("AutoAdjust"), autoAdjust);
        ini.WriteBool(Execute, QStringLiteral("Pause"), pauseEachStimulus);
        ini.WriteBool(Execute, QStringLiteral("Mono2Stereo"), mono2Stereo);
        ini.WriteBool(Execute, QStringLiteral("SelfTraining"), selfTraining);
        ini.WriteInteger(Execute, QStringLiteral("DelayTimes"), delayTimes);
    }
    if (terminalCount > terminalLimit)
        terminalCount = terminalLimit;
    ini.WriteInteger(Network, QStringLiteral("TermNum"), terminalCount);
    ini.WriteString(Network, QStringLiteral("BroadCast"), broadcastAddress);
    ini.WriteInteger(Network, QStringLiteral("IPPortNum"), ipPort);
    ini.WriteInteger(Network, QStringLiteral("UDPInterval"), udpInterval);
    ini.WriteInteger(MaxNumber, QStringLiteral("Stimulus"), maxStimuli);
    ini.WriteInteger(MaxNumber, QStringLiteral("Trial"), maxTrials);
    ini.WriteInteger(MaxNumber, QStringLiteral("Presense"), maxPresentations);
    ini.WriteInteger(MaxNumber, QStringLiteral("SdmExpress"), maxSdWordPairs);
    ini.WriteInteger(MaxNumber, QStringLiteral("Question"), maxQuestions);
    ini.WriteInteger(Display, QStringLiteral("SortMode"), sortMode);
}

QString MainSettingsPath() {
    return InSettingsFolder("Tamvik.ini");
}

QString LanguageSettingsPath() {
    return InSettingsFolder("tmvlang.ini");
}

int StoredLanguage() {
    const QString path = LanguageSettingsPath();
    if (path.isEmpty())
        return 0;
    tamvik::IniFile ini;
    ini.LoadFromFile(path);
    const int language = ini.ReadInteger(QStringLiteral("Language"), QStringLiteral("Default"), -1);
    if (language == 1 || language == 2)
        return language;
    return QLocale::system().language() == QLocale::Japanese ? 1 : 2;
}
