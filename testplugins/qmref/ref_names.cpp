// qmref_names: MIDI program names on two channels with categories and a drum kit's key names, and
// the edit report of the synth's self-automation (every variant).
#include <cstring>
#include "qmref/ref_synth.h"

namespace qmtest {

namespace {

constexpr int kToneChannel = 0;
constexpr int kKitChannel = 1;
constexpr int kKits = 2;
constexpr int kKeys = 128;
const char* const kCategories[kRefNamesCategories] = {"Tones", "Effects", "Drums"};
const char* const kKitNames[kKits] = {"Kit A", "Kit B"};

const char* KeyName(int key) {
    switch (key) {
    case 36: return "Kick";
    case 37: return "Rim";
    case 38: return "Snare";
    case 42: return "Closed Hat";
    case 46: return "Open Hat";
    default: return "";
    }
}

}  // namespace

intptr_t RefSynth::namesOpcode(int32_t opcode, int32_t index, void* ptr) {
    if (!ptr && opcode != effHasMidiProgramsChanged) return 0;
    switch (opcode) {
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram: {
        auto* name = static_cast<MidiProgramName*>(ptr);
        const bool current = opcode == effGetCurrentMidiProgram;
        if (index == kToneChannel || (omniNames_ && index != kKitChannel)) {
            const int32_t which = current ? program_ : name->thisProgramIndex;
            if (which < 0 || which >= kRefPrograms) return 0;
            std::memset(name, 0, sizeof *name);
            name->thisProgramIndex = which;
            CopyText(name->name, programs_[which].name, sizeof name->name);
            name->midiProgram = static_cast<char>(which);
            name->parentCategoryIndex = which < 6 ? 0 : 1;
            name->flags = omniNames_ ? kMidiIsOmni : 0;
            return current ? which : kRefPrograms;
        }
        if (index != kKitChannel) return 0;
        const int32_t which = current ? 0 : name->thisProgramIndex;
        if (which < 0 || which >= kKits) return 0;
        std::memset(name, 0, sizeof *name);
        name->thisProgramIndex = which;
        CopyText(name->name, kKitNames[which], sizeof name->name);
        name->midiProgram = static_cast<char>(which);
        name->midiBankMsb = 1;
        name->parentCategoryIndex = 2;
        return current ? which : kKits;
    }
    case effGetMidiProgramCategory: {
        auto* category = static_cast<MidiProgramCategory*>(ptr);
        const int32_t which = category->thisCategoryIndex;
        if (which < 0 || which >= kRefNamesCategories) return kRefNamesCategories;
        std::memset(category, 0, sizeof *category);
        category->thisCategoryIndex = which;
        CopyText(category->name, kCategories[which], sizeof category->name);
        category->parentCategoryIndex = -1;
        return kRefNamesCategories;
    }
    case effGetMidiKeyName: {
        auto* key = static_cast<MidiKeyName*>(ptr);
        if (index != kKitChannel || key->thisKeyNumber < 0 || key->thisKeyNumber >= kKeys) return 0;
        std::memset(key->keyName, 0, sizeof key->keyName);
        CopyText(key->keyName, KeyName(key->thisKeyNumber), sizeof key->keyName);
        return 1;
    }
    default:
        // The names never change behind the host's back.
        return 0;
    }
}

void RefSynth::reportAutomation(const std::vector<float>& moves) {
    for (float value : moves) {
        callHost(audioMasterBeginEdit, kRefParamPan, 0, nullptr, 0.0f);
        callHost(audioMasterAutomate, kRefParamPan, 0, nullptr, value);
        callHost(audioMasterEndEdit, kRefParamPan, 0, nullptr, 0.0f);
    }
}

}  // namespace qmtest
