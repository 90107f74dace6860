// What the instance tells the host about itself (GetInfo) and the copy of the plug-in's chunk
// (CaptureChunk).
#include <cstdlib>
#include <cstring>

#include "hosting/vsti_soft_synth.h"
#include "platform/guard.h"
#include "platform/text.h"

namespace qm {

namespace {

// A CoTaskMemAlloc'ed copy for the host, or null for an empty text; *failed on allocation failure.
LPWSTR HostCopy(const WCHAR* text, bool* failed) noexcept {
    if (text == nullptr || text[0] == 0) return nullptr;
    const size_t bytes = (platform::WideLength(text) + 1) * sizeof(WCHAR);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy == nullptr) {
        *failed = true;
        return nullptr;
    }
    std::memcpy(copy, text, bytes);
    return copy;
}

}  // namespace

HRESULT CVSTiSofthSynth::GetInfo(SoftSynthTypeInfo* info) noexcept {
    if (info == nullptr) return E_POINTER;
    if (effect_ == nullptr) return E_UNEXPECTED;

    WCHAR vendor[kVendorChars] = {};
    GetPlugInString(effGetVendorString, vendor, kVendorChars);
    const WCHAR* texts[4] = {path_, displayName_, productName_, vendor};
    LPWSTR* slots[4] = {&info->path, &info->name, &info->product, &info->vendor};
    const DWORD bits[4] = {SoftSynthInfoMask::Path, SoftSynthInfoMask::Name, SoftSynthInfoMask::Product,
                           SoftSynthInfoMask::Vendor};
    bool failed = false;
    for (int i = 0; i < 4; ++i) {
        *slots[i] = nullptr;
        if (!(info->mask & bits[i])) continue;
        *slots[i] = HostCopy(texts[i], &failed);
        if (*slots[i] == nullptr) info->mask &= ~bits[i];
    }
    if (failed) {
        for (LPWSTR* slot : slots) {
            CoTaskMemFree(*slot);
            *slot = nullptr;
        }
        info->mask = 0;
        info->state = SoftSynthInfoState::Failed;
        return E_OUTOFMEMORY;
    }

    info->vendorVersion = vendorVersion_;
    info->uniqueId = uniqueId_;
    info->state = SoftSynthInfoState::Filled;
    info->busCount = static_cast<DWORD>(busCount_);
    info->isBus = 0;
    info->busNumber = 0;
    std::memset(&info->instanceGuid, 0, sizeof info->instanceGuid);
    info->mask |= SoftSynthInfoMask::Instance;
    info->active = HasBits(InstanceStatus::Attached) ? 0xFFFFFFFFu : 0;
    info->managerId = secondId_;
    return S_OK;
}

HRESULT CVSTiSofthSynth::CopyPlugInChunk(int32_t index, size_t room, unsigned char** block, uint32_t* size) noexcept {
    *block = nullptr;
    *size = 0;
    void* data = nullptr;
    const DWORD faultedBefore = Status() & InstanceStatus::Faulted;
    const intptr_t length = CallDispatcher(effGetChunk, index, 0, &data, 0.0f);
    if (!faultedBefore && HasBits(InstanceStatus::Faulted)) return QM_E_PLUGIN_EXCEPTION;
    if (length <= 0 || data == nullptr) return S_FALSE;
    // Sizes that could not be written into a 32-bit size field are refused as unallocatable.
    if (static_cast<uintptr_t>(length) > 0x7FFFFFFFu - room) return E_OUTOFMEMORY;
    auto* copy = static_cast<unsigned char*>(std::calloc(room + static_cast<size_t>(length), 1));
    if (copy == nullptr) return E_OUTOFMEMORY;
    // The plug-in's pointer and size are untrusted: a size larger than its memory faults here.
    const platform::GuardOutcome outcome =
        platform::Guarded([&] { std::memcpy(copy + room, data, static_cast<size_t>(length)); });
    if (outcome.faulted) {
        std::free(copy);
        SetBits(InstanceStatus::Faulted);
        RecordFault("effGetChunk data", effGetChunk, outcome.code);
        return QM_E_PLUGIN_EXCEPTION;
    }
    *block = copy;
    *size = static_cast<uint32_t>(length);
    return S_OK;
}

void CVSTiSofthSynth::FreeCapturedChunk() noexcept {
    std::free(capturedChunk_);
    capturedChunk_ = nullptr;
    capturedChunkSize_ = 0;
}

void CVSTiSofthSynth::SetPendingChunk(void* chunk, uint32_t size) noexcept {
    std::free(pendingChunk_);
    pendingChunk_ = chunk;
    pendingChunkSize_ = chunk != nullptr ? size : 0;
}

HRESULT CVSTiSofthSynth::CaptureChunk() noexcept {
    FreeCapturedChunk();
    if (effect_ == nullptr || !(effect_->flags & effFlagsProgramChunks)) return S_OK;
    unsigned char* copy = nullptr;
    uint32_t size = 0;
    const HRESULT result = CopyPlugInChunk(0, 0, &copy, &size);
    if (result != S_OK) return result == S_FALSE ? S_OK : result;
    capturedChunk_ = copy;
    capturedChunkSize_ = size;
    return S_OK;
}

}  // namespace qm
