#pragma once

class TfrmMain;

// The one-level undo and the batch change of the two lists (the commands of the Undo and
// Batch change actions).
void UndoStimuli(TfrmMain& w);
void UndoSchedule(TfrmMain& w);
void BatchChangeStimuli(TfrmMain& w);
void BatchChangeSchedule(TfrmMain& w);
