#include "discovery/scan_candidate.h"

#include <cstring>

#include "discovery/plugin_record.h"
#include "discovery/synth_type.h"
#include "framework/lang.h"
#include "platform/directory.h"
#include "platform/guard.h"
#include "qmvsti/guids.h"
#include "qmvsti/soft_synth.h"

namespace qm {

namespace {

constexpr UINT kIdsShellMarker = 1007;      // "WAVESHELL"
constexpr UINT kIdsFailed = 1021;           // "FAILED"
constexpr UINT kIdsUnknown = 1022;          // "Unknown"
constexpr UINT kIdsNotInstrument = 1023;    // "Not a VST Instrument."
constexpr UINT kIdsBlockedFirst = 1047;     // "WNASPI32.DLL"
constexpr UINT kIdsBlockedSecond = 1048;    // "FOOBAR.DLL"
constexpr UINT kIdsTimedOut = 1090;         // "Timed out"
constexpr UINT kIdsCrashed = 1091;          // "Crashed"
constexpr HRESULT kPlugInException = static_cast<HRESULT>(0x8004E017);

const WCHAR* Text(UINT id) noexcept { return QmGetString(KernelLangHandle(), id); }

template <size_t N>
void SetText(WCHAR (&field)[N], UINT id) noexcept {
    WideCopy(field, N, Text(id));
}

// The name a record gets when the module cannot tell one: its file name without folder and extension.
void NameFromFile(VstiPluginRecord* record) noexcept {
    const WCHAR *begin, *end;
    PathFileTitle(record->path, &begin, &end);
    size_t n = static_cast<size_t>(end - begin);
    if (n >= kPluginNameChars) n = kPluginNameChars - 1;
    std::memcpy(record->name, begin, n * sizeof(WCHAR));
    record->name[n] = 0;
}

void EnableWhenUsable(VstiPluginRecord* record) noexcept {
    using namespace PluginRecordFlags;
    if (!(record->flags & (Faulted | NotInstrument | NoEditor))) record->flags |= Enabled;
}

}  // namespace

bool IsScanCandidate(const WCHAR* fileName) noexcept {
    WCHAR upper[kPluginPathChars];
    size_t n = 0;
    for (; fileName != nullptr && fileName[n] != 0 && n + 1 < kPluginPathChars; ++n) upper[n] = WideUpper(fileName[n]);
    upper[n] = 0;
    if (WideEqual(upper, Text(kIdsBlockedFirst)) || WideEqual(upper, Text(kIdsBlockedSecond))) return false;
    const WCHAR* shell = Text(kIdsShellMarker);
    return shell[0] == 0 || !WideContains(upper, shell);
}

bool IsRefusedScanFolder(const WCHAR* folder) noexcept {
    for (const WCHAR* const* refused = platform::RefusedScanFolders(); *refused != nullptr; ++refused) {
        const size_t n = WideLen(*refused);
        if (WideLen(folder) < n) continue;
        size_t i = 0;
        while (i < n && WideUpper(folder[i]) == WideUpper((*refused)[i])) ++i;
        if (i == n) return true;
    }
    return false;
}

void TestScanCandidate(IScanTester& tester, VstiPluginRecord* record) noexcept {
    using namespace PluginRecordFlags;
    IUnknown* instance = nullptr;
    HRESULT hr = E_FAIL;
    const platform::GuardOutcome outcome = platform::Guarded([&] { hr = tester.CreateForRecord(record, &instance); });
    if (outcome.faulted) hr = kPlugInException;
    if (SUCCEEDED(hr) && instance == nullptr) {
        record->flags |= NotInstrument;
        SetText(record->name, kIdsNotInstrument);
        SetText(record->product, kIdsUnknown);
    } else if (SUCCEEDED(hr)) {
        tester.ReadInstanceNames(instance, record);
        static const WCHAR kNativeInstruments[] = {'N', 'a', 't', 'i', 'v', 'e', ' ', 'I', 'n', 's', 't',
                                                   'r', 'u', 'm', 'e', 'n', 't', 's', 0};
        if (WideContains(record->vendor, kNativeInstruments)) record->flags |= AlternativeDrawing;
        instance->Release();
    } else {
        record->flags |= Faulted;
        if (record->name[0] == 0) NameFromFile(record);
        SetText(record->product, kIdsFailed);
        if (instance != nullptr) instance->Release();
    }
    EnableWhenUsable(record);
}

bool ApplyProbeVerdict(const ProbeResult& result, VstiPluginRecord* record) noexcept {
    using namespace PluginRecordFlags;
    switch (result.verdict) {
    case ProbeVerdict::NotProbed:
    case ProbeVerdict::Passed: return false;
    case ProbeVerdict::Failed:
        // The probe's findings, with the status in this process's language.
        record->flags = result.record.flags & ~Enabled;
        record->uniqueId = result.record.uniqueId;
        record->vendorVersion = result.record.vendorVersion;
        WideCopy(record->name, kPluginNameChars, result.record.name);
        WideCopy(record->vendor, kPluginNameChars, result.record.vendor);
        if (record->name[0] == 0) NameFromFile(record);
        SetText(record->product, kIdsFailed);
        return true;
    case ProbeVerdict::TimedOut:
    case ProbeVerdict::Crashed: break;
    }
    record->flags = (record->flags & ~Enabled) | Faulted;
    NameFromFile(record);
    SetText(record->product, result.verdict == ProbeVerdict::TimedOut ? kIdsTimedOut : kIdsCrashed);
    return true;
}

RetestOutcome RetestRecord(IScanTester& tester, VstiPluginRecord* record) noexcept {
    using namespace PluginRecordFlags;
    IUnknown* instance = nullptr;
    const HRESULT hr = tester.CreateForRecord(record, &instance);
    if (SUCCEEDED(hr) && instance != nullptr) {
        record->flags &= ~Faulted;
        tester.ReadInstanceNames(instance, record);
        instance->Release();
        if (record->flags & NotInstrument) return RetestOutcome::NotInstrument;
        return (record->flags & NoEditor) ? RetestOutcome::NoEditor : RetestOutcome::Ready;
    }
    record->flags |= Faulted;
    if (FAILED(hr)) return RetestOutcome::Failed;
    return (record->flags & NotInstrument) ? RetestOutcome::NotInstrument : RetestOutcome::NoEditor;
}

HRESULT TypeScanTester::CreateForRecord(VstiPluginRecord* record, IUnknown** instance) noexcept {
    return type_->CreateForRecord(record, instance);
}

void TypeScanTester::ReadInstanceNames(IUnknown* instance, VstiPluginRecord* record) noexcept {
    IQmSoftSynth* synth = nullptr;
    if (FAILED(instance->QueryInterface(IID_IQmSoftSynth, reinterpret_cast<void**>(&synth))) || synth == nullptr) return;
    SoftSynthTypeInfo info;
    std::memset(&info, 0, sizeof(info));
    info.mask = SoftSynthInfoMask::Name | SoftSynthInfoMask::Product;
    if (SUCCEEDED(synth->GetInfo(&info))) {
        WideCopy(record->name, kPluginNameChars, info.name);
        WideCopy(record->product, kPluginNameChars, info.product);
    }
    for (LPWSTR text : {info.path, info.name, info.product, info.vendor})
        if (text != nullptr) CoTaskMemFree(text);
    synth->Release();
}

}  // namespace qm
