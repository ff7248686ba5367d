#include "TamvikApplication.h"

#include <QtGlobal>

#include <curl/curl.h>
#include <gtest/gtest.h>

// Window tests need one application object for the whole run, of the program's own
// kind, so that exceptions end where the program ends them.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs this without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    curl_global_init(CURL_GLOBAL_DEFAULT);
    int result = 0;
    {
        TamvikApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    curl_global_cleanup();
    return result;
}
