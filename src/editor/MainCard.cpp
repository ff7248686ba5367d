// The main window's side of the stimulus card: filling it, taking over what it commits,
// following its playback, and the stimulus list's command that shows it.
#include "CardUnit.h"
#include "DateTime.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "PanelStatusBar.h"
#include "StringGrid.h"
#include "WindowTexts.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace {

const int kFileCol = 1;
const int kCommentCol = 2;

int DataRows(const StringGrid* grid) {
    return grid->RowCount() - grid->FixedRows();
}

QString DateText(double days) {
    const QDateTime time = tamvik::DaysToDateTime(days);
    return days != 0 && time.isValid() ? QLocale().toString(time, QLocale::ShortFormat) : QString();
}

void ClearInformation(TfrmCard& card) {
    for (QLabel* line :
         {card.lblFs, card.lblBit, card.lblTime, card.lblCh, card.lblFileCreate, card.lblFileUpdate})
        line->clear();
    card.lblFs->setProperty("Tag", 0);
}

// Stimulus n (from 1) taken over from the card, then the card moves to next.
void CommitCard(TfrmMain& w, int n, int next) {
    TfrmCard& card = *w.frmCard;
    StringGrid* grid = w.asgdStimulus;
    CStimuli* stimuli = w.project.GetStimuli();
    const int rows = DataRows(grid);
    if (n >= 1 && n <= rows && n <= stimuli->GetCount()) {
        SaveStimulusUndo(w);
        CStimulus& stimulus = (*stimuli)[n - 1];
        const QString path = card.edtDataFile->text();
        const QString comment = card.edtComment->text();
        bool changed = stimulus.comment != comment;
        grid->SetCell(kCommentCol, n, comment);
        stimulus.comment = comment;
        if (path != stimulus.orgFileName) {
            const WaitCursor wait;
            card.btnListen->setEnabled(false);
            card.btnStop->setEnabled(false);
            card.stbNowStatus->SetSimplePanel(true);
            card.stbNowStatus->SetSimpleText(TfrmMain::Ids("IDS_403"));
            card.stbNowStatus->repaint();
            // A path that names no file registers nothing.
            if (QFileInfo(path).isFile() && !w.project.SetStimulusFile(n - 1, path, true).isEmpty())
                changed = true;
            card.stbNowStatus->SetSimpleText(QString());
            card.stbNowStatus->SetSimplePanel(false);
        }
        // The row shows what the project holds now, whether or not the new file took.
        const bool registered = !stimulus.fileName.isEmpty();
        grid->SetCell(kFileCol, n, registered ? FileNamePart(stimulus.orgFileName) : QString());
        card.btnChange->setVisible(registered && !card.edtDataFile->isHidden());
        card.btnRegist->setVisible(!registered);
        card.btnListen->setEnabled(registered);
        card.btnStop->setEnabled(false);
        if (changed) {
            w.projectModified = true;
            w.stimulusUndoAvailable = true;
        }
    }
    next = std::clamp(next, 1, std::max(rows, 1));
    if (next != n && next <= rows)
        grid->SetCurrentCell(grid->Col() >= grid->FixedCols() ? grid->Col() : kFileCol, next);
    w.ShowCard(next, rows);
}

} // namespace

void TfrmMain::OnCardMessage(intptr_t wParam, intptr_t lParam) {
    switch (wParam) {
    case 1:
        if (frmCard)
            CommitCard(*this, static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
        break;
    case 0:
        if (lParam < -1 || lParam > 1)
            break;
        for (QAction* a : {actExecCtrlPlay, actExecCtrlSuspend, actExecCtrlStop, actExecCtrlCancelRepeat})
            a->setEnabled(false);
        cardPlaying = lParam == 1;
        if (lParam == -1)
            ShowMessage("IDS_319", UiServices::Kind::Error);
        break;
    case 2:
        // The card's stimulus written out as the list's command does it; the card comes
        // back to the front afterwards.
        ExportWavFiles(static_cast<int>(lParam), static_cast<int>(lParam));
        if (frmCard) {
            frmCard->raise();
            frmCard->activateWindow();
        }
        break;
    default:
        break;
    }
}

void TfrmMain::ShowCard(int number, int count) {
    if (frmCard == nullptr)
        return;
    TfrmCard& card = *frmCard;
    CStimuli* stimuli = project.GetStimuli();
    // A count change may leave the card past the end of the list.
    count = std::max(count, 0);
    const int n = count > 0 ? std::clamp(number, 1, count) : 0;
    if (n == 0) {
        card.setWindowTitle(TableText(QStringLiteral("TfrmCard"), QStringLiteral("Caption")));
        card.edtDataFile->clear();
        card.edtComment->clear();
        card.lblPrjFileName->clear();
        ClearInformation(card);
        card.SetRowCount(0, 0);
        return;
    }
    // While the list grows the grid may be ahead of the project: its new rows are empty.
    const CStimulus stimulus = n <= stimuli->GetCount() ? (*stimuli)[n - 1] : CStimulus();
    card.setWindowTitle(Ids("IDS_405") + QString::number(n) + QLatin1Char('/') + QString::number(count));
    card.edtDataFile->setText(stimulus.orgFileName);
    card.edtComment->setText(stimulus.comment);
    card.lblPrjFileName->setText(project.GetWorkFolder() + stimulus.fileName);
    int channels = 0;
    int bits = 0;
    int rate = 0;
    uint32_t frames = 0;
    if (asgdStimulus->Cell(kFileCol, n).isEmpty()) {
        ClearInformation(card);
        card.btnChange->hide();
        card.btnRegist->show();
    } else {
        // A copy the device cannot play shows nothing rather than the lines of another.
        if (ProbeWaveFile(card.lblPrjFileName->text(), &channels, &bits, &rate, &frames) && rate > 0) {
            const QLocale locale;
            // Kilohertz as the unit says: 44.1, 48, 22.05.
            card.lblFs->setText(locale.toString(rate / 1000.0, 'f', QLocale::FloatingPointShortest) +
                                QStringLiteral(" [kHz]"));
            card.lblFs->setProperty("Tag", rate);
            card.lblBit->setText(QString::number(bits) + QStringLiteral(" [bit]"));
            const double seconds = std::floor(double(frames) / rate * 100 + 0.5) * 0.01;
            card.lblTime->setText(locale.toString(seconds, 'f', 2) + QStringLiteral(" [sec]"));
            card.lblCh->setText(QString::number(channels) + QStringLiteral(" [ch]"));
            card.lblFileCreate->setText(DateText(stimulus.orgCreateDate));
            card.lblFileUpdate->setText(DateText(stimulus.orgUpdateDate));
        } else {
            ClearInformation(card);
        }
        card.btnChange->setVisible(!card.edtDataFile->isHidden());
        card.btnRegist->hide();
    }
    card.SetRowCount(n, count);
}

void ConnectCard(TfrmMain& w) {
    QObject::connect(w.actStmListShowCard, &QAction::triggered, &w, [&w] {
        w.StoreStimulusComments();
        w.ShowCard(w.asgdStimulus->Row(), DataRows(w.asgdStimulus));
        // Centred on the window the first time; where the user put it afterwards.
        if (!w.frmCard->property("placed").toBool()) {
            w.frmCard->move(w.geometry().center() - w.frmCard->rect().center());
            w.frmCard->setProperty("placed", true);
        }
        w.frmCard->show();
        w.frmCard->raise();
        w.frmCard->activateWindow();
    });
}

void UpdateCardCommand(TfrmMain& w) {
    w.actStmListShowCard->setEnabled(w.frmCard != nullptr && !w.frmCard->isVisible());
}
