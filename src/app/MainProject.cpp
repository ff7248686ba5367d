// Project file commands of the main window: Open, Save, Save As, Project information and
// the one project load every open path goes through.
#include "MainUnit.h"

void TfrmMain::actFileOpenPrjExecute() {}

bool TfrmMain::LoadProject(const QString&) {
    return false;
}

bool TfrmMain::actFileSavePrjExecute() {
    return false;
}

bool TfrmMain::actFileSaveAsPrjExecute() {
    return false;
}

void TfrmMain::actFileSavePrjUpdate() {}

void TfrmMain::actFilePrjInfoExecute() {}
