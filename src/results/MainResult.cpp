// The main window's result command.
#include "MainUnit.h"

void TfrmMain::actExecResultExecute() {}
