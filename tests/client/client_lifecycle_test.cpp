// A host of its own that knows the module only by its published headers: it loads QmVSTi.dll, takes
// the soft-synth type from the exported factory, connects a minimal site with a plug-in manager cache
// holding the reference synth, creates and releases an instance, and then checks that every reference
// it handed out came back and that both the plug-in and the module unload.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "qmvsti/guids.h"
#include "qmvsti/midi_class.h"
#include "qmvsti/plugin_manager_cache.h"
#include "qmvsti/soft_synth.h"

namespace {

using namespace qm;
using CreateDriverClassFn = HRESULT(QMAPI*)(void**);

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

const GUID kRefEntryId = {0x51A7E001, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

// A slot the module never calls.
#define QM_NOTIMPL(Name) \
    HRESULT QM_COMCALL Name() noexcept override { return E_NOTIMPL; }

// The plug-in manager cache: one entry, the reference synth, and the references the module holds.
class Cache final : public PlugInManagerCache {
public:
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override {
        const bool known = IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_PlugInManagerCache);
        *ppv = known ? this : nullptr;
        if (known) AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG QM_COMCALL AddRef() noexcept override { return ULONG(InterlockedIncrement(&refs)); }
    ULONG QM_COMCALL Release() noexcept override { return ULONG(InterlockedDecrement(&refs)); }
    QM_NOTIMPL(Reserved3) QM_NOTIMPL(Reserved4) QM_NOTIMPL(Reserved5) QM_NOTIMPL(Reserved8) QM_NOTIMPL(Reserved9)
    QM_NOTIMPL(Reserved10) QM_NOTIMPL(Reserved11) QM_NOTIMPL(Reserved15) QM_NOTIMPL(Reserved16)
    QM_NOTIMPL(Reserved17) QM_NOTIMPL(Reserved18)
    HRESULT QM_COMCALL Prepare(DWORD) noexcept override { return S_OK; }
    HRESULT QM_COMCALL GetEntry(DWORD index, PlugInManagerEntry* out) noexcept override {
        if (index == 0) *out = entry;
        return index == 0 ? S_OK : S_FALSE;
    }
    HRESULT QM_COMCALL FindEntry(REFGUID id, PlugInManagerEntry* out) noexcept override {
        return GetEntry(IsEqualGUID(id, entry.managerId) ? 0 : 1, out);
    }
    HRESULT QM_COMCALL SetEntryInUse(const GUID*, DWORD) noexcept override { return S_OK; }
    HRESULT QM_COMCALL CheckEntry(const PlugInManagerEntry*) noexcept override { return S_FALSE; }
    HRESULT QM_COMCALL RegisterSink(IPluginManagerCacheSink* s) noexcept override {
        if (s == nullptr || sink != nullptr) return E_INVALIDARG;
        (sink = s)->AddRef();
        return S_OK;
    }
    HRESULT QM_COMCALL UnregisterSink(IPluginManagerCacheSink* s) noexcept override {
        if (s != sink || sink == nullptr) return E_INVALIDARG;
        sink->Release();
        sink = nullptr;
        ++unregistered;
        return S_OK;
    }

    LONG refs = 1;  // the site's own
    PlugInManagerEntry entry{};
    IPluginManagerCacheSink* sink = nullptr;
    int unregistered = 0;
};

// The site handed to ConnectHost: it serves the cache and nothing else.
class Site final : public IUnknown {
public:
    explicit Site(Cache* c) : cache(c) {}
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override {
        *ppv = nullptr;
        if (IsEqualGUID(riid, IID_PlugInManagerCache)) return cache->QueryInterface(riid, ppv);
        if (!IsEqualGUID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG QM_COMCALL AddRef() noexcept override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG QM_COMCALL Release() noexcept override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }

    LONG refs = 1;  // the test's own
    Cache* cache;
};

TEST(ClientLifecycle, ReferenceSynthFromTheExportedFactoryLeavesNothingBehind) {
    const std::wstring folder = ProgramFolder();
    const std::wstring pluginPath = folder + L"testplugins\\qmref.dll";
    ASSERT_NE(GetFileAttributesW(pluginPath.c_str()), INVALID_FILE_ATTRIBUTES);
    HMODULE module = LoadLibraryW((folder + L"QmVSTi.dll").c_str());
    ASSERT_NE(module, nullptr) << "QmVSTi.dll beside the program";
    auto create = reinterpret_cast<CreateDriverClassFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "QmMIDIDriver_CreateDriverClass")));
    ASSERT_NE(create, nullptr);

    Cache cache;
    cache.entry.managerId = kRefEntryId;
    cache.entry.enabled = 1;
    cache.entry.hasEditor = 1;
    cache.entry.isInstrument = 1;
    wcsncpy(cache.entry.path, pluginPath.c_str(), 259);
    wcscpy(cache.entry.firstName, L"QmRef");
    wcscpy(cache.entry.secondName, L"QmRef");
    Site site(&cache);

    void* out = nullptr;
    ASSERT_EQ(create(&out), S_OK);
    auto* driver = static_cast<IMIDIClass*>(out);
    IQmSoftSynthType* type = nullptr;
    ASSERT_EQ(driver->QueryInterface(IID_IQmSoftSynthType, reinterpret_cast<void**>(&type)), S_OK);
    EXPECT_EQ(driver->Release(), 1u);

    ASSERT_EQ(type->ConnectHost(&site), S_OK);
    EXPECT_EQ(site.refs, 1) << "the type keeps no reference to the site";
    EXPECT_EQ(cache.refs, 2) << "the type keeps exactly one reference to the cache";
    ASSERT_NE(cache.sink, nullptr);

    SoftSynthTypeInfo descriptor{};
    descriptor.managerId = kRefEntryId;
    IQmSoftSynth* synth = nullptr;
    ASSERT_EQ(type->CreateSynth(&descriptor, &synth), S_OK);
    ASSERT_NE(synth, nullptr);
    EXPECT_NE(GetModuleHandleW(L"qmref.dll"), nullptr);
    EXPECT_EQ(synth->Release(), 0u);
    EXPECT_EQ(GetModuleHandleW(L"qmref.dll"), nullptr) << "the last Release frees the plug-in module";

    EXPECT_EQ(type->Release(), 0u);
    EXPECT_EQ(cache.unregistered, 1);
    EXPECT_EQ(cache.sink, nullptr);
    EXPECT_EQ(cache.refs, 1) << "every cache reference came back";
    EXPECT_EQ(site.refs, 1) << "every site reference came back";

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleW(L"QmVSTi.dll"), nullptr) << "nothing else holds the module";
}

}  // namespace

