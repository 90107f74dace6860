// Test doubles of the host's side of the soft-synth type: a plug-in manager cache with scripted
// entries, a progress object and a site that hands both out, and an instance maker that records
// what the type asks of it.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "discovery/plugin_record.h"
#include "discovery/synth_type.h"
#include "framework/kernel.h"
#include "framework/lang.h"
#include "qmvsti/guids.h"
#include "qmvsti/soft_synth.h"
#include "support/test_plugin.h"

namespace qm::test {

using WString = std::basic_string<WCHAR>;

inline WString W(const char* ascii) {
    WString s;
    for (; *ascii != 0; ++ascii) s.push_back(static_cast<WCHAR>(*ascii));
    return s;
}
inline std::string A(const WCHAR* text) {
    std::string s;
    for (; text != nullptr && *text != 0; ++text) s.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return s;
}

template <size_t N>
void Put(WCHAR (&field)[N], const char* ascii) {
    WideCopy(field, N, W(ascii).c_str());
}

inline GUID MakeGuid(uint32_t n) { return GUID{n, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}}; }

// A usable cache entry: enabled, has an editor, an instrument.
inline PlugInManagerEntry Entry(const char* path, const char* name, const char* vendor, LONG uniqueId, uint32_t id) {
    PlugInManagerEntry e{};
    e.managerId = MakeGuid(id);
    e.enabled = 1;
    e.hasEditor = 1;
    e.isInstrument = 1;
    e.uniqueId = uniqueId;
    e.vendorVersion = 100 + uniqueId;
    Put(e.path, path);
    Put(e.firstName, name);
    Put(e.secondName, name);
    Put(e.product, (std::string(name) + " Pro").c_str());
    Put(e.vendor, vendor);
    return e;
}

inline VstiPluginRecord Record(const char* path, const char* name, const char* vendor, LONG uniqueId, DWORD flags) {
    VstiPluginRecord r{};
    Put(r.path, path);
    Put(r.name, name);
    Put(r.product, name);
    Put(r.vendor, vendor);
    r.uniqueId = uniqueId;
    r.vendorVersion = 7;
    r.flags = flags;
    return r;
}

// A record for one of our test instruments, as a scan would list it before loading it.
inline VstiPluginRecord TestPluginRecord(const char* plugin, DWORD flags) {
    VstiPluginRecord r{};
    WideCopy(r.path, kPluginPathChars, TestPluginPath(plugin).c_str());
    r.flags = flags;
    return r;
}

class TestProgress final : public IHostProgress {
public:
    HRESULT QM_COMCALL QueryInterface(REFIID, void** ppv) noexcept override { *ppv = nullptr; return E_NOINTERFACE; }
    ULONG QM_COMCALL AddRef() noexcept override { return ++refs; }
    ULONG QM_COMCALL Release() noexcept override { return --refs; }
    HRESULT QM_COMCALL Reserved3() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL SetText(LPCWSTR text) noexcept override {
        texts.push_back(A(text));
        return S_OK;
    }
    std::atomic<ULONG> refs{1};
    std::vector<std::string> texts;
};

class TestCache final : public PlugInManagerCache {
public:
    HRESULT QM_COMCALL QueryInterface(REFIID, void** ppv) noexcept override { *ppv = nullptr; return E_NOINTERFACE; }
    ULONG QM_COMCALL AddRef() noexcept override { return ++refs; }
    ULONG QM_COMCALL Release() noexcept override { return --refs; }
    HRESULT QM_COMCALL Reserved3() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved4() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved5() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Prepare(DWORD what) noexcept override {
        prepared.push_back(what);
        return S_OK;
    }
    HRESULT QM_COMCALL GetEntry(DWORD index, PlugInManagerEntry* entry) noexcept override {
        if (index >= entries.size()) return S_FALSE;
        *entry = entries[index];
        return S_OK;
    }
    HRESULT QM_COMCALL Reserved8() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved9() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved10() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved11() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL FindEntry(REFGUID id, PlugInManagerEntry* entry) noexcept override {
        ++finds;
        for (const auto& e : entries) {
            if (IsEqualGUID(e.managerId, id)) {
                *entry = e;
                return S_OK;
            }
        }
        return S_FALSE;
    }
    HRESULT QM_COMCALL SetEntryInUse(const GUID* id, DWORD inUse) noexcept override {
        inUseCalls.emplace_back(id->Data1, inUse);
        return S_OK;
    }
    HRESULT QM_COMCALL CheckEntry(const PlugInManagerEntry* entry) noexcept override {
        return entry->managerId.Data1 == uncheckedId ? S_OK : S_FALSE;
    }
    HRESULT QM_COMCALL Reserved15() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved16() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved17() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved18() noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL RegisterSink(IPluginManagerCacheSink* s) noexcept override {
        if (refuseSink) return E_FAIL;
        sink = s;
        sink->AddRef();
        ++registrations;
        return S_OK;
    }
    HRESULT QM_COMCALL UnregisterSink(IPluginManagerCacheSink* s) noexcept override {
        EXPECT_EQ(s, sink);
        if (sink != nullptr) sink->Release();
        sink = nullptr;
        ++unregistrations;
        return S_OK;
    }

    std::atomic<ULONG> refs{1};
    std::vector<PlugInManagerEntry> entries;
    std::vector<DWORD> prepared;
    std::vector<std::pair<uint32_t, DWORD>> inUseCalls;  // (id's Data1, in use)
    uint32_t uncheckedId = 0;                             // CheckEntry answers 0 for this id
    int finds = 0;
    bool refuseSink = false;
    IPluginManagerCacheSink* sink = nullptr;
    int registrations = 0;
    int unregistrations = 0;
};

class TestSite final : public IUnknown {
public:
    TestSite(TestCache* c, TestProgress* p) : cache(c), progress(p) {}
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override {
        *ppv = nullptr;
        if (cache != nullptr && IsEqualGUID(riid, IID_PlugInManagerCache)) *ppv = static_cast<PlugInManagerCache*>(cache);
        if (progress != nullptr && IsEqualGUID(riid, IID_IHostProgress)) *ppv = static_cast<IHostProgress*>(progress);
        if (*ppv == nullptr) return E_NOINTERFACE;
        static_cast<IUnknown*>(*ppv)->AddRef();
        return S_OK;
    }
    ULONG QM_COMCALL AddRef() noexcept override { return 1; }
    ULONG QM_COMCALL Release() noexcept override { return 1; }
    TestCache* cache;
    TestProgress* progress;
};

// An instance that answers IQmSoftSynth with itself (the tests only count references through it);
// the scan's tests give it a name and count its destruction.
class FakeSynth final : public IUnknown {
public:
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override {
        *ppv = nullptr;
        if (refuseSoftSynth || !IsEqualGUID(riid, IID_IQmSoftSynth)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG QM_COMCALL AddRef() noexcept override { return ++refs; }
    ULONG QM_COMCALL Release() noexcept override {
        const ULONG n = --refs;
        if (n == 0) {
            if (released != nullptr) ++*released;
            delete this;
        }
        return n;
    }
    std::atomic<ULONG> refs{0};
    bool refuseSoftSynth = false;
    std::string name;
    std::atomic<int>* released = nullptr;
};

struct MadeInstance {
    VstiPluginRecord record;  // as handed to the maker
    bool noSizeWindow = false;
    uint32_t managerId = 0;   // Data1 of the id given, 0 when none
};

class FakeMaker final : public ISynthMaker {
public:
    HRESULT CreateForRecord(ISynthTypeLink* type, VstiPluginRecord* record, IUnknown** instance) noexcept override {
        EXPECT_NE(type, nullptr);
        made.push_back(MadeInstance{*record});
        auto* synth = new FakeSynth;
        synth->refuseSoftSynth = refuseSoftSynth;
        synth->AddRef();
        *instance = synth;
        return S_OK;
    }
    void SetNoSizeWindow(IUnknown*, bool on) noexcept override { made.back().noSizeWindow = on; }
    void SetManagerId(IUnknown*, const GUID& id) noexcept override { made.back().managerId = id.Data1; }

    std::vector<MadeInstance> made;
    bool refuseSoftSynth = false;
};

// Opens the framework's language handle on this test program (English table of the core).
class KernelScope {
public:
    KernelScope() {
        static int anchor;
        instance_ = ModuleInstanceOf(&anchor);
        QmKernel_EarlyInitialize(instance_, kEnglishLCID);
    }
    ~KernelScope() { QmKernel_LateTerminate(instance_, 0); }

private:
    HINSTANCE instance_ = nullptr;
};

// Puts sorted copies of `records` in place of the type's list.
inline void UseRecords(CQmVSTiSynthType* type, const std::vector<VstiPluginRecord>& records) {
    tQMLIST* list = nullptr;
    EXPECT_EQ(CreatePluginList(&list), S_OK);
    for (const auto& r : records) EXPECT_EQ(AppendPluginRecord(list, r), S_OK);
    EXPECT_EQ(type->ReplaceList(list), S_OK);
    QmList_Destroy(list);
}

// The records' names in list order.
inline std::vector<std::string> Names(const tQMLIST* list) {
    std::vector<std::string> names;
    for (int i = 0; list != nullptr && i < list->nCount; ++i) names.push_back(A(PluginRecordAt(list, i)->name));
    return names;
}

// A descriptor that asks for nothing in particular.
inline SoftSynthTypeInfo AnySynth() { return SoftSynthTypeInfo{}; }

// A type that makes its instances through the fake maker; Connect offers it the test cache and
// progress object. Every reference the type took is given back by the end.
class TypeTest : public ::testing::Test {
protected:
    void SetUp() override {
        type_ = CQmVSTiSynthType::Create();
        ASSERT_NE(type_, nullptr);
        type_->AddRef();
        type_->SetSynthMaker(&maker_);
    }
    void TearDown() override {
        if (type_ != nullptr) {
            EXPECT_EQ(type_->Release(), 0u);
        }
        EXPECT_EQ(cache_.refs, 1u);
        EXPECT_EQ(progress_.refs, 1u);
    }
    void Connect() { ASSERT_EQ(type_->ConnectHost(&site_), S_OK); }

    KernelScope kernel_;
    FakeMaker maker_;
    TestCache cache_;
    TestProgress progress_;
    TestSite site_{&cache_, &progress_};
    CQmVSTiSynthType* type_ = nullptr;
};

}  // namespace qm::test
