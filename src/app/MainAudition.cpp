// Audition in the main window: the sequencer's states, playback of the stimulus it names,
// the lock of the commands and the play controls.
#include "MainUnit.h"

void TfrmMain::CreateAuditionControls() {}

void TfrmMain::ConnectAuditionActions() {}

void TfrmMain::OnExecTableMessage(intptr_t, intptr_t) {}

void TfrmMain::OnSoundMessage(intptr_t, intptr_t) {}

void TfrmMain::OnAsioStatus(intptr_t, intptr_t) {}

void TfrmMain::OnAsioBufferDone(intptr_t, intptr_t) {}

void TfrmMain::LockUI() {}

bool TfrmMain::PlayStimulus(int) {
    return false;
}

void TfrmMain::actExecCtrlPlayExecute() {}

void TfrmMain::actExecCtrlSuspendExecute() {}

void TfrmMain::actExecCtrlStopExecute() {}

void TfrmMain::actExecCtrlCancelRepeatExecute() {}

void TfrmMain::tbtnRepeatClick() {}

void TfrmMain::actViewPlayCtrlExecute() {}

void TfrmMain::actViewPlayCtrlUpdate() {}
