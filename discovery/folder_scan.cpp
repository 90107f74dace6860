#include "discovery/folder_scan.h"

#include <cstring>

#include "discovery/plugin_record.h"
#include "discovery/scan_candidate.h"
#include "framework/lang.h"
#include "framework/text_format.h"

namespace qm {

namespace {

constexpr UINT kIdsScanning = 1062;  // "Scanning %s"
constexpr UINT kIdsTesting = 1063;   // "Testing %s"

WCHAR g_statusLine[2 * kPluginPathChars];

// folder + name (+ a separator), or false when the result would not fit a record's path.
bool JoinPath(const WCHAR* folder, const WCHAR* name, bool separator, WCHAR (&out)[kPluginPathChars]) noexcept {
    const size_t a = WideLen(folder), b = WideLen(name);
    if (a + b + (separator ? 1 : 0) >= kPluginPathChars) return false;
    std::memcpy(out, folder, a * sizeof(WCHAR));
    std::memcpy(out + a, name, b * sizeof(WCHAR));
    size_t n = a + b;
    if (separator && (n == 0 || out[n - 1] != platform::kPathSeparator)) out[n++] = platform::kPathSeparator;
    out[n] = 0;
    return true;
}

}  // namespace

const WCHAR* FolderScan::StatusLine() noexcept { return g_statusLine; }

void FolderScan::PostStatus(UINT textId, const WCHAR* argument) noexcept {
    FormatTexts(g_statusLine, sizeof(g_statusLine) / sizeof(g_statusLine[0]), QmGetString(KernelLangHandle(), textId),
                {argument});
    sink_.PostScanMessage(kScanMessageStatus, g_statusLine);
}

HRESULT FolderScan::Run(const WCHAR* given) noexcept {
    WCHAR folder[kPluginPathChars];
    static const WCHAR kEmpty[1] = {0};
    if (!JoinPath(given, kEmpty, true, folder)) return S_OK;
    if (IsRefusedScanFolder(folder)) return S_FALSE;
    PostStatus(kIdsScanning, folder);

    std::vector<platform::DirectoryEntry> entries;
    // A folder that cannot be read has nothing to offer; the scan goes on.
    if (FAILED(platform::ListDirectory(folder, &entries))) return S_OK;
    const HRESULT files = ScanFiles(folder, entries);
    if (files != S_OK) return files;
    for (const platform::DirectoryEntry& entry : entries) {
        WCHAR sub[kPluginPathChars];
        if (!entry.directory || !JoinPath(folder, entry.name, true, sub)) continue;
        const HRESULT hr = Run(sub);
        if (FAILED(hr)) return hr;
        if (!checkpoint_.Continue()) return S_FALSE;
    }
    return S_OK;
}

HRESULT FolderScan::ScanFiles(const WCHAR* folder, const std::vector<platform::DirectoryEntry>& entries) noexcept {
    std::vector<VstiPluginRecord> batch;
    std::vector<ProbeResult> probed;
    const size_t batchSize = probe_ != nullptr && probe_->BatchSize() > 0 ? static_cast<size_t>(probe_->BatchSize()) : 1;
    try {
        batch.reserve(batchSize);
        probed.resize(batchSize);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    size_t next = 0;
    while (next < entries.size()) {
        // The next candidates, as zeroed records holding their paths.
        batch.clear();
        for (; next < entries.size() && batch.size() < batchSize; ++next) {
            const platform::DirectoryEntry& entry = entries[next];
            if (entry.directory || !platform::IsModuleFileName(entry.name) || !IsScanCandidate(entry.name)) continue;
            VstiPluginRecord record;
            std::memset(&record, 0, sizeof(record));
            if (!JoinPath(folder, entry.name, false, record.path)) continue;
            batch.push_back(record);
        }
        if (batch.empty()) break;
        // The probes of one batch run side by side; what they found is then applied file by file.
        for (ProbeResult& result : probed) result.verdict = ProbeVerdict::NotProbed;
        if (probe_ != nullptr) probe_->ProbeAll(batch.data(), static_cast<int>(batch.size()), probed.data());
        for (size_t i = 0; i < batch.size(); ++i) {
            const HRESULT hr = TestAndAppend(&batch[i], &probed[i]);
            if (FAILED(hr)) return hr;
            if (!checkpoint_.Continue()) return S_FALSE;
        }
    }
    return S_OK;
}

HRESULT FolderScan::TestAndAppend(VstiPluginRecord* record, const ProbeResult* probed) noexcept {
    PostStatus(kIdsTesting, record->path);
    if (!ApplyProbeVerdict(*probed, record)) TestScanCandidate(tester_, record);
    const HRESULT hr = AppendPluginRecord(list_, *record);
    if (FAILED(hr)) return hr;
    const VstiPluginRecord* last = PluginRecordAt(list_, list_->nCount - 1);
    sink_.RecordTested(*last);
    if ((last->flags & PluginRecordFlags::Enabled) && last->name[0] != 0) {
        sink_.PostScanMessage(kScanMessageFound, last);
    } else {
        PostStatus(kIdsTesting, last->path);
    }
    return S_OK;
}

}  // namespace qm
