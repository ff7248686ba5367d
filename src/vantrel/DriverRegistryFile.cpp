#include "DriverRegistryFile.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace vantrel {

namespace {

std::string Trim(const std::string& s) {
    const char* space = " \t\r\n";
    const size_t first = s.find_first_not_of(space);
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(space) - first + 1);
}

} // namespace

const std::string* DriverRegistrySection::Find(const std::string& key) const {
    for (const auto& [k, v] : values)
        if (strcasecmp(k.c_str(), key.c_str()) == 0)
            return &v;
    return nullptr;
}

bool DriverRegistryFile::Load(const std::string& path) {
    sections.clear();
    folder.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    const size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
    Parse(text.str());
    return true;
}

void DriverRegistryFile::Parse(const std::string& text) {
    sections.clear();
    std::istringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        first = false;
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string::npos)
                continue;
            sections.push_back({Trim(line.substr(1, close - 1)), {}});
            continue;
        }
        const size_t eq = line.find('=');
        // Keys before the first section and lines without '=' carry nothing.
        if (eq == std::string::npos || sections.empty())
            continue;
        sections.back().values.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
}

std::string DriverRegistryFile::DefaultPath() {
    const char* env = std::getenv("VANTREL_DRIVERS");
    if (env != nullptr && *env != '\0')
        return env;
    return "/etc/vantrel/drivers.ini";
}

} // namespace vantrel
