#include "XlsxLibrary.h"

#include "SharedLibrary.h"

namespace {

using Loaded = tamvik::LoadedApi<XlsxLibrary>;

Loaded Load() {
    Loaded l;
    tamvik::SharedLibrary library({"libxlsxwriter.so.4", "libxlsxwriter.so"});
    XlsxLibrary& a = l.api;
    bool ok = library.Bind("workbook_new_opt", a.new_opt);
    ok = library.Bind("workbook_validate_sheet_name", a.validate_sheet_name) && ok;
    ok = library.Bind("workbook_add_worksheet", a.add_worksheet) && ok;
    ok = library.Bind("workbook_close", a.close) && ok;
    ok = library.Bind("worksheet_write_number", a.write_number) && ok;
    ok = library.Bind("worksheet_write_string", a.write_string) && ok;
    ok = library.Bind("workbook_add_format", a.add_format) && ok;
    ok = library.Bind("format_set_num_format", a.set_num_format) && ok;
    ok = library.Bind("lxw_strerror", a.strerror) && ok;
    l.ok = ok;
    if (!ok)
        l.error = library.Error();
    return l; // the library stays loaded for the life of the process
}

} // namespace

const XlsxLibrary* XlsxLibrary::Get(QString* error) {
    return tamvik::LoadOnce<XlsxLibrary, Load>(error);
}
