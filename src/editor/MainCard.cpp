// The main window's side of the stimulus card.
#include "MainUnit.h"

void TfrmMain::OnCardMessage(intptr_t, intptr_t) {
    // The card's notices are taken over when the card itself is built.
}
