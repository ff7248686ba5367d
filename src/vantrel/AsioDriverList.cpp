#include "AsioDriverList.h"

#include "DriverRegistryFile.h"

#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>

namespace vantrel {

namespace {

bool IsFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void CopyText(char* destination, size_t size, const char* text) {
    std::strncpy(destination, text, size - 1);
    destination[size - 1] = '\0';
}

AsioDriverList* g_list = nullptr;
Driver* g_driver = nullptr;

} // namespace

AsioDriverList::AsioDriverList() {
    ReadRegistry(DriverRegistryFile::DefaultPath());
}

AsioDriverList::AsioDriverList(const std::string& registryPath) {
    ReadRegistry(registryPath);
}

AsioDriverList::~AsioDriverList() {
    for (auto& entry : entries)
        CloseDriver(entry.index);
}

void AsioDriverList::ReadRegistry(const std::string& path) {
    currentIndex = -1;
    DriverRegistryFile file;
    if (!file.Load(path))
        return;
    for (const auto& section : file.Sections()) {
        const std::string* clsid = section.Find("clsid");
        const std::string* plugin = section.Find("path");
        if (clsid == nullptr || plugin == nullptr || plugin->empty())
            continue;
        std::string serverPath = (*plugin)[0] == '/' ? *plugin : file.Folder() + *plugin;
        if (!IsFile(serverPath))
            continue;
        AsioDriverEntry entry;
        entry.index = GetCount();
        entry.clsid = *clsid;
        entry.serverPath = std::move(serverPath);
        const std::string* description = section.Find("description");
        CopyText(entry.name, sizeof entry.name, description ? description->c_str() : section.name.c_str());
        entry.options = section.values;
        entries.push_back(std::move(entry));
    }
}

int32_t AsioDriverList::GetDriverName(int index, char* buffer, int size) const {
    if (buffer == nullptr || size <= 0)
        return kListNullArgument;
    if (index < 0 || index >= GetCount())
        return kListNoEntry;
    const char* name = entries[size_t(index)].name;
    const size_t length = std::strlen(name);
    if (length < size_t(size)) {
        std::memcpy(buffer, name, length + 1);
    } else if (size >= 4) {
        std::memcpy(buffer, name, size_t(size) - 4);
        std::memcpy(buffer + size - 4, "...", 4);
    } else {
        std::memcpy(buffer, name, size_t(size) - 1);
        buffer[size - 1] = '\0';
    }
    return kListOk;
}

int32_t AsioDriverList::GetDriverNames(char** buffers, int max) const {
    const int n = std::min(GetCount(), max);
    for (int i = 0; i < n; ++i)
        GetDriverName(i, buffers[i], 32);
    return n < 0 ? 0 : n;
}

bool AsioDriverList::GetCurrentDriverName(char* buffer) const {
    if (buffer == nullptr)
        return false;
    buffer[0] = '\0';
    if (currentIndex < 0)
        return false;
    return GetDriverName(currentIndex, buffer, 32) == kListOk;
}

int32_t AsioDriverList::OpenDriver(int index, Driver** out) {
    if (out == nullptr)
        return kListNullArgument;
    if (index < 0 || index >= GetCount())
        return kListNoEntry;
    AsioDriverEntry& entry = entries[size_t(index)];
    if (entry.driver != nullptr)
        return kListAlreadyCreated;
    // Plug-ins stay mapped once loaded: audio libraries they use keep threads and
    // exit handlers that must not lose their code.
    void* library = ::dlopen(entry.serverPath.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (library == nullptr)
        return kListPluginNotLoadable;
    using FactoryFunction = const DriverFactory* (*)();
    auto factoryFunction = reinterpret_cast<FactoryFunction>(::dlsym(library, VANTREL_DRIVER_FACTORY_SYMBOL));
    const DriverFactory* factory = factoryFunction ? factoryFunction() : nullptr;
    if (factory == nullptr || factory->create == nullptr || factory->destroy == nullptr) {
        ::dlclose(library);
        return kListPluginNotLoadable;
    }
    if (factory->abiVersion != kDriverAbiVersion) {
        ::dlclose(library);
        return kListAbiMismatch;
    }
    std::vector<DriverOption> options;
    for (const auto& [key, value] : entry.options)
        options.push_back({key.c_str(), value.c_str()});
    Driver* driver = nullptr;
    try {
        driver = factory->create(entry.clsid.c_str(), options.data(), static_cast<int>(options.size()));
    } catch (...) {
        driver = nullptr;
    }
    if (driver == nullptr) {
        ::dlclose(library);
        return kListCreateFailed;
    }
    entry.driver = driver;
    entry.destroy = factory->destroy;
    entry.library = library;
    *out = driver;
    return kListOk;
}

int32_t AsioDriverList::CloseDriver(int index) {
    if (index < 0 || index >= GetCount())
        return kListOk;
    AsioDriverEntry& entry = entries[size_t(index)];
    if (entry.driver != nullptr) {
        if (g_driver == entry.driver)
            g_driver = nullptr;
        // Deleted by the plug-in that made it: its own allocator and destructor.
        try {
            entry.destroy(entry.driver);
        } catch (...) {
        }
        entry.driver = nullptr;
        entry.destroy = nullptr;
    }
    if (entry.library != nullptr) {
        ::dlclose(entry.library);
        entry.library = nullptr;
    }
    return kListOk;
}

int32_t AsioDriverList::RemoveCurrentDriver() {
    if (currentIndex != -1)
        CloseDriver(currentIndex);
    currentIndex = -1;
    return kListOk;
}

bool AsioDriverList::LoadDriver(const char* name) {
    if (name == nullptr)
        return false;
    for (const auto& entry : entries) {
        char entryName[32];
        GetDriverName(entry.index, entryName, sizeof entryName);
        if (std::strcmp(entryName, name) != 0)
            continue;
        char previous[32];
        const bool hadPrevious = GetCurrentDriverName(previous);
        RemoveCurrentDriver();
        g_driver = nullptr;
        Driver* driver = nullptr;
        if (OpenDriver(entry.index, &driver) == kListOk) {
            g_driver = driver;
            currentIndex = entry.index;
            return true;
        }
        if (hadPrevious && std::strcmp(previous, name) != 0)
            LoadDriver(previous);
        return false;
    }
    return false;
}

bool LoadAsioDriver(const char* name) {
    if (g_list == nullptr)
        g_list = new (std::nothrow) AsioDriverList();
    if (g_list == nullptr)
        return false;
    return g_list->LoadDriver(name);
}

void DestroyAsioDriverList() {
    delete g_list;
    g_list = nullptr;
    g_driver = nullptr;
}

bool IsAsioDriverLoaded() {
    return g_driver != nullptr;
}

Driver* LoadedAsioDriver() {
    return g_driver;
}

// The loaded driver has this channel: the call layer checks it once for every driver.
bool IsDriverChannel(bool isInput, int channel) {
    int inputs = 0, outputs = 0;
    if (g_driver->getChannels(&inputs, &outputs) != kDriverOk)
        return false;
    return channel >= 0 && channel < (isInput ? inputs : outputs);
}

int32_t ASIOInit(AsioDriverInfo* info) {
    if (info != nullptr) {
        info->driverVersion = 0;
        CopyText(info->name, sizeof info->name, "No ASIO Driver");
    }
    if (g_driver == nullptr)
        return kDriverNotPresent;
    if (!g_driver->init(info ? info->systemReference : nullptr)) {
        if (info != nullptr)
            g_driver->getErrorMessage(info->errorMessage);
        // The object stays in its entry; only the call layer forgets it.
        g_driver = nullptr;
        return kDriverNotPresent;
    }
    if (info != nullptr) {
        CopyText(info->errorMessage, sizeof info->errorMessage, "No ASIO Driver Error");
        g_driver->getDriverName(info->name);
        info->name[sizeof info->name - 1] = '\0';
        info->driverVersion = g_driver->getDriverVersion();
    }
    return kDriverOk;
}

int32_t ASIOExit() {
    if (g_driver != nullptr && g_list != nullptr)
        g_list->RemoveCurrentDriver();
    g_driver = nullptr;
    return kDriverOk;
}

int32_t ASIOStart() {
    return g_driver ? g_driver->start() : kDriverNotPresent;
}

int32_t ASIOStop() {
    return g_driver ? g_driver->stop() : kDriverNotPresent;
}

int32_t ASIOGetChannels(int* inputs, int* outputs) {
    if (g_driver == nullptr) {
        if (inputs)
            *inputs = 0;
        if (outputs)
            *outputs = 0;
        return kDriverNotPresent;
    }
    if (inputs == nullptr || outputs == nullptr)
        return kDriverInvalidParameter;
    return g_driver->getChannels(inputs, outputs);
}

int32_t ASIOGetLatencies(int* input, int* output) {
    if (g_driver == nullptr) {
        if (input)
            *input = 0;
        if (output)
            *output = 0;
        return kDriverNotPresent;
    }
    if (input == nullptr || output == nullptr)
        return kDriverInvalidParameter;
    return g_driver->getLatencies(input, output);
}

int32_t ASIOGetBufferSize(int* minSize, int* maxSize, int* preferred, int* granularity) {
    if (g_driver == nullptr) {
        for (int* p : {minSize, maxSize, preferred, granularity})
            if (p)
                *p = 0;
        return kDriverNotPresent;
    }
    if (minSize == nullptr || maxSize == nullptr || preferred == nullptr || granularity == nullptr)
        return kDriverInvalidParameter;
    return g_driver->getBufferSize(minSize, maxSize, preferred, granularity);
}

int32_t ASIOCanSampleRate(double rate) {
    return g_driver ? g_driver->canSampleRate(rate) : kDriverNotPresent;
}

int32_t ASIOGetSampleRate(double* rate) {
    if (g_driver == nullptr)
        return kDriverNotPresent;
    return rate != nullptr ? g_driver->getSampleRate(rate) : kDriverInvalidParameter;
}

int32_t ASIOSetSampleRate(double rate) {
    return g_driver ? g_driver->setSampleRate(rate) : kDriverNotPresent;
}

int32_t ASIOGetClockSources(ClockSource* sources, int* count) {
    if (g_driver == nullptr) {
        if (count)
            *count = 0;
        return kDriverNotPresent;
    }
    if (count == nullptr || *count < 0 || (sources == nullptr && *count > 0))
        return kDriverInvalidParameter;
    return g_driver->getClockSources(sources, count);
}

int32_t ASIOGetChannelInfo(ChannelInfo* info) {
    if (g_driver == nullptr) {
        if (info) {
            info->channelGroup = -1;
            info->type = 0;
            CopyText(info->name, sizeof info->name, "None");
        }
        return kDriverNotPresent;
    }
    if (info == nullptr || !IsDriverChannel(info->isInput != 0, info->channel))
        return kDriverInvalidParameter;
    return g_driver->getChannelInfo(info);
}

int32_t ASIOCreateBuffers(BufferInfo* infos, int count, int bufferSize, const Callbacks* callbacks) {
    if (g_driver == nullptr) {
        for (int i = 0; infos != nullptr && i < count; ++i)
            infos[i].buffers[0] = infos[i].buffers[1] = nullptr;
        return kDriverNotPresent;
    }
    if (infos == nullptr || callbacks == nullptr || callbacks->bufferSwitch == nullptr || count <= 0 ||
        bufferSize <= 0)
        return kDriverInvalidParameter;
    for (int i = 0; i < count; ++i)
        if (!IsDriverChannel(infos[i].isInput != 0, infos[i].channelNum))
            return kDriverInvalidParameter;
    return g_driver->createBuffers(infos, count, bufferSize, callbacks);
}

int32_t ASIODisposeBuffers() {
    return g_driver ? g_driver->disposeBuffers() : kDriverNotPresent;
}

int32_t ASIOFuture(int selector, void* argument) {
    return g_driver ? g_driver->future(selector, argument) : kDriverNotPresent;
}

int32_t ASIOOutputReady() {
    return g_driver ? g_driver->outputReady() : kDriverNotPresent;
}

} // namespace vantrel
