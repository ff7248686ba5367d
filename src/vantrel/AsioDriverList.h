#pragma once

#include "VantrelDriver.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {

// Result codes of the driver list.
enum DriverListResult : int32_t {
    kListOk = 0,
    kListNullArgument = -5001,
    kListAlreadyCreated = -5002,
    kListNoEntry = -5003,
    kListPluginNotLoadable = -5004, // dlopen or the factory symbol failed
    kListAbiMismatch = -5005,       // the plug-in was built for another driver interface
    kListCreateFailed = -5006,      // the factory made no driver (or threw)
};

// One installed driver: a section of the driver registry file whose plug-in exists.
struct AsioDriverEntry {
    int32_t index = 0;
    std::string clsid;
    std::string serverPath;
    char name[128] = {};
    Driver* driver = nullptr;
    void (*destroy)(Driver*) = nullptr; // the plug-in's own delete of driver
    void* library = nullptr;            // dlopen handle while driver is created
    std::vector<std::pair<std::string, std::string>> options;
};

// What ASIOInit reports about the loaded driver.
struct AsioDriverInfo {
    int32_t driverVersion = 0;
    char name[32] = {};
    char errorMessage[124] = {};
    void* systemReference = nullptr;
};

// The drivers of the registry file, in file order; entries without a clsid or whose
// plug-in file is missing are left out, so later entries take their indexes. Creates
// at most one driver object per entry. Not thread-safe: the session serialises use.
class AsioDriverList {
public:
    // Reads DriverRegistryFile::DefaultPath().
    AsioDriverList();
    explicit AsioDriverList(const std::string& registryPath);
    AsioDriverList(const AsioDriverList&) = delete;
    AsioDriverList& operator=(const AsioDriverList&) = delete;
    ~AsioDriverList();

    int32_t GetCount() const { return static_cast<int32_t>(entries.size()); }
    // A name that does not fit `size` is cut to size - 4 characters followed by "...".
    int32_t GetDriverName(int index, char* buffer, int size) const;
    // Fills buffers[i] (32 bytes each) for i < min(count, max); returns that number.
    int32_t GetDriverNames(char** buffers, int max) const;
    bool GetCurrentDriverName(char* buffer) const;
    int32_t OpenDriver(int index, Driver** out);
    int32_t CloseDriver(int index);
    int32_t RemoveCurrentDriver();
    // Loads the first entry of that name, releasing the current driver; when that
    // fails the previous driver is loaded again (the result stays false).
    bool LoadDriver(const char* name);
    int32_t GetCurrentIndex() const { return currentIndex; }

private:
    void ReadRegistry(const std::string& path);

    std::vector<AsioDriverEntry> entries;
    int32_t currentIndex = -1;
};

// The process-wide list (made on first use) and the loaded driver of the call layer.
bool LoadAsioDriver(const char* name);
void DestroyAsioDriverList();
bool IsAsioDriverLoaded();
// The loaded driver, for the audio thread's outputReady(); null when none.
Driver* LoadedAsioDriver();

// Call layer over the loaded driver: kDriverNotPresent (-1000) without one, otherwise
// the driver's result. Without a driver the calls that fill results clear them first.
int32_t ASIOInit(AsioDriverInfo* info);
int32_t ASIOExit();
int32_t ASIOStart();
int32_t ASIOStop();
int32_t ASIOGetChannels(int* inputs, int* outputs);
int32_t ASIOGetLatencies(int* input, int* output);
int32_t ASIOGetBufferSize(int* minSize, int* maxSize, int* preferred, int* granularity);
int32_t ASIOCanSampleRate(double rate);
int32_t ASIOGetSampleRate(double* rate);
int32_t ASIOSetSampleRate(double rate);
int32_t ASIOGetClockSources(ClockSource* sources, int* count);
int32_t ASIOGetChannelInfo(ChannelInfo* info);
int32_t ASIOCreateBuffers(BufferInfo* infos, int count, int bufferSize, const Callbacks* callbacks);
int32_t ASIODisposeBuffers();
int32_t ASIOFuture(int selector, void* argument);
int32_t ASIOOutputReady();

} // namespace vantrel
