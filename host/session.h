// One run of the host: the library loaded, its type given the host's settings handle and connected to
// the host's site, the plug-in cache loaded from beside the settings.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "module_client.h"
#include "patch_listener.h"
#include "plugin_cache.h"
#include "qmvsti/soft_synth.h"
#include "settings_record.h"
#include "site.h"

namespace qm::host {

// What an instance says about itself (IQmSoftSynth::GetInfo and its patch device).
struct InstrumentFacts {
    std::string name, product, vendor, path;
    LONG uniqueId = 0;
    LONG vendorVersion = 0;
    DWORD outputs = 0;     // extra output buses
    std::vector<std::string> buses;  // their names
    long programs = -1;    // -1: the library offers no patch device
    long parameters = -1;
};

class HostSession {
public:
    explicit HostSession(bool verbose);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    HostPluginCache& Cache() noexcept { return *cache_; }
    const std::string& CachePath() const noexcept { return cachePath_; }
    // Reads the cache file (settings folder unless `cachePath` is given).
    bool LoadCache(std::string* error, const std::string& cachePath = {});
    bool SaveCache(std::string* error) const { return cache_->Save(cachePath_, error); }
    // Loads the library, creates its type, hands it the settings handle and connects it.
    bool Connect(const std::string& libraryPath, std::string* error);
    IQmSoftSynthType* Type() noexcept { return type_; }

    // Creates an instance of cache entry `index` and reads what it says about itself; false with
    // a reason when the plug-in cannot be loaded.
    bool TestLoad(size_t index, InstrumentFacts* facts, std::string* error);
    // Creates an instance of cache entry `index` (one reference for the caller); null with a reason
    // when the plug-in cannot be loaded.
    IQmSoftSynth* CreateInstance(size_t index, std::string* error);
    // What the patch devices of the instances created so far have told the host.
    const HostPatchListener& PatchEvents() const noexcept { return patchListener_; }

private:
    HostProgress progress_;
    HostPluginCache* cache_;
    HostSite site_;
    HostSettingsRecord settings_;
    SiteState siteState_;
    DriverModule module_;
    IQmSoftSynthType* type_ = nullptr;
    std::string cachePath_;
    HostPatchListener patchListener_;  // the instances are released before the session ends
};

// Writes the facts back into a cache entry (names, vendor, ids).
void StoreFacts(const InstrumentFacts& facts, PlugInManagerEntry* entry) noexcept;

}  // namespace qm::host
