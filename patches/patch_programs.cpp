// The patch device's programs: the refresh that chooses between MIDI program names and plain
// programs, patches by index, the current patch, finding a patch, groups and their names.
#include <cstdio>
#include <cstring>

#include "hosting/vsti_soft_synth.h"
#include "patches/patch_device.h"
#include "platform/text.h"

namespace qm {

namespace {

constexpr DWORD kRefreshCleared = 0x1E8;
constexpr DWORD kRefreshSet = 0x14;
constexpr DWORD kCapsReserved20 = 0x20;
constexpr DWORD kGroupSearch = 0x10;           // GetPatch flag: the next patch of the record's group
constexpr int kProgramNameBytes = 128;         // plug-ins write past kVstMaxProgNameLen
constexpr int kPlainNameChars = 256;
constexpr int kMidiNameChars = 65;             // 64 characters
constexpr int kGroupNameChars = 260;
constexpr unsigned char kAnyBank = 255;
constexpr LONG kProgramsPerGroup = 16;

void FormatNumbered(const char* format, LONG number, WCHAR* dest, int capacity) noexcept {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<int>(number));
    platform::AnsiToWide(text, -1, dest, static_cast<size_t>(capacity));
}

BYTE BankByte(char value) noexcept {
    const auto byte = static_cast<unsigned char>(value);
    return byte == kAnyBank ? 0 : byte;
}

bool BankMatches(char named, BYTE wanted) noexcept {
    const auto byte = static_cast<unsigned char>(named);
    return byte == kAnyBank || byte == wanted;
}

void StartRecord(PatchRecord* patch) noexcept {
    patch->flags &= 0x80;
    patch->reserved[0] = 0;
    patch->reserved[1] = 0;
}

}  // namespace

intptr_t CVSTIPatchDevice::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr) noexcept {
    if (owner_ == nullptr) return 0;
    return owner_->CallDispatcher(opcode, index, value, ptr, 0.0f);
}

void CVSTIPatchDevice::NameFromPlugIn(const char* name, size_t bytes, WCHAR* dest, int capacity) const noexcept {
    platform::AnsiToWide(name, static_cast<ptrdiff_t>(strnlen(name, bytes)), dest, static_cast<size_t>(capacity));
}

void CVSTIPatchDevice::RefreshPrograms() noexcept {
    if (owner_ == nullptr) return;
    mode_ &= ~kModeProgramNames;
    categoryCount_ = 0;
    caps_ = (caps_ & ~kRefreshCleared) | kRefreshSet;
    owner_->AskPlugInCanDo(QMW("midiProgramNames"));

    LONG firstChannelPrograms = 0;
    for (int channel = 0; channel < kChannels; ++channel) {
        MidiProgramName name;
        std::memset(&name, 0, sizeof name);
        LONG programs = static_cast<LONG>(Dispatch(effGetMidiProgramName, channel, 0, &name));
        // A fault answers -1: no program names there.
        if (programs < 0) programs = 0;
        if (channel == 0) firstChannelPrograms = programs;
        if (programs == 0) {
            MidiKeyName key;
            std::memset(&key, 0, sizeof key);
            Dispatch(effGetMidiKeyName, channel, 0, &key);
            if ((owner_->Status() & InstanceStatus::Faulted) == 0) {
                std::memset(&key, 0, sizeof key);
                key.thisKeyNumber = 1;
                Dispatch(effGetMidiKeyName, channel, 0, &key);
            }
            // Plug-ins that fault on this optional opcode stay usable.
            owner_->ClearFaulted();
        } else {
            const bool omni = (name.flags & kMidiIsOmni) != 0;
            if (omni) caps_ |= PatchDeviceCaps::OmniOrPlain;
            if (name.parentCategoryIndex >= 0) {
                MidiProgramCategory category;
                std::memset(&category, 0, sizeof category);
                category.thisCategoryIndex = name.parentCategoryIndex;
                categoryCount_ = static_cast<LONG>(Dispatch(effGetMidiProgramCategory, channel, 0, &category));
                if (categoryCount_ >= 2) caps_ |= PatchDeviceCaps::Categories;
            }
            MidiKeyName key;
            std::memset(&key, 0, sizeof key);
            Dispatch(effGetMidiKeyName, channel, 0, &key);
            mode_ |= kModeProgramNames;
            if (omni && firstChannelPrograms == 1) {
                // A single omni name is no program list.
                caps_ = (caps_ & ~PatchDeviceCaps::ProgramNames) | PatchDeviceCaps::NoPrograms;
            } else {
                caps_ |= PatchDeviceCaps::ProgramNames;
            }
        }
        if (caps_ & PatchDeviceCaps::OmniOrPlain) break;
    }

    if ((mode_ & kModeProgramNames) == 0) {
        const AEffect* effect = owner_->Effect();
        const LONG programs = effect != nullptr ? effect->numPrograms : 0;
        caps_ &= ~(PatchDeviceCaps::NoPrograms | PatchDeviceCaps::AtMostOne);
        if (programs == 0) caps_ |= PatchDeviceCaps::NoPrograms;
        if (programs <= 1) caps_ |= PatchDeviceCaps::AtMostOne;
        caps_ |= PatchDeviceCaps::OmniOrPlain;
    }
    caps_ &= ~kCapsReserved20;
    SetDeviceName(owner_->DisplayName());
}

LONG CVSTIPatchDevice::PatchCount(DWORD channel) noexcept {
    if (owner_ == nullptr || (caps_ & PatchDeviceCaps::NoPrograms)) return 0;
    if (!NamesMode()) {
        const AEffect* effect = owner_->Effect();
        return effect != nullptr ? effect->numPrograms : 0;
    }
    MidiProgramName name;
    std::memset(&name, 0, sizeof name);
    return static_cast<LONG>(Dispatch(effGetMidiProgramName, static_cast<int32_t>(channel), 0, &name));
}

LONG CVSTIPatchDevice::BlockSize(LONG count) const noexcept {
    const LONG spread = count / 16;
    return spread > kProgramsPerGroup ? spread : kProgramsPerGroup;
}

void CVSTIPatchDevice::FillPlainPatch(LONG index, PatchRecord* patch) noexcept {
    patch->program = static_cast<BYTE>(index % 128);
    patch->bankLsb = static_cast<BYTE>((index / 128) % 128);
    patch->bankMsb = static_cast<BYTE>((index / 16384) % 128);
    char name[kProgramNameBytes];
    std::memset(name, 0, sizeof name);
    const intptr_t answer = Dispatch(effGetProgramNameIndexed, index, -1, name);
    name[kProgramNameBytes - 1] = 0;
    if (answer == 0 && name[0] == 0) FormatNumbered("Program %d", index + 1, patch->name, kPlainNameChars);
    else NameFromPlugIn(name, sizeof name, patch->name, kPlainNameChars);
}

LONG CVSTIPatchDevice::FillPatch(LONG index, DWORD channel, LONG count, PatchRecord* patch) noexcept {
    StartRecord(patch);
    LONG group = index / BlockSize(count);
    if (NamesMode()) {
        MidiProgramName name;
        std::memset(&name, 0, sizeof name);
        name.thisProgramIndex = index;
        Dispatch(effGetMidiProgramName, static_cast<int32_t>(channel), 0, &name);
        patch->program = static_cast<BYTE>(name.midiProgram);
        patch->bankLsb = BankByte(name.midiBankLsb);
        patch->bankMsb = BankByte(name.midiBankMsb);
        NameFromPlugIn(name.name, sizeof name.name, patch->name, kMidiNameChars);
        if (name.parentCategoryIndex >= 0) group = name.parentCategoryIndex;
    } else {
        FillPlainPatch(index, patch);
    }
    patch->group = group;
    return group;
}

HRESULT CVSTIPatchDevice::GetProgramCount(DWORD channel) noexcept { return PatchCount(channel); }

HRESULT CVSTIPatchDevice::GetPatch(LONG* index, DWORD channel, PatchRecord* patch, DWORD flags) noexcept {
    if (index == nullptr || patch == nullptr) return E_POINTER;
    if (owner_ == nullptr || (caps_ & PatchDeviceCaps::NoPrograms)) return S_FALSE;
    const LONG count = PatchCount(channel);
    if (*index < 0 || *index >= count) return S_FALSE;
    if (!NamesMode()) Dispatch(effGetNumProgramCategories, 0, 0, nullptr);
    if (flags & kGroupSearch) {
        const LONG wanted = patch->group;
        for (LONG i = *index; i < count; ++i) {
            if (FillPatch(i, channel, count, patch) == wanted) {
                *index = i;
                return S_OK;
            }
        }
        return S_FALSE;
    }
    FillPatch(*index, channel, count, patch);
    return S_OK;
}

HRESULT CVSTIPatchDevice::GetCurrentPatch(LONG* index, DWORD channel, PatchRecord* patch) noexcept {
    if (index == nullptr || patch == nullptr) return E_POINTER;
    if (owner_ == nullptr || (caps_ & PatchDeviceCaps::NoPrograms)) return S_FALSE;
    StartRecord(patch);
    if (NamesMode()) {
        MidiProgramName name;
        std::memset(&name, 0, sizeof name);
        *index = static_cast<LONG>(Dispatch(effGetCurrentMidiProgram, static_cast<int32_t>(channel), 0, &name));
        patch->program = static_cast<BYTE>(name.midiProgram);
        patch->bankLsb = BankByte(name.midiBankLsb);
        patch->bankMsb = BankByte(name.midiBankMsb);
        NameFromPlugIn(name.name, sizeof name.name, patch->name, kMidiNameChars);
        patch->group = name.parentCategoryIndex >= 0 ? name.parentCategoryIndex : *index / kProgramsPerGroup;
        return S_OK;
    }
    *index = static_cast<LONG>(Dispatch(effGetProgram, 0, 0, nullptr));
    FillPlainPatch(*index, patch);
    patch->group = *index / kProgramsPerGroup;
    return S_OK;
}

HRESULT CVSTIPatchDevice::FindPatch(LONG* index, DWORD channel, PatchRecord* patch) noexcept {
    if (index == nullptr || patch == nullptr) return E_POINTER;
    *index = -1;
    if (owner_ == nullptr || (caps_ & PatchDeviceCaps::AtMostOne)) return S_FALSE;
    if (NamesMode()) {
        const LONG count = PatchCount(channel);
        for (LONG i = 0; i < count; ++i) {
            MidiProgramName name;
            std::memset(&name, 0, sizeof name);
            name.thisProgramIndex = i;
            Dispatch(effGetMidiProgramName, static_cast<int32_t>(channel), 0, &name);
            if (static_cast<BYTE>(name.midiProgram) != patch->program || !BankMatches(name.midiBankLsb, patch->bankLsb) ||
                !BankMatches(name.midiBankMsb, patch->bankMsb))
                continue;
            *index = i;
            NameFromPlugIn(name.name, sizeof name.name, patch->name, kMidiNameChars);
            patch->group = i / kProgramsPerGroup;
            return S_OK;
        }
        return S_FALSE;
    }
    // The whole index is compared with the program count, so that banks past the first find their
    // programs and a bank past the end finds nothing.
    const LONG found = patch->bankMsb * 16384 + patch->bankLsb * 128 + patch->program;
    if (found >= PatchCount(channel)) return S_FALSE;
    *index = found;
    StartRecord(patch);
    FillPlainPatch(found, patch);
    patch->group = found / kProgramsPerGroup;
    return S_OK;
}

HRESULT CVSTIPatchDevice::GetGroupCount(DWORD channel) noexcept {
    if (owner_ == nullptr || (caps_ & PatchDeviceCaps::NoPrograms)) return 0;
    const LONG categories = static_cast<LONG>(Dispatch(effGetNumProgramCategories, 0, 0, nullptr));
    if (categories >= 2) return categories;
    const LONG count = PatchCount(channel);
    if (count == 0) return categories;
    if (NamesMode()) {
        MidiProgramCategory category;
        std::memset(&category, 0, sizeof category);
        const LONG named = static_cast<LONG>(Dispatch(effGetMidiProgramCategory, static_cast<int32_t>(channel), 0, &category));
        if (named != 0) return named;
    }
    const LONG block = BlockSize(count);
    return (count + block - 1) / block;
}

HRESULT CVSTIPatchDevice::GetGroupName(LONG index, DWORD channel, PatchGroupRecord* group) noexcept {
    if (owner_ == nullptr || (caps_ & PatchDeviceCaps::NoPrograms)) return S_FALSE;
    if (index < 0 || index >= GetGroupCount(channel)) return S_FALSE;
    if (group == nullptr || group->name == nullptr) return S_OK;
    MidiProgramCategory category;
    std::memset(&category, 0, sizeof category);
    category.thisCategoryIndex = index;
    Dispatch(effGetMidiProgramCategory, static_cast<int32_t>(channel), 0, &category);
    category.name[sizeof category.name - 1] = 0;
    if (category.name[0] == 0) FormatNumbered("Group %d", index + 1, group->name, kGroupNameChars);
    else NameFromPlugIn(category.name, sizeof category.name, group->name, kGroupNameChars);
    return S_OK;
}

}  // namespace qm
