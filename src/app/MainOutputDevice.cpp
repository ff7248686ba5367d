// The output device of the main window: driver list, device list, rate probe and the
// channel order of each low-latency device.
#include "MainUnit.h"

void TfrmMain::ProbeSampleRates() {}

int32_t TfrmMain::ListAsioDrivers(QStringList* list) {
    asioDriverIndexes.clear();
    if (list)
        list->clear();
    return 0;
}

void TfrmMain::FillDeviceList() {}

void TfrmMain::LoadAsioChannelOrder(const QString&) {}

void TfrmMain::SaveAsioChannelOrder(const QString&) {}

void TfrmMain::actASIOSettingExecute() {}
