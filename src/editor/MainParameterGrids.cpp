// In-place editing of the parameter panel's grids (training captions, SD word pairs,
// paired-comparison and category captions). The grids are not in editing mode: a typed
// key or a double click opens one edit, and the count editors wait while it is open.
#include "CountEditor.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "ParameterPanelParts.h"
#include "StringGrid.h"
#include "WindowFilter.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QTabWidget>
#include <array>
#include <memory>
#include <vector>

namespace {

bool IsDataCell(const StringGrid* grid, int col, int row) {
    return col >= grid->FixedCols() && row >= grid->FixedRows() && col < grid->ColCount() &&
           row < grid->RowCount() && grid->rowHeight(row) > 0;
}

// The count editors a parameter-grid edit holds off: a resize under an open editor
// would commit into a row that is gone.
std::array<QWidget*, 8> ParameterCountControls(TfrmMain& w) {
    return {w.updTrnBtnNum,     w.edtTrnBtnNum,     w.updSdmScale,       w.edtSdmScale,
            w.updSdmExpressNum, w.edtSdmExpressNum, w.updCatCategoryNum, w.edtCatCategoryNum};
}

// Keys on a grid that is not editing: a key that types opens the editor with it; Enter
// neither opens one nor reaches the grid; the arrows move as usual. Nothing opens while
// an audition or a test run has the window.
class ParameterGridKeys : public WindowFilter {
public:
    ParameterGridKeys(TfrmMain& w, StringGrid* grid) : WindowFilter(w, grid), m_grid(grid) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (m_grid->IsEditorOpen())
            return false;
        if (event->type() == QEvent::KeyRelease) {
            // The editing mode lasts no longer than the key that opened an editor.
            m_grid->SetEditing(false);
            return false;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true;
        if (!EditorIdle(m_w) || !IsDataCell(m_grid, m_grid->Col(), m_grid->Row()))
            return false;
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            return false;
        default:
            m_grid->SetEditing(true);
            return false;
        }
    }

private:
    StringGrid* m_grid;
};

void ConnectParameterGrid(TfrmMain& w, StringGrid* grid) {
    new ParameterGridKeys(w, grid);
    QObject::connect(grid, &StringGrid::cellDoubleClicked, &w, [&w, grid](int col, int row) {
        if (!grid->IsEditorOpen() && EditorIdle(w) && IsDataCell(grid, col, row))
            grid->SetEditing(true);
    });
    // The count editors come back as they were (the user's rights may hold some off).
    auto held = std::make_shared<std::vector<std::pair<QWidget*, bool>>>();
    grid->editStart = [&w, held](int, int, StringGrid::EditStart&) {
        held->clear();
        for (QWidget* control : ParameterCountControls(w)) {
            held->emplace_back(control, control->isEnabled());
            control->setEnabled(false);
        }
        return true;
    };
    grid->editEnd = [&w, grid, held](int, int row, bool committed) {
        grid->SetEditing(false);
        for (const auto& [control, enabled] : *held)
            control->setEnabled(enabled);
        held->clear();
        if (committed)
            w.projectModified = true;
        if (row >= grid->FixedRows() && row < grid->RowCount())
            FitParameterRow(grid, row);
    };
}

} // namespace

void ConnectParameterPanel(TfrmMain& w) {
    for (StringGrid* grid : {w.asgdTrnBtn, w.asgdSdmExpress, w.asgdParBtn, w.asgdCatCategory})
        ConnectParameterGrid(w, grid);
    // Choosing a page of a panel that is not the active one makes it active.
    QObject::connect(w.pgeParameter, &QTabWidget::tabBarClicked, &w, [&w] {
        const QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || !w.pnlParameter->isAncestorOf(focus))
            w.pgeParameter->setFocus();
    });
    ConnectQuestionnaire(w);
    ConnectParameterReports(w);
}
