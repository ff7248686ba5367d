#include "XlsxWriter.h"

#include "XlsxLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

QString LibraryError(const XlsxLibrary& x, lxw_error e) {
    return QString::fromUtf8(x.strerror(e));
}

// Flushes a finished file to the disk before it is renamed into place.
bool SyncFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// The digits a double holds exactly in both directions, and so the longest number that
// a spreadsheet shows as the grid did.
constexpr int kExactDigits = 15;

// A cell becomes a number only when it is one the way the grid shows numbers: an optional
// minus, whole digits without a leading zero, and optionally the grid's decimal point and
// at least one decimal ("5", "-12", "0.13", "4.000"); decimals counts the digits after the
// point, which the cell's number format shows again. "007", ".5", "1e3", "-0" or " 5"
// stay texts, so nothing the grid showed changes.
bool ReadNumber(const QString& cell, QChar point, double& number, int& decimals) {
    const qsizetype n = cell.size();
    if (n == 0 || n > kExactDigits + 2)
        return false;
    const bool negative = cell[0] == QLatin1Char('-');
    qsizetype i = negative ? 1 : 0;
    const auto isDigit = [&](qsizetype at) {
        return at < n && cell[at].unicode() >= u'0' && cell[at].unicode() <= u'9';
    };
    const qsizetype wholeStart = i;
    qint64 whole = 0;
    while (isDigit(i))
        whole = whole * 10 + (cell[i++].unicode() - u'0');
    const qsizetype wholeDigits = i - wholeStart;
    if (wholeDigits == 0 || (wholeDigits > 1 && cell[wholeStart] == QLatin1Char('0')))
        return false;
    qint64 fraction = 0;
    decimals = 0;
    if (i < n) {
        if (cell[i] != point || !isDigit(i + 1))
            return false;
        for (++i; isDigit(i); ++i, ++decimals)
            fraction = fraction * 10 + (cell[i].unicode() - u'0');
    }
    if (i != n || wholeDigits + decimals > kExactDigits || (negative && whole == 0 && fraction == 0))
        return false;
    // Whole numbers, the most common cells, without a round trip through text.
    number = static_cast<double>(whole);
    if (decimals > 0) {
        QString text = cell.mid(negative ? 1 : 0);
        text[wholeDigits] = QLatin1Char('.');
        number = text.toDouble();
    }
    if (negative)
        number = -number;
    return true;
}

// The number format of a cell with that many decimals ("0.000"); null for a whole number,
// which the general format shows as the grid did. Made once per workbook and count.
class DecimalFormats {
public:
    DecimalFormats(const XlsxLibrary& x, lxw_workbook* book) : m_x(x), m_book(book) {}

    lxw_format* For(int decimals) {
        if (decimals <= 0)
            return nullptr;
        lxw_format*& format = m_formats[static_cast<size_t>(decimals)];
        if (!format) {
            format = m_x.add_format(m_book);
            if (format) {
                const QByteArray code = "0." + QByteArray(decimals, '0');
                m_x.set_num_format(format, code.constData());
            }
        }
        return format;
    }

private:
    const XlsxLibrary& m_x;
    lxw_workbook* m_book;
    lxw_format* m_formats[kExactDigits + 1] = {};
};

// The mode the file gets in place: an existing file's, else what the umask allows.
bool SetFinalMode(const QByteArray& temp, const QByteArray& target) {
    struct stat existing {};
    mode_t mode;
    if (::stat(target.constData(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    return ::chmod(temp.constData(), mode) == 0;
}

bool WriteSheets(const XlsxLibrary& x, lxw_workbook* book, const std::vector<XlsxWriter::Sheet>& sheets,
                 QString* error) {
    DecimalFormats formats(x, book);
    for (const XlsxWriter::Sheet& sheet : sheets) {
        const QByteArray name = sheet.name.toUtf8();
        lxw_error valid = x.validate_sheet_name(book, name.constData());
        if (valid != LXW_NO_ERROR)
            return Fail(error, QString("sheet \"%1\": %2").arg(sheet.name, LibraryError(x, valid)));
        lxw_worksheet* ws = x.add_worksheet(book, name.constData());
        if (!ws)
            return Fail(error, QString("sheet \"%1\" could not be added").arg(sheet.name));
        if (!sheet.data)
            continue;
        const GridData& data = *sheet.data;
        std::vector<int> cols = sheet.columns;
        if (cols.empty())
            for (int c = 0; c < data.ColCount(); ++c)
                cols.push_back(c);
        for (int r = std::max(0, sheet.firstRow); r < data.RowCount(); ++r) {
            const auto row = static_cast<lxw_row_t>(r - std::max(0, sheet.firstRow));
            for (size_t i = 0; i < cols.size(); ++i) {
                const QString& cell = data.Cell(cols[i], r);
                if (cell.isEmpty())
                    continue;
                double number = 0;
                int decimals = 0;
                const auto col = static_cast<lxw_col_t>(i);
                const lxw_error e = ReadNumber(cell, sheet.decimalPoint, number, decimals)
                                        ? x.write_number(ws, row, col, number, formats.For(decimals))
                                        : x.write_string(ws, row, col, cell.toUtf8().constData(), nullptr);
                if (e != LXW_NO_ERROR)
                    return Fail(error, QString("sheet \"%1\", row %2: %3")
                                           .arg(sheet.name)
                                           .arg(r + 1)
                                           .arg(LibraryError(x, e)));
            }
        }
    }
    return true;
}

} // namespace

bool XlsxWriter::Write(const QString& path, const std::vector<Sheet>& sheets, QString* error) {
    if (sheets.empty())
        return Fail(error, "no sheet to write");
    QString why;
    const XlsxLibrary* x = XlsxLibrary::Get(&why);
    if (!x)
        return Fail(error, QString("%1: %2").arg(path, why));
    const QFileInfo target(path);
    // A name reserved beside the target, so the final rename stays on one file system.
    QTemporaryFile reserve(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        return Fail(error, QString("%1: %2").arg(path, reserve.errorString()));
    const QString tempPath = reserve.fileName();
    reserve.close();
    const QByteArray temp = QFile::encodeName(tempPath);

    lxw_workbook_options options = {};
    // Rows go out as they are written: less memory and no shared-string table.
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = x->new_opt(temp.constData(), &options);
    if (!book) {
        QFile::remove(tempPath);
        return Fail(error, QString("%1: the workbook could not be created").arg(path));
    }
    const bool written = WriteSheets(*x, book, sheets, error);
    const lxw_error closed = x->close(book); // frees the workbook in every case
    bool ok = written;
    if (ok && closed != LXW_NO_ERROR)
        ok = Fail(error, QString("%1: %2").arg(path, LibraryError(*x, closed)));
    if (ok && !SyncFile(temp))
        ok = Fail(error, QString("%1: the file could not be flushed to disk").arg(path));
    const QByteArray final = QFile::encodeName(target.absoluteFilePath());
    if (ok && !SetFinalMode(temp, final))
        ok = Fail(error, QString("%1: the file's permissions could not be set").arg(path));
    if (ok && std::rename(temp.constData(), final.constData()) != 0)
        ok = Fail(error, QString("%1: the file could not be put in place").arg(path));
    if (!ok)
        QFile::remove(tempPath);
    return ok;
}
