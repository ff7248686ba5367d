#include "FileSizeSignal.h"
#include "MainUnit.h"
#include "SingleInstance.h"
#include "StartupHeap.h"
#include "TamvikApplication.h"

#include <QCoreApplication>
#include <exception>

namespace {

enum class LaterStart { No, HandedOver, Refused };

// A later start hands its project over before the window system starts: a plain
// application object and the local socket are all that takes.
LaterStart HandOverEarly(int& argc, char** argv, const QString& folder) {
    if (!SingleInstance::OtherIsRunning(folder))
        return LaterStart::No;
    QCoreApplication core(argc, argv);
    SingleInstance instance(folder);
    if (instance.IsFirst())
        return LaterStart::No; // the other one ended meanwhile
    const QStringList arguments = core.arguments();
    const QString path = SingleInstance::FirstProjectArgument(arguments);
    if (arguments.size() > 1 && path.isEmpty())
        return LaterStart::HandedOver; // nothing to hand over, and nothing to say
    return !path.isEmpty() && instance.HandOver(path) ? LaterStart::HandedOver : LaterStart::Refused;
}

// A later start that met the first only now, with the window system up.
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
    IgnoreFileSizeSignal();
    ReserveStartupHeap();
    const QString folder = SingleInstance::RuntimeFolder();
    const LaterStart later = HandOverEarly(argc, argv, folder);
    if (later == LaterStart::HandedOver)
        return 0;
    int result = 0;
    {
        TamvikApplication app(argc, argv);
        if (later == LaterStart::Refused) {
            TamvikApplication::ShowAlreadyRunning();
        } else if (SingleInstance instance(folder); !instance.IsFirst()) {
            HandOver(instance, app.arguments());
        } else {
            try {
                TfrmMain frmMain;
                QObject::connect(&instance, &SingleInstance::pathReceived, &frmMain,
                                 &TfrmMain::OpenCopyDataPath);
                // Hand-overs are taken once the window is up.
                QObject::connect(&frmMain, &TfrmMain::started, &instance, &SingleInstance::Listen);
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
    return result;
}
