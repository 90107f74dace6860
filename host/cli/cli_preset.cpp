// preset show and preset save: a .fxp or .fxb described field by field, or written from a plug-in's
// current program or all its programs.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "audio_file.h"
#include "cli.h"
#include "cli_preset_file.h"
#include "parameter_settings.h"
#include "qmvsti/presets.h"
#include "text.h"

namespace qm::host::cli {

namespace {

using presets::FxForm;
using presets::FxKind;
using presets::FxRecord;

bool IsBankPath(const std::string& path) { return FileExtension(path) == ".fxb"; }

int Show(const Options& options, const std::string& path) {
    PresetFile file;
    if (!file.Read(path)) return Fail(kExitUnreadable, "cannot read " + path);
    std::string problem;
    if (!file.Parse(&problem)) return Fail(kExitBadInput, path + ": " + problem);
    const FxRecord& r = file.Record();
    const bool preset = r.kind == FxKind::Preset;
    const bool chunk = r.form == FxForm::Chunk;
    const std::string id = UniqueIdText(static_cast<LONG>(r.uniqueId));
    if (options.json) {
        std::printf("{\"file\": %s, \"kind\": \"%s\", \"form\": \"%s\", \"uniqueId\": %s, \"uniqueIdNumber\": %u, "
                    "\"version\": %u, ",
                    JsonText(path).c_str(), preset ? "preset" : "bank", chunk ? "chunk" : "parameters",
                    JsonText(id).c_str(), r.uniqueId, r.version);
        if (preset) std::printf("\"program\": %s, ", JsonText(file.Name()).c_str());
        else std::printf("\"programs\": %u, ", r.count);
        if (chunk) std::printf("\"chunkBytes\": %u}\n", r.dataBytes);
        else std::printf("\"parameters\": %u}\n", file.ParameterCount());
        return kExitOk;
    }
    std::printf("%s: %s, %s form\n", path.c_str(), preset ? "preset" : "bank", chunk ? "chunk" : "parameter");
    std::printf("unique ID: %s (%u)\n", id.c_str(), r.uniqueId);
    std::printf("version: %u\n", r.version);
    if (preset) std::printf("program: \"%s\"\n", file.Name().c_str());
    else std::printf("programs: %u\n", r.count);
    if (chunk) std::printf("chunk: %u bytes\n", r.dataBytes);
    else std::printf("parameters: %u\n", file.ParameterCount());
    return kExitOk;
}

struct SaveArguments {
    std::string plugIn, output, preset, loadState;
    long program = -1;
    std::vector<ParameterSetting> settings;  // --set NAME=VALUE, applied after the program is selected
};

bool ParseSave(const std::vector<std::string>& arguments, SaveArguments* save, std::string* error) {
    for (size_t i = 1; i < arguments.size(); ++i) {
        std::string name, value;
        if (!TakeOption(arguments, &i, &IsPresetValueOption, &name, &value, error)) return false;
        if (name == "-p" || name == "--plugin") {
            save->plugIn = value;
        } else if (name == "--preset") {
            save->preset = value;
        } else if (name == "--load-state") {
            save->loadState = value;
        } else if (name == "--set") {
            ParameterSetting setting;
            if (!ParseParameterSetting(value, &setting, error)) return false;
            save->settings.push_back(setting);
        } else if (name == "--program") {
            char* end = nullptr;
            save->program = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || save->program < 0) {
                *error = "--program must be a program number from 0, not " + value;
                return false;
            }
        } else if (name.rfind("-", 0) != 0 && save->output.empty()) {
            save->output = name;
        } else {
            *error = "preset save does not take " + arguments[i];
            return false;
        }
    }
    if (save->plugIn.empty()) *error = "preset save needs an instrument: -p NAME|PATH";
    else if (save->output.empty()) *error = "preset save needs an output file: OUT.fxp or OUT.fxb";
    return error->empty();
}

int Save(const Options& options) {
    SaveArguments save;
    std::string error;
    if (!ParseSave(options.arguments, &save, &error)) return Fail(kExitUsage, error);
    HostSession session(options.verbose);
    IQmSoftSynth* instance = nullptr;
    std::string modulePath;
    if (const int code = CreatePlugInInstance(options, save.plugIn, &session, &instance, &modulePath); code != kExitOk)
        return code;
    IQmSoftSynthPresets* files = nullptr;
    int code = PrepareInstance(instance, save.loadState, save.preset);
    if (code == kExitOk && !save.loadState.empty()) {
        // A restored chunk reaches the plug-in when the host first sets a format, as before playing.
        const WAVEFORMATEX format = HostWaveFormat(SampleFormat::F32, 44100);
        instance->SetFormat(&format, 0, 0);
        instance->ReleaseFormat();
    }
    if (code == kExitOk && FAILED(instance->QueryInterface(IID_IQmSoftSynthPresets, reinterpret_cast<void**>(&files))))
        code = Fail(kExitFailure, "the library offers no preset files");
    if (code == kExitOk && save.program >= 0 && files->SelectProgram(static_cast<LONG>(save.program)) != S_OK)
        code = Fail(kExitUsage, "the plug-in has no program " + std::to_string(save.program));
    if (code == kExitOk && !save.settings.empty()) {
        RenderOptions parameters;
        parameters.settings = save.settings;
        PatchChoice unused;
        code = PrepareInstrument(instance, modulePath, parameters, &unused);
    }
    if (code == kExitOk) code = WritePresetFile(files, save.output, save.plugIn);
    if (files != nullptr) files->Release();
    instance->Release();
    return code;
}

}  // namespace

int WritePresetFile(IQmSoftSynthPresets* files, const std::string& output, const std::string& plugIn) {
    const std::u16string wide = ToUtf16(output);
    const LPCWSTR path = reinterpret_cast<LPCWSTR>(wide.c_str());
    const bool bank = IsBankPath(output);
    const HRESULT saved = bank ? files->SaveBankFile(path) : files->SavePresetFile(path);
    if (saved == S_FALSE) return Fail(kExitFailure, "the plug-in gave no settings to save");
    if (saved != S_OK) return Fail(kExitFailure, "cannot write " + output + " (" + ResultText(saved) + ")");
    std::printf("%s: %s of %s\n", output.c_str(), bank ? "bank" : "preset", plugIn.c_str());
    return kExitOk;
}

bool IsPresetValueOption(const std::string& arg) {
    return arg == "-p" || arg == "--plugin" || arg == "--program" || arg == "--preset" || arg == "--load-state" ||
           arg == "--set";
}

bool ParsePresetArguments(const std::vector<std::string>& arguments, std::string* error) {
    if (arguments.empty()) *error = "preset needs show FILE or save -p NAME OUT";
    else if (arguments[0] == "show" && arguments.size() != 2) *error = "preset show needs exactly one file";
    else if (arguments[0] == "save") {
        SaveArguments save;
        return ParseSave(arguments, &save, error);
    } else if (arguments[0] != "show") *error = "unknown preset command " + arguments[0] + " (show or save)";
    return error->empty();
}

int RunPreset(const Options& options) {
    if (options.arguments[0] == "show") return Show(options, options.arguments[1]);
    return Save(options);
}

}  // namespace qm::host::cli
