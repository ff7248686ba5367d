#include "GridPrinter.h"

#include "UiServices.h"

#include <QDate>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace {

// Sizes of the page furniture, in screen pixels (96 per inch).
constexpr double kScreenDpi = 96.0;
constexpr double kHeaderSize = 50;
constexpr double kFooterSize = 100;
constexpr double kLeftMargin = 100;
constexpr double kRightMargin = 50;
constexpr double kTitleSpacing = 50;
constexpr double kCellSpacing = 10; // added to every column's width and every row's height

} // namespace

struct GridPrinter::Layout {
    QSizeF page;       // device pixels
    double unit = 1;   // device pixels per screen pixel
    double shrink = 1; // grid scale that fits it to the page width
    QFont headerFont;
    std::vector<int> cols;                        // printed grid columns
    std::vector<double> widths;                   // per printed column, unscaled device pixels
    std::vector<int> fixedRows;                   // printed on every page
    std::vector<int> bodyRows;                    // the rest
    std::vector<double> heights;                  // per grid row, unscaled device pixels
    std::vector<std::pair<size_t, size_t>> pages; // [first, last) of bodyRows per page
    double gridTop = 0;
    double gridLeft = 0;
};

GridPrinter::GridPrinter(const GridData& data, int fixedCols, int fixedRows, std::vector<int> colWidths)
    : m_data(data), m_fixedCols(std::max(0, fixedCols)), m_fixedRows(std::max(0, fixedRows)),
      m_colWidths(std::move(colWidths)) {}

GridPrinter::Layout GridPrinter::Measure(QPrinter& printer) const {
    Layout l;
    l.page = printer.pageRect(QPrinter::DevicePixel).size();
    l.unit = printer.resolution() / kScreenDpi;
    l.headerFont = m_font;
    if (m_font.pointSizeF() > 0)
        l.headerFont.setPointSizeF(m_font.pointSizeF() + 2);
    const QFontMetricsF cellMetrics(m_font, &printer);
    const QFontMetricsF screenMetrics(m_font);

    // Columns and rows: fixed ones, then the selection's or all of the others.
    const bool part = !m_selection.isEmpty();
    const int rows = m_data.RowCount();
    const int colCount = m_data.ColCount();
    auto shown = [&](int c) { return std::find(m_hidden.begin(), m_hidden.end(), c) == m_hidden.end(); };
    for (int c = 0; c < colCount; ++c) {
        const bool fixed = c < m_fixedCols;
        if (shown(c) && (fixed || !part || (c >= m_selection.left() && c <= m_selection.right())))
            l.cols.push_back(c);
    }
    for (int r = 0; r < rows; ++r) {
        if (r < m_fixedRows)
            l.fixedRows.push_back(r);
        else if (!part || (r >= m_selection.top() && r <= m_selection.bottom()))
            l.bodyRows.push_back(r);
    }

    for (int c : l.cols) {
        double w = c < static_cast<int>(m_colWidths.size()) ? m_colWidths[static_cast<size_t>(c)] : 0;
        if (w <= 0)
            for (int r = 0; r < rows; ++r)
                for (const QString& line : m_data.Cell(c, r).split(QLatin1Char('\n')))
                    w = std::max(w, screenMetrics.horizontalAdvance(line) + 4);
        l.widths.push_back((w + kCellSpacing) * l.unit);
    }
    l.heights.assign(static_cast<size_t>(rows), 0);
    auto measureRow = [&](int r) {
        int lines = 1;
        for (int c : l.cols)
            lines = std::max(lines, static_cast<int>(m_data.Cell(c, r).count(QLatin1Char('\n'))) + 1);
        l.heights[static_cast<size_t>(r)] = lines * cellMetrics.lineSpacing() + kCellSpacing * l.unit;
    };
    for (int r : l.fixedRows)
        measureRow(r);
    for (int r : l.bodyRows)
        measureRow(r);

    // Shrink the grid to the width between the margins; never enlarge it.
    double total = 0;
    for (double w : l.widths)
        total += w;
    const double available = l.page.width() - (kLeftMargin + kRightMargin) * l.unit;
    if (total > available && total > 0)
        l.shrink = std::max(available, 1.0) / total;
    l.gridLeft = kLeftMargin * l.unit + (available - total * l.shrink) / 2;

    const QFontMetricsF headerMetrics(l.headerFont, &printer);
    const double titleLines = std::max<qsizetype>(m_titles.size(), 1);
    l.gridTop = kHeaderSize * l.unit + titleLines * headerMetrics.lineSpacing() + kTitleSpacing * l.unit;
    const double bottom = l.page.height() - kFooterSize * l.unit;

    // Rows per page, in the grid's unscaled units; at least one body row per page.
    double fixedHeight = 0;
    for (int r : l.fixedRows)
        fixedHeight += l.heights[static_cast<size_t>(r)];
    const double room = (bottom - l.gridTop) / l.shrink - fixedHeight;
    size_t first = 0;
    while (first < l.bodyRows.size()) {
        size_t last = first;
        double used = 0;
        while (last < l.bodyRows.size()) {
            const double h = l.heights[static_cast<size_t>(l.bodyRows[last])];
            if (last > first && used + h > room)
                break;
            used += h;
            ++last;
        }
        l.pages.emplace_back(first, last);
        first = last;
    }
    if (l.pages.empty())
        l.pages.emplace_back(0, 0); // the fixed cells alone
    return l;
}

int GridPrinter::PageCount(QPrinter& printer) const {
    return static_cast<int>(Measure(printer).pages.size());
}

void GridPrinter::PaintPage(QPainter& painter, const Layout& l, int page) const {
    const int pageCount = static_cast<int>(l.pages.size());
    const QRectF pageRect(QPointF(0, 0), l.page);

    painter.setPen(QPen(Qt::black, 0));
    painter.setFont(l.headerFont);
    const QFontMetricsF headerMetrics(l.headerFont, painter.device());
    double y = kHeaderSize * l.unit;
    const QString pageText = QStringLiteral("Page %1/%2").arg(page + 1).arg(pageCount);
    painter.drawText(QRectF(0, y, pageRect.width() - kRightMargin * l.unit, headerMetrics.lineSpacing()),
                     Qt::AlignRight | Qt::AlignVCenter, pageText);
    for (const QString& title : m_titles) {
        painter.drawText(QRectF(0, y, pageRect.width(), headerMetrics.lineSpacing()),
                         Qt::AlignHCenter | Qt::AlignVCenter, title);
        y += headerMetrics.lineSpacing();
    }
    painter.setFont(m_font);
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    painter.drawText(QRectF(0, pageRect.height() - kFooterSize * l.unit,
                            pageRect.width() - kRightMargin * l.unit, kFooterSize * l.unit),
                     Qt::AlignRight | Qt::AlignVCenter, date);

    painter.save();
    painter.translate(l.gridLeft, l.gridTop);
    painter.scale(l.shrink, l.shrink);
    const double pad = kCellSpacing * l.unit / 2;
    std::vector<int> rows = l.fixedRows;
    const auto [first, last] = l.pages[static_cast<size_t>(page)];
    rows.insert(rows.end(), l.bodyRows.begin() + static_cast<std::ptrdiff_t>(first),
                l.bodyRows.begin() + static_cast<std::ptrdiff_t>(last));
    double top = 0;
    for (int r : rows) {
        const double h = l.heights[static_cast<size_t>(r)];
        double left = 0;
        for (size_t i = 0; i < l.cols.size(); ++i) {
            const int c = l.cols[i];
            const QRectF cell(left, top, l.widths[i], h);
            painter.drawRect(cell);
            const bool fixed = c < m_fixedCols || r < m_fixedRows;
            const Qt::Alignment align = fixed ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter;
            painter.drawText(cell.adjusted(pad, 0, -pad, 0), static_cast<int>(align), m_data.Cell(c, r));
            left += l.widths[i];
        }
        top += h;
    }
    painter.restore();
}

bool GridPrinter::Print(QPrinter& printer) const {
    const Layout layout = Measure(printer);
    const int pageCount = static_cast<int>(layout.pages.size());
    int from = 1;
    int to = pageCount;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(pageCount, printer.toPage() > 0 ? printer.toPage() : pageCount);
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    bool ok = true;
    for (int p = from; p <= to && ok; ++p) {
        if (p > from && !printer.newPage())
            ok = false;
        else
            PaintPage(painter, layout, p - 1);
    }
    return painter.end() && ok && printer.printerState() != QPrinter::Error;
}

bool GridPrinter::RunDialog(QWidget* parent, QPrinter& printer, const QRect& selection) {
    const bool offerSelection = selection.width() * selection.height() > 1;
    printer.setPrintRange(QPrinter::AllPages);
    if (!UiServices::Get().PrintDialog(parent, printer, offerSelection, PageCount(printer)))
        return false;
    m_selection = offerSelection && printer.printRange() == QPrinter::Selection ? selection : QRect();
    return true;
}
