#include "StringGrid.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

QModelIndex At(StringGrid& g, int col, int row) {
    return g.model()->index(row, col);
}

TEST(StringGrid, CellsAreAddressedColumnFirstAndOutOfRangeIsHarmless) {
    StringGrid g;
    g.SetColCount(3);
    g.SetRowCount(4);
    g.SetCell(2, 1, "x");
    EXPECT_EQ(g.Cell(2, 1), QString("x"));
    EXPECT_EQ(g.model()->data(At(g, 2, 1)).toString(), QString("x"));
    g.SetCell(3, 0, "lost");
    g.SetCell(-1, 0, "lost");
    EXPECT_TRUE(g.Cell(3, 0).isEmpty());
    // Shrinking and growing keeps the cells that stay in range.
    g.SetRowCount(2);
    g.SetRowCount(5);
    EXPECT_EQ(g.Cell(2, 1), QString("x"));
    EXPECT_TRUE(g.Cell(2, 4).isEmpty());
}

TEST(StringGrid, FixedCellsAreNeitherEditableNorSelectableAndHooksDecideTheRest) {
    StringGrid g;
    g.SetColCount(3);
    g.SetRowCount(3);
    g.SetEditing(true);
    g.canEditCell = [](int col, int) { return col != 2; };
    EXPECT_FALSE(g.model()->flags(At(g, 0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(g.model()->flags(At(g, 1, 0)) & Qt::ItemIsSelectable);
    EXPECT_TRUE(g.model()->flags(At(g, 1, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(g.model()->flags(At(g, 2, 1)) & Qt::ItemIsEditable);
    g.SetEditing(false);
    EXPECT_FALSE(g.model()->flags(At(g, 1, 1)) & Qt::ItemIsEditable);

    g.getCellColor = [](int col, int row, QColor& bg, QColor&) {
        if (col == 1 && row == 2)
            bg = Qt::yellow;
    };
    EXPECT_EQ(g.model()->data(At(g, 1, 2), Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
}

TEST(StringGrid, EditThroughTheModelStoresAndSignals) {
    StringGrid g;
    g.SetColCount(2);
    g.SetRowCount(2);
    g.SetEditing(true);
    int editedCol = -1, editedRow = -1;
    QObject::connect(&g, &StringGrid::cellEdited, [&](int c, int r) {
        editedCol = c;
        editedRow = r;
    });
    g.model()->setData(At(g, 1, 1), "7", Qt::EditRole);
    EXPECT_EQ(g.Cell(1, 1), QString("7"));
    EXPECT_EQ(editedCol, 1);
    EXPECT_EQ(editedRow, 1);
}

TEST(StringGrid, SelectionRoundTripsAsLeftTopRightBottom) {
    StringGrid g;
    g.SetColCount(4);
    g.SetRowCount(6);
    const QRect r(QPoint(1, 2), QPoint(3, 4));
    g.SetSelection(r);
    EXPECT_EQ(g.Selection(), r);
    EXPECT_EQ(g.Row(), 2);
    g.SetShowFocus(false);
    EXPECT_EQ(g.Selection(), r) << "hiding the focus keeps the selection for its restore";
}

TEST(StringGrid, RowMapShowsDataInDisplayedOrder) {
    StringGrid g;
    g.SetColCount(2);
    g.SetRowCount(4);
    for (int r = 1; r < 4; ++r)
        g.Data().SetCell(1, r, QString::number(r));
    g.SetRowMap({0, 3, 1, 2});
    EXPECT_EQ(g.Cell(1, 1), QString("3"));
    EXPECT_EQ(g.RealRowIndex(2), 1);
    g.SetCell(1, 1, "changed");
    EXPECT_EQ(g.Data().Cell(1, 3), QString("changed"));
}

TEST(StringGrid, DroppedLocalFilesAreReported) {
    StringGrid g;
    QStringList got;
    QObject::connect(&g, &StringGrid::filesDropped, [&](const QStringList& p) { got = p; });
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/tmp/a.wav"), QUrl("http://example.invalid/b.wav")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(g.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(g.viewport(), &drop);
    EXPECT_EQ(got, QStringList{"/tmp/a.wav"});
}

} // namespace
