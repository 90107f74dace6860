#include "session.h"

#include <cstdio>
#include <cstring>

#include "host_os.h"
#include "qmvsti/midi_device.h"
#include "text.h"
#include "type_settings.h"

namespace qm::host {

namespace {

std::string TakeText(LPWSTR text) {
    std::string out = text != nullptr ? ToUtf8(text) : std::string();
    if (text != nullptr) CoTaskMemFree(text);
    return out;
}

std::string BusName(IQmSoftSynth* instance, LONG index) {
    IQmSoftSynth* bus = nullptr;
    if (instance->GetBus(index, &bus) != S_OK || bus == nullptr) return std::string();
    WCHAR name[260] = {};
    bus->GetName(name, 260);
    bus->Release();
    return ToUtf8(name);
}

constexpr DWORD kAllStrings = SoftSynthInfoMask::Path | SoftSynthInfoMask::Name | SoftSynthInfoMask::Product |
                              SoftSynthInfoMask::Vendor;

}  // namespace

HostSession::HostSession(bool verbose)
    : progress_(verbose), cache_(HostPluginCache::Create()), site_(cache_, &progress_) {
    InitSettingsRecord(&settings_);
}

HostSession::~HostSession() {
    // The type goes before the module that holds its code.
    if (type_ != nullptr) type_->Release();
    cache_->Release();
}

bool HostSession::LoadCache(std::string* error, const std::string& cachePath) {
    cachePath_ = cachePath;
    if (cachePath_.empty()) {
        const std::string folder = OsSettingsFolder();
        if (folder.empty()) {
            if (error != nullptr) *error = "no settings folder (set HOME or XDG_CONFIG_HOME, or APPDATA)";
            return false;
        }
        cachePath_ = folder + OsPathSeparator() + "plugins.cache";
    }
    return cache_->Load(cachePath_, error);
}

bool HostSession::Connect(const std::string& libraryPath, std::string* error) {
    if (!module_.Load(libraryPath, error)) return false;
    type_ = module_.CreateType(error);
    if (type_ == nullptr) return false;
    ApplyHostDefaults(module_, &settings_);
    // A settings failure leaves the type on its defaults; the host carries on as a real one would.
    type_->SetSettingsKey(&settings_, 0, 0);
    type_->ConnectHost(&site_);
    return true;
}

IQmSoftSynth* HostSession::CreateInstance(size_t index, std::string* error) {
    if (type_ == nullptr || index >= cache_->Count()) {
        if (error != nullptr) *error = "no such plug-in";
        return nullptr;
    }
    const PlugInManagerEntry& entry = cache_->At(index);
    SoftSynthTypeInfo descriptor;
    std::memset(&descriptor, 0, sizeof(descriptor));
    descriptor.managerId = entry.managerId;
    IQmSoftSynth* instance = nullptr;
    const HRESULT created = type_->CreateSynth(&descriptor, &instance);
    if (created != S_OK || instance == nullptr) {
        if (instance != nullptr) instance->Release();
        if (error != nullptr) {
            char code[16];
            std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(created));
            *error = ToUtf8(entry.path) + ": the plug-in failed to load (" + code + ")";
        }
        return nullptr;
    }
    patchListener_.Attach(instance);
    return instance;
}

bool HostSession::TestLoad(size_t index, InstrumentFacts* facts, std::string* error) {
    IQmSoftSynth* instance = CreateInstance(index, error);
    if (instance == nullptr) return false;
    const std::string path = ToUtf8(cache_->At(index).path);
    SoftSynthTypeInfo info;
    std::memset(&info, 0, sizeof(info));
    info.mask = kAllStrings;
    const HRESULT described = instance->GetInfo(&info);
    facts->path = TakeText(info.path);
    facts->name = TakeText(info.name);
    facts->product = TakeText(info.product);
    facts->vendor = TakeText(info.vendor);
    facts->uniqueId = info.uniqueId;
    facts->vendorVersion = info.vendorVersion;
    facts->outputs = info.busCount;
    for (LONG bus = 0; bus < static_cast<LONG>(info.busCount); ++bus) facts->buses.push_back(BusName(instance, bus));
    if (facts->path.empty()) facts->path = path;

    IMIDIDevice* device = nullptr;
    if (instance->GetPatchDevice(&device) == S_OK && device != nullptr) {
        facts->programs = device->GetProgramCount(0);
        facts->parameters = device->GetParameterCount();
        device->Release();
    }
    instance->Release();
    if (FAILED(described)) {
        if (error != nullptr) *error = path + ": the instance could not describe itself";
        return false;
    }
    return true;
}

void StoreFacts(const InstrumentFacts& facts, PlugInManagerEntry* entry) noexcept {
    CopyToField(entry->firstName, 260, facts.name);
    CopyToField(entry->secondName, 260, facts.name);
    CopyToField(entry->product, 260, facts.product);
    CopyToField(entry->vendor, 260, facts.vendor);
    entry->uniqueId = facts.uniqueId;
    entry->vendorVersion = facts.vendorVersion;
}

}  // namespace qm::host
