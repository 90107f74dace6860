#include "plugin_cache.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "text.h"

namespace qm::host {

namespace {

constexpr IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr char kMagic[4] = {'Q', 'M', 'H', 'C'};
constexpr DWORD kEntrySize = sizeof(PlugInManagerEntry);
// A damaged count must not make the loader allocate gigabytes.
constexpr DWORD kMaxEntries = 100000;

void PutWord(std::string* out, DWORD value) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

DWORD GetWord(const char* bytes) noexcept {
    DWORD value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<DWORD>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

GUID NewGuid() {
    static std::mt19937_64 generator{std::random_device{}()};
    GUID id;
    const uint64_t a = generator(), b = generator();
    std::memcpy(&id, &a, 8);
    std::memcpy(reinterpret_cast<BYTE*>(&id) + 8, &b, 8);
    id.Data3 = static_cast<uint16_t>((id.Data3 & 0x0FFF) | 0x4000);  // version 4, variant 1: a random id
    id.Data4[0] = static_cast<uint8_t>((id.Data4[0] & 0x3F) | 0x80);
    return id;
}

bool SameTextNoCase(const std::string& a, const std::string& b) noexcept {
    if (a.size() != b.size() || a.empty()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

HostPluginCache* HostPluginCache::Create() { return new HostPluginCache(); }

HostPluginCache::~HostPluginCache() {
    for (IPluginManagerCacheSink* sink : sinks_) sink->Release();
}

HRESULT HostPluginCache::QueryInterface(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(iid, kIidUnknown) && !IsEqualGUID(iid, IID_PlugInManagerCache)) return E_NOINTERFACE;
    *out = static_cast<PlugInManagerCache*>(this);
    AddRef();
    return S_OK;
}

ULONG HostPluginCache::AddRef() noexcept { return ++refs_; }

ULONG HostPluginCache::Release() noexcept {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT HostPluginCache::Prepare(DWORD) noexcept { return S_OK; }

HRESULT HostPluginCache::GetEntry(DWORD index, PlugInManagerEntry* entry) noexcept {
    if (entry == nullptr) return E_POINTER;
    // The enumeration leaves out what the user disabled.
    for (const Slot& slot : entries_) {
        if (HostMarks(slot.entry) & HostEntryMark::UserDisabled) continue;
        if (index-- == 0) {
            *entry = slot.entry;
            return S_OK;
        }
    }
    return S_FALSE;
}

long HostPluginCache::IndexOf(const GUID& id) const noexcept {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (IsEqualGUID(entries_[i].entry.managerId, id)) return static_cast<long>(i);
    return -1;
}

HRESULT HostPluginCache::FindEntry(REFGUID id, PlugInManagerEntry* entry) noexcept {
    if (entry == nullptr) return E_POINTER;
    const long index = IndexOf(id);
    if (index < 0) return S_FALSE;
    *entry = entries_[static_cast<size_t>(index)].entry;
    return S_OK;
}

HRESULT HostPluginCache::SetEntryInUse(const GUID* id, DWORD inUse) noexcept {
    if (id == nullptr) return E_POINTER;
    const long index = IndexOf(*id);
    if (index < 0) return S_FALSE;
    entries_[static_cast<size_t>(index)].inUse = inUse != 0;
    return S_OK;
}

// The library asks before it marks an entry unused: only entries this cache holds qualify.
HRESULT HostPluginCache::CheckEntry(const PlugInManagerEntry* entry) noexcept {
    if (entry == nullptr) return E_POINTER;
    return IndexOf(entry->managerId) >= 0 ? S_OK : S_FALSE;
}

HRESULT HostPluginCache::RegisterSink(IPluginManagerCacheSink* sink) noexcept {
    if (sink == nullptr) return E_POINTER;
    try {
        sinks_.push_back(sink);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    sink->AddRef();
    return S_OK;
}

HRESULT HostPluginCache::UnregisterSink(IPluginManagerCacheSink* sink) noexcept {
    for (size_t i = 0; i < sinks_.size(); ++i) {
        if (sinks_[i] == sink) {
            sinks_.erase(sinks_.begin() + static_cast<long>(i));
            sink->Release();
            return S_OK;
        }
    }
    return S_FALSE;
}

size_t HostPluginCache::AddPath(const std::string& utf8Path) {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (ToUtf8(entries_[i].entry.path) == utf8Path) return i;
    Slot slot;
    std::memset(&slot.entry, 0, sizeof(slot.entry));
    slot.inUse = false;
    slot.entry.managerId = NewGuid();
    slot.entry.enabled = 1;
    slot.entry.isInstrument = 1;
    // The library refuses entries without this bit; the host cannot know before a test load.
    slot.entry.hasEditor = 1;
    CopyToField(slot.entry.path, 260, utf8Path);
    entries_.push_back(slot);
    return entries_.size() - 1;
}

void HostPluginCache::Remove(size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<long>(index));
}

long HostPluginCache::Find(const std::string& utf8Text) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        const PlugInManagerEntry& e = entries_[i].entry;
        if (ToUtf8(e.path) == utf8Text || SameTextNoCase(ToUtf8(e.firstName), utf8Text) ||
            SameTextNoCase(ToUtf8(e.secondName), utf8Text))
            return static_cast<long>(i);
    }
    return -1;
}

bool HostPluginCache::Save(const std::string& utf8Path, std::string* error) const {
    std::string bytes(kMagic, sizeof(kMagic));
    PutWord(&bytes, kCacheFileVersion);
    PutWord(&bytes, kEntrySize);
    PutWord(&bytes, static_cast<DWORD>(entries_.size()));
    for (const Slot& slot : entries_) bytes.append(reinterpret_cast<const char*>(&slot.entry), kEntrySize);

    const std::filesystem::path path = std::filesystem::u8path(utf8Path);
    std::error_code ignored;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file.is_open()) file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.is_open() || !file.flush()) {
        if (error != nullptr) *error = "cannot write the plug-in cache " + utf8Path;
        return false;
    }
    return true;
}

bool HostPluginCache::Load(const std::string& utf8Path, std::string* error) {
    const std::filesystem::path path = std::filesystem::u8path(utf8Path);
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) {
        entries_.clear();
        return true;
    }
    std::ifstream file(path, std::ios::binary);
    char header[16];
    const auto fail = [&](const std::string& why) {
        if (error != nullptr) *error = "plug-in cache " + utf8Path + ": " + why;
        return false;
    };
    if (!file.is_open()) return fail("cannot be read");
    if (!file.read(header, sizeof(header)) || std::memcmp(header, kMagic, 4) != 0) return fail("not a cache file");
    if (GetWord(header + 4) != kCacheFileVersion) return fail("unsupported version");
    if (GetWord(header + 8) != kEntrySize) return fail("unexpected entry size");
    const DWORD count = GetWord(header + 12);
    if (count > kMaxEntries) return fail("damaged entry count");
    std::vector<Slot> loaded(count);
    for (Slot& slot : loaded) {
        if (!file.read(reinterpret_cast<char*>(&slot.entry), kEntrySize)) return fail("truncated");
        slot.inUse = false;
    }
    if (file.peek() != std::char_traits<char>::eof()) return fail("trailing bytes");
    entries_ = std::move(loaded);
    return true;
}

}  // namespace qm::host
