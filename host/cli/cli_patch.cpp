// render's --program and --set: the patch chosen and the parameters set through the instrument's
// MIDI device, as a host application does it.
#include <cstdio>

#include "cli.h"
#include "parameter_settings.h"
#include "private_plugin.h"
#include "text.h"

namespace qm::host::cli {

namespace {

constexpr DWORD kControlChange = 0xB0, kProgramChange = 0xC0;
constexpr DWORD kBankSelectMsb = 0, kBankSelectLsb = 32;

DWORD Message(DWORD status, DWORD data1, DWORD data2 = 0) { return status | data1 << 8 | data2 << 16; }

}  // namespace

int PrepareInstrument(IQmSoftSynth* instance, const std::string& plugInPath, const RenderOptions& render,
                      PatchChoice* choice) {
    *choice = PatchChoice{};
    if (render.program < 0 && render.settings.empty()) return kExitOk;
    IMIDIDevice* device = nullptr;
    if (instance->GetPatchDevice(&device) != S_OK || device == nullptr)
        return Fail(kExitFailure, "the library offers no MIDI device for this instrument");
    // Display texts and program names come from a private instance of the same module.
    PrivatePlugIn plugIn;
    std::string error;
    const bool havePrivate = plugIn.Open(plugInPath, &error);
    int result = kExitOk;

    if (render.program >= 0) {
        const LONG count = device->GetProgramCount(0);
        LONG index = static_cast<LONG>(render.program);
        if (device->GetPatch(&index, 0, &choice->patch, 0) != S_OK) {
            result = Fail(kExitUsage, "--program must be a patch of the instrument, 0 to " + std::to_string(count - 1) +
                                          ", not " + std::to_string(render.program));
        } else {
            choice->chosen = true;
            choice->name = ToUtf8(choice->patch.name);
            // A plug-in that names only its current program is asked the way it answers.
            if (havePrivate && render.program < plugIn.Programs()) {
                const std::string selected = plugIn.ProgramNameBySelecting(static_cast<int32_t>(render.program));
                if (!selected.empty()) choice->name = selected;
            }
        }
    }
    if (result == kExitOk && !render.settings.empty()) {
        std::vector<ResolvedSetting> resolved;
        if (!ResolveParameterSettings(device, havePrivate ? &plugIn : nullptr, render.settings, &resolved, &error))
            result = Fail(kExitUsage, error);
        else
            ApplyParameterSettings(device, resolved);
    }
    device->Release();
    return result;
}

void SelectPatch(IQmSoftSynth* instance, const PatchChoice& choice, const std::vector<int>& channels) {
    for (const int channel : channels) {
        const DWORD c = static_cast<DWORD>(channel);
        const DWORD messages[3] = {Message(kControlChange | c, kBankSelectMsb, choice.patch.bankMsb),
                                   Message(kControlChange | c, kBankSelectLsb, choice.patch.bankLsb),
                                   Message(kProgramChange | c, choice.patch.program)};
        instance->SendShortMessages(messages, 3, 0);
    }
}

void PrintPatchEvents(const HostPatchListener& listener) {
    std::fprintf(stderr, "qmvsti: the MIDI device sent %ld time events (one per block) and:\n", listener.TimeEvents());
    for (const PatchListenerEvent& event : listener.Events())
        std::fprintf(stderr, "qmvsti:   %s\n", DescribePatchEvent(event).c_str());
}

}  // namespace qm::host::cli
