#pragma once

#include <curl/curl.h>
#include <gtest/gtest.h>

// libcurl is set up once per process, as main() of the program does.
inline int RunAllTestsWithCurl(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    curl_global_cleanup();
    return rc;
}

#define TAMVIK_CURL_TEST_MAIN                                                                                \
    int main(int argc, char** argv) {                                                                        \
        return RunAllTestsWithCurl(argc, argv);                                                              \
    }
