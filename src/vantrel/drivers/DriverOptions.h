#pragma once

// Reading the "key=value" options a plug-in gets from its registry section.

#include "VantrelDriver.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace vantrel {

class DriverOptionSet {
public:
    DriverOptionSet(const DriverOption* options, int count) {
        for (int i = 0; options != nullptr && i < count; ++i)
            if (options[i].key != nullptr && options[i].value != nullptr)
                values.emplace_back(options[i].key, options[i].value);
    }

    std::string Text(const char* key, const std::string& fallback) const {
        for (const auto& [k, v] : values)
            if (strcasecmp(k.c_str(), key) == 0)
                return v;
        return fallback;
    }

    long Number(const char* key, long fallback) const {
        const std::string text = Text(key, "");
        if (text.empty())
            return fallback;
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 10);
        return (end != nullptr && *end == '\0') ? value : fallback;
    }

    // A comma-separated list of integers; the fallback when missing or empty.
    std::vector<long> Numbers(const char* key, const std::vector<long>& fallback) const {
        const std::string text = Text(key, "");
        std::vector<long> result;
        const char* p = text.c_str();
        while (*p != '\0') {
            char* end = nullptr;
            const long value = std::strtol(p, &end, 10);
            if (end == p)
                break;
            result.push_back(value);
            p = end;
            while (*p == ',' || *p == ' ')
                ++p;
        }
        return result.empty() ? fallback : result;
    }

private:
    std::vector<std::pair<std::string, std::string>> values;
};

} // namespace vantrel

// Defines the plug-in's exported factory: one class id, one driver class constructed
// from the section's options.
#define VANTREL_DRIVER_PLUGIN(DriverClass, classId)                                                          \
    namespace {                                                                                              \
    vantrel::Driver* CreateDriver(const char* clsid, const vantrel::DriverOption* options, int count) {      \
        if (clsid == nullptr || std::strcmp(clsid, classId) != 0)                                            \
            return nullptr;                                                                                  \
        return new DriverClass(vantrel::DriverOptionSet(options, count));                                    \
    }                                                                                                        \
    void DestroyDriver(vantrel::Driver* driver) {                                                            \
        delete driver;                                                                                       \
    }                                                                                                        \
    const vantrel::DriverFactory kDriverFactory{vantrel::kDriverAbiVersion, &CreateDriver, &DestroyDriver};  \
    }                                                                                                        \
    extern "C" __attribute__((visibility("default"))) const vantrel::DriverFactory*                          \
    vantrel_driver_factory() {                                                                               \
        return &kDriverFactory;                                                                              \
    }
