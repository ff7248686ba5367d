#pragma once

#include <QString>
#include <curl/curl.h>

namespace tamvik {

// libcurl, loaded the first time a request needs it. The library and the many it brings
// with it (TLS, Kerberos, LDAP, SSH) cost a noticeable part of the program's start, and a
// session may well never talk to the service. Loading also does libcurl's global set-up,
// once per process.
struct CurlLibrary {
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_cleanup) multi_cleanup;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_multi_info_read) multi_info_read;
    decltype(&curl_mime_init) mime_init;
    decltype(&curl_mime_free) mime_free;
    decltype(&curl_mime_addpart) mime_addpart;
    decltype(&curl_mime_name) mime_name;
    decltype(&curl_mime_filename) mime_filename;
    decltype(&curl_mime_filedata) mime_filedata;
    decltype(&curl_mime_type) mime_type;

    // The loaded library, or null with the reason in *error. Safe from any thread; a
    // failed load is not tried again.
    static const CurlLibrary* Get(QString* error = nullptr);
};

} // namespace tamvik
