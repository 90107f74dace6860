#include "presets/preset_commands.h"

#include <cstring>

#include "framework/lang.h"
#include "framework/text_format.h"
#include "presets/preset_files.h"

namespace qm::presets {

namespace {

constexpr int kNameChars = 256;
constexpr int kFilterChars = 256;
constexpr int kMessageChars = 1024;

struct Command {
    bool save, bank;
    UINT title, filter, extension, error;
    HRESULT (*operation)(CVSTiSofthSynth&, const WCHAR*) noexcept;
};

constexpr Command kSavePreset{true, false, 1031, 1046, 1045, 1039, &SavePresetFile};
constexpr Command kOpenPreset{false, false, 1029, 1046, 1045, 1037, &LoadPresetFile};
constexpr Command kSaveBank{true, true, 1030, 1043, 1044, 1040, &SaveBankFile};
constexpr Command kOpenBank{false, true, 1027, 1043, 1044, 1038, &LoadBankFile};
constexpr UINT kIdsUnknown = 1049;           // "Unknown"
constexpr UINT kIdsNotForThisVsti = 1041;    // "This file %s is not for this VSTi."
constexpr UINT kIdsUnknownLoadError = 1042;  // "Unknown error loading %s."

const WCHAR* Text(UINT id) noexcept { return QmGetString(KernelLangHandle(), id); }

// Where the file name starts (behind the last separator) and where its extension starts (the last
// dot of the name, or the end).
void SplitPath(const WCHAR* path, size_t* name, size_t* extension) noexcept {
    size_t length = 0;
    *name = 0;
    for (; path[length] != 0; ++length) {
        if (path[length] == '\\' || path[length] == '/' || path[length] == ':') *name = length + 1;
    }
    *extension = length;
    for (size_t i = length; i > *name; --i) {
        if (path[i - 1] == '.') {
            *extension = i - 1;
            break;
        }
    }
}

// The chosen name with the command's extension instead of whatever the user typed.
void ReplaceExtension(WCHAR* path, const WCHAR* extension) noexcept {
    size_t name = 0, dot = 0;
    SplitPath(path, &name, &dot);
    const size_t room = kDialogPathChars - 1;
    size_t at = dot;
    if (at < room) path[at++] = '.';
    for (const WCHAR* e = extension; *e != 0 && at < room; ++e) path[at++] = *e;
    path[at] = 0;
}

void RememberFolder(CVSTiSofthSynth& synth, const WCHAR* path) noexcept {
    size_t name = 0, extension = 0;
    SplitPath(path, &name, &extension);
    WCHAR* folder = synth.PresetFolder();
    std::memcpy(folder, path, name * sizeof(WCHAR));
    folder[name] = 0;
}

void ShowError(HWND owner, IPresetDialogs& dialogs, const Command& command, const WCHAR* name, const WCHAR* path, HRESULT result) noexcept {
    WCHAR detail[kMessageChars];
    if (command.save) {
        FormatTexts(detail, kMessageChars, Text(kIdsUnknown), {});
    } else {
        size_t start = 0, extension = 0;
        SplitPath(path, &start, &extension);
        FormatTexts(detail, kMessageChars, Text(result == QM_S_FILE_NOT_FOR_PLUGIN ? kIdsNotForThisVsti : kIdsUnknownLoadError),
                    {path + start});
    }
    WCHAR message[kMessageChars];
    FormatTexts(message, kMessageChars, Text(command.error), {name, detail});
    dialogs.ShowMessage(owner, message, kErrorBoxStyle);
}

HRESULT Run(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs, const Command& command) noexcept {
    const intptr_t current = command.bank ? synth.CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f) : 0;
    WCHAR name[kNameChars] = {};
    synth.GetName(name, kNameChars);
    WCHAR title[kMessageChars];
    FormatTexts(title, kMessageChars, Text(command.title), {name});
    WCHAR filter[kFilterChars + 1] = {};
    QmLoadString(KernelLangHandle(), command.filter, filter, kFilterChars);
    for (WCHAR& c : filter) {
        if (c == '\t') c = 0;
    }
    WCHAR path[kDialogPathChars] = {};
    GetPresetFolder(synth, path, kDialogPathChars);
    const PresetDialogRequest request{owner, title, path, filter, 1};
    if ((command.save ? dialogs.GetFileNameForWrite(request) : dialogs.SelectFile(request)) != 0) return S_OK;

    path[kDialogPathChars - 1] = 0;
    if (command.save) ReplaceExtension(path, Text(command.extension));
    const HRESULT result = command.operation(synth, path);
    if (result != S_OK) ShowError(owner, dialogs, command, name, path, result);
    // A failed open keeps the folder: the user was looking in the wrong place.
    if (command.save || result == S_OK) RememberFolder(synth, path);
    if (command.bank) synth.CallDispatcher(effSetProgram, 0, current, nullptr, 0.0f);
    return S_OK;
}

}  // namespace

HRESULT SavePresetCommand(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs) noexcept {
    return Run(synth, owner, dialogs, kSavePreset);
}
HRESULT OpenPresetCommand(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs) noexcept {
    return Run(synth, owner, dialogs, kOpenPreset);
}
HRESULT SaveBankCommand(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs) noexcept {
    return Run(synth, owner, dialogs, kSaveBank);
}
HRESULT OpenBankCommand(CVSTiSofthSynth& synth, HWND owner, IPresetDialogs& dialogs) noexcept {
    return Run(synth, owner, dialogs, kOpenBank);
}

}  // namespace qm::presets
