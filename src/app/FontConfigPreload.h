#pragma once

#include <thread>

// Reading the system's font configuration (some dozens of XML files and the font caches)
// is the largest single cost of the first text a window measures, and it needs nothing of
// the application. Started first thing in main(), it runs on a thread of its own while
// the application object is built; Wait() before the main window is made, so that the
// font database finds the configuration loaded and never reads it a second time.
class FontConfigPreload {
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload&) = delete;
    FontConfigPreload& operator=(const FontConfigPreload&) = delete;

    void Wait();

private:
    std::thread loader;
};
