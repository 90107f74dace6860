// list, add and info: each opens one host session on the library.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cli.h"
#include "host_os.h"
#include "plugin_probe.h"
#include "text.h"

namespace qm::host::cli {

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "qmvsti: %s\n", message.c_str());
    return code;
}

std::string ResultText(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

std::string FileExtension(const std::string& path) {
    std::string extension = std::filesystem::u8path(path).extension().u8string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::string LibraryPath(const Options& options) {
    if (!options.library.empty()) return options.library;
    return OsExecutableFolder() + OsPathSeparator() + OsLibraryFileName();
}

// Loads the cache and connects the library; prints the reason and gives the exit code on failure.
int OpenSession(const Options& options, HostSession* session) {
    std::string error;
    if (!session->LoadCache(&error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitFailure;
    }
    const std::string library = LibraryPath(options);
    if (!session->Connect(library, &error)) {
        std::fprintf(stderr, "qmvsti: cannot use the library %s: %s\n", library.c_str(), error.c_str());
        return kExitLoadFailed;
    }
    return kExitOk;
}

bool Readable(const std::string& utf8Path) {
    const std::filesystem::path path = std::filesystem::u8path(utf8Path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    return file.is_open();
}

std::string Absolute(const std::string& utf8Path) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(std::filesystem::u8path(utf8Path), error);
    return error ? utf8Path : path.lexically_normal().u8string();
}

bool LooksLikePath(const std::string& text) {
    return text.find('/') != std::string::npos || text.find('\\') != std::string::npos ||
           std::filesystem::u8path(text).has_extension();
}

int LocatePlugIn(const std::string& wanted, HostSession* session, size_t* index) {
    const bool isPath = LooksLikePath(wanted);
    long found = session->Cache().Find(isPath ? Absolute(wanted) : wanted);
    if (found < 0 && !isPath) {
        std::fprintf(stderr, "qmvsti: unknown plug-in %s (see 'qmvsti list', or 'qmvsti add PATH')\n", wanted.c_str());
        return kExitUnknownPlugIn;
    }
    // A module not in the cache is used for this run and then forgotten (the cache is not saved).
    if (found < 0) found = static_cast<long>(session->Cache().AddPath(Absolute(wanted)));
    *index = static_cast<size_t>(found);
    return kExitOk;
}

int OpenAndLocate(const Options& options, const std::string& wanted, HostSession* session, size_t* index) {
    if (LooksLikePath(wanted) && !Readable(wanted)) {
        std::fprintf(stderr, "qmvsti: cannot read %s\n", wanted.c_str());
        return kExitUnreadable;
    }
    if (const int code = OpenSession(options, session); code != kExitOk) return code;
    return LocatePlugIn(wanted, session, index);
}

int CreatePlugInInstance(const Options& options, const std::string& wanted, HostSession* session, IQmSoftSynth** instance,
                         std::string* modulePath) {
    *instance = nullptr;
    size_t index = 0;
    if (const int code = OpenAndLocate(options, wanted, session, &index); code != kExitOk) return code;
    std::string error;
    *instance = session->CreateInstance(index, &error);
    if (modulePath != nullptr) *modulePath = ToUtf8(session->Cache().At(index).path);
    if (*instance != nullptr) return kExitOk;
    std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
    return kExitLoadFailed;
}

namespace {

std::string EntryFlags(const PlugInManagerEntry& e) {
    std::string flags;
    const auto add = [&](bool on, const char* name) {
        if (!on) return;
        if (!flags.empty()) flags += ",";
        flags += name;
    };
    add(e.enabled & 1, "enabled");
    add(e.faulted & 1, "faulted");
    add(e.isInstrument & 1, "instrument");
    add(e.hasEditor & 1, "editor");
    add(e.options & PlugInManagerOptions::CacheOption, "cache-option");
    add(e.options & PlugInManagerOptions::AlternativeDrawing, "alternative-drawing");
    return flags;
}

void PrintFacts(const Options& options, const InstrumentFacts& f, const PlugInManagerEntry& entry) {
    char id[16];
    std::snprintf(id, sizeof(id), "0x%08X", static_cast<unsigned>(f.uniqueId));
    if (options.json) {
        // The bus names only when there are buses: the record stays as it was for the others.
        std::string buses;
        for (const std::string& bus : f.buses) buses += (buses.empty() ? "" : ", ") + JsonText(bus);
        if (!buses.empty()) buses = ", \"buses\": [" + buses + "]";
        std::printf("{\"name\": %s, \"product\": %s, \"vendor\": %s, \"path\": %s, \"uniqueId\": %ld, "
                    "\"uniqueIdText\": %s, \"version\": %ld, \"outputs\": %lu%s, \"programs\": %ld, "
                    "\"parameters\": %ld, \"instrument\": %s, \"flags\": %s}\n",
                    JsonText(f.name).c_str(), JsonText(f.product).c_str(), JsonText(f.vendor).c_str(),
                    JsonText(f.path).c_str(), static_cast<long>(f.uniqueId), JsonText(UniqueIdText(f.uniqueId)).c_str(),
                    static_cast<long>(f.vendorVersion), static_cast<unsigned long>(f.outputs), buses.c_str(), f.programs, f.parameters,
                    (entry.isInstrument & 1) ? "true" : "false", JsonText(EntryFlags(entry)).c_str());
        return;
    }
    std::printf("Name:       %s\n", f.name.c_str());
    std::printf("Product:    %s\n", f.product.c_str());
    std::printf("Vendor:     %s\n", f.vendor.c_str());
    std::printf("Path:       %s\n", f.path.c_str());
    std::printf("Unique ID:  %s (%s)\n", UniqueIdText(f.uniqueId).c_str(), id);
    std::printf("Version:    %ld\n", static_cast<long>(f.vendorVersion));
    std::printf("Outputs:    %lu extra bus(es)\n", static_cast<unsigned long>(f.outputs));
    for (size_t i = 0; i < f.buses.size(); ++i) std::printf("  bus %zu:    %s\n", i, f.buses[i].c_str());
    if (f.programs >= 0) std::printf("Programs:   %ld\n", f.programs);
    else std::printf("Programs:   not exposed\n");
    if (f.parameters >= 0) std::printf("Parameters: %ld\n", f.parameters);
    else std::printf("Parameters: not exposed\n");
    std::printf("Kind:       %s\n", (entry.isInstrument & 1) ? "VST instrument" : "not a VST instrument (effect)");
    std::printf("Flags:      %s\n", EntryFlags(entry).c_str());
}

// What the library does not tell a host: whether the module is an instrument and has an editor. The
// entry keeps the answer as a host's plug-in manager would; an effect is never offered again.
bool ReadModuleKind(const std::string& path, PlugInManagerEntry* entry, std::string* error) {
    ModuleKind kind;
    if (!ProbeModuleKind(path, &kind, error)) return false;
    entry->isInstrument = kind.instrument ? 1 : 0;
    entry->hasEditor = kind.editor ? 1 : 0;
    if (!kind.instrument) entry->enabled = 0;
    return true;
}

}  // namespace

int RunList(const Options& options) {
    HostSession session(options.verbose);
    if (const int code = OpenSession(options, &session); code != kExitOk) return code;
    if (options.json) std::printf("[");
    for (LONG index = 0;; ++index) {
        SoftSynthTypeInfo info;
        std::memset(&info, 0, sizeof(info));
        info.mask = SoftSynthInfoMask::Path | SoftSynthInfoMask::Name | SoftSynthInfoMask::Product |
                    SoftSynthInfoMask::Vendor;
        const HRESULT hr = session.Type()->GetSynthInfo(index, &info);
        if (hr != S_OK) {
            if (FAILED(hr)) std::fprintf(stderr, "qmvsti: instrument %ld could not be described\n", static_cast<long>(index));
            break;
        }
        const std::string path = info.path ? ToUtf8(info.path) : "", name = info.name ? ToUtf8(info.name) : "",
                          vendor = info.vendor ? ToUtf8(info.vendor) : "";
        for (LPWSTR text : {info.path, info.name, info.product, info.vendor})
            if (text != nullptr) CoTaskMemFree(text);
        if (options.json) {
            std::printf("%s{\"name\": %s, \"vendor\": %s, \"uniqueId\": %ld, \"uniqueIdText\": %s, \"version\": %ld, "
                        "\"path\": %s}",
                        index == 0 ? "" : ", ", JsonText(name).c_str(), JsonText(vendor).c_str(),
                        static_cast<long>(info.uniqueId), JsonText(UniqueIdText(info.uniqueId)).c_str(),
                        static_cast<long>(info.vendorVersion), JsonText(path).c_str());
        } else {
            std::printf("%-32s %-24s %-6s %s\n", name.c_str(), vendor.c_str(), UniqueIdText(info.uniqueId).c_str(),
                        path.c_str());
        }
    }
    if (options.json) std::printf("]\n");
    return kExitOk;
}

int RunAdd(const Options& options) {
    for (const std::string& path : options.arguments) {
        if (!Readable(path)) {
            std::fprintf(stderr, "qmvsti: cannot read %s\n", path.c_str());
            return kExitUnreadable;
        }
    }
    HostSession session(options.verbose);
    if (const int code = OpenSession(options, &session); code != kExitOk) return code;
    int result = kExitOk;
    for (const std::string& given : options.arguments) {
        const std::string path = Absolute(given);
        const bool known = session.Cache().Find(path) >= 0;
        const size_t index = session.Cache().AddPath(path);
        InstrumentFacts facts;
        std::string error;
        if (!session.TestLoad(index, &facts, &error)) {
            std::fprintf(stderr, "qmvsti: %s; not added\n", error.c_str());
            if (!known) session.Cache().Remove(index);
            result = kExitLoadFailed;
            continue;
        }
        if (!ReadModuleKind(path, &session.Cache().At(index), &error)) {
            std::fprintf(stderr, "qmvsti: %s; not added\n", error.c_str());
            if (!known) session.Cache().Remove(index);
            result = kExitLoadFailed;
            continue;
        }
        if (!(session.Cache().At(index).isInstrument & 1)) {
            std::fprintf(stderr, "qmvsti: %s (%s) is not a VST instrument; not added\n", path.c_str(),
                         facts.name.c_str());
            if (!known) session.Cache().Remove(index);
            result = kExitNotInstrument;
            continue;
        }
        StoreFacts(facts, &session.Cache().At(index));
        if (options.json) {
            std::printf("{\"added\": %s, \"name\": %s, \"vendor\": %s, \"uniqueId\": %ld}\n", JsonText(path).c_str(),
                        JsonText(facts.name).c_str(), JsonText(facts.vendor).c_str(), static_cast<long>(facts.uniqueId));
        } else {
            std::printf("added %s (%s, %s)\n", facts.name.c_str(), facts.vendor.c_str(), path.c_str());
        }
    }
    std::string error;
    if (!session.SaveCache(&error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitFailure;
    }
    return result;
}

int RunInfo(const Options& options) {
    if (HasInfoListOptions(options)) return RunInfoLists(options);
    const std::string& wanted = options.arguments[0];
    HostSession session(options.verbose);
    size_t index = 0;
    if (const int code = OpenAndLocate(options, wanted, &session, &index); code != kExitOk) return code;
    InstrumentFacts facts;
    std::string error;
    if (!session.TestLoad(index, &facts, &error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitLoadFailed;
    }
    if (!ReadModuleKind(facts.path, &session.Cache().At(index), &error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitLoadFailed;
    }
    PrintFacts(options, facts, session.Cache().At(index));
    return kExitOk;
}

}  // namespace qm::host::cli
