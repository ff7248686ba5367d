// The project editor's services to the main window: the stimulus, schedule and parameter
// panels, their grids and count editors.
#include "MainUnit.h"

void TfrmMain::CreateEditorControls() {}

void TfrmMain::ConnectEditorActions() {}

void TfrmMain::OnCardMessage(intptr_t, intptr_t) {}

bool TfrmMain::ProbeWaveFile(const QString&, int*, int*, int*, uint32_t*) {
    return false;
}

bool TfrmMain::StoreStimulusComments() {
    return true;
}

bool TfrmMain::ShowStimulusList() {
    return false;
}

bool TfrmMain::ResizeStimulusGrid(int, int) {
    return true;
}

bool TfrmMain::LoadParameterPanel() {
    return false;
}

bool TfrmMain::SaveParameterPanel() {
    return false;
}

bool TfrmMain::StoreScheduleGrid(int) {
    return false;
}

void TfrmMain::ShowSchedule(int) {}

bool TfrmMain::ResizeScheduleGrid(int, int, int, int) {
    return true;
}

bool TfrmMain::SetScheduleSize(int, int, int) {
    return false;
}

void TfrmMain::HideAnswerColumns() {}

bool TfrmMain::ValidateScheduleRange(int, int, int) {
    return false;
}

void TfrmMain::RandomizeTrials() {}

void TfrmMain::ResizeParameterGrid(StringGrid*, int, int) {}

bool TfrmMain::SetQuestionCount(int) {
    return true;
}

void TfrmMain::SetQuestionRows(int, int) {}

bool TfrmMain::LoadQuestionGrid() {
    return true;
}

bool TfrmMain::SaveQuestionGrid(bool) {
    return true;
}

void TfrmMain::asgdStimulusGetCellColor(int, int, QColor&, QColor&) {}

void TfrmMain::asgdScheduleGetCellColor(int, int, QColor&, QColor&) {}

void TfrmMain::actStmListListenExecute() {}

void TfrmMain::actSdlListListenExecute() {}

void TfrmMain::popStmMenuPopup() {}

void TfrmMain::popSdlListMenuPopup() {}
