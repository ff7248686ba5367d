#pragma once

class TfrmMain;

// Connections of the editors that live in files of their own; ConnectEditorActions calls
// them once the controls exist.
void ConnectCountEditors(TfrmMain& w);
void ConnectStimulusList(TfrmMain& w);
void ConnectScheduleCommands(TfrmMain& w);
void ConnectScheduleEditing(TfrmMain& w);

// The update handlers of the two lists' commands.
void UpdateStimulusActions(TfrmMain& w);
void UpdateScheduleActions(TfrmMain& w);
