// info's lists: the patches, parameters and controllers of an instrument's MIDI device, as text
// columns or JSON.
#include <cstdio>
#include <string>

#include "cli.h"
#include "parameter_settings.h"
#include "private_plugin.h"
#include "text.h"

namespace qm::host::cli {

namespace {

constexpr int kChannels = 16;
constexpr int kTextChars = 260;
constexpr DWORD kAllControllers = DeviceFilter::ControlChange | DeviceFilter::OtherRows | DeviceFilter::Rpn |
                                  DeviceFilter::Flag80;

bool Has(const Options& options, const char* name) {
    for (const std::string& argument : options.arguments) {
        if (argument == name) return true;
    }
    return false;
}

// A JSON array printed element by element.
struct JsonList {
    explicit JsonList(bool on) : on_(on) {}
    void Item(const std::string& object) {
        std::printf("%s%s", first_ ? "  " : ",\n  ", object.c_str());
        first_ = false;
    }
    bool on_;
    bool first_ = true;
};

void PrintPrograms(const Options& options, IMIDIDevice* device, PrivatePlugIn* plugIn) {
    const bool selectNames = Has(options, "--select-names") && plugIn != nullptr;
    if (!options.json) std::printf("%-5s %-4s %-7s %-3s %-3s %-5s %s\n", "patch", "chan", "program", "lsb", "msb", "group", "name");
    JsonList list(options.json);
    // Plain programs and omni names live on channel 0 alone.
    MidiDeviceCaps caps{};
    device->GetDeviceCaps(&caps);
    const int channels = (caps.caps & PatchDeviceCaps::OmniOrPlain) ? 1 : kChannels;
    for (int channel = 0; channel < channels; ++channel) {
        const LONG count = device->GetProgramCount(static_cast<DWORD>(channel));
        for (LONG i = 0; i < count; ++i) {
            PatchRecord patch{};
            LONG index = i;
            if (device->GetPatch(&index, static_cast<DWORD>(channel), &patch, 0) != S_OK) continue;
            std::string name = ToUtf8(patch.name);
            if (selectNames && channel == 0 && i < plugIn->Programs()) name = plugIn->ProgramNameBySelecting(i);
            if (options.json) {
                list.Item("{\"patch\": " + std::to_string(i) + ", \"channel\": " + std::to_string(channel) +
                          ", \"program\": " + std::to_string(patch.program) + ", \"bankLsb\": " +
                          std::to_string(patch.bankLsb) + ", \"bankMsb\": " + std::to_string(patch.bankMsb) +
                          ", \"group\": " + std::to_string(patch.group) + ", \"name\": " + JsonText(name) + "}");
            } else {
                std::printf("%-5ld %-4d %-7u %-3u %-3u %-5ld %s\n", static_cast<long>(i), channel, patch.program,
                            patch.bankLsb, patch.bankMsb, static_cast<long>(patch.group), name.c_str());
            }
        }
    }
}

void PrintParameters(const Options& options, IMIDIDevice* device, PrivatePlugIn* plugIn) {
    if (!options.json)
        std::printf("%-5s %-24s %-8s %-12s %-9s %-10s %s\n", "index", "name", "label", "display", "value", "host", "range");
    JsonList list(options.json);
    const LONG count = device->GetParameterCount();
    for (LONG i = 0; i < count; ++i) {
        WCHAR label[kTextChars] = {};
        ParameterDescription description{};
        description.text = label;
        description.textCapacity = kTextChars;
        device->GetParameterDescription(i, &description, DeviceFilter::ParameterLabel);
        const std::string name = DeviceParameterName(device, i);
        float host = 0.0f;
        device->GetParameterValue(i, &host);
        const std::string display = plugIn != nullptr ? plugIn->ParameterDisplay(i) : std::string();
        const float value = plugIn != nullptr ? plugIn->Parameter(i) : host;
        char numbers[192];
        if (options.json) {
            std::snprintf(numbers, sizeof numbers, ", \"value\": %.6g, \"hostValue\": %.6g, \"minimum\": %ld, \"maximum\": %ld",
                          static_cast<double>(value), static_cast<double>(host), static_cast<long>(description.minimum),
                          static_cast<long>(description.maximum));
            list.Item("{\"index\": " + std::to_string(i) + ", \"name\": " + JsonText(name) + ", \"label\": " +
                      JsonText(ToUtf8(label)) + ", \"display\": " + JsonText(display) + numbers + "}");
        } else {
            std::printf("%-5ld %-24s %-8s %-12s %-9.6g %-10.6g %ld..%ld\n", static_cast<long>(i), name.c_str(),
                        ToUtf8(label).c_str(), display.c_str(), static_cast<double>(value), static_cast<double>(host),
                        static_cast<long>(description.minimum), static_cast<long>(description.maximum));
        }
    }
}

void PrintControllers(const Options& options, IMIDIDevice* device) {
    if (!options.json)
        std::printf("%-4s %-7s %-6s %-6s %-7s %-5s %-7s %s\n", "row", "kind", "number", "flags", "minimum", "max", "default", "name");
    JsonList list(options.json);
    for (LONG index = 0;; ++index) {
        WCHAR name[kTextChars] = {};
        ControllerDescription row{};
        row.name = name;
        row.nameCapacity = kTextChars;
        if (device->GetController(&index, &row, kAllControllers) != S_OK) break;
        if (options.json) {
            char fields[256];
            std::snprintf(fields, sizeof fields,
                          "{\"row\": %ld, \"kind\": %lu, \"number\": %lu, \"flags\": %lu, \"minimum\": %ld, "
                          "\"maximum\": %ld, \"default\": %ld, \"name\": ",
                          static_cast<long>(index), static_cast<unsigned long>(row.kind),
                          static_cast<unsigned long>(row.number), static_cast<unsigned long>(row.flags),
                          static_cast<long>(row.minimum), static_cast<long>(row.maximum), static_cast<long>(row.defaultValue));
            list.Item(fields + JsonText(ToUtf8(name)) + "}");
        } else {
            std::printf("%-4ld 0x%-5lX %-6lu 0x%-4lX %-7ld %-5ld %-7ld %s\n", static_cast<long>(index),
                        static_cast<unsigned long>(row.kind), static_cast<unsigned long>(row.number),
                        static_cast<unsigned long>(row.flags), static_cast<long>(row.minimum),
                        static_cast<long>(row.maximum), static_cast<long>(row.defaultValue), ToUtf8(name).c_str());
        }
    }
}

}  // namespace

bool IsInfoListOption(const std::string& arg) {
    return arg == "--programs" || arg == "--params" || arg == "--controllers" || arg == "--select-names";
}

bool HasInfoListOptions(const Options& options) {
    for (const std::string& argument : options.arguments) {
        if (IsInfoListOption(argument)) return true;
    }
    return false;
}

int RunInfoLists(const Options& options) {
    std::string wanted;
    for (const std::string& argument : options.arguments) {
        if (!IsInfoListOption(argument)) wanted = argument;
    }
    HostSession session(options.verbose);
    IQmSoftSynth* instance = nullptr;
    std::string modulePath, error;
    if (const int code = CreatePlugInInstance(options, wanted, &session, &instance, &modulePath); code != kExitOk)
        return code;
    IMIDIDevice* device = nullptr;
    if (instance->GetPatchDevice(&device) != S_OK || device == nullptr) {
        instance->Release();
        std::fprintf(stderr, "qmvsti: the library offers no MIDI device for this instrument\n");
        return kExitFailure;
    }
    PrivatePlugIn plugIn;
    const bool havePrivate = plugIn.Open(modulePath, &error);
    struct Section {
        const char* option;
        const char* key;
    };
    const Section sections[] = {{"--programs", "programs"}, {"--params", "parameters"}, {"--controllers", "controllers"}};
    bool any = false;
    if (options.json) std::printf("{");
    for (const Section& section : sections) {
        if (!Has(options, section.option)) continue;
        if (options.json) std::printf("%s\"%s\": [\n", any ? ",\n" : "\n", section.key);
        else if (any) std::printf("\n");
        if (section.key[0] == 'p' && section.key[1] == 'r') PrintPrograms(options, device, havePrivate ? &plugIn : nullptr);
        else if (section.key[0] == 'p') PrintParameters(options, device, havePrivate ? &plugIn : nullptr);
        else PrintControllers(options, device);
        if (options.json) std::printf("\n]");
        any = true;
    }
    if (options.json) std::printf("\n}\n");
    device->Release();
    instance->Release();
    return kExitOk;
}

}  // namespace qm::host::cli
