// The grid as shown: fixed cells that stay in view, and in-place editing driven by keys.
#include "StringGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The open editor; a closed one may linger until its deferred delete.
QLineEdit* OpenEditor(StringGrid& g) {
    for (QLineEdit* e : g.viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            return e;
    return nullptr;
}

// The delegate closes an editor on Enter through the event loop.
bool WaitUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 5000);
}

const QColor kFixed(200, 0, 0);
const QColor kNormal(0, 0, 200);

// A shown grid much larger than its window, fixed cells painted kFixed, the rest kNormal.
void ShowLongGrid(StringGrid& g, int fixedCols, int fixedRows) {
    g.SetColCount(12);
    g.SetRowCount(120);
    g.SetFixedCols(fixedCols);
    g.SetFixedRows(fixedRows);
    // Text only in the fixed cells, so that normal cells are one colour.
    for (int r = 0; r < g.RowCount(); ++r)
        for (int c = 0; c < g.ColCount(); ++c)
            if (c < fixedCols || r < fixedRows)
                g.SetCell(c, r, QString("%1,%2").arg(c).arg(r));
    g.getCellColor = [&g](int col, int row, QColor& background, QColor&) {
        background = col < g.FixedCols() || row < g.FixedRows() ? kFixed : kNormal;
    };
    g.resize(320, 240);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
}

QColor PixelInViewport(StringGrid& g, QPoint p) {
    const QImage shot = g.grab().toImage();
    return shot.pixelColor(g.viewport()->geometry().topLeft() + p);
}

TEST(StringGridView, FixedRowsAndColumnsStayInViewWhileCellsScroll) {
    StringGrid g;
    ShowLongGrid(g, 2, 1);
    const int rowH = g.rowHeight(0);
    const int fixedW = g.columnWidth(0) + g.columnWidth(1);
    g.verticalScrollBar()->setValue(g.verticalScrollBar()->maximum());
    g.horizontalScrollBar()->setValue(g.horizontalScrollBar()->maximum());
    ASSERT_GT(g.verticalScrollBar()->value(), 10 * rowH) << "the grid must really scroll";
    // Top strip, left strip and corner show fixed cells; past them the scrolled cells.
    EXPECT_EQ(PixelInViewport(g, {fixedW + 30, rowH / 2}), kFixed);
    EXPECT_EQ(PixelInViewport(g, {5, 3 * rowH}), kFixed);
    EXPECT_EQ(PixelInViewport(g, {5, 5}), kFixed);
    EXPECT_EQ(PixelInViewport(g, {fixedW + 30, 3 * rowH}), kNormal);

    // The fixed cells shown are the headings of the columns and rows now in view.
    QWidget* top = g.childAt(g.viewport()->geometry().topLeft() + QPoint(fixedW + 30, rowH / 2));
    auto* topView = top ? qobject_cast<QTableView*>(top->parentWidget()) : nullptr;
    ASSERT_NE(topView, nullptr);
    ASSERT_NE(topView, &g);
    const QModelIndex heading = topView->indexAt(QPoint(fixedW + 30, rowH / 2));
    EXPECT_EQ(heading.row(), 0);
    EXPECT_EQ(heading.column(), g.indexAt(QPoint(fixedW + 30, 3 * rowH)).column());

    // A normal cell made current comes out from under the fixed cells.
    g.SetCurrentCell(2, 1);
    const QRect cell = g.visualRect(g.model()->index(1, 2));
    EXPECT_GE(cell.top(), rowH);
    EXPECT_GE(cell.left(), fixedW);

    // Widths set later are followed, and clicks on fixed cells are reported.
    g.SetColWidth(0, 90);
    int clickedCol = -1, clickedRow = -1;
    QObject::connect(&g, &StringGrid::cellClicked, [&](int c, int r) {
        clickedCol = c;
        clickedRow = r;
    });
    QTest::mouseClick(topView->viewport(), Qt::LeftButton, {}, QPoint(85, rowH / 2));
    EXPECT_EQ(clickedCol, 0);
    EXPECT_EQ(clickedRow, 0);
    EXPECT_EQ(g.Row(), 1) << "a click on a fixed cell leaves the current cell";
}

// Before the cells first scroll, the grid shows its fixed cells itself, and answers clicks
// on them as the strips laid over them later do.
TEST(StringGridView, UnscrolledGridAnswersForItsOwnFixedCells) {
    StringGrid g;
    ShowLongGrid(g, 1, 1);
    const int rowH = g.rowHeight(0);
    const QPoint heading(g.columnWidth(0) + 10, rowH / 2), rowLabel(5, 3 * rowH + rowH / 2);
    EXPECT_EQ(g.childAt(g.viewport()->geometry().topLeft() + heading), g.viewport())
        << "nothing laid over yet";
    EXPECT_EQ(PixelInViewport(g, heading), kFixed);

    g.SetCurrentCell(2, 2);
    std::vector<std::pair<int, int>> clicks, doubles;
    QObject::connect(&g, &StringGrid::cellClicked, [&](int c, int r) { clicks.emplace_back(c, r); });
    QObject::connect(&g, &StringGrid::cellDoubleClicked, [&](int c, int r) { doubles.emplace_back(c, r); });
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, heading);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, rowLabel);
    EXPECT_EQ(clicks.front(), std::make_pair(1, 0));
    EXPECT_EQ(doubles, (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 2) << "a click on a fixed cell leaves the current cell";
    EXPECT_TRUE(g.selectionModel()->selectedIndexes().isEmpty() ||
                g.Selection() == QRect(QPoint(2, 2), QPoint(2, 2)));

    // The first scroll lays the strips over the grid.
    g.verticalScrollBar()->setValue(5 * rowH);
    QWidget* over = g.childAt(g.viewport()->geometry().topLeft() + heading);
    ASSERT_NE(over, nullptr);
    EXPECT_NE(over, g.viewport());
    EXPECT_EQ(PixelInViewport(g, heading), kFixed);
}

TEST(StringGridView, WithoutFixedCellsNothingIsLaidOver) {
    StringGrid g;
    ShowLongGrid(g, 0, 0);
    g.verticalScrollBar()->setValue(g.verticalScrollBar()->maximum());
    EXPECT_EQ(PixelInViewport(g, {5, 5}), kNormal);
}

// Sizing columns to their contents gives the widths a plain table view finds for the same
// texts, fonts, hidden rows and rows in view: the grid measures each distinct text once
// and asks the hidden header for its numbers only where they can be the wider.
TEST(StringGridView, ColumnsSizedToContentsAsAPlainTableViewSizesThem) {
    struct Case {
        const char* what;
        int cols;
        int rows;
        std::function<QString(int col, int row)> text;
        std::function<bool(int col, int row)> bold;
        std::function<bool(int col, int row)> password;
        std::vector<int> hiddenRows;
        bool scrolled = false;
    };
    const QString wide = QStringLiteral("a much wider text than the others");
    const Case cases[] = {
        {"mixed texts",
         8,
         30,
         [&](int c, int r) -> QString {
             if (r == 0)
                 return c == 0 ? QString() : QStringLiteral("SubjectID\r\nS%1").arg(c);
             if (c == 1)
                 return QString::number(r * 1.25, 'f', 3);
             if (c == 2 && r == 7)
                 return wide;
             if (c == 3)
                 return QStringLiteral("刺激%1").arg(r);
             if (c == 5 && (r == 2 || r == 4))
                 return QStringLiteral("WWWWWWWW"); // bold in row 4 only
             return c == 4 && r % 3 ? QString() : QString::number((r + c) % 5);
         },
         [](int c, int r) { return c == 5 && r == 4; },
         [](int c, int r) { return c == 6 && r > 0; },
         {}},
        // Beyond column 99 the hidden header's three-digit numbers outgrow one digit.
        {"many narrow columns",
         130,
         3,
         [](int c, int r) { return QString::number((c + r) % 10); },
         {},
         {},
         {}},
        // Only the first rows count on a long grid; hidden rows never do.
        {"long grid",
         3,
         1500,
         [&](int c, int r) {
             return (c == 1 && r == 1400) || (c == 2 && r == 5) ? wide : QString::number(r);
         },
         {},
         {},
         {5}},
        {"scrolled grid with strips",
         40,
         60,
         [](int c, int r) { return QString(c % 7 + 1, QChar('x' + r % 2)); },
         {},
         {},
         {},
         true},
    };
    for (const Case& test : cases) {
        StringGrid grid;
        grid.SetColCount(test.cols);
        grid.SetRowCount(test.rows);
        QStandardItemModel plainCells(test.rows, test.cols);
        QFont bold = grid.font();
        bold.setBold(true);
        for (int r = 0; r < test.rows; ++r)
            for (int c = 0; c < test.cols; ++c) {
                const QString text = test.text(c, r);
                grid.SetCell(c, r, text);
                const bool masked = test.password && test.password(c, r);
                plainCells.setData(plainCells.index(r, c),
                                   masked ? QString(text.size(), QChar(0x25CF)) : text);
                if (test.bold && test.bold(c, r))
                    plainCells.setData(plainCells.index(r, c), bold, Qt::FontRole);
            }
        grid.isBoldCell = test.bold;
        grid.isPasswordCell = test.password;
        QTableView plain;
        plain.setModel(&plainCells);
        plain.horizontalHeader()->hide();
        plain.verticalHeader()->hide();
        for (QTableView* view : {static_cast<QTableView*>(&grid), &plain}) {
            for (const int r : test.hiddenRows)
                view->setRowHidden(r, true);
            view->resize(400, 300);
            view->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
            if (test.scrolled)
                view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
            view->resizeColumnsToContents();
        }
        std::vector<int> gridWidths, plainWidths;
        for (int c = 0; c < test.cols; ++c) {
            gridWidths.push_back(grid.columnWidth(c));
            plainWidths.push_back(plain.columnWidth(c));
        }
        EXPECT_EQ(gridWidths, plainWidths) << test.what;
        if (test.scrolled) {
            // The strip over the fixed rows takes the new widths of every column.
            QWidget* over =
                grid.childAt(grid.viewport()->geometry().topLeft() + QPoint(grid.columnWidth(0) + 5, 5));
            auto* strip = over ? qobject_cast<QTableView*>(over->parentWidget()) : nullptr;
            ASSERT_TRUE(strip && strip != &grid) << test.what;
            for (int c = 0; c < test.cols; ++c)
                EXPECT_EQ(strip->columnWidth(c), grid.columnWidth(c)) << test.what << " column " << c;
        }
    }
}

// A grid showing one editable cell (1,1) holding "Infinity", with a digit-and-i rule
// in the manner of a window's editing rules.
struct EditFixture {
    StringGrid g;
    std::vector<std::pair<QString, bool>> ends; // (cell text at the end, committed)
    int starts = 0;

    EditFixture() {
        g.SetColCount(3);
        g.SetRowCount(3);
        g.SetCell(1, 1, "Infinity");
        g.SetEditing(true);
        g.opensEditor = [](int, int, const QKeyEvent& key) {
            return (key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9) || key.key() == Qt::Key_I ||
                   key.key() == Qt::Key_Return;
        };
        g.editStart = [this](int, int, StringGrid::EditStart& start) {
            ++starts;
            if (start.text == "Infinity")
                start.text = "i";
            start.validator = new QRegularExpressionValidator(QRegularExpression("[0-9]*|i"));
            start.keyFilter = [](QLineEdit& editor, QKeyEvent& key) {
                if (key.key() == Qt::Key_Escape) {
                    editor.setText("i");
                    return StringGrid::KeyAction::Commit;
                }
                if (key.text() == "0" && editor.text().isEmpty())
                    return StringGrid::KeyAction::Drop;
                return StringGrid::KeyAction::Pass;
            };
            return true;
        };
        g.editValidate = [](int, int, QString& text) {
            if (text == "99")
                return false;
            if (text == "i")
                text = "Infinity";
            return true;
        };
        g.editEnd = [this](int col, int row, bool committed) {
            ends.emplace_back(g.Cell(col, row), committed);
        };
        g.show();
        g.SetCurrentCell(1, 1);
    }
    QLineEdit* Editor() { return OpenEditor(g); }
};

TEST(StringGridView, TypedKeyOpensTheEditorAndIsItsFirstKey) {
    EditFixture f;
    QTest::keyClick(&f.g, Qt::Key_A);
    EXPECT_FALSE(f.g.IsEditorOpen()) << "a key the window does not accept opens nothing";
    EXPECT_EQ(f.g.Cell(1, 1), QString("Infinity"));

    QTest::keyClick(&f.g, Qt::Key_4);
    ASSERT_TRUE(f.g.IsEditorOpen());
    ASSERT_NE(f.Editor(), nullptr);
    EXPECT_EQ(f.Editor()->text(), QString("4"));
    QTest::keyClicks(f.Editor(), "2x");
    EXPECT_EQ(f.Editor()->text(), QString("42")) << "the validator refuses x";
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return !f.g.IsEditorOpen(); }));
    EXPECT_EQ(f.g.Cell(1, 1), QString("42"));
    ASSERT_EQ(f.ends.size(), 1u);
    EXPECT_EQ(f.ends[0], std::make_pair(QString("42"), true));
}

TEST(StringGridView, EnterOpensWithTheStartTextAndEscCommitsTheFiltersText) {
    EditFixture f;
    QTest::keyClick(&f.g, Qt::Key_Return);
    ASSERT_TRUE(f.g.IsEditorOpen()) << "the Enter that opens the editor does not close it";
    EXPECT_EQ(f.Editor()->text(), QString("i"));
    f.Editor()->clear();
    QTest::keyClicks(f.Editor(), "07");
    EXPECT_EQ(f.Editor()->text(), QString("7")) << "the key filter dropped the leading 0";
    QTest::keyClick(f.Editor(), Qt::Key_Escape);
    EXPECT_FALSE(f.g.IsEditorOpen());
    EXPECT_EQ(f.g.Cell(1, 1), QString("Infinity")) << "Esc rewrote the text, validate corrected it";
}

TEST(StringGridView, PasteAndInputMethodsCannotBypassTheValidator) {
    EditFixture f;
    QTest::keyClick(&f.g, Qt::Key_1);
    QLineEdit* editor = f.Editor();
    ASSERT_NE(editor, nullptr);
    QApplication::clipboard()->setText("2a3");
    editor->paste();
    EXPECT_EQ(editor->text(), QString("1"));
    QInputMethodEvent composed;
    composed.setCommitString(QString::fromUtf8("５x"));
    QApplication::sendEvent(editor, &composed);
    EXPECT_EQ(editor->text(), QString("1"));
    QApplication::clipboard()->setText("23");
    editor->paste();
    EXPECT_EQ(editor->text(), QString("123"));
}

TEST(StringGridView, RefusedTextLeavesTheCellAndVetoOpensNothing) {
    EditFixture f;
    QTest::keyClick(&f.g, Qt::Key_9);
    QTest::keyClick(f.Editor(), Qt::Key_9);
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return !f.g.IsEditorOpen(); }));
    EXPECT_EQ(f.g.Cell(1, 1), QString("Infinity"));
    ASSERT_EQ(f.ends.size(), 1u);
    EXPECT_FALSE(f.ends[0].second);

    f.g.editStart = [](int, int, StringGrid::EditStart&) { return false; };
    QTest::keyClick(&f.g, Qt::Key_5);
    EXPECT_FALSE(f.g.IsEditorOpen());
    EXPECT_EQ(f.g.Cell(1, 1), QString("Infinity"));
    EXPECT_EQ(f.ends.size(), 1u) << "a vetoed edit never started, so it does not end";
}

TEST(StringGridView, DoubleClickOpensAndDefaultKeysTypeIntoPlainGrids) {
    StringGrid g;
    g.SetColCount(3);
    g.SetRowCount(3);
    g.SetEditing(true);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    const QRect cell = g.visualRect(g.model()->index(2, 1));
    int dbl = 0;
    QObject::connect(&g, &StringGrid::cellDoubleClicked, [&](int, int) { ++dbl; });
    // A double click is a click followed by the double-click event.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(dbl, 1);
    EXPECT_TRUE(g.IsEditorOpen());
    QTest::keyClick(OpenEditor(g), Qt::Key_Escape);
    EXPECT_TRUE(WaitUntil([&] { return !g.IsEditorOpen(); }));

    g.SetCurrentCell(1, 1);
    QTest::keyClick(&g, Qt::Key_Q);
    ASSERT_TRUE(g.IsEditorOpen());
    QTest::keyClick(OpenEditor(g), Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return !g.IsEditorOpen(); }));
    EXPECT_EQ(g.Cell(1, 1), QString("q"));
}

} // namespace
