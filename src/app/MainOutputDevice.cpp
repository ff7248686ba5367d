// The output device of the main window: driver list, device list, rate probe and the
// channel order of each low-latency device.
#include "MainUnit.h"

#include "ASIOSettingUnit.h"
#include "CardUnit.h"
#include "Csound.h"
#include "IniFile.h"
#include "OptionIni.h"
#include "OptionUnit.h"
#include "vantrel.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <memory>

namespace {

constexpr int ProbeRates[] = {8000,  11025, 16000, 22050,  32000,  44100,  48000,
                              64000, 88200, 96000, 128000, 176400, 192000, 384000};

// No sane device has more; a damaged file must not make us loop for ever.
constexpr int MaxOrderCount = 4096;

const QString General = QStringLiteral("General");

QString ChannelOrderFile() {
    const QString folder = SettingsFolderPath();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("tmvasio.ini");
}

// Driver names match with ASCII letters folded only.
QString AsciiLower(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return out;
}

QString DeviceSection(int i) {
    return QStringLiteral("Device") + QString::number(i);
}

QString OrderKey(int j) {
    return QStringLiteral("Order") + QString::number(j);
}

// The first Device<i> section whose name matches, or 0.
int FindDevice(const tamvik::IniFile& ini, const QString& name) {
    const int count = ini.ReadInteger(General, QStringLiteral("Count"), 0);
    const QString wanted = AsciiLower(name);
    for (int i = 1; i <= count; ++i)
        if (AsciiLower(ini.ReadString(DeviceSection(i), QStringLiteral("Name"), QString())) == wanted)
            return i;
    return 0;
}

} // namespace

void TfrmMain::ProbeSampleRates() {
    deviceFormats.clear();
    if (useMME) {
        const std::vector<int> rates(std::begin(ProbeRates), std::end(ProbeRates));
        for (int rate : PlayableRates(soundDeviceId, rates, 2, 16))
            deviceFormats[rate] = 2;
        return;
    }
    for (int rate : ProbeRates) {
        int inputs = 0;
        int outputs = 0;
        if (VANTREL_CanSample(rate) == 1 && VANTREL_GetNumberOfChannels(&inputs, &outputs) == 1)
            deviceFormats[rate] = outputs;
    }
    const QString folder = project.GetWorkFolder();
    if (folder.isEmpty())
        return;
    int rate = 0;
    const CStimuli* stimuli = project.GetStimuli();
    if (stimuli->GetCount() > 0 &&
        ProbeWaveFile(folder + (*stimuli)[0].fileName, nullptr, nullptr, &rate, nullptr)) {
        VANTREL_SetSample(VANTREL_CanSample(rate) == 1 ? rate : 44100);
    } else if (VANTREL_CanSample(44100) == 1) {
        VANTREL_SetSample(44100);
    }
}

int32_t TfrmMain::ListAsioDrivers(QStringList* list) {
    asioDriverIndexes.clear();
    if (list)
        list->clear();
    const int count = VANTREL_GetNumberOfAsioDrivers();
    for (int i = 0; i < count; ++i) {
        if (VANTREL_AsioDriverInitialize(i) != 1)
            continue;
        char name[256] = {};
        VANTREL_GetAsioDriverName(i, name, sizeof name);
        int inputs = 0;
        int outputs = 0;
        if (VANTREL_GetNumberOfChannels(&inputs, &outputs) != 1)
            continue;
        asioDriverIndexes.push_back(i);
        if (list)
            list->append(QString::fromLocal8Bit(name));
    }
    if (count > 1)
        VANTREL_AsioDriverInitialize(soundDeviceId);
    return static_cast<int32_t>(asioDriverIndexes.size());
}

void TfrmMain::FillDeviceList() {
    QComboBox* combo = frmOption->cboSndDevice;
    combo->clear();
    QStringList items;
    if (useMME) {
        // ALSA's "default" comes first: it is what a user who chose nothing hears, where the
        // first device of the list may well be the silent "null".
        waveOutDeviceIds.assign(1, -1);
        items.append(QStringLiteral("default"));
        const std::vector<WaveOutCaps> devices = ListWaveOutDevices();
        for (size_t i = 0; i < devices.size(); ++i) {
            if (devices[i].pcmName == QLatin1String("default")) {
                items.front() = devices[i].productName;
                continue;
            }
            waveOutDeviceIds.push_back(int32_t(i));
            items.append(devices[i].productName);
        }
        frmOption->lblSndDriver->setText(QStringLiteral("[ALSA]"));
    } else {
        if (ListAsioDrivers(&items) == 0)
            return;
        frmOption->lblSndDriver->setText(QStringLiteral("[ASIO]"));
    }
    combo->addItems(items);
    int selected = 0;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items.at(i).trimmed().compare(soundDeviceName.trimmed(), Qt::CaseInsensitive) == 0) {
            selected = int(i);
            break;
        }
    }
    combo->setCurrentIndex(items.isEmpty() ? -1 : selected);
    soundDeviceId = useMME ? waveOutDeviceIds[size_t(selected)] : asioDriverIndexes[size_t(selected)];
}

void TfrmMain::ApplyOutputDevice(int index) {
    QComboBox* combo = frmOption->cboSndDevice;
    if (index < 0 || index >= combo->count())
        return;
    soundDeviceName = combo->itemText(index);
    SaveAsioSetting(soundDeviceName);
    if (useMME) {
        if (size_t(index) < waveOutDeviceIds.size())
            soundDeviceId = waveOutDeviceIds[size_t(index)];
    } else if (size_t(index) < asioDriverIndexes.size()) {
        soundDeviceId = asioDriverIndexes[size_t(index)];
        LoadAsioChannelOrder(soundDeviceName);
        VANTREL_AsioDriverInitialize(soundDeviceId);
    }
    ProbeSampleRates();
    ShareOutputSelection();
    project.GetGeneral()->soundDevice = soundDeviceId;
    SetDeviceTextOfCard();
    // The driver was loaded anew: ready it again once the options are all applied.
    playback.ForgetWarmUp();
    QTimer::singleShot(0, this, &TfrmMain::WarmUpOutput);
}

void TfrmMain::WarmUpOutput() {
    // The output is chosen once the window is up: warm it up right after that.
    if (!outputPrepared) {
        connect(this, &TfrmMain::started, this, &TfrmMain::WarmUpOutput,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection | Qt::UniqueConnection));
        return;
    }
    if (useMME)
        return;
    ShareOutputSelection();
    // The rate ProbeSampleRates set the device to: the first stimulus's, else 44100, else
    // the device's only one.
    int rate = 0;
    const QString folder = project.GetWorkFolder();
    const CStimuli* stimuli = project.GetStimuli();
    int stimulusRate = 0;
    if (!folder.isEmpty() && stimuli->GetCount() > 0 &&
        ProbeWaveFile(folder + (*stimuli)[0].fileName, nullptr, nullptr, &stimulusRate, nullptr) &&
        deviceFormats.count(stimulusRate) != 0)
        rate = stimulusRate;
    else if (deviceFormats.count(44100) != 0)
        rate = 44100;
    else if (deviceFormats.size() == 1)
        rate = deviceFormats.begin()->first;
    if (rate > 0)
        playback.WarmUp(rate);
}

void TfrmMain::LoadAsioChannelOrder(const QString& name) {
    asioChannelOrder.clear();
    const QString path = ChannelOrderFile();
    if (path.isEmpty())
        return;
    tamvik::IniFile ini;
    ini.LoadFromFile(path);
    const int device = FindDevice(ini, name);
    if (device == 0)
        return;
    const QString section = DeviceSection(device);
    const int count = std::min(ini.ReadInteger(section, QStringLiteral("OrderCount"), -1), MaxOrderCount);
    for (int j = 1; j <= count; ++j) {
        const int channel = ini.ReadInteger(section, OrderKey(j), -1);
        if (channel >= 0)
            asioChannelOrder.push_back(channel);
    }
}

void TfrmMain::SaveAsioChannelOrder(const QString& name) {
    if (!CreateSettingsFolder())
        return;
    tamvik::IniFile ini(ChannelOrderFile());
    const int device = FindDevice(ini, name);
    const int n = static_cast<int>(asioChannelOrder.size());
    QString section;
    if (device == 0) {
        const int count = ini.ReadInteger(General, QStringLiteral("Count"), 0);
        section = DeviceSection(count + 1);
        ini.WriteString(section, QStringLiteral("Name"), name);
        ini.WriteInteger(section, QStringLiteral("OrderCount"), n);
        for (int j = 1; j <= n; ++j)
            ini.WriteInteger(section, OrderKey(j), asioChannelOrder[size_t(j - 1)]);
        ini.WriteInteger(General, QStringLiteral("Count"), count + 1);
    } else {
        section = DeviceSection(device);
        const int old = std::min(ini.ReadInteger(section, QStringLiteral("OrderCount"), -1), MaxOrderCount);
        for (int j = 1; j <= old; ++j)
            ini.DeleteKey(section, OrderKey(j));
        for (int j = 1; j <= n; ++j)
            ini.WriteInteger(section, OrderKey(j), asioChannelOrder[size_t(j - 1)]);
        ini.WriteInteger(section, QStringLiteral("OrderCount"), n);
    }
    ini.UpdateFile();
}

void TfrmMain::actASIOSettingExecute() {
    auto dialog = std::make_unique<TfrmASIOSetting>(this);
    char name[256] = {};
    int inputs = 0;
    int outputs = 0;
    if (VANTREL_AsioDriverInitialize(soundDeviceId) != 1 ||
        VANTREL_GetAsioDriverName(soundDeviceId, name, sizeof name) <= 0 ||
        VANTREL_GetNumberOfChannels(&inputs, &outputs) != 1)
        return;
    const QString driverName = QString::fromLocal8Bit(name);
    dialog->stxDeviceName->setText(driverName);

    std::vector<OutputChannelLabel> labels;
    for (int c = 0; c < outputs; ++c) {
        ChannelInformation info{};
        if (VANTREL_GetOutputChannelInformation(c, &info) == 1)
            labels.emplace_back(
                c, QString::number(c + 1) + QLatin1Char(':') +
                       QString::fromLocal8Bit(info.name, int(qstrnlen(info.name, sizeof info.name))));
    }
    dialog->channelLabels = &labels;
    dialog->FillOrder(asioChannelOrder);
    if (dialog->exec() != QDialog::Accepted)
        return;
    asioChannelOrder = dialog->Order();
    SaveAsioChannelOrder(driverName);
    ShareOutputSelection();
}

void TfrmMain::ShareOutputSelection() {
    output.mono2Stereo = mono2Stereo;
    if (frmCard)
        frmCard->output = output;
    playback.output = output;
    playback.sound = sound.get();
    playback.waveRead = waveRead.get();
}
