#pragma once

#include <QString>
#include <dlfcn.h>
#include <initializer_list>

namespace tamvik {

// A library the program loads when a feature first needs it instead of at start: each
// library linked in costs the start its loading and symbol binding, and some features
// (the answer service, spreadsheet export) are used in few sessions.
class SharedLibrary {
public:
    // Opens the first of names that loads; what is opened stays loaded for the process.
    explicit SharedLibrary(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            m_handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
            if (m_handle)
                return;
        }
        const char* why = dlerror();
        m_error =
            QStringLiteral("cannot load %1: %2")
                .arg(QString::fromLatin1(*names.begin()), QString::fromLocal8Bit(why ? why : "not found"));
    }

    // Binds one function; the first that is missing is named in Error().
    template <typename F> bool Bind(const char* name, F& into) {
        into = m_handle ? reinterpret_cast<F>(dlsym(m_handle, name)) : nullptr;
        if (!into && m_error.isEmpty())
            m_error = QStringLiteral("the library lacks %1").arg(QString::fromLatin1(name));
        return into != nullptr;
    }

    bool Loaded() const { return m_handle != nullptr; }
    const QString& Error() const { return m_error; }

private:
    void* m_handle = nullptr;
    QString m_error;
};

// A table of a library's functions and whether loading it worked.
template <typename Api> struct LoadedApi {
    Api api{};
    bool ok = false;
    QString error;
};

// The table Load makes, made once per process (safe from any thread); null with the
// reason in *error when loading failed. A failed load is not tried again.
template <typename Api, LoadedApi<Api> (*Load)()> const Api* LoadOnce(QString* error) {
    static const LoadedApi<Api> loaded = Load();
    if (!loaded.ok && error)
        *error = loaded.error;
    return loaded.ok ? &loaded.api : nullptr;
}

} // namespace tamvik
