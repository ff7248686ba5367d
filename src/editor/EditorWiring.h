#pragma once

class TfrmMain;

// Connections of the editors that live in files of their own; ConnectEditorActions calls
// them once the controls exist.
void ConnectCountEditors(TfrmMain& w);
void ConnectStimulusList(TfrmMain& w);
void ConnectScheduleCommands(TfrmMain& w);
void ConnectScheduleEditing(TfrmMain& w);
// Cut, copy, paste, undo and batch change of both lists: makes their actions and items.
void ConnectClipboardCommands(TfrmMain& w);
// The stimulus list's command that shows the stimulus card.
void ConnectCard(TfrmMain& w);
void ConnectParameterPanel(TfrmMain& w);
void ConnectScheduleSorting(TfrmMain& w);
void ConnectListExport(TfrmMain& w);

// The update handlers of the two lists' commands.
void UpdateStimulusActions(TfrmMain& w);
void UpdateScheduleActions(TfrmMain& w);
void UpdateClipboardActions(TfrmMain& w);
void UpdateCardCommand(TfrmMain& w);
void UpdateQuestionActions(TfrmMain& w);
void UpdateSortingActions(TfrmMain& w);
void UpdateListExportActions(TfrmMain& w);
