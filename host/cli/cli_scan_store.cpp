// What the scan commands keep between runs: the folder slots in a file beside the plug-in cache, and
// the library's records written into the cache as a host's plug-in manager keeps them.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cli_scan.h"
#include "host_os.h"
#include "text.h"

namespace qm::host::cli {

std::string FoldersFilePath() {
    const std::string folder = OsSettingsFolder();
    return folder.empty() ? std::string() : folder + OsPathSeparator() + "scan-folders";
}

std::vector<std::string> LoadFolders() {
    std::vector<std::string> folders;
    std::ifstream file(std::filesystem::u8path(FoldersFilePath()));
    for (std::string line; folders.size() < kFolderSlots && std::getline(file, line);) {
        if (!line.empty()) folders.push_back(line);
    }
    return folders;
}

bool SaveFolders(const std::vector<std::string>& folders, std::string* error) {
    const std::filesystem::path path = std::filesystem::u8path(FoldersFilePath());
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream file(path, std::ios::trunc);
    for (const std::string& f : folders) file << f << '\n';
    if (!file.flush()) {
        *error = "cannot write " + path.u8string();
        return false;
    }
    return true;
}

void StoreRecord(const VstiPluginRecord& r, HostPluginCache* cache) {
    using namespace PluginRecordFlags;
    PlugInManagerEntry& e = cache->At(cache->AddPath(ToUtf8(r.path)));
    e.enabled = (r.flags & Enabled) ? 1 : 0;
    e.faulted = (r.flags & Faulted) ? 1 : 0;
    e.isInstrument = (r.flags & NotInstrument) ? 0 : 1;
    e.hasEditor = (r.flags & NoEditor) ? 0 : 1;
    e.options = (e.options & ~(PlugInManagerOptions::AlternativeDrawing | PlugInManagerOptions::CacheOption)) |
                ((r.flags & AlternativeDrawing) ? PlugInManagerOptions::AlternativeDrawing : 0) |
                ((r.flags & CacheOption) ? PlugInManagerOptions::CacheOption : 0);
    e.uniqueId = r.uniqueId;
    e.vendorVersion = r.vendorVersion;
    CopyToField(e.firstName, 260, ToUtf8(r.name));
    CopyToField(e.secondName, 260, ToUtf8(r.name));
    CopyToField(e.product, 260, ToUtf8(r.product));
    CopyToField(e.vendor, 260, ToUtf8(r.vendor));
    // Usable but not enabled: the user's choice, kept out of the next import.
    const bool userDisabled = !(r.flags & (Enabled | Faulted | NotInstrument | NoEditor));
    HostMarks(e) = static_cast<BYTE>((userDisabled ? HostEntryMark::UserDisabled : 0) |
                                     ((r.flags & Missing) ? HostEntryMark::Missing : 0));
}

bool StoreRecords(IQmVSTiScanner* scanner, HostSession* session, std::string* error) {
    for (LONG i = 0; i < scanner->GetRecordCount(); ++i) {
        VstiPluginRecord record;
        if (scanner->GetRecord(i, &record) == S_OK) StoreRecord(record, &session->Cache());
    }
    return session->SaveCache(error);
}

std::string RecordFlagWords(DWORD flags) {
    using namespace PluginRecordFlags;
    std::string words;
    const auto add = [&](bool on, const char* word) {
        if (!on) return;
        if (!words.empty()) words += ",";
        words += word;
    };
    add(flags & Enabled, "enabled");
    add(!(flags & (Enabled | Faulted | NotInstrument | NoEditor)), "disabled");
    add(flags & Faulted, "faulted");
    add(flags & NotInstrument, "not-instrument");
    add(flags & LoadFailed, "load-failed");
    add(flags & NoEditor, "no-editor");
    add(flags & Missing, "missing");
    add(flags & AlternativeDrawing, "alternative-drawing");
    return words;
}

DWORD EntryRecordFlags(const PlugInManagerEntry& e) {
    using namespace PluginRecordFlags;
    DWORD flags = 0;
    if (e.enabled & 1) flags |= Enabled;
    if (e.faulted & 1) flags |= Faulted;
    if (!(e.isInstrument & 1)) flags |= NotInstrument;
    if (!(e.hasEditor & 1)) flags |= NoEditor;
    if (e.options & PlugInManagerOptions::AlternativeDrawing) flags |= AlternativeDrawing;
    if (HostMarks(e) & HostEntryMark::Missing) flags |= Missing;
    return flags;
}

}  // namespace qm::host::cli
