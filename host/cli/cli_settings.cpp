// settings: shows the soft-synth type's settings, or one of them, or changes one (NAME=VALUE), with
// the clamping the type applies.
#include <cstdio>
#include <cstdlib>

#include "cli.h"
#include "host_os.h"
#include "type_settings.h"

namespace qm::host::cli {

namespace {

void Show(const TypeSettingsStore& store, const TypeSetting& setting, bool json, bool last) {
    const int value = store.Effective(setting);
    if (json) std::printf("  %s: %d%s\n", JsonText(setting.name).c_str(), value, last ? "" : ",");
    else std::printf("%-20s %6d  %s\n", setting.name, value, setting.meaning);
}

}  // namespace

int RunSettings(const Options& options) {
    std::string error;
    DriverModule module;
    if (!module.Load(LibraryPath(options), &error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitLoadFailed;
    }
    HostSettingsRecord record;
    InitSettingsRecord(&record);
    ApplyHostDefaults(module, &record);
    TypeSettingsStore store;
    if (!store.Open(module, &record, &error)) {
        std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
        return kExitFailure;
    }
    const std::string argument = options.arguments.empty() ? std::string() : options.arguments[0];
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const TypeSetting* chosen = name.empty() ? nullptr : FindTypeSetting(name);
    if (!name.empty() && chosen == nullptr) {
        std::fprintf(stderr, "qmvsti: unknown setting %s (FrameSize, FlushOnStopCount, ExposeMultiChannel, "
                             "SizeWindowForNI, AssumeStereoPins)\n", name.c_str());
        return kExitUsage;
    }
    if (equals != std::string::npos) {
        char* end = nullptr;
        const std::string text = argument.substr(equals + 1);
        const long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != 0) {
            std::fprintf(stderr, "qmvsti: %s needs a whole number, not %s\n", name.c_str(), text.c_str());
            return kExitUsage;
        }
        int written = 0;
        if (!store.Store(*chosen, value, &written, &error)) {
            std::fprintf(stderr, "qmvsti: %s\n", error.c_str());
            return kExitFailure;
        }
        if (written != value) std::fprintf(stderr, "qmvsti: %s clamped to %d\n", chosen->name, written);
    }
    if (options.json) std::printf("{\n");
    const auto& all = TypeSettings();
    for (size_t i = 0; i < all.size(); ++i) {
        if (chosen == nullptr || chosen == &all[i]) Show(store, all[i], options.json, chosen != nullptr || i + 1 == all.size());
    }
    if (options.json) std::printf("}\n");
    return kExitOk;
}

}  // namespace qm::host::cli
