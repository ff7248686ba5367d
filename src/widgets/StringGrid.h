#pragma once

#include "GridData.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QTableView>
#include <functional>
#include <map>
#include <unordered_map>
#include <vector>

class GridCellPainter;
class GridEditDelegate;
class GridFrozenView;
class QDropEvent;
class QKeyEvent;
class QLineEdit;
class QStyleOptionViewItem;
class QMimeData;
class QValidator;
class StringGridModel;

// The grid of every list and table: a table view over GridData, fixed rows and columns
// included, addressed (col, row) like the data. Fixed cells look like headings and are
// neither selectable nor editable. Windows hook colours, alignment and edit rights per
// cell. Displayed rows go through a displayed-to-data row map (identity unless a window
// sorts), so selections and hooks always speak of displayed rows while exports read the
// data in either order.
//
// Fixed rows and columns stay in view while the normal cells scroll: views laid over the
// viewport show them (see GridFrozenView) once the grid has scrolled; until then the grid
// shows them in place. Clicks on fixed cells report cellClicked and cellDoubleClicked;
// they never move the current cell.
//
// In-place editing. A cell is editable while SetEditing(true) is on, the cell is not
// fixed and canEditCell (when set) allows it. The editor is a line edit and opens on a
// double click or on a key that opensEditor accepts (by default a key that types a
// character, or F2). A typed key is handed to the editor as its first key; Enter and F2
// only open it. A window implements its editing rules with three hooks:
//   editStart(col, row, start)  before the editor shows; false vetoes the edit. May set
//       start.text (the editor's first text), start.validator (owned by the editor; the
//       line edit refuses any text it rejects, so paste and input methods obey it too)
//       and start.keyFilter, which sees every key reaching the editor, the opening key
//       included, and answers Pass, Drop (the key is swallowed) or Commit (the editor
//       closes and its text is committed, e.g. after the filter rewrote it on Esc).
//   editValidate(col, row, text) when the editor commits: may correct text in place;
//       false refuses it and the cell keeps its previous text.
//   editEnd(col, row, committed) whenever the editor has closed, committed or not; the
//       cell holds its final text. cellEdited is emitted as well for committed text.
// The editor owns its text while open: SetCell on the edited cell does not change it.
//
// Sorting. Rows below the fixed rows can be put in another order without moving the
// data: RealRowIndex maps a displayed row to its data row. SortByColumn orders them by a
// column as text (system collation, case-sensitive), number or date (SetSortStyle); the
// sort is stable and marks the column's heading. With SetUserSort(true) a click on a
// heading (a cell of the last fixed row) sorts by that column, a second click reverses.
// Cells, hooks, selections and signals speak of displayed rows; RemoveRow keeps the map
// in step (data rows above the removed one move up by one).
//
// Drags. A drag whose data acceptsDrag wants is taken as it comes in, wherever the pointer
// is (a widget that turns an entry down is sent no further moves of that drag); each move
// is then answered by dragOver for the cell under the pointer, and the drop goes to
// dragDrop when dragOver allows its cell. Cells are displayed positions, fixed ones
// included, as the pointer sees them (over a heading kept in view above scrolled rows,
// the heading); (-1, -1) is no cell. Without acceptsDrag the grid takes local files
// anywhere and reports them by filesDropped.
//
// Sizing. Sizing columns to their contents (resizeColumnsToContents) gives the widths the
// table view itself gives, from the same rows (those in view first, up to the header's
// precision), with each distinct text measured once for the grid's look, so a table of
// many thousand cells sizes in a moment. This holds while the grid paints with its own
// delegate (or one that sizes as it does); with another, the table view measures.
//
// Row groups. AddNode(row, span) makes a group of span rows headed by row; column 0 of
// the heading row shows a button that expands or collapses the span's other rows.
// Groups live until SetRowCount, RemoveRow or ClearNodes.
class StringGrid : public QTableView {
    Q_OBJECT
public:
    explicit StringGrid(QWidget* parent = nullptr);
    ~StringGrid() override;

    GridData& Data() { return m_data; }
    const GridData& Data() const { return m_data; }

    int ColCount() const { return m_data.ColCount(); }
    void SetColCount(int cols);
    int RowCount() const { return m_data.RowCount(); }
    void SetRowCount(int rows);
    int FixedCols() const { return m_fixedCols; }
    void SetFixedCols(int cols);
    int FixedRows() const { return m_fixedRows; }
    void SetFixedRows(int rows);

    // Cells by displayed position.
    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    void ClearNormalCells();

    int ColWidth(int col) const { return columnWidth(col); }
    void SetColWidth(int col, int width) { setColumnWidth(col, width); }
    void SetRowHeight(int row, int height) { setRowHeight(row, height); }

    void HideColumn(int col);
    void UnHideColumn(int col);
    void UnHideColumnsAll();
    bool IsHiddenColumn(int col) const { return isColumnHidden(col); }

    // The current cell; -1 when there is none.
    int Col() const;
    int Row() const;
    void SetCurrentCell(int col, int row);
    // The selected rectangle (left, top, right, bottom), or the current cell alone.
    QRect Selection() const;
    void SetSelection(const QRect& rect);
    // Hides the focus rectangle and the selection while a run paints its own highlight.
    void SetShowFocus(bool show);
    bool ShowFocus() const { return m_showFocus; }

    void SetEditing(bool editing);
    bool Editing() const { return m_editing; }

    // Displayed-to-data row map; identity when empty.
    int RealRowIndex(int displayedRow) const;
    void SetRowMap(std::vector<int> map);
    // Removes a displayed row and its data row.
    void RemoveRow(int row);

    enum class SortStyle { Text, Numeric, Date };
    void SetSortStyle(int col, SortStyle style);
    void SetUserSort(bool enabled) { m_userSort = enabled; }
    void SortByColumn(int col, bool ascending);
    // The column whose heading shows the sort mark; -1 when none.
    int SortColumn() const { return m_sortCol; }
    bool SortAscending() const { return m_sortAscending; }
    void SetSortMark(int col, bool ascending);

    void AddNode(int row, int span);
    void ClearNodes();
    bool IsNode(int row) const { return m_nodes.count(row) != 0; }
    bool NodeExpanded(int row) const;
    void SetNodeExpanded(int row, bool expanded);
    void ToggleNode(int row) { SetNodeExpanded(row, !NodeExpanded(row)); }

    // May a normal cell be selected; all may when unset.
    std::function<bool(int col, int row)> canSelectCell;

    // The cells as shown, for printing and export: rows in displayed order, hidden
    // columns left out (column widths in ShownColWidths, in the same order).
    GridData ShownData() const;
    std::vector<int> ShownColWidths() const;
    // Fixed columns among the shown ones.
    int ShownFixedCols() const;

    // Scrolls a normal cell clear of the fixed rows and columns.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // Repaints every cell (after a hook's inputs changed).
    void RepaintAll();

    // What the key filter of an open editor does with a key.
    enum class KeyAction { Pass, Drop, Commit };
    struct EditStart {
        QString text;
        QValidator* validator = nullptr;
        std::function<KeyAction(QLineEdit& editor, QKeyEvent& key)> keyFilter;
    };
    // Whether a key pressed on the current cell (displayed position) opens its editor.
    std::function<bool(int col, int row, const QKeyEvent& key)> opensEditor;
    std::function<bool(int col, int row, EditStart& start)> editStart;
    std::function<bool(int col, int row, QString& text)> editValidate;
    std::function<void(int col, int row, bool committed)> editEnd;
    // True while an in-place editor is open.
    bool IsEditorOpen() const { return m_edit.active; }
    // Closes an open editor without taking its text; editEnd hears of it.
    void CancelEdit();

    std::function<bool(int col, int row)> canEditCell;
    std::function<void(int col, int row, QColor& background, QColor& text)> getCellColor;
    std::function<Qt::Alignment(int col, int row)> getAlignment;
    // Cells drawn in bold (a highlight); none when unset.
    std::function<bool(int col, int row)> isBoldCell;
    // Cells whose text is shown masked, in the grid and in their editor; Cell still gives
    // the text. None when unset.
    std::function<bool(int col, int row)> isPasswordCell;

    std::function<bool(const QMimeData& data)> acceptsDrag;
    std::function<bool(int col, int row, const QMimeData& data)> dragOver;
    std::function<void(int col, int row, const QMimeData& data)> dragDrop;
    // A drag event over the grid or one of its fixed strips, at the cell shown there.
    void HandleDrag(QDropEvent* event, const QModelIndex& at);

signals:
    void cellEdited(int col, int row);
    void currentCellChanged(int col, int row);
    void cellDoubleClicked(int col, int row);
    // A left click on a cell, fixed ones included.
    void cellClicked(int col, int row);
    void filesDropped(const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void updateGeometries() override;
    int sizeHintForColumn(int column) const override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class StringGridModel;
    friend class GridEditDelegate;
    void Reset();

    // The edit in progress, from the editor's creation to its close.
    struct OpenEdit {
        int col = -1;
        int row = -1;
        bool active = false;
        bool committed = false;
        bool textPending = false;
        bool validating = false;
        QString text;
        std::function<KeyAction(QLineEdit& editor, QKeyEvent& key)> keyFilter;
        const QObject* editor = nullptr;
        QMetaObject::Connection editorGone;
    };
    void FinishEdit();

    // Height of the fixed rows and width of the fixed columns as shown.
    int FrozenHeight() const;
    int FrozenWidth() const;
    void UpdateFrozen();
    void SyncFrozenSection(Qt::Orientation orientation, int logical);
    void PlaceFrozen(bool syncSections);
    bool HasStrips() const;
    // The fixed cell under a point of the viewport, or an invalid index.
    QModelIndex FixedCellAt(const QPoint& point) const;
    void OnCellClicked(int col, int row);
    void ApplyNodes();

    struct Node {
        int span = 1;
        bool expanded = true;
    };
    void SyncFrozenOffsets();

    GridData m_data;
    StringGridModel* m_model;
    GridEditDelegate* m_delegate;
    OpenEdit m_edit;
    // Top strip, left strip and their corner. They are made the first time a shown grid
    // has scrolled: until then the fixed cells are where the grid itself paints them, and
    // three more table views per grid were most of the program's start-up.
    enum FrozenPart { FrozenTop, FrozenLeft, FrozenCorner, FrozenParts };
    GridFrozenView* m_frozen[FrozenParts] = {};
    bool m_syncingFrozen = false;
    // A press on a fixed cell that no strip covers: the grid answers it as a strip would.
    bool m_pressOnFixed = false;
    std::map<int, SortStyle> m_sortStyles;
    int m_sortCol = -1;
    bool m_sortAscending = true;
    bool m_userSort = false;
    std::map<int, Node> m_nodes;
    std::vector<int> m_rowMap;
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    bool m_editing = false;
    bool m_showFocus = true;

    // Sizing a column to its contents (see sizeHintForColumn).
    std::vector<int> SizedRows() const;
    int CellWidth(int col, int row, const QStyleOptionViewItem& option) const;
    int HeaderWidth(int col, int atLeast) const;
    int TrueHeaderWidth(int col) const;
    void ForgetTextWidths() const;
    // The delegate's width of each text, plain and bold, measured once for the look it
    // was measured in, so sizing a large table measures each distinct text once. Looked up
    // once per cell, so with a hash far cheaper than the seeded one of QHash, and single
    // ASCII characters (most answers) by table.
    struct TextHash {
        size_t operator()(const QString& text) const noexcept;
    };
    struct TextWidths {
        QFont font;
        QFont headerFont;
        bool wrap = false;
        const QStyle* style = nullptr;
        qreal dpr = 0;
        std::unordered_map<QString, int, TextHash> widths[2];
        int ascii[2][128]; // -1 until measured; set by ForgetTextWidths
        // By the digits of a column number: a width the header's number never exceeds.
        std::vector<int> headerBounds;
        int digitSpread = -1;
    };
    mutable TextWidths m_textWidths;
    // The hidden header answers a sizing with its own width only while this is set.
    mutable bool m_headerWidthAsked = false;
};
