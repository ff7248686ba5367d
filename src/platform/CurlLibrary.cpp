#include "CurlLibrary.h"

#include "SharedLibrary.h"

namespace tamvik {

namespace {

using Loaded = LoadedApi<CurlLibrary>;

Loaded Load() {
    Loaded l;
    // The name the build linked against; the GnuTLS build is named apart on some systems.
    SharedLibrary library({"libcurl.so.4", "libcurl-gnutls.so.4"});
    CurlLibrary& a = l.api;
    decltype(&curl_global_init) global_init = nullptr;
    bool ok = library.Bind("curl_global_init", global_init);
    ok = library.Bind("curl_easy_init", a.easy_init) && ok;
    ok = library.Bind("curl_easy_cleanup", a.easy_cleanup) && ok;
    ok = library.Bind("curl_easy_setopt", a.easy_setopt) && ok;
    ok = library.Bind("curl_easy_getinfo", a.easy_getinfo) && ok;
    ok = library.Bind("curl_easy_strerror", a.easy_strerror) && ok;
    ok = library.Bind("curl_slist_append", a.slist_append) && ok;
    ok = library.Bind("curl_slist_free_all", a.slist_free_all) && ok;
    ok = library.Bind("curl_multi_init", a.multi_init) && ok;
    ok = library.Bind("curl_multi_cleanup", a.multi_cleanup) && ok;
    ok = library.Bind("curl_multi_add_handle", a.multi_add_handle) && ok;
    ok = library.Bind("curl_multi_remove_handle", a.multi_remove_handle) && ok;
    ok = library.Bind("curl_multi_perform", a.multi_perform) && ok;
    ok = library.Bind("curl_multi_poll", a.multi_poll) && ok;
    ok = library.Bind("curl_multi_info_read", a.multi_info_read) && ok;
    ok = library.Bind("curl_mime_init", a.mime_init) && ok;
    ok = library.Bind("curl_mime_free", a.mime_free) && ok;
    ok = library.Bind("curl_mime_addpart", a.mime_addpart) && ok;
    ok = library.Bind("curl_mime_name", a.mime_name) && ok;
    ok = library.Bind("curl_mime_filename", a.mime_filename) && ok;
    ok = library.Bind("curl_mime_filedata", a.mime_filedata) && ok;
    ok = library.Bind("curl_mime_type", a.mime_type) && ok;
    if (!ok) {
        l.error = library.Error();
        return l;
    }
    if (global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        l.error = QStringLiteral("libcurl could not set itself up");
        return l;
    }
    l.ok = true;
    return l; // the library stays loaded for the life of the process
}

} // namespace

const CurlLibrary* CurlLibrary::Get(QString* error) {
    return LoadOnce<CurlLibrary, Load>(error);
}

} // namespace tamvik
