// The main window's side of the stimulus card.
#include "CardUnit.h"
#include "MainUnit.h"

#include <algorithm>

void TfrmMain::OnCardMessage(intptr_t, intptr_t) {
    // The card's notices are taken over when the card itself is built.
}

void TfrmMain::ShowCard(int number, int count) {
    if (frmCard == nullptr)
        return;
    // A count change may leave the card past the end of the list.
    frmCard->stimulusCount = std::max(count, 0);
    frmCard->stimulusNumber = count > 0 ? std::clamp(number, 1, count) : 0;
    frmCard->update();
}
