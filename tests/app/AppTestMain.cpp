#include "TamvikApplication.h"

#include <QtGlobal>

#include <gtest/gtest.h>

// Window tests need one application object for the whole run, of the program's own
// kind, so that exceptions end where the program ends them.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs this without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        TamvikApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
