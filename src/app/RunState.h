#pragma once

#include <cstdint>

// What the main window's own runs are doing: the card's audition, and the list or
// schedule audition the sequencer walks (the cells it marks as playing).
struct RunState {
    bool cardPlaying = false;
    // A pause or stop of the play controls is under way; plays that end meanwhile do not
    // move the sequencer on.
    bool suspending = false;
    // The schedule cell and stimulus row marked as playing; -1 when none.
    int32_t playColumn = -1;
    int32_t playRow = -1;
    int32_t playStimulusRow = -1;

    // Nothing plays and nothing is marked.
    void Reset() { *this = RunState{}; }
};
