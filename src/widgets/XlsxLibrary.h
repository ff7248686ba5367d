#pragma once

#include <QString>
#include <xlsxwriter.h>

// libxlsxwriter, loaded on the first spreadsheet export: it brings a cryptography and a
// zip library along, whose loading the program's start would otherwise pay every time.
struct XlsxLibrary {
    decltype(&workbook_new_opt) new_opt;
    decltype(&workbook_validate_sheet_name) validate_sheet_name;
    decltype(&workbook_add_worksheet) add_worksheet;
    decltype(&workbook_close) close;
    decltype(&worksheet_write_number) write_number;
    decltype(&worksheet_write_string) write_string;
    decltype(&workbook_add_format) add_format;
    decltype(&format_set_num_format) set_num_format;
    decltype(&lxw_strerror) strerror;

    // The loaded library, or null with the reason in *error. A failed load is not tried
    // again.
    static const XlsxLibrary* Get(QString* error = nullptr);
};
