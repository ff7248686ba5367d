#include "MainUnit.h"
#include "SingleInstance.h"
#include "TamvikApplication.h"

#include <curl/curl.h>
#include <exception>

namespace {

// A later start: its project goes to the running program, which opens it.
void HandOver(SingleInstance& instance, const QStringList& arguments) {
    const QString path = SingleInstance::FirstProjectArgument(arguments);
    if (arguments.size() > 1 && path.isEmpty())
        return; // nothing to hand over, and nothing to say
    if (!path.isEmpty() && instance.HandOver(path))
        return;
    TamvikApplication::ShowAlreadyRunning();
}

} // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    int result = 0;
    {
        TamvikApplication app(argc, argv);
        SingleInstance instance(SingleInstance::RuntimeFolder());
        if (!instance.IsFirst()) {
            HandOver(instance, app.arguments());
        } else {
            try {
                TfrmMain frmMain;
                QObject::connect(&instance, &SingleInstance::pathReceived, &frmMain,
                                 &TfrmMain::OpenCopyDataPath);
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
    }
    curl_global_cleanup();
    return result;
}
