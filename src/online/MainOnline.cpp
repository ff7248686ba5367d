// The main window's user rights and online library commands.
#include "MainUnit.h"

void TfrmMain::ConnectOnlineActions() {}

void TfrmMain::AuthenticateUser() {}

void TfrmMain::SetFullUser(bool) {}
