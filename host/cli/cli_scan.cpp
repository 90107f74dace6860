// qmvsti scan [DIR...] [--set-folders] [--timeout SECONDS] [--parallel N] [--no-probe],
// qmvsti list --all, qmvsti enable|disable NAME|PATH.
#include "cli_scan.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "host_os.h"
#include "text.h"

namespace qm::host::cli {

namespace {

struct ScanArguments {
    std::vector<std::string> folders;
    bool setFolders = false;
    bool inProcess = false;
    DWORD timeoutMs = 0;
    DWORD parallel = 0;
};

bool ParseScanArguments(const std::vector<std::string>& arguments, ScanArguments* scan, std::string* error) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg == "--set-folders") {
            scan->setFolders = true;
        } else if (arg == "--no-probe") {
            scan->inProcess = true;
        } else if (arg == "--timeout" || arg == "--parallel") {
            char* end = nullptr;
            const double value = i + 1 < arguments.size() ? std::strtod(arguments[i + 1].c_str(), &end) : -1;
            if (end == nullptr || *end != 0 || value <= 0 || value > 3600) {
                *error = arg + " needs a positive number";
                return false;
            }
            ++i;
            if (arg == "--timeout") scan->timeoutMs = static_cast<DWORD>(value * 1000.0 + 0.5);
            else scan->parallel = static_cast<DWORD>(value);
        } else {
            scan->folders.push_back(arg);
        }
    }
    if (scan->folders.size() > kFolderSlots) {
        *error = "scan takes at most three folders";
        return false;
    }
    if (scan->setFolders && scan->folders.empty()) {
        *error = "--set-folders needs at least one folder";
        return false;
    }
    return true;
}

// Files a scan of `folders` will look at, for the progress bar (the scan itself decides which it tests).
size_t CountModules(const std::vector<std::string>& folders) {
    namespace fs = std::filesystem;
    std::string suffix = fs::u8path(OsLibraryFileName()).extension().u8string();
    std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](unsigned char c) { return std::tolower(c); });
    size_t count = 0;
    for (const std::string& folder : folders) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(fs::u8path(folder), fs::directory_options::skip_permission_denied, error), end;
             !error && it != end; it.increment(error)) {
            std::string name = it->path().filename().u8string();
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
                it->is_regular_file(error))
                ++count;
        }
    }
    return count;
}

class ScanProgress final : public IQmVSTiScanProgress {
public:
    ScanProgress(size_t total, bool bar) : total_(total), bar_(bar) {}
    HRESULT QM_COMCALL Status(LPCWSTR text) noexcept override {
        current_ = ToUtf8(text);
        Draw();
        return S_OK;
    }
    HRESULT QM_COMCALL Tested(const VstiPluginRecord* record) noexcept override {
        try {
            tested.push_back(*record);
        } catch (...) {
        }
        Draw();
        return S_OK;
    }
    void Clear() {
        if (bar_) std::fprintf(stderr, "\r%*s\r", 100, "");
    }
    std::vector<VstiPluginRecord> tested;

private:
    void Draw() {
        if (!bar_) return;
        const size_t done = tested.size(), total = std::max(total_, done);
        const int width = 24, filled = total == 0 ? 0 : static_cast<int>(done * width / total);
        std::string line = "\r[" + std::string(filled, '#') + std::string(width - filled, '.') + "] " +
                           std::to_string(done) + "/" + std::to_string(total) + " " + current_;
        if (line.size() > 100) line = line.substr(0, 97) + "...";
        std::fprintf(stderr, "%-100s", line.c_str());
        std::fflush(stderr);
    }
    size_t total_;
    bool bar_;
    std::string current_;
};

IQmVSTiScanner* Scanner(HostSession* session) {
    IQmVSTiScanner* scanner = nullptr;
    if (FAILED(session->Type()->QueryInterface(IID_IQmVSTiScanner, reinterpret_cast<void**>(&scanner)))) return nullptr;
    return scanner;
}

std::string RecordJson(const VstiPluginRecord& r) {
    return "{\"name\": " + JsonText(ToUtf8(r.name)) + ", \"product\": " + JsonText(ToUtf8(r.product)) +
           ", \"vendor\": " + JsonText(ToUtf8(r.vendor)) + ", \"path\": " + JsonText(ToUtf8(r.path)) +
           ", \"uniqueId\": " + std::to_string(r.uniqueId) + ", \"version\": " + std::to_string(r.vendorVersion) +
           ", \"flags\": " + JsonText(RecordFlagWords(r.flags)) + "}";
}

void PrintSummary(const std::vector<VstiPluginRecord>& tested, IQmVSTiScanner* scanner) {
    using namespace PluginRecordFlags;
    size_t instruments = 0, effects = 0, failed = 0, timedOut = 0, missing = 0;
    for (const VstiPluginRecord& r : tested) {
        if (r.flags & Faulted) {
            (ToUtf8(r.product) == "Timed out" ? timedOut : failed) += 1;
        } else {
            ((r.flags & NotInstrument) ? effects : instruments) += 1;
        }
    }
    for (LONG i = 0; i < scanner->GetRecordCount(); ++i) {
        VstiPluginRecord r;
        if (scanner->GetRecord(i, &r) == S_OK && (r.flags & Missing)) ++missing;
    }
    std::printf("%zu modules: %zu instruments, %zu effects, %zu failed, %zu timed out, %zu missing\n", tested.size(),
                instruments, effects, failed, timedOut, missing);
}

int RunScan(const Options& options) {
    ScanArguments scan;
    std::string error;
    ParseScanArguments(options.arguments, &scan, &error);
    for (std::string& folder : scan.folders) {
        folder = Absolute(folder);
        std::error_code ignored;
        if (!std::filesystem::is_directory(std::filesystem::u8path(folder), ignored)) {
            std::fprintf(stderr, "qmvsti: %s is not a folder\n", folder.c_str());
            return kExitUnreadable;
        }
    }
    std::vector<std::string> slots = scan.setFolders ? scan.folders : LoadFolders();
    const std::vector<std::string>& walked = scan.folders.empty() || scan.setFolders ? slots : scan.folders;
    if (walked.empty()) {
        std::fprintf(stderr, "qmvsti: no folders to scan (give folders, or store them with --set-folders)\n");
        return kExitUsage;
    }
    if (scan.setFolders && !SaveFolders(slots, &error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitFailure;
    }
    HostSession session(options.verbose);
    if (const int code = OpenSession(options, &session); code != kExitOk) return code;
    IQmVSTiScanner* scanner = Scanner(&session);
    if (scanner == nullptr) {
        std::fprintf(stderr, "qmvsti: the library offers no folder scan\n");
        return kExitFailure;
    }
    for (size_t i = 0; i < slots.size(); ++i) scanner->SetFolder(static_cast<LONG>(i), reinterpret_cast<LPCWSTR>(ToUtf16(slots[i]).c_str()));
    scanner->SetScanOptions(scan.timeoutMs, scan.parallel, scan.inProcess ? ScanOptions::InProcess : 0);

    std::vector<std::u16string> wide;
    std::vector<LPCWSTR> given;
    for (const std::string& f : scan.folders) wide.push_back(ToUtf16(f));
    for (const std::u16string& w : wide) given.push_back(reinterpret_cast<LPCWSTR>(w.c_str()));
    ScanProgress progress(CountModules(walked), !options.json && OsStderrIsTerminal());
    const bool ownFolders = !scan.folders.empty() && !scan.setFolders;
    const HRESULT hr = scanner->Scan(ownFolders ? static_cast<LONG>(given.size()) : 0, ownFolders ? given.data() : nullptr,
                                     &progress);
    progress.Clear();
    int result = kExitOk;
    if (hr != S_OK) {
        std::fprintf(stderr, "qmvsti: the scan failed (0x%08X)\n", static_cast<unsigned>(hr));
        result = kExitFailure;
    } else if (!StoreRecords(scanner, &session, &error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        result = kExitFailure;
    } else if (options.json) {
        std::printf("[");
        for (LONG i = 0; i < scanner->GetRecordCount(); ++i) {
            VstiPluginRecord r;
            if (scanner->GetRecord(i, &r) == S_OK) std::printf("%s%s", i == 0 ? "" : ",\n ", RecordJson(r).c_str());
        }
        std::printf("]\n");
    } else {
        PrintSummary(progress.tested, scanner);
    }
    scanner->Release();
    return result;
}

int RunListAll(const Options& options) {
    HostSession session(options.verbose);
    std::string error;
    if (!session.LoadCache(&error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitFailure;
    }
    HostPluginCache& cache = session.Cache();
    if (options.json) std::printf("[");
    for (size_t i = 0; i < cache.Count(); ++i) {
        const PlugInManagerEntry& e = cache.At(i);
        DWORD flags = EntryRecordFlags(e);
        // A disabled entry is usable but not enabled, which is what the words say for it.
        if (HostMarks(e) & HostEntryMark::UserDisabled) flags &= ~PluginRecordFlags::Enabled;
        const std::string name = ToUtf8(e.firstName), vendor = ToUtf8(e.vendor), path = ToUtf8(e.path);
        if (options.json) {
            std::printf("%s{\"name\": %s, \"vendor\": %s, \"path\": %s, \"flags\": %s}", i == 0 ? "" : ",\n ",
                        JsonText(name).c_str(), JsonText(vendor).c_str(), JsonText(path).c_str(),
                        JsonText(RecordFlagWords(flags)).c_str());
        } else {
            std::printf("%-32s %-24s %-36s %s\n", name.c_str(), vendor.c_str(), RecordFlagWords(flags).c_str(), path.c_str());
        }
    }
    if (options.json) std::printf("]\n");
    return kExitOk;
}

int RunEnable(const Options& options, bool enable) {
    const std::string& wanted = options.arguments[0];
    HostSession session(options.verbose);
    std::string error;
    if (!session.LoadCache(&error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitFailure;
    }
    const long found = session.Cache().Find(LooksLikePath(wanted) ? Absolute(wanted) : wanted);
    if (found < 0) {
        std::fprintf(stderr, "qmvsti: unknown plug-in %s (see 'qmvsti list --all')\n", wanted.c_str());
        return kExitUnknownPlugIn;
    }
    const std::string path = ToUtf8(session.Cache().At(static_cast<size_t>(found)).path);
    // A disabled entry is handed to the library again; its import enables whatever is usable, and the
    // check box decides about the rest.
    BYTE& marks = HostMarks(session.Cache().At(static_cast<size_t>(found)));
    const bool wasDisabled = (marks & HostEntryMark::UserDisabled) != 0;
    if (enable) marks &= ~HostEntryMark::UserDisabled;
    const std::string library = LibraryPath(options);
    if (!session.Connect(library, &error)) {
        std::fprintf(stderr, "qmvsti: cannot use the library %s: %s\n", library.c_str(), error.c_str());
        return kExitLoadFailed;
    }
    IQmVSTiScanner* scanner = Scanner(&session);
    if (scanner == nullptr) {
        std::fprintf(stderr, "qmvsti: the library offers no plug-in list\n");
        return kExitFailure;
    }
    int result = kExitOk;
    for (LONG i = 0; i < scanner->GetRecordCount(); ++i) {
        VstiPluginRecord r;
        if (scanner->GetRecord(i, &r) != S_OK || ToUtf8(r.path) != path) continue;
        const HRESULT hr = scanner->SetRecordEnabled(i, enable ? 1 : 0);
        scanner->GetRecord(i, &r);
        if (hr == S_OK || (enable && wasDisabled && (r.flags & PluginRecordFlags::Enabled))) {
            std::printf("%s %s\n", enable ? "enabled" : "disabled", ToUtf8(r.name).c_str());
        } else if (enable && !(r.flags & PluginRecordFlags::Enabled)) {
            std::fprintf(stderr, "qmvsti: %s cannot be enabled (%s)\n", ToUtf8(r.name).c_str(), RecordFlagWords(r.flags).c_str());
            result = kExitLoadFailed;
        } else {
            std::printf("%s is already %s\n", ToUtf8(r.name).c_str(), enable ? "enabled" : "disabled");
        }
        break;
    }
    if (!StoreRecords(scanner, &session, &error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        result = kExitFailure;
    }
    scanner->Release();
    return result;
}

}  // namespace

bool IsScanCommand(const Options& options) {
    return options.command == "scan" || options.command == "enable" || options.command == "disable" ||
           (options.command == "list" && options.arguments.size() == 1 && options.arguments[0] == "--all");
}

bool IsScanOption(const std::string& command, const std::string& arg, bool* takesValue) {
    *takesValue = command == "scan" && (arg == "--timeout" || arg == "--parallel");
    if (command == "list") return arg == "--all";
    return command == "scan" && (*takesValue || arg == "--set-folders" || arg == "--no-probe");
}

bool CheckScanArguments(const Options& options, std::string* error) {
    if (options.command == "scan") {
        ScanArguments scan;
        return ParseScanArguments(options.arguments, &scan, error);
    }
    if (options.arguments.size() != 1) {
        *error = options.command + " needs exactly one plug-in name or path";
        return false;
    }
    return true;
}

int RunScanCommand(const Options& options) {
    if (options.command == "scan") return RunScan(options);
    if (options.command == "list") return RunListAll(options);
    return RunEnable(options, options.command == "enable");
}

}  // namespace qm::host::cli
