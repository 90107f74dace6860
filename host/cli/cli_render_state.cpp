// What render does around the song: restore an instance state and load a preset or bank before it,
// save the instance state after it, as a host does with a project.
#include <cstdio>
#include <filesystem>

#include "cli.h"
#include "cli_preset_file.h"
#include "qmvsti/presets.h"
#include "streams.h"
#include "text.h"

namespace qm::host::cli {

namespace {

LONG UniqueIdOf(IQmSoftSynth* instance) {
    SoftSynthTypeInfo info{};
    instance->GetInfo(&info);
    return info.uniqueId;
}

std::string IdText(LONG id) { return UniqueIdText(id) + " (" + std::to_string(static_cast<unsigned>(id)) + ")"; }

int LoadState(IQmSoftSynth* instance, const std::string& path) {
    FileStream* stream = FileStream::Open(path, FileStream::Mode::Read);
    if (stream == nullptr) return Fail(kExitUnreadable, "cannot read " + path);
    const HRESULT loaded = instance->LoadState(stream);
    stream->Release();
    if (loaded == S_OK) return kExitOk;
    if (loaded == QM_S_STATE_NOT_FOR_PLUGIN)
        return Fail(kExitNotInstrument, path + ": the state of another plug-in, not of " + IdText(UniqueIdOf(instance)));
    if (loaded == QM_E_STATE_VERSION) return Fail(kExitBadInput, path + ": an instance state of an unknown version");
    if (loaded == E_UNEXPECTED) return Fail(kExitBadInput, path + ": a malformed instance state");
    return Fail(kExitFailure, path + ": the state could not be restored (" + ResultText(loaded) + ")");
}

int LoadPreset(IQmSoftSynth* instance, const std::string& path) {
    PresetFile file;
    if (!file.Read(path)) return Fail(kExitUnreadable, "cannot read " + path);
    std::string problem;
    if (!file.Parse(&problem)) return Fail(kExitBadInput, path + ": " + problem);
    IQmSoftSynthPresets* files = nullptr;
    if (FAILED(instance->QueryInterface(IID_IQmSoftSynthPresets, reinterpret_cast<void**>(&files))))
        return Fail(kExitFailure, "the library offers no preset files");
    const std::u16string wide = ToUtf16(path);
    const LPCWSTR name = reinterpret_cast<LPCWSTR>(wide.c_str());
    const bool bank = file.Record().kind == presets::FxKind::Bank;
    const HRESULT loaded = bank ? files->LoadBankFile(name) : files->LoadPresetFile(name);
    files->Release();
    if (loaded == S_OK) return kExitOk;
    if (loaded == QM_S_FILE_NOT_FOR_PLUGIN) {
        return Fail(kExitNotInstrument, path + ": a " + (bank ? "bank" : "preset") + " of plug-in " +
                                            IdText(static_cast<LONG>(file.Record().uniqueId)) + " version " +
                                            std::to_string(file.Record().version) + ", not of this one, " +
                                            IdText(UniqueIdOf(instance)));
    }
    return Fail(kExitFailure, path + ": the plug-in did not take it (" + ResultText(loaded) + ")");
}

}  // namespace

int PrepareInstance(IQmSoftSynth* instance, const std::string& loadState, const std::string& preset) {
    if (!loadState.empty()) {
        if (const int code = LoadState(instance, loadState); code != kExitOk) return code;
    }
    if (!preset.empty()) return LoadPreset(instance, preset);
    return kExitOk;
}

int SaveRenderState(IQmSoftSynth* instance, const RenderOptions& render) {
    if (render.saveState.empty()) return kExitOk;
    FileStream* stream = FileStream::Open(render.saveState, FileStream::Mode::Create);
    if (stream == nullptr) return Fail(kExitFailure, "cannot write " + render.saveState);
    const HRESULT saved = instance->SaveState(stream);
    stream->Release();
    if (saved == S_OK) return kExitOk;
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::u8path(render.saveState), ignored);
    return Fail(kExitFailure, "the instance state could not be saved (" + ResultText(saved) + ")");
}

}  // namespace qm::host::cli
