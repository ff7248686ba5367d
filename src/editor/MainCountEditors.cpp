// The count editors: an edit box and an up-down per count of the project. An arrow click
// or a typed count with Enter resizes the grid that shows the list (and, for stimuli,
// trials, presentations and questionnaire items, the project) at once.
#include "CountEditor.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "StringGrid.h"

#include <QLocale>
#include <QTabBar>
#include <functional>

namespace {

struct CountMember {
    UpDown* upDown;
    CountEdit* edit;
    // A typed count within the range: (position before, value).
    std::function<void(int, int)> typed;
    // After an arrow click has moved the position (Tag holds the one before).
    std::function<void(bool up)> clicked;
    bool oddOnly = false; // SD scale steps
};

int CurrentStimulus(const TfrmMain& w) {
    return w.asgdStimulus->Row() - w.asgdStimulus->FixedRows() + 1;
}

// Before every change of the position: refused outside the range; otherwise the edit
// shows the new count and Tag keeps the one before.
void GuardCountEditor(TfrmMain& w, UpDown* upDown, CountEdit* edit) {
    const bool stimuli = upDown == w.updStmNumber;
    upDown->onChangingEx = [&w, upDown, edit, stimuli](int value, bool) {
        if (value < upDown->Min() || value > upDown->Max())
            return false;
        edit->setText(QString::number(value));
        upDown->Tag = upDown->Position();
        if (stimuli)
            w.ShowCard(CurrentStimulus(w), value);
        return true;
    };
}

// Enter in a count's edit box: a whole number within the range is applied, anything else
// is reported and the typing taken back (the box shows the count again).
void CommitTypedCount(TfrmMain& w, const CountMember& m) {
    const QString text = m.edit->text();
    bool whole = false;
    int value = text.trimmed().toInt(&whole);
    // A real number ("1.5", pasted) is no count either.
    if (!TfrmMain::IsNumeric(text) || !whole) {
        w.ShowMessage("IDS_291", UiServices::Kind::Warning);
        m.edit->setText(QString::number(m.upDown->Position()));
        return;
    }
    if (m.oddOnly && value % 2 == 0)
        value -= 1;
    const int min = m.upDown->Min();
    const int max = m.upDown->Max();
    if (value < min || value > max) {
        UiServices::Get().MessageText(
            &w,
            TfrmMain::Ids("IDS_286") + QString::number(min) + TfrmMain::Ids("IDS_287") +
                QString::number(max) + TfrmMain::Ids("IDS_293"),
            QStringLiteral("Tamvik"), UiServices::Kind::Warning, UiServices::Buttons::Ok);
        m.edit->setText(QString::number(m.upDown->Position()));
        return;
    }
    m.typed(m.upDown->Position(), value);
}

// Resizes the current schedule and its grid from (presentations, trials) to the new
// counts, the grid stored first so that typed cells survive. A grid that cannot be stored
// keeps its size and its text, and both count editors show the old counts again.
void ResizeCurrentSchedule(TfrmMain& w, int oldPresentations, int oldTrials, int presentations, int trials,
                           UpDown* moved, int value) {
    if (!w.StoreShownSchedule()) {
        SetCountQuietly(w.updPrsNumber, w.edtPrsNumber, oldPresentations);
        SetCountQuietly(w.updTrlNumber, w.edtTrlNumber, oldTrials);
        return;
    }
    const int tab = w.tabSchedule->currentIndex();
    w.ResizeScheduleGrid(oldPresentations, oldTrials, presentations, trials);
    if (moved)
        moved->SetPosition(value);
    w.SetScheduleSize(tab, trials, presentations);
    w.ShowSchedule(tab);
}

std::vector<CountMember> Members(TfrmMain& w) {
    TfrmMain* p = &w;
    const auto parameterGrid = [p](UpDown* upDown, StringGrid* grid) {
        return CountMember{
            upDown, nullptr,
            [p, upDown, grid](int position, int value) {
                p->ResizeParameterGrid(grid, position, value);
                upDown->SetPosition(value);
            },
            [p, upDown, grid](bool) { p->ResizeParameterGrid(grid, upDown->Tag, upDown->Position()); }};
    };
    std::vector<CountMember> members;
    members.push_back({w.updStmNumber, w.edtStmNumber,
                       [p](int position, int value) {
                           p->ResizeStimulusGrid(position, value);
                           p->updStmNumber->SetPosition(value);
                           p->project.SetStimulusCount(value);
                           p->ShowCard(CurrentStimulus(*p), value);
                       },
                       [p](bool) {
                           const int count = p->updStmNumber->Position();
                           p->project.SetStimulusCount(count);
                           p->ResizeStimulusGrid(p->updStmNumber->Tag, count);
                           p->ShowCard(CurrentStimulus(*p), count);
                       }});
    members.push_back({w.updTrlNumber, w.edtTrlNumber,
                       [p](int position, int value) {
                           const int presentations = p->updPrsNumber->Position();
                           ResizeCurrentSchedule(*p, presentations, position, presentations, value,
                                                 p->updTrlNumber, value);
                       },
                       [p](bool) {
                           const int presentations = p->updPrsNumber->Position();
                           ResizeCurrentSchedule(*p, presentations, p->updTrlNumber->Tag, presentations,
                                                 p->updTrlNumber->Position(), nullptr, 0);
                       }});
    members.push_back({w.updPrsNumber, w.edtPrsNumber,
                       [p](int position, int value) {
                           const int trials = p->updTrlNumber->Position();
                           ResizeCurrentSchedule(*p, position, trials, value, trials, p->updPrsNumber, value);
                       },
                       [p](bool) {
                           p->asgdSchedule->UnHideColumnsAll();
                           const int trials = p->updTrlNumber->Position();
                           ResizeCurrentSchedule(*p, p->updPrsNumber->Tag, trials,
                                                 p->updPrsNumber->Position(), trials, nullptr, 0);
                           p->HideAnswerColumns();
                       }});
    members.push_back(parameterGrid(w.updTrnBtnNum, w.asgdTrnBtn));
    members.back().edit = w.edtTrnBtnNum;
    members.push_back({w.updSdmScale, w.edtSdmScale,
                       [p](int, int value) { p->updSdmScale->SetPosition(value); },
                       [p](bool up) {
                           bool ok = false;
                           const int typed = p->edtSdmScale->text().toInt(&ok);
                           UpDown* u = p->updSdmScale;
                           u->SetPosition(ok ? typed : (up ? u->Max() : u->Min()));
                       },
                       true});
    members.push_back(parameterGrid(w.updSdmExpressNum, w.asgdSdmExpress));
    members.back().edit = w.edtSdmExpressNum;
    members.push_back(parameterGrid(w.updCatCategoryNum, w.asgdCatCategory));
    members.back().edit = w.edtCatCategoryNum;
    members.push_back({w.updQstNum, w.edtQstNum,
                       [p](int position, int value) {
                           p->SaveQuestionGrid(true);
                           p->SetQuestionRows(position, value);
                           p->updQstNum->SetPosition(value);
                           p->SetQuestionCount(value);
                           p->LoadQuestionGrid();
                       },
                       [](bool) {}});
    return members;
}

} // namespace

bool TfrmMain::IsNumeric(const QString& text) {
    // Qt's number parsing stops at a NUL and reports success for what stood before it, so
    // pasted text with a NUL would pass as its first digits.
    if (text.contains(QChar(0)))
        return false;
    const QLocale locale;
    bool ok = false;
    if (text.contains(locale.decimalPoint()))
        locale.toDouble(text, &ok);
    else
        text.trimmed().toInt(&ok);
    return ok;
}

void ConnectCountEditors(TfrmMain& w) {
    for (const CountMember& m : Members(w)) {
        // The questionnaire count has no guard of its own: the project sizes it directly.
        if (m.upDown != w.updQstNum)
            GuardCountEditor(w, m.upDown, m.edit);
        QObject::connect(m.edit, &CountEdit::enterPressed, &w, [&w, m] { CommitTypedCount(w, m); });
        QObject::connect(m.upDown, &UpDown::clicked, &w, [m](bool up) { m.clicked(up); });
    }
}
