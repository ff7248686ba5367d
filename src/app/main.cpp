#include "MainUnit.h"
#include "TamvikApplication.h"

#include <curl/curl.h>
#include <exception>

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    int result = 0;
    {
        TamvikApplication app(argc, argv);
        try {
            TfrmMain frmMain;
            QObject::connect(&frmMain, &TfrmMain::closed, &app, &QCoreApplication::quit,
                             Qt::QueuedConnection);
            frmMain.show();
            result = app.exec();
        } catch (const std::exception& e) {
            // The main window could not be built (no temporary folder, no audio memory).
            TamvikApplication::ShowException(QString::fromLocal8Bit(e.what()));
            result = 1;
        }
    }
    curl_global_cleanup();
    return result;
}
