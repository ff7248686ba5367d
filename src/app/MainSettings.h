#pragma once

#include <QString>
#include <cstdint>

namespace tamvik {
class IniFile;
}

// The main window's settings (Tamvik.ini in the settings folder): read once when the
// window is made, written once when it closes; the options dialog changes them between.
struct MainSettings {
    // [General]
    bool rememberPanels = false; // Visible: [Visible] is read and written
    bool rememberExecute = true; // Execute: [Execute] is read and written
    bool useSubDB = false;
    QString subDBFile;
    // [Visible]
    bool showStimulusPanel = true;
    bool showParameterPanel = true;
    bool showSchedulePanel = true;
    // [Execute]
    bool checkRepetition = false;
    bool waitResponses = false;
    int32_t feedbackTenths = 10;
    bool autoAdjust = false;
    bool pauseEachStimulus = false;
    bool mono2Stereo = true;
    bool selfTraining = false;
    int32_t delayTimes = 0;
    // [Network]
    int32_t terminalCount = 99;
    QString broadcastAddress = QStringLiteral("255.255.255.255");
    int32_t ipPort = 57000;
    int32_t udpInterval = 100;
    // [MaxNumber]: upper bounds of the count editors
    int16_t maxStimuli = 200;
    int16_t maxTrials = 200;
    int16_t maxPresentations = 99;
    int16_t maxSdWordPairs = 99;
    int16_t maxQuestions = 99;
    // [Display]
    int32_t sortMode = 0;

    // The largest bounds the grids are made for: every count makes rows or columns, and
    // a bound beyond these would build grids no one can work with.
    static constexpr int GridRowLimit = 9999;
    static constexpr int GridColumnLimit = 999;

    // Defaults (TermNum's is terminalLimit), then what the file holds, corrected.
    void Read(const tamvik::IniFile& ini, int terminalLimit);
    // Writes every key in the file's order; TermNum above terminalLimit is lowered first.
    void Write(tamvik::IniFile& ini, int terminalLimit);
};

// Tamvik.ini and tmvlang.ini in the settings folder; empty when there is no such folder.
QString MainSettingsPath();
QString LanguageSettingsPath();

// The interface language tmvlang.ini holds (1 Japanese, 2 English), else the system's;
// 0 when there is no settings folder.
int StoredLanguage();
