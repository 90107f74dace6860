#include "discovery/probe_report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "discovery/plugin_record.h"
#include "platform/text.h"

namespace qm {

namespace {

constexpr char kHeader[] = "QMVSTI-PROBE 1";

// A text field on one line: line ends inside a plug-in's name would end the field early.
void AppendField(std::string* out, const char* key, const WCHAR* value) {
    std::string text = platform::WideToUtf8(value);
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    *out += key;
    *out += ' ';
    *out += text;
    *out += '\n';
}

template <size_t N>
void ReadField(WCHAR (&field)[N], const std::string& value) {
    const std::u16string wide = platform::Utf8ToWide(value.c_str(), static_cast<ptrdiff_t>(value.size()));
    WideCopy(field, N, reinterpret_cast<const WCHAR*>(wide.c_str()));
}

bool ReadNumber(const std::string& value, int base, unsigned long long* number) {
    if (value.empty()) return false;
    char* end = nullptr;
    *number = std::strtoull(value.c_str(), &end, base);
    return end != nullptr && *end == 0;
}

}  // namespace

std::string FormatProbeReport(const VstiPluginRecord& record, unsigned threadsLeft) {
    char numbers[128];
    std::snprintf(numbers, sizeof(numbers), "flags %lx\nuniqueId %ld\nvendorVersion %ld\n",
                  static_cast<unsigned long>(record.flags), static_cast<long>(record.uniqueId),
                  static_cast<long>(record.vendorVersion));
    std::string out = std::string(kHeader) + "\n" + numbers;
    AppendField(&out, "name", record.name);
    AppendField(&out, "product", record.product);
    AppendField(&out, "vendor", record.vendor);
    out += "threadsLeft " + std::to_string(threadsLeft) + "\n";
    out += "end\n";
    return out;
}

void ParseProbeReport(const std::string& text, ProbeResult* result) noexcept {
    std::memset(&result->record, 0, sizeof(result->record));
    result->verdict = ProbeVerdict::Crashed;
    try {
        size_t at = 0;
        bool header = false, complete = false;
        unsigned long threadsLeft = 0;
        while (at < text.size() && !complete) {
            size_t stop = text.find('\n', at);
            if (stop == std::string::npos) break;  // a last line without its end was cut short
            const std::string line = text.substr(at, stop - at);
            at = stop + 1;
            if (!header) {
                if (line != kHeader) return;
                header = true;
                continue;
            }
            const size_t space = line.find(' ');
            const std::string key = line.substr(0, space);
            const std::string value = space == std::string::npos ? std::string() : line.substr(space + 1);
            unsigned long long number = 0;
            VstiPluginRecord& r = result->record;
            if (key == "end") {
                complete = true;
            } else if (key == "flags") {
                if (!ReadNumber(value, 16, &number)) return;
                r.flags = static_cast<DWORD>(number);
            } else if (key == "uniqueId" || key == "vendorVersion") {
                const long n = std::strtol(value.c_str(), nullptr, 10);
                (key == "uniqueId" ? r.uniqueId : r.vendorVersion) = static_cast<LONG>(n);
            } else if (key == "threadsLeft") {
                threadsLeft = std::strtoul(value.c_str(), nullptr, 10);
            } else if (key == "name") {
                ReadField(r.name, value);
            } else if (key == "product") {
                ReadField(r.product, value);
            } else if (key == "vendor") {
                ReadField(r.vendor, value);
            }
        }
        if (!complete) return;
        if (result->record.flags & PluginRecordFlags::Faulted) {
            result->verdict = ProbeVerdict::Failed;
        } else {
            result->verdict = threadsLeft > 0 ? ProbeVerdict::TimedOut : ProbeVerdict::Passed;
        }
    } catch (...) {
        result->verdict = ProbeVerdict::Crashed;
    }
}

}  // namespace qm
