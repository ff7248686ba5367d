// Cut, copy and paste of the stimulus list and the schedule grid through the system
// clipboard as tab-separated text, and the commands' actions, menu items and shortcuts.
#include "ActionLink.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "Named.h"
#include "ScheduleCellRules.h"
#include "StringGrid.h"
#include "UndoBatch.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QUuid>
#include <functional>

namespace {

const int kCommentCol = 2;

// Our own cells on the clipboard carry this type, its data the token of this process: the
// window system does not always say who owns the clipboard, and another process (another
// copy of the program too) puts other data there.
const QString kOwnCellsMime = QStringLiteral("application/x-tamvik-grid-cells");

const QByteArray& ProcessToken() {
    static const QByteArray token = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    return token;
}

const QMimeData* ClipboardData() {
    return QGuiApplication::clipboard()->mimeData();
}

bool ClipboardIsOurs() {
    const QMimeData* data = ClipboardData();
    return data && data->data(kOwnCellsMime) == ProcessToken();
}

bool ClipboardHasText() {
    const QMimeData* data = ClipboardData();
    return data && data->hasText();
}

// The source marks: which list was copied last, kept in the Tag of its Copy action.
bool CopiedLast(const QAction* copy) {
    return copy->property("Tag").toInt() == 1;
}

void ClearSourceMarks(TfrmMain& w) {
    w.actStmListCopy->setProperty("Tag", 0);
    w.actSdlListCopy->setProperty("Tag", 0);
}

// Rows at CR LF, CR or LF; a final line break adds no empty row.
QStringList SplitRows(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList rows = text.split(lineBreak);
    if (rows.size() > 1 && rows.last().isEmpty())
        rows.removeLast();
    return rows;
}

bool PopupIdle(const TfrmMain& w, const QMenu* popup) {
    return popup->property("Tag").toInt() == 0 && EditorIdle(w);
}

bool WithinCommentColumn(const StringGrid* grid) {
    const QRect s = grid->Selection();
    return s.left() == kCommentCol && s.right() == kCommentCol;
}

// ---- copy and cut ---------------------------------------------------------------------

void Copy(TfrmMain& w, bool stimulus) {
    StringGrid* grid = stimulus ? w.asgdStimulus : w.asgdSchedule;
    const QRect s = grid->Selection();
    w.copySelection = s;
    ClearSourceMarks(w);
    (stimulus ? w.actStmListCopy : w.actSdlListCopy)->setProperty("Tag", 1);
    QStringList rows;
    for (int r = s.top(); r <= s.bottom(); ++r) {
        if (stimulus) {
            rows << grid->Cell(s.right(), r);
            continue;
        }
        QStringList cells;
        for (int c = s.left(); c <= s.right(); ++c)
            cells << grid->Cell(c, r);
        rows << cells.join(QLatin1Char('\t'));
    }
    auto* data = new QMimeData;
    data->setText(rows.join(QStringLiteral("\r\n")));
    data->setData(kOwnCellsMime, ProcessToken());
    QGuiApplication::clipboard()->setMimeData(data);
}

void CutStimuli(TfrmMain& w) {
    Copy(w, true);
    StringGrid* grid = w.asgdStimulus;
    SaveStimulusUndo(w);
    const QRect s = grid->Selection();
    for (int r = std::max(s.top(), grid->FixedRows()); r <= s.bottom(); ++r)
        grid->SetCell(kCommentCol, r, QString());
    w.StoreStimulusComments();
    w.projectModified = true;
    w.stimulusUndoAvailable = true;
    w.ShowCard(grid->Row(), grid->RowCount() - grid->FixedRows());
}

void CutSchedule(TfrmMain& w) {
    StringGrid* grid = w.asgdSchedule;
    SaveScheduleUndo(w);
    w.projectModified = true;
    w.scheduleUndoAvailable = true;
    Copy(w, false);
    const QRect s = grid->Selection();
    for (int c = std::max(s.left(), grid->FixedCols()); c <= s.right(); ++c) {
        const QString value = schedulecell::EmptyValue(grid->Cell(c, 0), DecimalSeparator());
        for (int r = std::max(s.top(), grid->FixedRows()); r <= s.bottom(); ++r)
            grid->SetCell(c, r, value);
    }
}

// ---- paste ------------------------------------------------------------------------------

// The kind mark of a schedule header: the four characters from its first "[", or from its
// start when it has none.
QString KindMark(const QString& header) {
    return header.mid(std::max<qsizetype>(header.indexOf(QLatin1Char('[')), 0), 4);
}

bool SameKind(const QString& source, const QString& target) {
    if (!source.contains(QLatin1Char('[')) && !target.contains(QLatin1Char('[')))
        return true;
    return KindMark(source) == KindMark(target);
}

// Text from another program for a column with header h: false when refused; the words of
// endless and wait become the ones the schedule store reads.
bool AcceptForeign(const QString& h, QString& v) {
    const bool repeat = h.contains(TfrmMain::Ids("IDS_258"));
    const bool time = h.contains(TfrmMain::Ids("IDS_254"));
    if (TfrmMain::IsNumeric(v)) {
        const QChar sep = DecimalSeparator();
        const bool decimal = v.contains(sep);
        const double value = decimal ? QLocale().toDouble(v) : v.trimmed().toDouble();
        if (repeat || h.contains(QLatin1String("ID")) || h.contains(TfrmMain::Ids("IDS_265")))
            return !decimal && value >= 1;
        if (time)
            return value >= 0;
        return true;
    }
    const QString word = v.trimmed();
    const auto is = [&word](const char* a, const char* b) {
        return word.compare(QLatin1String(a), Qt::CaseInsensitive) == 0 ||
               word.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
    };
    if (repeat && is("i", "Infinity")) {
        v = QStringLiteral("Infinity");
        return true;
    }
    if (time && is("p", "Pause")) {
        v = QStringLiteral("Pause");
        return true;
    }
    return false;
}

// What becomes of one pasted cell.
enum class CellFate { Written, Skipped, Refused };

// Lays the clipboard's rows and cells over the grid's selection from its top left cell.
// A multi-row (multi-column) selection bounds the rows (columns) pasted; what falls
// outside the grid, the selection or into a hidden column is skipped. place(col, row,
// index of the cell in its row, text) decides each cell and writes it. True when some
// part of the text was skipped.
bool PasteCells(StringGrid* grid, const QStringList& rows,
                const std::function<CellFate(int col, int row, int index, const QString& text)>& place) {
    const QRect s = grid->Selection();
    bool partial = false;
    for (int r = 0; r < rows.size(); ++r) {
        const int row = s.top() + r;
        if (row >= grid->RowCount() || (s.bottom() != s.top() && row > s.bottom()))
            return true;
        const QStringList cells = rows.at(r).split(QLatin1Char('\t'));
        for (int c = 0; c < cells.size(); ++c) {
            const int col = s.left() + c;
            if (col >= grid->ColCount() || (s.right() != s.left() && col > s.right()) ||
                grid->IsHiddenColumn(col)) {
                partial = true;
                break;
            }
            partial = place(col, row, c, cells.at(c)) == CellFate::Skipped || partial;
        }
    }
    return partial;
}

void PasteSchedule(TfrmMain& w) {
    if (CopiedLast(w.actStmListCopy) || !ClipboardHasText())
        return;
    const QStringList rows = SplitRows(ClipboardData()->text());
    const bool own = ClipboardIsOurs() && CopiedLast(w.actSdlListCopy);
    SaveScheduleUndo(w);
    StringGrid* grid = w.asgdSchedule;
    const bool partial = PasteCells(grid, rows, [&](int col, int row, int index, const QString& text) {
        const QString header = grid->Cell(col, 0);
        QString value = text;
        if (own) {
            // The source's header is read now; a column that is gone is another kind.
            const int source = w.copySelection.left() + index;
            if (source < grid->FixedCols() || source >= grid->ColCount() ||
                !SameKind(grid->Cell(source, 0), header))
                return CellFate::Skipped;
        } else if (!AcceptForeign(header, value)) {
            w.ShowMessage("IDS_475", UiServices::Kind::Warning);
            return CellFate::Refused;
        }
        grid->SetCell(col, row, value);
        return CellFate::Written;
    });
    if (partial)
        w.ShowMessage("IDS_476", UiServices::Kind::Warning);
    w.projectModified = true;
    w.scheduleUndoAvailable = true;
}

void PasteStimuli(TfrmMain& w) {
    if (CopiedLast(w.actSdlListCopy) || !ClipboardHasText())
        return;
    const QStringList rows = SplitRows(ClipboardData()->text());
    const bool own = ClipboardIsOurs() && CopiedLast(w.actStmListCopy);
    SaveStimulusUndo(w);
    StringGrid* grid = w.asgdStimulus;
    const bool partial = PasteCells(grid, rows, [&](int col, int row, int index, const QString& text) {
        // Only the comment column is ever copied: its cells go into a column of the same
        // header.
        const int source = w.copySelection.right() + index;
        if (own && (source >= grid->ColCount() || grid->Cell(source, 0) != grid->Cell(col, 0)))
            return CellFate::Skipped;
        grid->SetCell(col, row, text);
        return CellFate::Written;
    });
    if (partial)
        w.ShowMessage("IDS_479", UiServices::Kind::Warning);
    // The card shows the project's comments: they follow the grid at once.
    w.StoreStimulusComments();
    w.projectModified = true;
    w.stimulusUndoAvailable = true;
    w.ShowCard(grid->Row(), grid->RowCount() - grid->FixedRows());
}

// ---- actions and menu items --------------------------------------------------------------

struct ListCommands {
    QAction* undo;
    QAction* cut;
    QAction* copy;
    QAction* paste;
    QAction* batch;
};

QAction* MakeAction(TfrmMain& w, QAction*& member, const char* name) {
    member = Named(new QAction(&w), name);
    member->setProperty("Tag", 0);
    return member;
}

// The list's items go into a popup in front of its Clear item, each named after the
// command with the popup's suffix ("_a" for the Edit menu's copies).
void AddItems(QMenu* menu, const char* prefix, const char* suffix, const ListCommands& commands) {
    const QString clearName =
        QString::fromLatin1(prefix) + QStringLiteral("Clear") + QString::fromLatin1(suffix);
    QAction* before = nullptr;
    for (QAction* item : menu->actions())
        if (item->objectName() == clearName)
            before = item;
    const auto item = [&](const char* what, QAction* action) {
        auto* view = Named(new QAction(menu), (QByteArray(prefix) + what + suffix).constData());
        LinkToAction(view, action);
        menu->insertAction(before, view);
    };
    item("Undo", commands.undo);
    menu->insertSeparator(before);
    item("Cut", commands.cut);
    item("Copy", commands.copy);
    item("Paste", commands.paste);
    item("Batch", commands.batch);
    menu->insertSeparator(before);
}

} // namespace

void UpdateClipboardActions(TfrmMain& w) {
    // Another program's content on the clipboard ends both source marks.
    if (!ClipboardIsOurs())
        ClearSourceMarks(w);
    const bool text = ClipboardHasText();

    const StringGrid* stimuli = w.asgdStimulus;
    const bool stmIdle = PopupIdle(w, w.popStmMenu);
    const bool stmActive = ControlActive(w, stimuli);
    const bool comments = WithinCommentColumn(stimuli);
    const QRect stmSel = stimuli->Selection();
    w.actStmListUndo->setEnabled(w.stimulusUndoAvailable && stmActive && comments);
    w.actStmListCut->setEnabled(stmActive && stmIdle && comments);
    w.actStmListCopy->setEnabled(stmActive && stmIdle && comments);
    w.actStmListPaste->setEnabled(!CopiedLast(w.actSdlListCopy) && text && stmActive && stmIdle && comments);
    w.actStmListBatch->setEnabled(comments && stmSel.bottom() > stmSel.top() && stmIdle);

    const StringGrid* schedule = w.asgdSchedule;
    const bool sdlIdle = PopupIdle(w, w.popSdlListMenu) && !w.scheduleEditing;
    const bool sdlActive = ControlActive(w, schedule) && sdlIdle;
    const QRect sdlSel = schedule->Selection();
    w.actSdlListUndo->setEnabled(w.scheduleUndoAvailable && sdlActive);
    w.actSdlListCut->setEnabled(sdlActive);
    w.actSdlListCopy->setEnabled(sdlActive);
    w.actSdlListPaste->setEnabled(!CopiedLast(w.actStmListCopy) && text && sdlActive);
    w.actSdlListBatch->setEnabled(sdlSel.left() == sdlSel.right() && sdlSel.left() >= schedule->FixedCols() &&
                                  sdlSel.bottom() > sdlSel.top() && sdlIdle);
}

void ConnectClipboardCommands(TfrmMain& w) {
    const ListCommands stm{MakeAction(w, w.actStmListUndo, "actStmListUndo"),
                           MakeAction(w, w.actStmListCut, "actStmListCut"),
                           MakeAction(w, w.actStmListCopy, "actStmListCopy"),
                           MakeAction(w, w.actStmListPaste, "actStmListPaste"),
                           MakeAction(w, w.actStmListBatch, "actStmListBatch")};
    const ListCommands sdl{MakeAction(w, w.actSdlListUndo, "actSdlListUndo"),
                           MakeAction(w, w.actSdlListCut, "actSdlListCut"),
                           MakeAction(w, w.actSdlListCopy, "actSdlListCopy"),
                           MakeAction(w, w.actSdlListPaste, "actSdlListPaste"),
                           MakeAction(w, w.actSdlListBatch, "actSdlListBatch")};
    AddItems(w.popStmMenu, "popStmList", "", stm);
    AddItems(w.popSdlListMenu, "popSdlList", "", sdl);
    AddItems(w.popSdlList, "popSdlList", "_a", sdl);

    QObject::connect(stm.undo, &QAction::triggered, &w, [&w] { UndoStimuli(w); });
    QObject::connect(stm.cut, &QAction::triggered, &w, [&w] { CutStimuli(w); });
    QObject::connect(stm.copy, &QAction::triggered, &w, [&w] { Copy(w, true); });
    QObject::connect(stm.paste, &QAction::triggered, &w, [&w] { PasteStimuli(w); });
    QObject::connect(stm.batch, &QAction::triggered, &w, [&w] { BatchChangeStimuli(w); });
    QObject::connect(sdl.undo, &QAction::triggered, &w, [&w] { UndoSchedule(w); });
    QObject::connect(sdl.cut, &QAction::triggered, &w, [&w] { CutSchedule(w); });
    QObject::connect(sdl.copy, &QAction::triggered, &w, [&w] { Copy(w, false); });
    QObject::connect(sdl.paste, &QAction::triggered, &w, [&w] { PasteSchedule(w); });
    QObject::connect(sdl.batch, &QAction::triggered, &w, [&w] { BatchChangeSchedule(w); });

    // Both lists use the same keys: each list's actions answer them only while its grid
    // (or its cell editor) has the focus, so one key always names one command.
    const std::pair<QAction * ListCommands::*, QKeySequence> keys[] = {
        {&ListCommands::undo, QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {&ListCommands::cut, QKeySequence(Qt::CTRL | Qt::Key_X)},
        {&ListCommands::copy, QKeySequence(Qt::CTRL | Qt::Key_C)},
        {&ListCommands::paste, QKeySequence(Qt::CTRL | Qt::Key_V)},
    };
    for (const auto& [command, key] : keys) {
        for (auto [commands, grid] : {std::pair{&stm, w.asgdStimulus}, std::pair{&sdl, w.asgdSchedule}}) {
            QAction* action = commands->*command;
            action->setShortcut(key);
            action->setShortcutContext(Qt::WidgetShortcut);
            grid->addAction(action);
        }
    }
}
