#include "discovery/synth_type.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "discovery/cache_import.h"
#include "discovery/cache_sink.h"
#include "discovery/plugin_record.h"
#include "discovery/type_page.h"
#include "discovery/type_scanner.h"
#include "framework/lang.h"
#include "hosting/property_pages_provider.h"
#include "qmvsti/guids.h"

namespace qm {

namespace {

constexpr UINT kIdsTypeName = 1051;  // "VSTi Synth Type"

std::atomic<LONG> g_liveTypes{0};

// Releases an interface pointer and clears it.
template <typename T>
void ReleaseAndClear(T*& p) noexcept {
    if (p != nullptr) {
        T* q = p;
        p = nullptr;
        q->Release();
    }
}

// The scanner of a host without a type page, made on request; it holds the type.
HRESULT QueryScanner(CQmVSTiSynthType* type, void** ppv) noexcept {
    CTypeScanner* scanner = CTypeScanner::Create(type);
    if (scanner == nullptr) return E_OUTOFMEMORY;
    return scanner->QueryInterface(IID_IQmVSTiScanner, ppv);
}

}  // namespace

CQmVSTiSynthType* CQmVSTiSynthType::Create() noexcept {
    // The host's convention: objects live in zero-initialised memory, freed by the deleting destructor.
    void* memory = std::calloc(1, sizeof(CQmVSTiSynthType));
    if (memory == nullptr) return nullptr;
    return new (memory) CQmVSTiSynthType();
}

HRESULT CQmVSTiSynthType::CreateDriverClass(void** out) noexcept {
    CQmVSTiSynthType* type = Create();
    if (type == nullptr) {
        if (out != nullptr) *out = nullptr;
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = type->QueryInterface(IID_IMIDIClass, out);
    if (FAILED(hr)) type->DeletingDestructor(1);
    return hr;
}

LONG CQmVSTiSynthType::LiveCount() noexcept { return g_liveTypes.load(); }

CQmVSTiSynthType::CQmVSTiSynthType() noexcept : maker_(&PlugInSynthMaker()) {
    WideCopy(typeName_, kPluginPathChars, QmGetString(KernelLangHandle(), kIdsTypeName));
    ++g_liveTypes;
}

CQmVSTiSynthType::~CQmVSTiSynthType() {
    SaveSettings();
    QmList_Destroy(list_);
    list_ = nullptr;
    if (cache_ != nullptr && sink_ != nullptr) cache_->UnregisterSink(sink_);
    ReleaseAndClear(cache_);
    ReleaseAndClear(sink_);
    if (pages_ != nullptr) pages_->ClearOwner();
    ReleaseAndClear(pages_);
    QmMetric_Close(settings_);
    settings_ = nullptr;
    settingsParent_ = nullptr;
    --g_liveTypes;
}

HRESULT CQmVSTiSynthType::DeletingDestructor(UINT flags) noexcept {
    this->~CQmVSTiSynthType();
    if (flags & 1) std::free(this);
    return S_OK;
}

HRESULT CQmVSTiSynthType::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IMIDIClass) ||
        IsEqualGUID(riid, IID_IQmSoftSynthType)) {
        *ppv = static_cast<IQmSoftSynthType*>(this);
        AddRef();
        return S_OK;
    }
    if (IsEqualGUID(riid, IID_ISpecifyPropertyPages) && pages_ != nullptr) return pages_->QueryInterface(riid, ppv);
    if (IsEqualGUID(riid, IID_IQmVSTiScanner)) return QueryScanner(this, ppv);
    return E_NOINTERFACE;
}

ULONG CQmVSTiSynthType::AddRef() noexcept { return static_cast<ULONG>(++refs_); }

ULONG CQmVSTiSynthType::Release() noexcept {
    const LONG count = --refs_;
    if (count == 0) DeletingDestructor(1);
    return static_cast<ULONG>(count);
}

HRESULT CQmVSTiSynthType::SetSettingsKey(void* settingsHandle, DWORD, DWORD) noexcept {
    QmMetric_Close(settings_);
    settings_ = nullptr;
    settingsLoaded_ = false;
    settingsParent_ = static_cast<HQMMETRIC>(settingsHandle);
    return QmMetric_OpenSubKey(&settings_, settingsParent_, QMW("VSTi Synth"));
}

HRESULT CQmVSTiSynthType::Reserved4(DWORD, void** out) noexcept {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CQmVSTiSynthType::GetTypeName(LPWSTR buffer, LONG size) noexcept {
    if (buffer == nullptr) return E_POINTER;
    if (size > 0) WideCopy(buffer, static_cast<size_t>(size), typeName_);
    return S_OK;
}

HRESULT CQmVSTiSynthType::GetKind() noexcept { return static_cast<HRESULT>(kind_); }
HRESULT CQmVSTiSynthType::GetSecondKind() noexcept { return static_cast<HRESULT>(secondKind_); }
HRESULT CQmVSTiSynthType::Reserved8() noexcept { return S_OK; }
HRESULT CQmVSTiSynthType::Reserved9() noexcept { return S_OK; }
HRESULT CQmVSTiSynthType::Reserved10() noexcept { return S_OK; }
HRESULT CQmVSTiSynthType::Reserved11() noexcept { return S_OK; }
HRESULT CQmVSTiSynthType::Reserved12() noexcept { return S_OK; }
HRESULT CQmVSTiSynthType::Reserved13() noexcept { return S_OK; }
HRESULT CQmVSTiSynthType::Reserved15(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CQmVSTiSynthType::Reserved16(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CQmVSTiSynthType::Reserved17(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CQmVSTiSynthType::Reserved21() noexcept { return S_OK; }
HRESULT CQmVSTiSynthType::Reserved22() noexcept { return S_OK; }

HRESULT CQmVSTiSynthType::CreateTypePage(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    CVSTiTypePage* page = CVSTiTypePage::Create();
    if (page == nullptr) return E_OUTOFMEMORY;
    // The creation reference: releasing it destroys a page whose interface could not be given.
    page->AddRef();
    const HRESULT hr = page->QueryInterface(iid, out);
    page->Release();
    return hr;
}

HRESULT CQmVSTiSynthType::ConnectHost(IUnknown* site) noexcept {
    // The cache is imported once; a second connection would duplicate every record.
    if (site == nullptr || list_ != nullptr) return S_OK;
    PlugInManagerCache* cache = nullptr;
    if (FAILED(site->QueryInterface(IID_PlugInManagerCache, reinterpret_cast<void**>(&cache))) || cache == nullptr)
        return S_OK;
    IHostProgress* progress = nullptr;
    if (FAILED(site->QueryInterface(IID_IHostProgress, reinterpret_cast<void**>(&progress)))) progress = nullptr;

    do {
        // A connection whose list could not be made is tried again with the companion it already has.
        if (pages_ == nullptr) {
            pages_ = CSpecifyPropertyPages::Create(CSpecifyPropertyPages::Owner::Type, this);
            if (pages_ == nullptr) break;
            pages_->AddRef();
        }
        if (FAILED(CreatePluginList(&list_))) break;
        cache_ = cache;
        cache_->AddRef();
        CPlugInManagerCachSink* sink = CPlugInManagerCachSink::Create(this);
        if (sink == nullptr) break;
        // The cache may take its own reference; ours is taken only once the cache accepted the sink.
        sink->AddRef();
        if (FAILED(cache_->RegisterSink(sink))) {
            sink->Release();
            break;
        }
        sink_ = sink;
        LoadSettings();
        ImportPluginCache(list_, cache_, progress);
    } while (false);

    if (progress != nullptr) progress->Release();
    cache->Release();
    return S_OK;
}

bool CQmVSTiSynthType::HasAlternativeDrawingMark(const WCHAR* displayName, const WCHAR* path,
                                                 int32_t uniqueId) noexcept {
    if (list_ == nullptr) return false;
    VstiPluginRecord key;
    std::memset(&key, 0, sizeof(key));
    WideCopy(key.name, kPluginNameChars, displayName);
    WideCopy(key.path, kPluginPathChars, path);
    key.uniqueId = uniqueId;
    const int index = FindPluginRecord(list_, key, RecordMatch::SameModule);
    return index >= 0 && (PluginRecordAt(list_, index)->flags & PluginRecordFlags::AlternativeDrawing) != 0;
}

}  // namespace qm
