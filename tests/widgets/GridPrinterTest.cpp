// Printing grid data to PDF files, read back with pdftotext.
#include "GridPrinter.h"
#include "ScriptedUiServices.h"
#include "TestDir.h"

#include <QDate>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// A list of rows "item r" under a header row, with a fixed number column.
GridData List(int rows, int cols = 3) {
    GridData d;
    d.SetColCount(cols);
    d.SetRowCount(rows + 1);
    for (int c = 1; c < cols; ++c)
        d.SetCell(c, 0, QString("Head%1").arg(c));
    for (int r = 1; r <= rows; ++r) {
        d.SetCell(0, r, QString("No%1").arg(r));
        for (int c = 1; c < cols; ++c)
            d.SetCell(c, r, QString("cell%1x%2").arg(c).arg(r));
    }
    return d;
}

void ToPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setResolution(300);
}

// The text of each page.
QStringList PdfPages(const QString& path) {
    QProcess p;
    p.start("pdftotext", {"-layout", path, "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

TEST(GridPrinter, PagesRepeatTheFixedCellsUnderTitlesPageNumbersAndDate) {
    TestDir dir;
    const GridData data = List(120);
    GridPrinter printer(data, 1, 1, {60, 120, 120});
    printer.SetTitleLines({"/home/op/study.tmv - Stimulus list", "Pitch study   Operator"});
    QPrinter device(QPrinter::HighResolution);
    ToPdf(device, dir.file("list.pdf"));
    const int pageCount = printer.PageCount(device);
    ASSERT_GE(pageCount, 2);
    ASSERT_TRUE(printer.Print(device));

    const QStringList pages = PdfPages(dir.file("list.pdf"));
    ASSERT_EQ(pages.size(), pageCount);
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    for (int p = 0; p < pageCount; ++p) {
        const QString& text = pages[p];
        EXPECT_TRUE(text.contains("/home/op/study.tmv - Stimulus list")) << p;
        EXPECT_TRUE(text.contains(QRegularExpression("Pitch study\\s+Operator"))) << p;
        EXPECT_TRUE(text.contains(QString("Page %1/%2").arg(p + 1).arg(pageCount))) << p;
        EXPECT_TRUE(text.contains("Head1") && text.contains("Head2")) << "fixed row on page " << p;
        EXPECT_TRUE(text.contains(date)) << p;
    }
    EXPECT_TRUE(pages[0].contains("cell1x1"));
    EXPECT_FALSE(pages[1].contains("cell1x1 "));
    EXPECT_TRUE(pages.last().contains("No120"));
    // Every row is printed once.
    int printed = 0;
    for (const QString& text : pages)
        printed += static_cast<int>(text.count(QRegularExpression("\\bNo\\d+\\b")));
    EXPECT_EQ(printed, 120);
}

TEST(GridPrinter, AWideGridShrinksToThePageWidth) {
    TestDir dir;
    const GridData data = List(3, 30);
    GridPrinter printer(data, 1, 1, std::vector<int>(30, 150));
    QPrinter device(QPrinter::HighResolution);
    ToPdf(device, dir.file("wide.pdf"));
    ASSERT_TRUE(printer.Print(device));
    const QStringList pages = PdfPages(dir.file("wide.pdf"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("Head29"));
    EXPECT_TRUE(pages[0].contains("cell29x3"));
}

TEST(GridPrinter, TheDialogOffersTheSelectionOnlyForSeveralCells) {
    ScriptedUiServices ui;
    TestDir dir;
    const GridData data = List(40);
    GridPrinter printer(data, 1, 1);
    QPrinter device(QPrinter::HighResolution);
    ToPdf(device, dir.file("part.pdf"));

    ui.printAccepted = true;
    ui.printChoosesSelection = true;
    ASSERT_TRUE(printer.RunDialog(nullptr, device, QRect(QPoint(1, 5), QPoint(1, 5))));
    EXPECT_FALSE(ui.printOfferedSelection);
    EXPECT_GE(ui.printPageCount, 1);

    ASSERT_TRUE(printer.RunDialog(nullptr, device, QRect(QPoint(1, 5), QPoint(2, 7))));
    EXPECT_TRUE(ui.printOfferedSelection);
    ASSERT_TRUE(printer.Print(device));
    const QStringList pages = PdfPages(dir.file("part.pdf"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("Head1"));
    EXPECT_TRUE(pages[0].contains("cell2x7"));
    EXPECT_TRUE(pages[0].contains("No5"));
    EXPECT_FALSE(pages[0].contains("cell1x4"));
    EXPECT_FALSE(pages[0].contains("cell1x8"));

    ui.printAccepted = false;
    EXPECT_FALSE(printer.RunDialog(nullptr, device, QRect(QPoint(1, 5), QPoint(2, 7))));
}

} // namespace
