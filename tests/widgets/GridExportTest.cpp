// CSV and spreadsheet files of grid data, read back from the disk.
#include "CsvWriter.h"
#include "TestDir.h"
#include "XlsxSheet.h"
#include "XlsxWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>

namespace {

GridData Fixture() {
    GridData d;
    d.SetColCount(3);
    d.SetRowCount(4);
    const char* cells[4][3] = {{"", "Original files", "Comments"},
                               {"1", "a,b", "say \"hi\""},
                               {"2", "line1\r\nline2", "刺激"},
                               {"3", "", "plain"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            d.SetCell(c, r, QString::fromUtf8(cells[r][c]));
    return d;
}

QByteArray Utf16Le(const QString& text) {
    QByteArray out("\xFF\xFE", 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Paths that fail whatever the rights of the user: returns a regular file, to be used as
// a parent folder, and makes the folder "folder", to be written over; both in dir. The
// folder fails only at the end, once the file has been written beside it.
QString MakeFailurePaths(const TestDir& dir) {
    QFile plain(dir.file("plain"));
    EXPECT_TRUE(plain.open(QIODevice::WriteOnly));
    EXPECT_TRUE(QDir().mkdir(dir.file("folder")));
    return plain.fileName();
}

QStringList Entries(const TestDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(CsvWriter, QuotesOnlyWhatNeedsItInUtf16WithCrLf) {
    const QByteArray bytes = CsvWriter::Encode(Fixture());
    const QString expected = QString::fromUtf8(",Original files,Comments\r\n"
                                               "1,\"a,b\",\"say \"\"hi\"\"\"\r\n"
                                               "2,\"line1\r\nline2\",刺激\r\n"
                                               "3,,plain\r\n");
    EXPECT_EQ(bytes, Utf16Le(expected));
    EXPECT_TRUE(bytes.contains(QByteArray("\x3A\x52", 2))) << "U+523A as little-endian";
    // Hidden columns are left out by naming the others.
    EXPECT_EQ(CsvWriter::Encode(Fixture(), {0, 2}),
              Utf16Le(QString::fromUtf8(",Comments\r\n1,\"say \"\"hi\"\"\"\r\n2,刺激\r\n3,plain\r\n")));
}

TEST(CsvWriter, WritesOrFailsLeavingNothing) {
    TestDir dir;
    const QString path = dir.file("list.csv");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    ASSERT_TRUE(CsvWriter::Write(path, Fixture()));
    EXPECT_EQ(ReadAll(path), CsvWriter::Encode(Fixture()));

    EXPECT_FALSE(CsvWriter::Write(dir.file("missing/list.csv"), Fixture()));
    const QString plain = MakeFailurePaths(dir);
    EXPECT_FALSE(CsvWriter::Write(plain + "/list.csv", Fixture()));
    EXPECT_FALSE(CsvWriter::Write(dir.file("folder"), Fixture()));
    EXPECT_EQ(Entries(dir), QStringList({"folder", "list.csv", "plain"})) << "nothing is left behind";
    EXPECT_EQ(ReadAll(path), CsvWriter::Encode(Fixture()));
}

using xlsx_sheet::SheetCells;
using xlsx_sheet::SheetNames;

TEST(XlsxWriter, NamedSheetsHoldTheCellsFromTheirFirstCell) {
    TestDir dir;
    const QString path = dir.file("list.xlsx");
    const GridData data = Fixture();
    QString error;
    ASSERT_TRUE(
        XlsxWriter::Write(path, {{"Stimulus", &data, {}, 0}, {"Export Data", &data, {1, 2}, 1}}, &error))
        << error.toStdString();
    EXPECT_EQ(SheetNames(path), (QStringList{"Stimulus", "Export Data"}));
    const auto first = SheetCells(path, 1);
    EXPECT_EQ(first.at("B1"), QString("Original files"));
    EXPECT_EQ(first.at("B3"), QString("line1\r\nline2"));
    EXPECT_EQ(first.at("C3"), QString::fromUtf8("刺激"));
    EXPECT_EQ(first.count("A1"), 0u) << "empty cells are not written";
    const auto second = SheetCells(path, 2);
    EXPECT_EQ(second.at("A1"), QString("a,b"));
    EXPECT_EQ(second.at("B1"), QString("say \"hi\""));
    EXPECT_EQ(second.at("B3"), QString("plain"));
    EXPECT_EQ(second.count("C1"), 0u);
    EXPECT_EQ(first.at("A2"), QString("1")) << "a plain number";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.xlsx"})
        << "no temporary file is left";
}

TEST(XlsxWriter, NumbersGoInAsNumbersShowingTheGridsDecimals) {
    // The cell's text, the point the grid's numbers use, and the number format of a cell
    // written as a number (empty: written as text).
    const struct {
        const char* text;
        char point;
        const char* format;
        double value = 0;
    } cases[] = {
        {"5", '.', "General", 5},
        {"-12", '.', "General", -12},
        {"123456789012345", '.', "General", 123456789012345.0},
        {"0.13", '.', "0.00", 0.13},
        {"3.333", '.', "0.000", 3.333},
        {"4.000", '.', "0.000", 4},
        {"1.500", '.', "0.000", 1.5},
        {"100.00", '.', "0.00", 100},
        {"0.00", '.', "0.00", 0},
        {"1.0", '.', "0.0", 1},
        {"-0.50", '.', "0.00", -0.5},
        {"3,333", ',', "0.000", 3.333},
        {"1,500", ',', "0.000", 1.5},
        // Texts that only look like numbers keep showing as they did.
        {"3,333", '.', ""},
        {"3.333", ',', ""},
        {"007", '.', ""},
        {"00.5", '.', ""},
        {".5", '.', ""},
        {"1.", '.', ""},
        {"1.2.3", '.', ""},
        {"-0", '.', ""},
        {"-0.00", '.', ""},
        {"1234567890.123456", '.', ""},
        {"inf", '.', ""},
        {"nan", '.', ""},
        {"-", '.', ""},
        {"1e3", '.', ""},
        {" 5", '.', ""},
        {"-inf", '.', ""},
        {"٣", '.', ""},
    };
    TestDir dir;
    for (const char point : {'.', ','}) {
        GridData data;
        data.SetColCount(static_cast<int>(std::size(cases)));
        data.SetRowCount(1);
        for (size_t i = 0; i < std::size(cases); ++i)
            if (cases[i].point == point)
                data.SetCell(static_cast<int>(i), 0, QString::fromUtf8(cases[i].text));
        const QString path = dir.file(QString("numbers%1.xlsx").arg(point == '.' ? 1 : 2));
        XlsxWriter::Sheet sheet{"Export Data", &data, {}, 0};
        sheet.decimalPoint = QLatin1Char(point);
        ASSERT_TRUE(XlsxWriter::Write(path, {sheet}));
        const QString xml = QString::fromUtf8(xlsx_sheet::Member(path, "xl/worksheets/sheet1.xml"));
        const auto cells = SheetCells(path, 1);
        const auto formats = xlsx_sheet::CellFormats(path, 1);
        for (size_t i = 0; i < std::size(cases); ++i) {
            if (cases[i].point != point)
                continue;
            SCOPED_TRACE(std::string(cases[i].text) + " with " + point);
            QString ref;
            for (size_t n = i + 1; n > 0; n = (n - 1) / 26)
                ref.prepend(QChar(char16_t(u'A' + (n - 1) % 26)));
            ref += "1";
            const bool number = *cases[i].format != 0;
            const bool written =
                xml.contains(QRegularExpression(QString("<c r=\"%1\"( s=\"\\d+\")?><v>").arg(ref)));
            ASSERT_EQ(written, number);
            if (number) {
                EXPECT_EQ(cells.at(ref).toDouble(), cases[i].value);
                EXPECT_EQ(formats.at(ref).toStdString(), cases[i].format);
            } else {
                EXPECT_EQ(cells.at(ref).toStdString(), cases[i].text);
            }
        }
    }
}

TEST(XlsxWriter, FailuresNameTheProblemAndLeaveNothing) {
    TestDir dir;
    const GridData data = Fixture();
    QString error;
    EXPECT_FALSE(XlsxWriter::Write(dir.file("a.xlsx"), {{"bad[name]", &data, {}, 0}}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(XlsxWriter::Write(dir.file("b.xlsx"), {}, &error));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    error.clear();
    EXPECT_FALSE(XlsxWriter::Write(dir.file("missing/c.xlsx"), {{"Stimulus", &data, {}, 0}}, &error));
    EXPECT_TRUE(error.contains("c.xlsx")) << error.toStdString();

    const QString plain = MakeFailurePaths(dir);
    error.clear();
    EXPECT_FALSE(XlsxWriter::Write(plain + "/c.xlsx", {{"Stimulus", &data, {}, 0}}, &error));
    EXPECT_TRUE(error.contains("c.xlsx")) << error.toStdString();
    error.clear();
    EXPECT_FALSE(XlsxWriter::Write(dir.file("folder"), {{"Stimulus", &data, {}, 0}}, &error));
    EXPECT_TRUE(error.contains("could not be put in place")) << error.toStdString();
    EXPECT_EQ(Entries(dir), QStringList({"folder", "plain"})) << "nothing is left behind";
}

} // namespace
