// Key names of a patch (drum maps and the like): counted, gathered into runs, and named one by one.
#include <cstring>

#include "patches/patch_device.h"
#include "platform/text.h"

namespace qm {

namespace {

// MIDI has 128 keys; a plug-in that names every key it is asked about must not keep the host here.
constexpr LONG kKeyCount = 128;

}  // namespace

LONG CVSTIPatchDevice::FindProgramForKeys(DWORD channel, PatchRecord* patch) noexcept {
    PatchRecord copy = *patch;
    LONG index = -1;
    if (FindPatch(&index, channel, &copy) != S_OK) return -1;
    return index;
}

bool CVSTIPatchDevice::AskKeyName(DWORD channel, LONG program, LONG key, MidiKeyName* name, bool* answered) noexcept {
    std::memset(name, 0, sizeof *name);
    name->thisProgramIndex = program;
    name->thisKeyNumber = key;
    *answered = Dispatch(effGetMidiKeyName, static_cast<int32_t>(channel), 0, name) != 0;
    name->keyName[sizeof name->keyName - 1] = 0;
    return *answered && name->keyName[0] != 0;
}

HRESULT CVSTIPatchDevice::CountKeyNames(DWORD channel, PatchRecord* patch) noexcept {
    if (patch == nullptr) return E_POINTER;
    const LONG program = FindProgramForKeys(channel, patch);
    if (program < 0) return S_FALSE;
    LONG named = 0;
    for (LONG key = 0; key < kKeyCount; ++key) {
        MidiKeyName name;
        bool answered = false;
        if (AskKeyName(channel, program, key, &name, &answered)) ++named;
        if (!answered) break;
    }
    return named;
}

HRESULT CVSTIPatchDevice::GetKeyNameRanges(DWORD channel, PatchRecord* patch, KeyRange* ranges, LONG maxRanges) noexcept {
    if (patch == nullptr) return E_POINTER;
    const LONG program = FindProgramForKeys(channel, patch);
    if (program < 0) return S_FALSE;
    LONG runs = 0;
    LONG runStart = -1;
    auto close = [&](LONG lastKey) {
        if (runStart < 0) return;
        if (ranges != nullptr && runs < maxRanges) ranges[runs] = KeyRange{runStart, lastKey};
        ++runs;
        runStart = -1;
    };
    LONG key = 0;
    for (; key < kKeyCount; ++key) {
        MidiKeyName name;
        bool answered = false;
        const bool named = AskKeyName(channel, program, key, &name, &answered);
        if (!answered) break;
        if (named && runStart < 0) runStart = key;
        if (!named) close(key - 1);
    }
    close(key - 1);
    return runs;
}

HRESULT CVSTIPatchDevice::GetKeyName(DWORD channel, PatchRecord* patch, KeyNameRecord* key) noexcept {
    if (patch == nullptr || key == nullptr) return E_POINTER;
    const LONG program = FindProgramForKeys(channel, patch);
    if (program < 0) return S_FALSE;
    // Key 0 only: the host walks its own keys and counts the ones it skips.
    constexpr LONG kKey = 0;
    if (key->lowKey >= 0 && (kKey < key->lowKey || kKey > key->highKey)) {
        ++key->counter;
        return S_FALSE;
    }
    MidiKeyName name;
    bool answered = false;
    if (!AskKeyName(channel, program, kKey, &name, &answered) || key->counter >= 1) return S_FALSE;
    key->key = kKey;
    if (key->name != nullptr && key->nameCapacity > 0) {
        platform::AnsiToWide(name.keyName, -1, key->name, static_cast<size_t>(key->nameCapacity));
    }
    return S_OK;
}

}  // namespace qm
