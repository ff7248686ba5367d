#pragma once

#include "GridData.h"

#include <QFont>
#include <QRect>
#include <QStringList>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

// Prints a grid's cells on a printer: title lines centred at the top, "Page n/m" at the
// top right, the short date at the bottom right, the fixed rows and columns repeated on
// every page, and the whole shrunk to the page width when it is wider. Columns keep their
// on-screen widths (as given); rows are as high as their text.
class GridPrinter {
public:
    // colWidths: on-screen widths in pixels per column; a missing or zero width is taken
    // from the column's text.
    GridPrinter(const GridData& data, int fixedCols, int fixedRows, std::vector<int> colWidths = {});

    void SetTitleLines(const QStringList& lines) { m_titles = lines; }
    void SetFont(const QFont& font) { m_font = font; }
    // Columns left out of the print.
    void SetHiddenColumns(std::vector<int> cols) { m_hidden = std::move(cols); }
    // Prints only the normal cells of this rectangle (left, top, right, bottom), still
    // with the fixed rows and columns; an empty rectangle prints everything.
    void SetSelection(const QRect& cells) { m_selection = cells; }

    int PageCount(QPrinter& printer) const;
    // Prints every page, or the printer's page range when it has one; false when the
    // printer could not be started or failed.
    bool Print(QPrinter& printer) const;

    // The print dialog through UiServices: the page range runs to the page count, and
    // the selection is offered only when it covers more than one cell. When the user
    // picks the selection, it becomes what Print prints. False when cancelled.
    bool RunDialog(QWidget* parent, QPrinter& printer, const QRect& selection);

private:
    struct Layout;
    Layout Measure(QPrinter& printer) const;
    void PaintPage(QPainter& painter, const Layout& layout, int page) const;

    const GridData& m_data;
    int m_fixedCols;
    int m_fixedRows;
    std::vector<int> m_colWidths;
    std::vector<int> m_hidden;
    QStringList m_titles;
    QFont m_font;
    QRect m_selection;
};
