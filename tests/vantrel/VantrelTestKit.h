#pragma once

// Helpers of the VANTREL tests: a temporary folder with a driver registry file and the
// VANTREL_DRIVERS variable pointed at it (messages are recorded by MessageRecorder).

#include "Messages.h"
#include "Post.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel_test {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

// Writes drivers.ini into the folder and points VANTREL_DRIVERS at it for the test.
class DriverRegistry {
public:
    explicit DriverRegistry(const std::string& text) {
        path = folder.File("drivers.ini");
        std::ofstream(path) << text;
        ::setenv("VANTREL_DRIVERS", path.c_str(), 1);
    }
    ~DriverRegistry() { ::unsetenv("VANTREL_DRIVERS"); }
    TempFolder folder;
    std::string path;
};

// A null-driver section with the given extra option lines.
inline std::string NullSection(const std::string& name, const std::string& options = "") {
    return "[" + name + "]\nclsid=vantrel.null\npath=" VANTREL_NULL_PLUGIN "\ndescription=" + name + "\n" +
           options + "\n";
}

} // namespace vantrel_test
