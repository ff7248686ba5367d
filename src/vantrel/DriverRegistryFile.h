#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vantrel {

// One section of the driver registry file.
struct DriverRegistrySection {
    std::string name;                                        // the section name
    std::vector<std::pair<std::string, std::string>> values; // keys in file order

    // Value of the first key that matches ignoring ASCII case; null when missing.
    const std::string* Find(const std::string& key) const;
};

// The driver registry file: an INI text (UTF-8 or ASCII) with one section per
// installed driver. Keys: clsid (the plug-in's class id), path (the plug-in file,
// relative paths taken from the file's folder), description (the name shown to the
// user; the section name when missing), and the driver's own options.
// A small parser of its own, so that the library needs nothing beyond the C++ library.
class DriverRegistryFile {
public:
    // Reads the file; a missing or unreadable file gives no sections.
    bool Load(const std::string& path);
    void Parse(const std::string& text);

    const std::vector<DriverRegistrySection>& Sections() const { return sections; }
    // The folder of the loaded file, with a trailing '/', or empty.
    const std::string& Folder() const { return folder; }

    // VANTREL_DRIVERS when set and not empty, else /etc/vantrel/drivers.ini.
    static std::string DefaultPath();

private:
    std::vector<DriverRegistrySection> sections;
    std::string folder;
};

} // namespace vantrel
