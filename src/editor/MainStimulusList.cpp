// The stimulus list: the WAV acceptance rule, the grid's exchange with the project, its
// playback highlight and its audition command.
#include "CWaveFileIF.h"
#include "Cexectable.h"
#include "EditorShared.h"
#include "MainUnit.h"
#include "StimulusPlayback.h"
#include "StringGrid.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QPalette>

bool TfrmMain::ProbeWaveFile(const QString& path, int* channels, int* bitsPerSample, int* sampleRate,
                             uint32_t* frames) {
    return CheckWaveFileForDevice(deviceFormats, path, channels, bitsPerSample, sampleRate, frames);
}

bool TfrmMain::StoreStimulusComments() {
    const WaitCursor wait;
    const int rows = asgdStimulus->RowCount() - asgdStimulus->FixedRows();
    project.SetStimulusCount(rows);
    CStimuli* stimuli = project.GetStimuli();
    for (int n = 1; n <= rows && n <= stimuli->GetCount(); ++n)
        (*stimuli)[n - 1].comment = asgdStimulus->Cell(2, n);
    return true;
}

bool TfrmMain::ShowStimulusList() {
    CStimuli* stimuli = project.GetStimuli();
    if (asgdStimulus->RowCount() - asgdStimulus->FixedRows() != stimuli->GetCount())
        return false;
    asgdStimulus->setUpdatesEnabled(false);
    for (int n = 1; n <= stimuli->GetCount(); ++n) {
        const CStimulus& stimulus = (*stimuli)[n - 1];
        const int row = asgdStimulus->RealRowIndex(n);
        asgdStimulus->Data().SetCell(1, row, FileNamePart(stimulus.orgFileName));
        asgdStimulus->Data().SetCell(2, row, stimulus.comment);
    }
    asgdStimulus->setUpdatesEnabled(true);
    asgdStimulus->RepaintAll();
    // The card shows this list now, not the one before.
    ShowCard(asgdStimulus->Row(), stimuli->GetCount());
    return true;
}

bool TfrmMain::ResizeStimulusGrid(int oldCount, int newCount) {
    if (oldCount == newCount)
        return true;
    projectModified = true;
    stimulusUndoAvailable = false;
    asgdStimulus->setUpdatesEnabled(false);
    const int fixed = asgdStimulus->FixedRows();
    const int currentCol = asgdStimulus->Col();
    const int currentRow = asgdStimulus->Row();
    for (int row = newCount + 1; row <= oldCount; ++row)
        asgdStimulus->Data().ClearRow(row);
    asgdStimulus->SetRowCount(fixed + newCount);
    stimulusUndo.resize(static_cast<size_t>(std::max(newCount, 0)));
    for (int n = oldCount + 1; n <= newCount; ++n)
        asgdStimulus->Data().SetCell(0, n, Ids("IDS_6") + QString::number(n));
    FitRowHeadings(asgdStimulus);
    // The new row count resets the view; the cursor stays where it was, or on the last row.
    if (currentRow >= fixed && newCount > 0)
        asgdStimulus->SetCurrentCell(currentCol, std::min(currentRow, fixed + newCount - 1));
    asgdStimulus->setUpdatesEnabled(true);
    asgdStimulus->RepaintAll();
    return true;
}

bool StimulusRowHighlighted(const TfrmMain& w, int row) {
    if (w.playStimulusRow < 0 || row != w.playStimulusRow)
        return false;
    const int state = w.execTable->state();
    return w.frmExecute != nullptr ||
           !(state == ExecIdle || state == ExecListEnded || state == ExecScheduleEnded);
}

void TfrmMain::asgdStimulusGetCellColor(int, int row, QColor& background, QColor& text) {
    if (!StimulusRowHighlighted(*this, row))
        return;
    const QPalette palette = QApplication::palette();
    background = palette.color(QPalette::ToolTipBase);
    text = palette.color(QPalette::ToolTipText);
}

void TfrmMain::actStmListListenExecute() {
    const QRect selection = asgdStimulus->Selection();
    StoreStimulusComments();
    CStimuli* stimuli = project.GetStimuli();
    for (int row = selection.top(); row <= selection.bottom(); ++row) {
        if (row < 1 || row > stimuli->GetCount() || (*stimuli)[row - 1].fileName.isEmpty()) {
            ShowMessage("IDS_318", UiServices::Kind::Warning);
            return;
        }
        if (!CheckPlayable(row))
            return;
    }
    const QString range =
        QString::number(selection.top()) + QLatin1Char('-') + QString::number(selection.bottom());
    execTable->setNotifyWindow(handle());
    if (!execTable->StartStimuli(stimuli, range))
        ShowMessage("IDS_319", UiServices::Kind::Error);
}

void TfrmMain::popStmMenuPopup() {
    popStmMenu->setProperty("Tag", static_cast<int>(execTable->state()));
}
