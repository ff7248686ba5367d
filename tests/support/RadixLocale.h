#pragma once

#include "TestDir.h"

#include <string>

// Puts the C library's numeric locale on one whose decimal point is several bytes long
// (U+066B, as in ps_AF.UTF-8) for the life of the object, and restores the previous one.
// A user's session can bring such a locale in; code that formats numbers through the C
// library then writes it into files. The installed ps_AF.UTF-8 is taken when present;
// otherwise a locale holding only that numeric part is generated with localedef into a
// temporary folder and found through LOCPATH. active() is false when neither works.
class RadixLocale {
public:
    RadixLocale();
    ~RadixLocale();
    RadixLocale(const RadixLocale&) = delete;
    RadixLocale& operator=(const RadixLocale&) = delete;

    bool active() const { return m_active; }

private:
    bool Generate();

    TestDir m_dir;
    std::string m_previous;
    std::string m_previousLocPath;
    bool m_hadLocPath = false;
    bool m_active = false;
};
