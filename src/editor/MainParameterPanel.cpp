// The parameter panel: the instruction and the method's parameters between the panel and
// the project, the rows of its grids, and the questionnaire count.
#include "CountEditor.h"
#include "MainUnit.h"
#include "OptionIni.h"
#include "ParameterPanelParts.h"
#include "StringGrid.h"
#include "TextTable.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolButton>

namespace {

// The memo's text as lines, as a list of lines reads it: no line for an empty text and
// none after a final line break.
QStringList MemoLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void SelectOnOff(bool on, QRadioButton* onButton, QRadioButton* offButton) {
    (on ? onButton : offButton)->setChecked(true);
}

// The operator's choice for one indicator: "1" ON, "0" OFF, anything else leaves it.
void ApplyStoredChoice(const QString& choice, QRadioButton* onButton, QRadioButton* offButton) {
    if (choice == QLatin1String("1"))
        onButton->setChecked(true);
    else if (choice == QLatin1String("0"))
        offButton->setChecked(true);
}

// The data rows of a one-column list grid from labels (one per row, from the first data
// row); the grid has been sized to what its count editor holds, and labels beyond its
// rows are not written.
void WriteLabels(StringGrid* grid, const std::vector<QString>& labels) {
    for (size_t i = 0; i < labels.size(); ++i) {
        const int row = grid->FixedRows() + static_cast<int>(i);
        if (row >= grid->RowCount())
            break;
        grid->SetCell(grid->FixedCols(), row, labels[i]);
        FitParameterRow(grid, row);
    }
}

QString CountName(const TfrmMain& w, const CountEdit* edit) {
    const auto* label = w.findChild<QLabel*>(edit->objectName() + QStringLiteral("Label"));
    return label ? label->text().replace(QLatin1Char('\n'), QLatin1Char(' ')) : edit->objectName();
}

// A stored count as its editor can hold it, set into the editor. Entries beyond the
// maximum cannot be shown and are lost with the next save, and a count changed to fit
// changes the project: either is said before it happens. A list shorter than the
// minimum only gains empty entries.
int SetStoredCount(TfrmMain& w, UpDown* upDown, CountEdit* edit, int stored, bool entries) {
    const int kept = std::clamp(stored, upDown->Min(), upDown->Max());
    const auto say = [&w](const QString& text) {
        UiServices::Get().MessageText(&w, text, QStringLiteral("Tamvik"), UiServices::Kind::Warning,
                                      UiServices::Buttons::Ok);
    };
    const auto text = [](const char* key) {
        return TextTable::Instance().Text(QStringLiteral("TfrmMain"), QString::fromLatin1(key));
    };
    if (entries && stored > kept)
        say(text("(message: entries beyond maximum)")
                .arg(CountName(w, edit), QString::number(stored), QString::number(kept)));
    else if (!entries && stored != kept)
        say(text("(message: count outside range)")
                .arg(CountName(w, edit), QString::number(stored), QString::number(upDown->Min()),
                     QString::number(upDown->Max()), QString::number(kept)));
    upDown->SetPosition(kept);
    return kept;
}

void ReadLabels(const StringGrid* grid, std::vector<QString>& labels, int count) {
    labels.resize(static_cast<size_t>(std::max(count, 0)));
    for (size_t i = 0; i < labels.size(); ++i)
        labels[i] = grid->Cell(grid->FixedCols(), grid->FixedRows() + static_cast<int>(i));
}

QString ProjectFileNamePart(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

} // namespace

bool TfrmMain::LoadParameterPanel() {
    CExperimentParameter* parameter = project.GetExperimentParameter();
    if (parameter->GetParameters() == nullptr)
        return false;
    memExplain->setPlainText(project.GetInstruction()->lines.join(QLatin1Char('\n')));

    const bool play = parameter->GetParameters()->play;
    switch (project.GetMethod()) {
    case 0: {
        const CExpTraining* training = parameter->GetTraining();
        if (!training)
            return false;
        SelectOnOff(play, rdbPlayON, rdbPlayOFF);
        SelectOnOff(training->correct, rdbCorrectON, rdbCorrectOFF);
        SelectOnOff(training->judge, rdbJudgeON, rdbJudgeOFF);
        SelectOnOff(training->yellow, rdbYellowON, rdbYellowOFF);
        if (tbtnFileOpenPrj->isHidden()) {
            // A restricted user's own indicator choices for this project file.
            QString playChoice, judge, correct, yellow;
            LoadRdbSettings(ProjectFileNamePart(project.GetFileName()), playChoice, judge, correct, yellow);
            ApplyStoredChoice(playChoice, rdbPlayON, rdbPlayOFF);
            ApplyStoredChoice(judge, rdbJudgeON, rdbJudgeOFF);
            ApplyStoredChoice(correct, rdbCorrectON, rdbCorrectOFF);
            ApplyStoredChoice(yellow, rdbYellowON, rdbYellowOFF);
        }
        const int count = SetStoredCount(*this, updTrnBtnNum, edtTrnBtnNum,
                                         static_cast<int>(training->buttonLabels.size()), true);
        asgdTrnBtn->ClearNormalCells();
        ResizeParameterGrid(asgdTrnBtn, 0, count);
        WriteLabels(asgdTrnBtn, training->buttonLabels);
        break;
    }
    case 1: {
        const CExpSD* sd = parameter->GetSD();
        if (!sd)
            return false;
        SelectOnOff(play, rdbPlayON, rdbPlayOFF);
        SetStoredCount(*this, updSdmScale, edtSdmScale, sd->divisions, false);
        const int count = SetStoredCount(*this, updSdmExpressNum, edtSdmExpressNum,
                                         static_cast<int>(sd->scales.size()), true);
        asgdSdmExpress->ClearNormalCells();
        ResizeParameterGrid(asgdSdmExpress, 0, count);
        const int fixedCols = asgdSdmExpress->FixedCols();
        for (size_t i = 0; i < sd->scales.size(); ++i) {
            const int row = asgdSdmExpress->FixedRows() + static_cast<int>(i);
            if (row >= asgdSdmExpress->RowCount())
                break;
            asgdSdmExpress->SetCell(fixedCols, row, sd->scales[i].left);
            asgdSdmExpress->SetCell(fixedCols + 1, row, sd->scales[i].right);
            FitParameterRow(asgdSdmExpress, row);
        }
        break;
    }
    case 2: {
        const CExpCategory* pair = parameter->GetPair();
        if (!pair)
            return false;
        SelectOnOff(play, rdbPlayON, rdbPlayOFF);
        // A stored list of fewer than two labels leaves no caption of an earlier project.
        const int row = asgdParBtn->FixedRows();
        for (int col = 0; col < asgdParBtn->ColCount(); ++col)
            asgdParBtn->SetCell(col, row, QString());
        for (size_t i = 0; i < pair->buttonLabels.size() && static_cast<int>(i) < asgdParBtn->ColCount(); ++i)
            asgdParBtn->SetCell(static_cast<int>(i), row, pair->buttonLabels[i]);
        FitParameterRow(asgdParBtn, row);
        break;
    }
    case 3: {
        const CExpCategory* category = parameter->GetCategory();
        if (!category)
            return false;
        SelectOnOff(play, rdbPlayON, rdbPlayOFF);
        SelectOnOff(category->horizontalButtons, rdbBtnHr, rdbBtnVr);
        const int count = SetStoredCount(*this, updCatCategoryNum, edtCatCategoryNum,
                                         static_cast<int>(category->buttonLabels.size()), true);
        asgdCatCategory->ClearNormalCells();
        ResizeParameterGrid(asgdCatCategory, 0, count);
        WriteLabels(asgdCatCategory, category->buttonLabels);
        break;
    }
    case 4:
        SelectOnOff(play, rdbPlayON, rdbPlayOFF);
        break;
    default:
        return false;
    }
    return true;
}

bool TfrmMain::SaveParameterPanel() {
    CExperimentParameter* parameter = project.GetExperimentParameter();
    if (parameter->GetParameters() == nullptr)
        return false;
    project.GetInstruction()->lines = MemoLines(memExplain->toPlainText());

    switch (project.GetMethod()) {
    case 0: {
        CExpTraining* training = parameter->GetTraining();
        if (!training)
            return false;
        training->play = rdbPlayON->isChecked();
        training->correct = rdbCorrectON->isChecked();
        training->judge = rdbJudgeON->isChecked();
        training->yellow = rdbYellowON->isChecked();
        ReadLabels(asgdTrnBtn, training->buttonLabels, updTrnBtnNum->Position());
        break;
    }
    case 1: {
        CExpSD* sd = parameter->GetSD();
        if (!sd)
            return false;
        sd->play = rdbPlayON->isChecked();
        sd->divisions = updSdmScale->Position();
        sd->scales.resize(static_cast<size_t>(std::max(updSdmExpressNum->Position(), 0)));
        const int fixedCols = asgdSdmExpress->FixedCols();
        for (size_t i = 0; i < sd->scales.size(); ++i) {
            const int row = asgdSdmExpress->FixedRows() + static_cast<int>(i);
            sd->scales[i].left = asgdSdmExpress->Cell(fixedCols, row);
            sd->scales[i].right = asgdSdmExpress->Cell(fixedCols + 1, row);
        }
        break;
    }
    case 2: {
        CExpCategory* pair = parameter->GetPair();
        if (!pair)
            return false;
        pair->play = rdbPlayON->isChecked();
        pair->buttonLabels.resize(2);
        for (int i = 0; i < 2; ++i)
            pair->buttonLabels[static_cast<size_t>(i)] = asgdParBtn->Cell(i, asgdParBtn->FixedRows());
        break;
    }
    case 3: {
        CExpCategory* category = parameter->GetCategory();
        if (!category)
            return false;
        category->play = rdbPlayON->isChecked();
        category->horizontalButtons = rdbBtnHr->isChecked();
        ReadLabels(asgdCatCategory, category->buttonLabels, updCatCategoryNum->Position());
        break;
    }
    case 4:
        parameter->GetParameters()->play = rdbPlayON->isChecked();
        break;
    default:
        return false;
    }
    return true;
}

void TfrmMain::ResizeParameterGrid(StringGrid* grid, int oldCount, int newCount) {
    if (grid == nullptr || oldCount == newCount || newCount < 0)
        return;
    grid->setUpdatesEnabled(false);
    const int fixedRows = grid->FixedRows();
    for (int r = newCount + 1; r <= oldCount; ++r)
        grid->Data().ClearRow(fixedRows + r - 1);
    if (newCount == 0) {
        // One data row of no height keeps the grid's shape.
        grid->SetRowCount(fixedRows + 1);
        grid->SetRowHeight(fixedRows, 0);
    } else {
        if (oldCount == 0)
            grid->SetRowHeight(fixedRows, grid->verticalHeader()->defaultSectionSize());
        grid->SetRowCount(fixedRows + newCount);
        for (int r = oldCount + 1; r <= newCount; ++r)
            grid->SetCell(0, fixedRows + r - 1, QString::number(r));
    }
    grid->setUpdatesEnabled(true);
    grid->RepaintAll();
    projectModified = true;
}
