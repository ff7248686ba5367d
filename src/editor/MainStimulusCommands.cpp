// The stimulus list's commands: WAV files dropped from the desktop, insert, delete,
// clear and select all, the in-place comment edit, the drag of a stimulus number towards
// the schedule, the card following the list, and the enabling of the list's commands.
#include "CountEditor.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "PanelStatusBar.h"
#include "StringGrid.h"
#include "WindowFilter.h"

#include <QAction>
#include <QDrag>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QUrl>
#include <memory>

namespace {

const int kFileCol = 1;
const int kCommentCol = 2;

int DataRows(const StringGrid* grid) {
    return grid->RowCount() - grid->FixedRows();
}

// The progress box of a stimulus copy: shown only once a copy has taken longer than the
// window's "copyProgressDelayMs" (400 ms unless set), so short copies flash nothing.
class CopyProgressBox {
public:
    explicit CopyProgressBox(TfrmMain& w) : m_w(w) {}

    bool Report(qint64 copied, qint64 total) {
        if (copied == 0) {
            m_timer.start();
            m_dialog.reset();
            return true;
        }
        const QVariant delay = m_w.property("copyProgressDelayMs");
        const qint64 after = delay.isValid() ? delay.toLongLong() : 400;
        if (!m_dialog && copied < total && m_timer.elapsed() >= after) {
            m_dialog = std::make_unique<QProgressDialog>(&m_w);
            m_dialog->setObjectName(QStringLiteral("dlgCopyProgress"));
            m_dialog->setWindowTitle(CProject::CopyProgressTitle);
            m_dialog->setLabelText(CProject::CopyProgressTitle);
            m_dialog->setWindowModality(Qt::WindowModal);
            m_dialog->setRange(0, 1000);
            m_dialog->setMinimumDuration(0);
            m_dialog->setAutoReset(false);
            m_dialog->setAutoClose(false);
            m_dialog->show();
        }
        if (!m_dialog)
            return true;
        m_dialog->setValue(total > 0 ? static_cast<int>(copied * 1000 / total) : 1000);
        QCoreApplication::processEvents();
        if (m_dialog->wasCanceled()) {
            m_dialog.reset();
            cancelled = true;
            return false;
        }
        if (copied >= total)
            m_dialog.reset();
        return true;
    }

    bool cancelled = false;

private:
    TfrmMain& m_w;
    QElapsedTimer m_timer;
    std::unique_ptr<QProgressDialog> m_dialog;
};

// WAV files dropped on (col, row) of the list: each playable file goes into the first
// row from the drop row on whose file cell is empty; the list grows, after one question,
// up to the count editor's maximum.
void DropWaveFiles(TfrmMain& w, int col, int row, const QStringList& paths,
                   const std::shared_ptr<CopyProgressBox>& progress) {
    StringGrid* grid = w.asgdStimulus;
    if (!grid->viewport()->acceptDrops())
        return;
    SaveStimulusUndo(w);
    w.activateWindow();
    w.raise();
    int start = col >= 1 && row >= 1 ? row : grid->Row();
    start = std::max(start, grid->FixedRows());
    bool asked = false;
    progress->cancelled = false;
    {
        StatusText status(w.stbInformation, TfrmMain::Ids("IDS_276"));
        // The list and the counter are drawn as the files go in, a few times a second: a
        // repaint per file would cost a long drop of short files more than the copies.
        QElapsedTimer sinceShown;
        sinceShown.start();
        const int count = static_cast<int>(paths.size());
        for (int i = 1; i <= count; ++i) {
            const QString& path = paths.at(i - 1);
            if (QFileInfo(path).suffix().toLower() != QLatin1String("wav"))
                continue;
            if (!w.ProbeWaveFile(path, nullptr, nullptr, nullptr, nullptr)) {
                w.ShowUnplayable(FileNamePart(path));
                continue;
            }
            const int rows = DataRows(grid);
            int target = start;
            while (target <= rows && !grid->Cell(kFileCol, target).isEmpty())
                ++target;
            if (target > rows) {
                const int max = w.updStmNumber->Max();
                if (target > max)
                    continue; // past the maximum: not registered, nothing said
                if (!asked) {
                    if (w.ShowMessage("IDS_278", UiServices::Kind::Confirmation,
                                      UiServices::Buttons::YesNo) != UiServices::Answer::Yes)
                        return; // the status text and cursor go back; the card is not refreshed
                    asked = true;
                }
                w.updStmNumber->SetPosition(target);
                w.project.SetStimulusCount(target);
                w.ResizeStimulusGrid(rows, target);
            }
            grid->SetCell(kFileCol, target, FileNamePart(path));
            w.projectModified = true;
            w.stimulusUndoAvailable = true;
            status.Set(TfrmMain::Ids("IDS_279") + QString::number(i) + QLatin1Char('/') +
                       QString::number(count));
            if (w.project.SetStimulusFile(target - 1, path, true).isEmpty())
                grid->SetCell(kFileCol, target, QString());
            if (sinceShown.elapsed() >= 40) {
                grid->viewport()->repaint();
                w.stbInformation->repaint();
                sinceShown.restart();
            }
            if (progress->cancelled)
                break; // a cancelled copy ends the drop
        }
    }
    w.ShowCard(grid->Row(), DataRows(grid));
}

// The drag of a stimulus number out of the file column.
class StimulusGridEvents : public WindowFilter {
public:
    explicit StimulusGridEvents(TfrmMain& w) : WindowFilter(w, w.asgdStimulus->viewport()) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        StringGrid* grid = m_w.asgdStimulus;
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            m_dragRow = -1;
            const QModelIndex at = grid->indexAt(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && at.isValid() && at.column() == kFileCol &&
                at.row() >= grid->FixedRows() && !grid->Cell(kFileCol, at.row()).isEmpty()) {
                m_dragRow = at.row();
                m_pressedAt = mouse->position().toPoint();
            }
            return false;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (m_dragRow < 0 || !(mouse->buttons() & Qt::LeftButton) ||
                (mouse->position().toPoint() - m_pressedAt).manhattanLength() <
                    QApplication::startDragDistance())
                return false;
            auto* data = new QMimeData;
            data->setData(kStimulusNumberMime, QByteArray::number(m_dragRow - grid->FixedRows() + 1));
            auto* drag = new QDrag(grid);
            drag->setMimeData(data);
            m_dragRow = -1;
            drag->exec(Qt::CopyAction);
            return true;
        }
        case QEvent::MouseButtonRelease:
            m_dragRow = -1;
            return false;
        default:
            return false;
        }
    }

private:
    int m_dragRow = -1;
    QPoint m_pressedAt;
};

// A key on a comment cell turns the switch on, so the grid opens its editor with it; the
// arrow keys only move.
class CommentKeys : public WindowFilter {
public:
    explicit CommentKeys(TfrmMain& w) : WindowFilter(w, w.asgdStimulus) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        StringGrid* grid = m_w.asgdStimulus;
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool arrow =
            key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        if (!arrow && !grid->Editing() && grid->Col() == kCommentCol && EditorIdle(m_w))
            grid->SetEditing(true);
        return false;
    }
};

// The comment editor: the snapshot is taken as it opens and the stimulus count stays put
// while it is open; a line feed (Ctrl+Enter) never goes into a comment, and Esc closes the
// editor with the text the cell had. The editing switch goes off when the edit ends.
void ConnectCommentEditing(TfrmMain& w) {
    StringGrid* grid = w.asgdStimulus;
    grid->editStart = [&w](int col, int row, StringGrid::EditStart& start) {
        if (col != kCommentCol || !EditorIdle(w))
            return false;
        SaveStimulusUndo(w);
        w.updStmNumber->setEnabled(false);
        w.edtStmNumber->setEnabled(false);
        start.keyFilter = [&w, row](QLineEdit& editor, QKeyEvent& key) {
            const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
            if (enter && (key.modifiers() & Qt::ControlModifier))
                return StringGrid::KeyAction::Drop;
            if (key.key() == Qt::Key_Escape) {
                const size_t index = static_cast<size_t>(row - w.asgdStimulus->FixedRows());
                if (index < w.stimulusUndo.size())
                    editor.setText(w.stimulusUndo[index]);
                return StringGrid::KeyAction::Commit;
            }
            return StringGrid::KeyAction::Pass;
        };
        return true;
    };
    grid->editEnd = [&w](int, int, bool) {
        w.asgdStimulus->SetEditing(false);
        w.updStmNumber->setEnabled(true);
        w.edtStmNumber->setEnabled(true);
    };
    new CommentKeys(w);
    // A double click on a comment asks the service who the user is; the rights it brings
    // back decide whether the editor opens.
    QObject::connect(grid, &StringGrid::cellDoubleClicked, &w, [&w, grid](int col, int row) {
        if (col != kCommentCol || row < grid->FixedRows() || !EditorIdle(w) || grid->Editing())
            return;
        grid->SetEditing(true);
        w.AuthenticateUser();
    });
}

void InsertRow(TfrmMain& w) {
    const int position = w.updStmNumber->Position();
    // The list never grows past what its count editor can show.
    if (position >= w.updStmNumber->Max())
        return;
    const int index = w.asgdStimulus->Row() - w.asgdStimulus->FixedRows();
    w.StoreStimulusComments();
    if (!w.project.GetStimuli()->Insert(index))
        return;
    w.ResizeStimulusGrid(position, position + 1);
    w.updStmNumber->SetPosition(position + 1);
    w.ShowStimulusList();
    w.projectModified = true;
    w.stimulusUndoAvailable = false;
}

void DeleteRow(TfrmMain& w) {
    if (w.project.GetStimuli()->GetCount() <= 1) {
        w.ShowMessage("IDS_317", UiServices::Kind::Warning);
        return;
    }
    const int position = w.updStmNumber->Position();
    const int index = w.asgdStimulus->Row() - w.asgdStimulus->FixedRows();
    w.StoreStimulusComments();
    if (!w.project.GetStimuli()->Delete(index))
        return;
    w.ResizeStimulusGrid(position, position - 1);
    w.updStmNumber->SetPosition(position - 1);
    w.ShowStimulusList();
    w.projectModified = true;
    w.stimulusUndoAvailable = false;
}

void ClearSelection(TfrmMain& w) {
    StringGrid* grid = w.asgdStimulus;
    const QRect selection = grid->Selection();
    SaveStimulusUndo(w);
    w.stimulusUndoAvailable = true;
    {
        StatusText status(w.stbInformation, TfrmMain::Ids("IDS_415"));
        CStimuli* stimuli = w.project.GetStimuli();
        for (int r = selection.top(); r <= selection.bottom(); ++r) {
            const int index = r - grid->FixedRows();
            for (int c = selection.left(); c <= selection.right(); ++c) {
                if (index >= 0 && index < stimuli->GetCount()) {
                    if (c == kFileCol) {
                        w.project.SetStimulusFile(index, QString(), true);
                        (*stimuli)[index].comment = grid->Cell(kCommentCol, r); // the comment survives
                        w.stimulusUndoAvailable = false;                        // a removal is not undone
                    } else if (c == kCommentCol) {
                        (*stimuli)[index].comment.clear();
                    }
                }
                if (c >= grid->FixedCols())
                    grid->SetCell(c, r, QString());
            }
        }
    }
    w.projectModified = true;
    w.ShowCard(grid->Row(), DataRows(grid));
}

void SelectAll(TfrmMain& w) {
    StringGrid* grid = w.asgdStimulus;
    if (DataRows(grid) > 0)
        grid->SetSelection(QRect(QPoint(grid->FixedCols(), grid->FixedRows()),
                                 QPoint(grid->ColCount() - 1, grid->RowCount() - 1)));
}

} // namespace

void UpdateStimulusActions(TfrmMain& w) {
    const bool idle = w.popStmMenu->property("Tag").toInt() == 0 && EditorIdle(w);
    const bool active = idle && ControlActive(w, w.asgdStimulus);
    w.actStmListClear->setEnabled(active);
    w.actStmListSelectAll->setEnabled(active);
    bool allRegistered = true;
    const QRect selection = w.asgdStimulus->Selection();
    CStimuli* stimuli = w.project.GetStimuli();
    for (int row = selection.top(); row <= selection.bottom(); ++row) {
        if (row < 1 || row > stimuli->GetCount() || (*stimuli)[row - 1].fileName.isEmpty()) {
            allRegistered = false;
            break;
        }
    }
    w.actStmListListen->setEnabled(active && !w.cardPlaying && allRegistered);
    w.actStmListDelRow->setEnabled(idle && w.asgdStimulus->Row() >= w.asgdStimulus->FixedRows() &&
                                   stimuli->GetCount() >= 2);
    w.actStmListInsRow->setEnabled(idle && w.asgdStimulus->Row() >= w.asgdStimulus->FixedRows() &&
                                   w.updStmNumber->Position() < w.updStmNumber->Max());
}

void ConnectStimulusList(TfrmMain& w) {
    StringGrid* grid = w.asgdStimulus;
    auto progress = std::make_shared<CopyProgressBox>(w);
    w.project.SetCopyProgress(
        [progress](qint64 copied, qint64 total) { return progress->Report(copied, total); });
    // WAV files from the desktop go onto a data cell of the file column.
    grid->acceptsDrag = [](const QMimeData& data) { return data.hasUrls(); };
    grid->dragOver = [grid](int col, int row, const QMimeData&) {
        return col == kFileCol && row >= grid->FixedRows();
    };
    grid->dragDrop = [&w, progress](int col, int row, const QMimeData& data) {
        QStringList paths;
        for (const QUrl& url : data.urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
        DropWaveFiles(w, col, row, paths, progress);
    };
    new StimulusGridEvents(w);
    ConnectCommentEditing(w);
    // No comment edit starts while something plays.
    grid->canEditCell = [&w](int col, int) { return col == kCommentCol && EditorIdle(w); };

    QObject::connect(w.actStmListInsRow, &QAction::triggered, &w, [&w] { InsertRow(w); });
    QObject::connect(w.actStmListDelRow, &QAction::triggered, &w, [&w] { DeleteRow(w); });
    QObject::connect(w.actStmListClear, &QAction::triggered, &w, [&w] { ClearSelection(w); });
    QObject::connect(w.actStmListSelectAll, &QAction::triggered, &w, [&w] { SelectAll(w); });
    w.actStmListClear->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    w.actStmListSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    for (QAction* a : {w.actStmListClear, w.actStmListSelectAll}) {
        a->setShortcutContext(Qt::WindowShortcut);
        w.addAction(a);
    }

    QObject::connect(grid, &StringGrid::currentCellChanged, &w, [&w, grid](int, int row) {
        if (row >= grid->FixedRows())
            w.ShowCard(row, DataRows(grid));
    });
    // A click on a heading moves no current cell; the grid reports it all the same.
    QObject::connect(grid, &StringGrid::cellClicked, &w, [&w, grid](int col, int row) {
        if (row < grid->FixedRows() || col < grid->FixedCols())
            w.ShowCard(grid->Row(), DataRows(grid));
    });
}
