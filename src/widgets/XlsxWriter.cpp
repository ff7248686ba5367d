#include "XlsxWriter.h"

#include "XlsxLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
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

// A cell becomes a number only when the number shows exactly as the text did ("5",
// "-1", "0.13"); "1.0", "007" or "1e3" stay texts, so nothing the grid showed changes.
bool IsPlainNumber(const QString& cell, double& number) {
    if (cell.size() > 24)
        return false;
    // A number starts with a digit ("inf" and "nan" read as numbers but are no cells of one).
    const qsizetype n = cell.size();
    const bool negative = n > 1 && cell[0] == QLatin1Char('-');
    const qsizetype first = negative ? 1 : 0;
    if (n == 0 || !cell[first].isDigit() || cell[first].unicode() > 0x7F)
        return false;
    // Whole numbers, the most common cells, without a round trip through text.
    if (n - first <= 15) {
        bool digits = n > first && (cell[first] != QLatin1Char('0') || n - first == 1);
        qint64 value = 0;
        for (qsizetype i = first; digits && i < n; ++i) {
            const char16_t c = cell[i].unicode();
            digits = c >= u'0' && c <= u'9';
            value = value * 10 + (c - u'0');
        }
        if (digits && !(negative && value == 0)) {
            number = static_cast<double>(negative ? -value : value);
            return true;
        }
    }
    bool ok = false;
    number = cell.toDouble(&ok);
    return ok && QString::number(number, 'g', QLocale::FloatingPointShortest) == cell;
}

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
                const lxw_error e = IsPlainNumber(cell, number)
                                        ? x.write_number(ws, row, static_cast<lxw_col_t>(i), number, nullptr)
                                        : x.write_string(ws, row, static_cast<lxw_col_t>(i),
                                                         cell.toUtf8().constData(), nullptr);
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
