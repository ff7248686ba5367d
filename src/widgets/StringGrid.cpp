#include "StringGrid.h"

#include "GridEditDelegate.h"
#include "GridFrozenView.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QCollatorSortKey>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QUrl>
#include <algorithm>
#include <climits>
#include <optional>

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
            if (m_grid->isPasswordCell && m_grid->isPasswordCell(col, row))
                return QString(m_grid->Cell(col, row).size(), QChar(0x25CF));
            return m_grid->Cell(col, row);
        case Qt::EditRole:
            return m_grid->Cell(col, row);
        case Qt::FontRole:
            if (m_grid->isBoldCell && m_grid->isBoldCell(col, row)) {
                QFont bold = m_grid->font();
                bold.setBold(true);
                return bold;
            }
            return {};
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

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        // Sizing a column asks the hidden header for the width of its number, an expensive
        // measure per column; the grid asks it itself where it can matter.
        if (orientation == Qt::Horizontal && role == Qt::SizeHintRole && !m_grid->m_headerWidthAsked)
            return QSize(0, 0);
        return QAbstractTableModel::headerData(section, orientation, role);
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
        Qt::ItemFlags f = Qt::ItemIsEnabled;
        if (!m_grid->canSelectCell || m_grid->canSelectCell(index.column(), index.row()))
            f |= Qt::ItemIsSelectable;
        if (m_grid->m_editing && (!m_grid->canEditCell || m_grid->canEditCell(index.column(), index.row())))
            f |= Qt::ItemIsEditable;
        return f;
    }

    void Reset() {
        beginResetModel();
        endResetModel();
    }
    void RemoveRow(int row, const std::function<void()>& change) {
        beginRemoveRows({}, row, row);
        change();
        endRemoveRows();
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

StringGrid::StringGrid(QWidget* parent)
    : QTableView(parent), m_model(new StringGridModel(this)), m_delegate(new GridEditDelegate(this)) {
    setModel(m_model);
    setItemDelegate(m_delegate);
    // Pixel scrolling lets the first normal row slide out from under the fixed rows
    // instead of jumping behind them.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
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
    connect(this, &QTableView::clicked, this,
            [this](const QModelIndex& i) { emit cellClicked(i.column(), i.row()); });
    connect(this, &StringGrid::cellClicked, this, &StringGrid::OnCellClicked);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &StringGrid::SyncFrozenOffsets);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &StringGrid::SyncFrozenOffsets);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical) { SyncFrozenSection(Qt::Horizontal, logical); });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical) { SyncFrozenSection(Qt::Vertical, logical); });
    m_data.SetColCount(5);
    m_data.SetRowCount(5);
    Reset();
}

StringGrid::~StringGrid() {
    // The editor goes with the children, after this grid's members.
    QObject::disconnect(m_edit.editorGone);
}

void StringGrid::Reset() {
    m_model->Reset();
    // Texts of the old cells need no widths any more.
    ForgetTextWidths();
    // Collapsed groups stay collapsed whatever the reset does to hidden rows.
    ApplyNodes();
}

void StringGrid::SetColCount(int cols) {
    m_data.SetColCount(cols);
    Reset();
}

void StringGrid::SetRowCount(int rows) {
    ClearNodes();
    m_data.SetRowCount(rows);
    m_rowMap.clear();
    Reset();
}

void StringGrid::SetFixedCols(int cols) {
    m_fixedCols = cols < 0 ? 0 : cols;
    m_model->ChangedAll();
    UpdateFrozen();
}

void StringGrid::SetFixedRows(int rows) {
    m_fixedRows = rows < 0 ? 0 : rows;
    m_model->ChangedAll();
    UpdateFrozen();
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
    UpdateFrozen();
}
void StringGrid::UnHideColumn(int col) {
    setColumnHidden(col, false);
    UpdateFrozen();
}

void StringGrid::UnHideColumnsAll() {
    for (int c = 0; c < ColCount(); ++c)
        setColumnHidden(c, false);
    UpdateFrozen();
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

void StringGrid::RemoveRow(int row) {
    if (row < 0 || row >= RowCount())
        return;
    const int dataRow = RealRowIndex(row);
    ClearNodes();
    m_model->RemoveRow(row, [&] {
        if (!m_rowMap.empty()) {
            m_rowMap.erase(m_rowMap.begin() + row);
            for (int& r : m_rowMap)
                if (r > dataRow)
                    --r;
        }
        m_data.RemoveRow(dataRow);
    });
}

void StringGrid::SetSortStyle(int col, SortStyle style) {
    m_sortStyles[col] = style;
}

namespace {

// A date as the windows write it: the user's short format, or year first.
std::optional<QDateTime> ParseDate(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QLocale locale;
    // The result lists write the short date and the long time without its zone.
    QString longTime = locale.timeFormat(QLocale::LongFormat);
    longTime.remove(QLatin1Char('t'));
    const QString listFormat =
        locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + longTime.trimmed();
    for (const QString& format :
         {locale.dateTimeFormat(QLocale::ShortFormat), listFormat, QString("yyyy/MM/dd H:mm:ss"),
          QString("yyyy/MM/dd H:mm"), QString("yyyy-MM-dd H:mm:ss"), QString("yyyy-MM-dd H:mm"),
          locale.dateFormat(QLocale::ShortFormat), QString("yyyy/MM/dd"), QString("yyyy-MM-dd")}) {
        const QDateTime d = locale.toDateTime(t, format);
        if (d.isValid())
            return d;
    }
    const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    return iso.isValid() ? std::optional<QDateTime>(iso) : std::nullopt;
}

// Unreadable values (nullopt) come before every value.
template <typename T> int CompareKeys(const std::optional<T>& x, const std::optional<T>& y) {
    if (!x || !y)
        return int(bool(x)) - int(bool(y));
    return *x < *y ? -1 : (*y < *x ? 1 : 0);
}

// A number in either decimal separator, blanks and group separators ignored.
std::optional<double> ParseNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QLocale locale;
    if (locale.decimalPoint() != QLatin1String("."))
        t.replace(locale.decimalPoint(), QLatin1String("."));
    t.remove(QLatin1Char(' '));
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace

void StringGrid::SortByColumn(int col, bool ascending) {
    if (col < 0 || col >= ColCount())
        return;
    const int rows = RowCount();
    const int first = std::min(m_fixedRows, rows);
    const auto found = m_sortStyles.find(col);
    const SortStyle style = found == m_sortStyles.end() ? SortStyle::Text : found->second;
    const int currentData = Row() >= 0 ? RealRowIndex(Row()) : -1;
    const int currentCol = Col();

    std::vector<int> map(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        map[static_cast<size_t>(r)] = RealRowIndex(r);
    // Keys once per data row; unreadable numbers and dates come before every value.
    std::vector<std::optional<double>> numbers;
    std::vector<std::optional<QDateTime>> dates;
    std::vector<QCollatorSortKey> texts;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    auto compare = [&](int a, int b) -> int {
        switch (style) {
        case SortStyle::Numeric:
            return CompareKeys(numbers[static_cast<size_t>(a)], numbers[static_cast<size_t>(b)]);
        case SortStyle::Date:
            return CompareKeys(dates[static_cast<size_t>(a)], dates[static_cast<size_t>(b)]);
        case SortStyle::Text:
            break;
        }
        return texts[static_cast<size_t>(a)].compare(texts[static_cast<size_t>(b)]);
    };
    for (int d = 0; d < rows; ++d) {
        const QString& text = m_data.Cell(col, d);
        if (style == SortStyle::Numeric)
            numbers.push_back(ParseNumber(text));
        else if (style == SortStyle::Date)
            dates.push_back(ParseDate(text));
        else
            texts.push_back(collator.sortKey(text));
    }
    std::stable_sort(map.begin() + first, map.end(), [&](int a, int b) {
        const int c = compare(a, b);
        return ascending ? c < 0 : c > 0;
    });
    m_rowMap = std::move(map);
    ClearNodes();
    m_sortCol = col;
    m_sortAscending = ascending;
    m_model->ChangedAll();
    // The current row goes with its data.
    if (currentData >= first) {
        const auto at = std::find(m_rowMap.begin(), m_rowMap.end(), currentData);
        SetCurrentCell(currentCol, static_cast<int>(at - m_rowMap.begin()));
    }
    UpdateFrozen();
}

void StringGrid::SetSortMark(int col, bool ascending) {
    m_sortCol = col;
    m_sortAscending = ascending;
    RepaintAll();
}

void StringGrid::OnCellClicked(int col, int row) {
    if (m_userSort && m_fixedRows > 0 && row == m_fixedRows - 1 && col >= m_fixedCols) {
        SortByColumn(col, col == m_sortCol ? !m_sortAscending : true);
        return;
    }
    if (col == 0 && IsNode(row))
        ToggleNode(row);
}

void StringGrid::AddNode(int row, int span) {
    if (row < 0 || row >= RowCount() || span < 1)
        return;
    m_nodes[row] = Node{std::min(span, RowCount() - row), true};
    m_model->Changed(0, row);
}

void StringGrid::ClearNodes() {
    if (m_nodes.empty())
        return;
    for (const auto& [row, node] : m_nodes)
        for (int r = row + 1; r < row + node.span; ++r)
            setRowHidden(r, false);
    m_nodes.clear();
    RepaintAll();
    UpdateFrozen();
}

bool StringGrid::NodeExpanded(int row) const {
    const auto found = m_nodes.find(row);
    return found != m_nodes.end() && found->second.expanded;
}

void StringGrid::SetNodeExpanded(int row, bool expanded) {
    const auto found = m_nodes.find(row);
    if (found == m_nodes.end() || found->second.expanded == expanded)
        return;
    found->second.expanded = expanded;
    ApplyNodes();
    m_model->Changed(0, row);
    UpdateFrozen();
}

void StringGrid::ApplyNodes() {
    for (const auto& [row, node] : m_nodes)
        for (int r = row + 1; r < row + node.span && r < RowCount(); ++r)
            setRowHidden(r, !node.expanded);
}

GridData StringGrid::ShownData() const {
    std::vector<int> cols;
    for (int c = 0; c < ColCount(); ++c)
        if (!isColumnHidden(c))
            cols.push_back(c);
    GridData out;
    out.SetColCount(static_cast<int>(cols.size()));
    out.SetRowCount(RowCount());
    for (int r = 0; r < RowCount(); ++r)
        for (size_t i = 0; i < cols.size(); ++i)
            out.SetCell(static_cast<int>(i), r, Cell(cols[i], r));
    return out;
}

std::vector<int> StringGrid::ShownColWidths() const {
    std::vector<int> widths;
    for (int c = 0; c < ColCount(); ++c)
        if (!isColumnHidden(c))
            widths.push_back(columnWidth(c));
    return widths;
}

int StringGrid::ShownFixedCols() const {
    int n = 0;
    for (int c = 0; c < m_fixedCols && c < ColCount(); ++c)
        n += isColumnHidden(c) ? 0 : 1;
    return n;
}

size_t StringGrid::TextHash::operator()(const QString& text) const noexcept {
    // FNV-1a over the UTF-16 units: cells are short and mostly alike.
    size_t hash = 14695981039346656037ull;
    for (const QChar c : text)
        hash = (hash ^ c.unicode()) * 1099511628211ull;
    return hash;
}

std::vector<int> StringGrid::SizedRows() const {
    // The rows the table view's own sizing takes: those in view (every row while the grid
    // is hidden or its rows do not fill it), then rows above and below them by turns,
    // until the header's precision is reached; hidden rows never count.
    std::vector<int> rows;
    const QHeaderView* heights = verticalHeader();
    const int last = RowCount() - 1;
    if (last < 0)
        return rows;
    const int most = horizontalHeader()->resizeContentsPrecision();
    rows.reserve(static_cast<size_t>(most > 0 ? std::min(most, last + 1) : last + 1));
    const bool moved = heights->sectionsMoved();
    const bool hidden = heights->sectionsHidden();
    const int top = std::max(0, heights->visualIndexAt(0));
    int bottom = heights->visualIndexAt(viewport()->height());
    if (!isVisible() || bottom == -1)
        bottom = last;
    auto take = [&](int visual) {
        const int row = moved ? heights->logicalIndex(visual) : visual;
        if (hidden && heights->isSectionHidden(row))
            return false;
        rows.push_back(row);
        return true;
    };
    int below = top;
    for (; below <= bottom; ++below)
        if (take(below) && static_cast<int>(rows.size()) == most)
            return rows;
    if (most == 0)
        return rows;
    --below;
    int above = top;
    while (static_cast<int>(rows.size()) != most && (above > 0 || below < last)) {
        if ((rows.size() % 2 && above > 0) || below == last) {
            while (above > 0 && !take(--above)) {
            }
        } else {
            while (below < last && !take(++below)) {
            }
        }
    }
    return rows;
}

int StringGrid::sizeHintForColumn(int column) const {
    // What the table view finds, the widest cell of the sampled rows and the width of the
    // hidden header's number, found with each distinct text measured once. Another
    // delegate may size a cell by more than its text.
    if (itemDelegate() != m_delegate || itemDelegateForColumn(column) || column < 0 || column >= ColCount())
        return std::max(QTableView::sizeHintForColumn(column), TrueHeaderWidth(column));
    ensurePolished();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    TextWidths& known = m_textWidths;
    const bool wrap = option.features.testFlag(QStyleOptionViewItem::WrapText);
    if (known.font != option.font || known.headerFont != horizontalHeader()->font() || known.wrap != wrap ||
        known.style != style() || known.dpr != devicePixelRatioF()) {
        known.font = option.font;
        known.headerFont = horizontalHeader()->font();
        known.wrap = wrap;
        known.style = style();
        known.dpr = devicePixelRatioF();
        ForgetTextWidths();
    }
    int hint = 0;
    for (const int row : SizedRows())
        hint = std::max(hint, CellWidth(column, row, option));
    return HeaderWidth(column, showGrid() ? hint + 1 : hint);
}

int StringGrid::CellWidth(int col, int row, const QStyleOptionViewItem& option) const {
    const bool bold = isBoldCell && isBoldCell(col, row);
    const QString& cell = m_data.Cell(col, RealRowIndex(row));
    const bool masked = isPasswordCell && isPasswordCell(col, row);
    auto measure = [&] { return m_delegate->sizeHint(option, m_model->index(row, col)).width(); };
    if (!masked && cell.size() == 1 && cell.front().unicode() < 128) {
        int& width = m_textWidths.ascii[bold ? 1 : 0][cell.front().unicode()];
        if (width < 0)
            width = measure();
        return width;
    }
    auto& widths = m_textWidths.widths[bold ? 1 : 0];
    const QString shown = masked ? QString(cell.size(), QChar(0x25CF)) : QString();
    const QString& text = masked ? shown : cell;
    auto found = widths.find(text);
    if (found == widths.end())
        found = widths.emplace(text, measure()).first;
    return found->second;
}

int StringGrid::HeaderWidth(int col, int atLeast) const {
    if (isColumnHidden(col))
        return atLeast;
    // Column numbers of one length differ only in their digits' advances: a bound from
    // the first number of that length tells where the true width is worth its measure.
    TextWidths& known = m_textWidths;
    if (known.digitSpread < 0) {
        QFont bold = horizontalHeader()->font();
        bold.setBold(true);
        for (const QFontMetrics& metrics : {QFontMetrics(horizontalHeader()->font()), QFontMetrics(bold)}) {
            int least = INT_MAX, most = 0;
            for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
                least = std::min(least, metrics.horizontalAdvance(QChar(digit)));
                most = std::max(most, metrics.horizontalAdvance(QChar(digit)));
            }
            known.digitSpread = std::max(known.digitSpread, most - least);
        }
    }
    int digits = 1;
    int first = 0; // the first column whose number has that many digits
    for (int n = col + 1; n >= 10; n /= 10) {
        ++digits;
        first = first * 10 + 9;
    }
    if (known.headerBounds.size() <= static_cast<size_t>(digits))
        known.headerBounds.resize(static_cast<size_t>(digits) + 1, -1);
    int& bound = known.headerBounds[static_cast<size_t>(digits)];
    if (bound < 0) {
        while (isColumnHidden(first))
            ++first; // col itself is shown
        bound = TrueHeaderWidth(first) + digits * known.digitSpread + 4;
    }
    return bound <= atLeast ? atLeast : std::max(atLeast, TrueHeaderWidth(col));
}

int StringGrid::TrueHeaderWidth(int col) const {
    m_headerWidthAsked = true;
    const int width = horizontalHeader()->sectionSizeHint(col);
    m_headerWidthAsked = false;
    return width;
}

void StringGrid::ForgetTextWidths() const {
    m_textWidths.widths[0].clear();
    m_textWidths.widths[1].clear();
    std::fill(&m_textWidths.ascii[0][0], &m_textWidths.ascii[0][0] + 2 * 128, -1);
    m_textWidths.headerBounds.clear();
    m_textWidths.digitSpread = -1;
}

void StringGrid::RepaintAll() {
    m_model->ChangedAll();
    viewport()->update();
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    const bool typed = !event->text().isEmpty() && event->text().at(0).isPrint() &&
                       !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const bool openKey =
        event->key() == Qt::Key_F2 || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (state() == EditingState || !current.isValid() || (!typed && !openKey)) {
        QTableView::keyPressEvent(event);
        return;
    }
    const bool editable = m_model->flags(current) & Qt::ItemIsEditable;
    const bool opens = editable && (opensEditor ? opensEditor(current.column(), current.row(), *event)
                                                : (typed || event->key() == Qt::Key_F2));
    if (opens) {
        // A typed key becomes the editor's first key; Enter and F2 only open it.
        const bool opened =
            typed ? edit(current, AnyKeyPressed, event) : edit(current, AllEditTriggers, nullptr);
        if (opened) {
            event->accept();
            return;
        }
    }
    if (typed || event->key() == Qt::Key_F2) {
        // A key that opens no editor types nothing either.
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    if (m_edit.active && m_edit.editor == editor)
        FinishEdit();
}

void StringGrid::CancelEdit() {
    if (!m_edit.active)
        return;
    if (auto* editor = qobject_cast<QWidget*>(const_cast<QObject*>(m_edit.editor)))
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    if (m_edit.active)
        FinishEdit();
}

void StringGrid::FinishEdit() {
    const OpenEdit done = m_edit;
    m_edit = {};
    // A closed editor is deleted later, maybe only with this grid's children, when the
    // grid's members are gone.
    QObject::disconnect(done.editorGone);
    if (editEnd)
        editEnd(done.col, done.row, done.committed);
}

void StringGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    UpdateFrozen();
}

void StringGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    UpdateFrozen();
}

void StringGrid::updateGeometries() {
    QTableView::updateGeometries();
    UpdateFrozen();
}

int StringGrid::FrozenHeight() const {
    int h = 0;
    for (int r = 0; r < m_fixedRows && r < RowCount(); ++r)
        h += verticalHeader()->sectionSize(r);
    return h;
}

int StringGrid::FrozenWidth() const {
    int w = 0;
    for (int c = 0; c < m_fixedCols && c < ColCount(); ++c)
        w += horizontalHeader()->sectionSize(c);
    return w;
}

void StringGrid::SyncFrozenSection(Qt::Orientation orientation, int logical) {
    if (m_syncingFrozen)
        return;
    // A hidden strip takes every section when it shows again.
    for (GridFrozenView* v : m_frozen)
        if (v && !v->isHidden())
            v->SyncSection(orientation, logical);
    // Only the fixed sections give the strips their size.
    if (logical < (orientation == Qt::Horizontal ? m_fixedCols : m_fixedRows))
        PlaceFrozen(false);
}

void StringGrid::UpdateFrozen() {
    PlaceFrozen(true);
}

void StringGrid::PlaceFrozen(bool syncSections) {
    if (m_syncingFrozen)
        return;
    // A grid out of sight needs no strips; its show places them.
    if (!isVisible()) {
        for (GridFrozenView* v : m_frozen)
            if (v)
                v->hide();
        return;
    }
    // Until the cells first scroll, the grid shows its fixed cells in place.
    if (!HasStrips() && horizontalScrollBar()->value() == 0 && verticalScrollBar()->value() == 0)
        return;
    m_syncingFrozen = true;
    const QRect vp = viewport()->geometry();
    const int h = std::min(FrozenHeight(), vp.height());
    const int w = std::min(FrozenWidth(), vp.width());
    const QRect rects[FrozenParts] = {QRect(vp.x(), vp.y(), vp.width(), h),
                                      QRect(vp.x(), vp.y(), w, vp.height()), QRect(vp.x(), vp.y(), w, h)};
    for (int part = 0; part < FrozenParts; ++part) {
        GridFrozenView*& view = m_frozen[part];
        const QRect& rect = rects[part];
        if (rect.isEmpty()) {
            if (view)
                view->hide();
            continue;
        }
        if (!view) {
            // The top strip follows the grid across, the left one down, the corner neither.
            view = new GridFrozenView(this, part == FrozenTop, part == FrozenLeft);
            view->hide();
        }
        if (syncSections || view->isHidden())
            view->SyncSections();
        view->setGeometry(rect);
        view->SyncOffsets();
        view->show();
        view->raise();
    }
    m_syncingFrozen = false;
}

void StringGrid::SyncFrozenOffsets() {
    if (!HasStrips()) {
        // The first scroll: the strips are needed from now on.
        PlaceFrozen(true);
        return;
    }
    for (GridFrozenView* v : m_frozen)
        if (v && v->isVisible())
            v->SyncOffsets();
}

bool StringGrid::HasStrips() const {
    return std::any_of(std::begin(m_frozen), std::end(m_frozen), [](const GridFrozenView* v) { return v; });
}

QModelIndex StringGrid::FixedCellAt(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    const bool fixed = index.isValid() && (index.column() < m_fixedCols || index.row() < m_fixedRows);
    return fixed ? index : QModelIndex();
}

void StringGrid::mousePressEvent(QMouseEvent* event) {
    m_pressOnFixed = FixedCellAt(event->position().toPoint()).isValid();
    if (m_pressOnFixed) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void StringGrid::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressOnFixed) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pressOnFixed) {
        QTableView::mouseReleaseEvent(event);
        return;
    }
    m_pressOnFixed = false;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && event->button() == Qt::LeftButton)
        emit cellClicked(index.column(), index.row());
    event->accept();
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = FixedCellAt(event->position().toPoint());
    if (!index.isValid()) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    // The press that follows a double click is the second press of the pair.
    m_pressOnFixed = true;
    if (event->button() == Qt::LeftButton)
        emit cellDoubleClicked(index.column(), index.row());
    event->accept();
}

void StringGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QTableView::scrollTo(index, hint);
    if (!index.isValid())
        return;
    // A normal cell is in view only when it is clear of the fixed rows and columns.
    const QRect cell = visualRect(index);
    if (index.row() >= m_fixedRows) {
        const int covered = FrozenHeight() - cell.top();
        if (covered > 0)
            verticalScrollBar()->setValue(verticalScrollBar()->value() - covered);
    }
    if (index.column() >= m_fixedCols) {
        const int covered = FrozenWidth() - cell.left();
        if (covered > 0)
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - covered);
    }
}

void StringGrid::dragEnterEvent(QDragEnterEvent* event) {
    HandleDrag(event, indexAt(event->position().toPoint()));
}

void StringGrid::dragMoveEvent(QDragMoveEvent* event) {
    HandleDrag(event, indexAt(event->position().toPoint()));
}

void StringGrid::dropEvent(QDropEvent* event) {
    HandleDrag(event, indexAt(event->position().toPoint()));
}

void StringGrid::HandleDrag(QDropEvent* event, const QModelIndex& at) {
    const QMimeData& data = *event->mimeData();
    if (!(acceptsDrag ? acceptsDrag(data) : data.hasUrls())) {
        event->ignore();
        return;
    }
    if (event->type() == QEvent::DragEnter) {
        event->acceptProposedAction();
        return;
    }
    const int col = at.isValid() ? at.column() : -1;
    const int row = at.isValid() ? at.row() : -1;
    if (acceptsDrag && dragOver && !dragOver(col, row, data)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (event->type() != QEvent::Drop)
        return;
    if (acceptsDrag) {
        if (dragDrop)
            dragDrop(col, row, data);
        return;
    }
    QStringList paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (!paths.isEmpty())
        emit filesDropped(paths);
}
