// New project by method, and the window set-up shared with the project load.
#include "MainUnit.h"

void TfrmMain::actPrjTrnExecute() {}
void TfrmMain::actPrjSdmExecute() {}
void TfrmMain::actPrjParExecute() {}
void TfrmMain::actPrjCatExecute() {}
void TfrmMain::actPrjMemExecute() {}
void TfrmMain::actPrjTrnUpdate() {}
void TfrmMain::actPrjSdmUpdate() {}
void TfrmMain::actPrjParUpdate() {}
void TfrmMain::actPrjCatUpdate() {}
void TfrmMain::actPrjMemUpdate() {}
void TfrmMain::tbtnFileNewPrjClick() {}
void TfrmMain::NewProject(int) {}
void TfrmMain::ResetProjectUI() {}
void TfrmMain::SetMethodUI(int) {}
