#include "StringGrid.h"

#include <QAbstractTableModel>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPalette>
#include <QUrl>

class StringGridModel : public QAbstractTableModel {
public:
    explicit StringGridModel(StringGrid* grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : m_grid->m_data.RowCount();
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : m_grid->m_data.ColCount();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const int col = index.column();
        const int row = index.row();
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return m_grid->Cell(col, row);
        case Qt::BackgroundRole:
        case Qt::ForegroundRole: {
            const bool fixed = IsFixed(col, row);
            const QPalette& pal = m_grid->palette();
            QColor background = fixed ? pal.color(QPalette::Button) : pal.color(QPalette::Base);
            QColor text = fixed ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Text);
            if (m_grid->getCellColor)
                m_grid->getCellColor(col, row, background, text);
            return role == Qt::BackgroundRole ? QVariant(background) : QVariant(text);
        }
        case Qt::TextAlignmentRole:
            if (m_grid->getAlignment)
                return QVariant::fromValue(m_grid->getAlignment(col, row));
            return QVariant::fromValue(IsFixed(col, row) ? Qt::AlignCenter
                                                         : Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole)
            return false;
        m_grid->SetCell(index.column(), index.row(), value.toString());
        emit m_grid->cellEdited(index.column(), index.row());
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (IsFixed(index.column(), index.row()))
            return Qt::ItemIsEnabled;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (m_grid->m_editing && (!m_grid->canEditCell || m_grid->canEditCell(index.column(), index.row())))
            f |= Qt::ItemIsEditable;
        return f;
    }

    void Reset() {
        beginResetModel();
        endResetModel();
    }
    void Changed(int col, int row) {
        const QModelIndex i = index(row, col);
        emit dataChanged(i, i);
    }
    void ChangedAll() {
        if (rowCount({}) > 0 && columnCount({}) > 0)
            emit dataChanged(index(0, 0), index(rowCount({}) - 1, columnCount({}) - 1));
    }

private:
    bool IsFixed(int col, int row) const { return col < m_grid->m_fixedCols || row < m_grid->m_fixedRows; }
    StringGrid* m_grid;
};

StringGrid::StringGrid(QWidget* parent) : QTableView(parent), m_model(new StringGridModel(this)) {
    setModel(m_model);
    // Fixed rows and columns are cells of the grid itself, as the windows address them.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                emit currentCellChanged(current.column(), current.row());
            });
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { emit cellDoubleClicked(i.column(), i.row()); });
    m_data.SetColCount(5);
    m_data.SetRowCount(5);
    Reset();
}

StringGrid::~StringGrid() = default;

void StringGrid::Reset() {
    m_model->Reset();
}

void StringGrid::SetColCount(int cols) {
    m_data.SetColCount(cols);
    Reset();
}

void StringGrid::SetRowCount(int rows) {
    m_data.SetRowCount(rows);
    m_rowMap.clear();
    Reset();
}

void StringGrid::SetFixedCols(int cols) {
    m_fixedCols = cols < 0 ? 0 : cols;
    m_model->ChangedAll();
}

void StringGrid::SetFixedRows(int rows) {
    m_fixedRows = rows < 0 ? 0 : rows;
    m_model->ChangedAll();
}

QString StringGrid::Cell(int col, int row) const {
    return m_data.Cell(col, RealRowIndex(row));
}

void StringGrid::SetCell(int col, int row, const QString& text) {
    m_data.SetCell(col, RealRowIndex(row), text);
    if (col >= 0 && row >= 0 && col < ColCount() && row < RowCount())
        m_model->Changed(col, row);
}

void StringGrid::ClearNormalCells() {
    m_data.ClearNormalCells(m_fixedCols, m_fixedRows);
    m_model->ChangedAll();
}

void StringGrid::HideColumn(int col) {
    setColumnHidden(col, true);
}
void StringGrid::UnHideColumn(int col) {
    setColumnHidden(col, false);
}

void StringGrid::UnHideColumnsAll() {
    for (int c = 0; c < ColCount(); ++c)
        setColumnHidden(c, false);
}

int StringGrid::Col() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : -1;
}

int StringGrid::Row() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void StringGrid::SetCurrentCell(int col, int row) {
    setCurrentIndex(m_model->index(row, col));
}

QRect StringGrid::Selection() const {
    const QItemSelection sel = selectionModel()->selection();
    if (sel.isEmpty()) {
        const int c = Col();
        const int r = Row();
        return QRect(QPoint(c, r), QPoint(c, r));
    }
    const QItemSelectionRange& range = sel.first();
    return QRect(QPoint(range.left(), range.top()), QPoint(range.right(), range.bottom()));
}

void StringGrid::SetSelection(const QRect& rect) {
    const QModelIndex topLeft = m_model->index(rect.top(), rect.left());
    const QModelIndex bottomRight = m_model->index(rect.bottom(), rect.right());
    selectionModel()->setCurrentIndex(topLeft, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(topLeft, bottomRight), QItemSelectionModel::ClearAndSelect);
}

void StringGrid::SetShowFocus(bool show) {
    m_showFocus = show;
    // Without a selection colour the selection disappears from view but stays selected,
    // so it can be restored exactly when the run ends.
    QPalette pal = palette();
    const QPalette app;
    pal.setColor(QPalette::Highlight, show ? app.color(QPalette::Highlight) : QColor(Qt::transparent));
    pal.setColor(QPalette::HighlightedText,
                 show ? app.color(QPalette::HighlightedText) : app.color(QPalette::Text));
    setPalette(pal);
    setFocusPolicy(show ? Qt::StrongFocus : Qt::NoFocus);
    viewport()->update();
}

void StringGrid::SetEditing(bool editing) {
    m_editing = editing;
}

int StringGrid::RealRowIndex(int displayedRow) const {
    if (m_rowMap.empty() || displayedRow < 0 || displayedRow >= static_cast<int>(m_rowMap.size()))
        return displayedRow;
    return m_rowMap[static_cast<size_t>(displayedRow)];
}

void StringGrid::SetRowMap(std::vector<int> map) {
    m_rowMap = std::move(map);
    m_model->ChangedAll();
}

void StringGrid::RepaintAll() {
    m_model->ChangedAll();
    viewport()->update();
}

void StringGrid::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QTableView::dragEnterEvent(event);
}

void StringGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QTableView::dragMoveEvent(event);
}

void StringGrid::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) {
        QTableView::dropEvent(event);
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    if (!paths.isEmpty())
        emit filesDropped(paths);
}
