// Sorting through the displayed-to-data row map, and row groups.
#include "StringGrid.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

// Column 1 of the displayed rows below the header.
QStringList Shown(const StringGrid& g, int col = 1) {
    QStringList out;
    for (int r = g.FixedRows(); r < g.RowCount(); ++r)
        out << g.Cell(col, r);
    return out;
}

// A list grid: one header row, no fixed column, column 0 the fill order, column 1 values.
void Fill(StringGrid& g, const QStringList& values) {
    g.SetColCount(2);
    g.SetRowCount(1 + static_cast<int>(values.size()));
    g.SetFixedCols(0);
    g.SetFixedRows(1);
    g.SetCell(0, 0, "No.");
    g.SetCell(1, 0, "Value");
    for (int i = 0; i < values.size(); ++i) {
        g.SetCell(0, i + 1, QString::number(i + 1));
        g.SetCell(1, i + 1, values[i]);
    }
}

// Clicks a cell where it shows, fixed cells included.
void ClickCell(StringGrid& g, int col, int row) {
    const QRect cell = g.visualRect(g.model()->index(row, col));
    const QPoint inGrid = g.viewport()->geometry().topLeft() + cell.center();
    QWidget* target = g.childAt(inGrid);
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&g, inGrid));
}

TEST(StringGridSort, StylesOrderRowsStablyAndKeepTheDataInPlace) {
    struct Case {
        StringGrid::SortStyle style;
        QStringList values;
        bool ascending;
        QStringList expected;
    };
    using S = StringGrid::SortStyle;
    const Case cases[] = {
        {S::Numeric, {"10", "9", "", "2.5", "-1"}, true, {"", "-1", "2.5", "9", "10"}},
        {S::Numeric, {"10", "9", "", "2.5", "-1"}, false, {"10", "9", "2.5", "-1", ""}},
        {S::Text, {"pear", "apple", "fig"}, true, {"apple", "fig", "pear"}},
        {S::Date,
         {"2024/01/05 10:00:00", "2023/12/31 09:00:00", "2024/01/05 09:59:00"},
         true,
         {"2023/12/31 09:00:00", "2024/01/05 09:59:00", "2024/01/05 10:00:00"}},
    };
    for (const Case& c : cases) {
        StringGrid g;
        Fill(g, c.values);
        g.SetSortStyle(1, c.style);
        g.SortByColumn(1, c.ascending);
        EXPECT_EQ(Shown(g), c.expected) << c.values.join('|').toStdString();
        EXPECT_EQ(g.Cell(1, 0), QString("Value")) << "the header row stays";
        for (int r = 1; r < g.RowCount(); ++r)
            EXPECT_EQ(g.Data().Cell(1, g.RealRowIndex(r)), g.Cell(1, r));
        EXPECT_EQ(g.Data().Cell(1, 1), c.values[0]) << "the data keeps its fill order";
    }

    // Equal keys keep their order.
    StringGrid g;
    Fill(g, {"b", "a", "b", "a"});
    g.SortByColumn(1, true);
    EXPECT_EQ(Shown(g, 0), (QStringList{"2", "4", "1", "3"}));
    g.SortByColumn(1, false);
    EXPECT_EQ(Shown(g, 0), (QStringList{"1", "3", "2", "4"}));
}

TEST(StringGridSort, HeadingClicksSortAndReverseAndTheCurrentRowFollowsItsData) {
    StringGrid g;
    Fill(g, {"3", "1", "2"});
    g.SetSortStyle(1, StringGrid::SortStyle::Numeric);
    g.SetUserSort(true);
    g.resize(300, 200);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    g.SetCurrentCell(1, 1); // the row holding "3"

    ClickCell(g, 1, 0);
    EXPECT_EQ(Shown(g), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(g.SortColumn(), 1);
    EXPECT_TRUE(g.SortAscending());
    EXPECT_EQ(g.Cell(1, g.Row()), QString("3"));
    ClickCell(g, 1, 0);
    EXPECT_EQ(Shown(g), (QStringList{"3", "2", "1"}));
    EXPECT_FALSE(g.SortAscending());

    // Clicks on normal cells sort nothing.
    ClickCell(g, 1, 2);
    EXPECT_EQ(Shown(g), (QStringList{"3", "2", "1"}));
    g.SetUserSort(false);
    ClickCell(g, 0, 0);
    EXPECT_EQ(g.SortColumn(), 1);
}

TEST(StringGridSort, RemovingASortedRowRemovesItsDataAndRenumbersTheMap) {
    StringGrid g;
    Fill(g, {"c", "a", "d", "b"}); // data rows 1..4
    g.SortByColumn(1, true);       // shows a b c d = data rows 2 4 1 3
    g.RemoveRow(2);                // "b", data row 4
    EXPECT_EQ(Shown(g), (QStringList{"a", "c", "d"}));
    EXPECT_EQ(g.RowCount(), 4);
    EXPECT_EQ(g.Data().Cell(1, 4), QString());
    g.RemoveRow(1); // "a", data row 2: data rows above it move up
    EXPECT_EQ(Shown(g), (QStringList{"c", "d"}));
    EXPECT_EQ(g.RealRowIndex(1), 1);
    EXPECT_EQ(g.RealRowIndex(2), 2);
    EXPECT_EQ(g.Data().Cell(1, 2), QString("d"));
}

TEST(StringGridSort, ShownDataFollowsTheDisplayedOrderWithoutHiddenColumns) {
    StringGrid g;
    Fill(g, {"b", "c", "a"});
    g.SetColCount(3);
    g.SetCell(2, 0, "Extra");
    g.SortByColumn(1, true);
    g.HideColumn(0);
    const GridData shown = g.ShownData();
    ASSERT_EQ(shown.ColCount(), 2);
    EXPECT_EQ(shown.Cell(0, 0), QString("Value"));
    EXPECT_EQ(shown.Cell(1, 0), QString("Extra"));
    EXPECT_EQ(shown.Cell(0, 1), QString("a"));
    EXPECT_EQ(shown.Cell(0, 3), QString("c"));
    EXPECT_EQ(g.ShownColWidths().size(), 2u);
}

TEST(StringGridGroups, TheButtonCollapsesAndExpandsItsRows) {
    StringGrid g;
    g.SetColCount(3);
    g.SetRowCount(8);
    g.SetFixedCols(0);
    g.SetFixedRows(1);
    g.AddNode(1, 4);
    g.AddNode(5, 3);
    g.resize(300, 300);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    EXPECT_TRUE(g.IsNode(5));
    EXPECT_FALSE(g.IsNode(2));
    EXPECT_TRUE(g.NodeExpanded(1));

    ClickCell(g, 0, 1);
    EXPECT_FALSE(g.NodeExpanded(1));
    for (int r = 2; r <= 4; ++r)
        EXPECT_TRUE(g.isRowHidden(r)) << r;
    EXPECT_FALSE(g.isRowHidden(1));
    EXPECT_FALSE(g.isRowHidden(6));
    ClickCell(g, 1, 5); // not the button column
    EXPECT_TRUE(g.NodeExpanded(5));

    g.SetColCount(4); // a reset keeps collapsed groups collapsed
    EXPECT_TRUE(g.isRowHidden(3));
    ClickCell(g, 0, 1);
    EXPECT_FALSE(g.isRowHidden(3));
    g.ToggleNode(5);
    EXPECT_TRUE(g.isRowHidden(7));
    g.SetRowCount(8);
    EXPECT_FALSE(g.IsNode(5));
    EXPECT_FALSE(g.isRowHidden(7));
}

TEST(StringGridGroups, CellsTheWindowRefusesCannotBeSelected) {
    StringGrid g;
    g.SetColCount(4);
    g.SetRowCount(3);
    g.canSelectCell = [](int col, int) { return col >= 2; };
    EXPECT_FALSE(g.model()->flags(g.model()->index(1, 1)) & Qt::ItemIsSelectable);
    EXPECT_TRUE(g.model()->flags(g.model()->index(1, 2)) & Qt::ItemIsSelectable);
}

} // namespace
