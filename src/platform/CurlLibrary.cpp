#include "CurlLibrary.h"

#include <dlfcn.h>

namespace tamvik {

namespace {

struct Loaded {
    CurlLibrary api{};
    bool ok = false;
    QString error;
};

template <typename F> bool Bind(void* library, const char* name, F& into, QString& error) {
    into = reinterpret_cast<F>(dlsym(library, name));
    if (!into && error.isEmpty())
        error = QStringLiteral("libcurl lacks %1").arg(QString::fromLatin1(name));
    return into != nullptr;
}

Loaded Load() {
    Loaded l;
    // The name the build linked against; the GnuTLS build is named apart on some systems.
    void* library = nullptr;
    for (const char* name : {"libcurl.so.4", "libcurl-gnutls.so.4"}) {
        library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (library)
            break;
    }
    if (!library) {
        const char* why = dlerror();
        l.error =
            QStringLiteral("cannot load libcurl: %1").arg(QString::fromLocal8Bit(why ? why : "not found"));
        return l;
    }
    CurlLibrary& a = l.api;
    decltype(&curl_global_init) global_init = nullptr;
    bool ok = Bind(library, "curl_global_init", global_init, l.error);
    ok = Bind(library, "curl_easy_init", a.easy_init, l.error) && ok;
    ok = Bind(library, "curl_easy_cleanup", a.easy_cleanup, l.error) && ok;
    ok = Bind(library, "curl_easy_setopt", a.easy_setopt, l.error) && ok;
    ok = Bind(library, "curl_easy_getinfo", a.easy_getinfo, l.error) && ok;
    ok = Bind(library, "curl_easy_strerror", a.easy_strerror, l.error) && ok;
    ok = Bind(library, "curl_slist_append", a.slist_append, l.error) && ok;
    ok = Bind(library, "curl_slist_free_all", a.slist_free_all, l.error) && ok;
    ok = Bind(library, "curl_multi_init", a.multi_init, l.error) && ok;
    ok = Bind(library, "curl_multi_cleanup", a.multi_cleanup, l.error) && ok;
    ok = Bind(library, "curl_multi_add_handle", a.multi_add_handle, l.error) && ok;
    ok = Bind(library, "curl_multi_remove_handle", a.multi_remove_handle, l.error) && ok;
    ok = Bind(library, "curl_multi_perform", a.multi_perform, l.error) && ok;
    ok = Bind(library, "curl_multi_poll", a.multi_poll, l.error) && ok;
    ok = Bind(library, "curl_multi_info_read", a.multi_info_read, l.error) && ok;
    ok = Bind(library, "curl_mime_init", a.mime_init, l.error) && ok;
    ok = Bind(library, "curl_mime_free", a.mime_free, l.error) && ok;
    ok = Bind(library, "curl_mime_addpart", a.mime_addpart, l.error) && ok;
    ok = Bind(library, "curl_mime_name", a.mime_name, l.error) && ok;
    ok = Bind(library, "curl_mime_filename", a.mime_filename, l.error) && ok;
    ok = Bind(library, "curl_mime_filedata", a.mime_filedata, l.error) && ok;
    ok = Bind(library, "curl_mime_type", a.mime_type, l.error) && ok;
    if (!ok)
        return l;
    if (global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        l.error = QStringLiteral("libcurl could not set itself up");
        return l;
    }
    l.ok = true;
    return l; // the library stays loaded for the life of the process
}

} // namespace

const CurlLibrary* CurlLibrary::Get(QString* error) {
    static const Loaded loaded = Load();
    if (!loaded.ok && error)
        *error = loaded.error;
    return loaded.ok ? &loaded.api : nullptr;
}

} // namespace tamvik
