#include "ui/synth_page_logic.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "hosting/vsti_soft_synth.h"
#include "patches/patch_device.h"
#include "platform/text.h"
#include "qmvsti/callbacks.h"

namespace qm {

namespace {

// Plug-ins write program names past kVstMaxProgNameLen; the buffer leaves them room.
constexpr int kNameBufferBytes = 256;
constexpr int kListNameChars = 64;

}  // namespace

void DefaultProgramName(int number, WCHAR* name, int capacity) noexcept {
    char narrow[32];
    std::snprintf(narrow, sizeof narrow, "Preset %d", number);
    platform::AnsiToWide(narrow, -1, name, static_cast<size_t>(capacity));
}

SynthPageLogic::SynthPageLogic(CVSTiSofthSynth* synth, ISynthPageView& view, SynthPageState& state) noexcept
    : synth_(synth), view_(view), state_(state) {}

bool SynthPageLogic::HasEditor() const noexcept {
    return synth_ != nullptr && synth_->Effect() != nullptr && (synth_->Effect()->flags & effFlagsHasEditor) != 0;
}

int SynthPageLogic::ProgramCount() const noexcept {
    return synth_ != nullptr && synth_->Effect() != nullptr ? synth_->Effect()->numPrograms : 0;
}

void SynthPageLogic::Notify(DWORD status) noexcept {
    if (site_ != nullptr) site_->OnStatusChange(status);
}

void SynthPageLogic::Open() noexcept {
    FillPrograms();
    UpdateToolbar();
    if (!HasEditor()) return;
    synth_->CallDispatcher(effEditOpen, 0, 0, view_.EditorSite(), 0.0f);
    view_.ShowEditorSite();
    SizeDialog();
}

void SynthPageLogic::Close() noexcept {
    if (HasEditor()) synth_->CallDispatcher(effEditClose, 0, 0, nullptr, 0.0f);
}

void SynthPageLogic::FillPrograms() noexcept {
    view_.LimitProgramText(kProgramTextChars);
    view_.ClearPrograms();
    const int count = ProgramCount();
    view_.EnablePrograms(count > 0);
    if (count <= 0) return;
    const intptr_t current = synth_->CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f);
    if (current < 0) return;
    // Zeroed once: a plug-in that answers without writing leaves the previous name's bytes, which
    // is how the host has always read such lists.
    char narrow[kNameBufferBytes];
    std::memset(narrow, 0, sizeof narrow);
    int currentEntry = -1;
    for (int i = 0; i < count; ++i) {
        WCHAR name[kListNameChars] = {};
        const intptr_t answer = synth_->CallDispatcher(effGetProgramNameIndexed, i, -1, narrow, 0.0f);
        narrow[kNameBufferBytes - 1] = 0;
        uint32_t head = 0;
        std::memcpy(&head, narrow, sizeof head);
        if (answer == 0 || head == 0) {
            // An unnamed program gets a name, and the plug-in is told it, so both show the same.
            DefaultProgramName(i + 1, name, kListNameChars);
            synth_->CallDispatcher(effSetProgram, 0, i, nullptr, 0.0f);
            synth_->SetPlugInString(effSetProgramName, name, kPlugInNameBytes);
        } else {
            platform::AnsiToWide(narrow, -1, name, kListNameChars);
        }
        view_.AddProgram(name, i);
        if (i == current) currentEntry = i;
    }
    view_.SelectProgramEntry(currentEntry);
    synth_->CallDispatcher(effSetProgram, 0, current, nullptr, 0.0f);
}

void SynthPageLogic::SelectProgram() noexcept {
    if (synth_ == nullptr) return;
    const int program = view_.SelectedProgram();
    if (program < 0 || program >= ProgramCount()) return;
    synth_->CallDispatcher(effSetProgram, 0, program, nullptr, 0.0f);
    synth_->IdlePass();
    if (CVSTIPatchDevice* device = synth_->PatchDevice(); device != nullptr) {
        device->RefreshPrograms();
        device->SendPatchChange();
    }
    Notify(PageStatus::Dirty);
}

void SynthPageLogic::NoteNameEdited() noexcept {
    nameEdited_ = true;
    Notify(PageStatus::Dirty);
}

void SynthPageLogic::FinishRename() noexcept {
    if (!nameEdited_ || synth_ == nullptr) return;
    const intptr_t current = synth_->CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f);
    WCHAR name[kRenameChars] = {};
    view_.ReadProgramText(name, kRenameChars);
    if (name[0] == 0) DefaultProgramName(static_cast<int>(current) + 1, name, kRenameChars);
    synth_->SetPlugInString(effSetProgramName, name, kPlugInNameBytes);
    Notify(PageStatus::Dirty);
    FillPrograms();
    nameEdited_ = false;
}

void SynthPageLogic::UpdateToolbar() noexcept {
    const bool running = synth_ != nullptr && (synth_->Status() & InstanceStatus::ProcessEvents) != 0;
    view_.SetToolbarState(running, ProgramCount() >= 1);
}

void SynthPageLogic::Command(int command) noexcept {
    if (synth_ == nullptr) return;
    const HWND owner = view_.DialogWindow();
    presets::IPresetDialogs& dialogs = view_.PresetDialogs();
    switch (command) {
    case PageCommand::SavePreset: presets::SavePresetCommand(*synth_, owner, dialogs); break;
    case PageCommand::SaveBank: presets::SaveBankCommand(*synth_, owner, dialogs); break;
    case PageCommand::OpenPreset:
    case PageCommand::OpenBank:
        if (command == PageCommand::OpenPreset) presets::OpenPresetCommand(*synth_, owner, dialogs);
        else presets::OpenBankCommand(*synth_, owner, dialogs);
        FillPrograms();
        Notify(PageStatus::Dirty);
        break;
    case PageCommand::Power:
        synth_->TogglePower();
        UpdateToolbar();
        break;
    default: break;
    }
}

void SynthPageLogic::EditorIdle() noexcept {
    if (HasEditor()) synth_->IdlePass();
}

void SynthPageLogic::DisplayUpdate(int width, int height) noexcept {
    if (!HasEditor()) return;
    if (ProgramCount() > 0) {
        FillPrograms();
        Notify(PageStatus::Dirty);
    }
    synth_->IdlePass();
    if (width != 0 && height != 0) {
        Layout(width, height);
        Notify(PageStatus::Resized);
    }
}

bool SynthPageLogic::EditorRect(PageExtent& size) noexcept {
    ERect* rect = nullptr;
    synth_->CallDispatcher(effEditGetRect, 0, 0, &rect, 0.0f);
    if (rect == nullptr) return false;
    size.width = rect->right - rect->left;
    size.height = rect->bottom - rect->top;
    return true;
}

bool SynthPageLogic::EditorSize(int width, int height, PageExtent& size) noexcept {
    if (width != 0 && height != 0) {
        size = {width, height};
        return true;
    }
    if (state_.sizeDiffers) {
        size = {state_.askedWidth, state_.askedHeight};
        return true;
    }
    return EditorRect(size);
}

bool SynthPageLogic::SizeDialog(int width, int height) noexcept {
    PageExtent editor;
    if (!HasEditor() || !EditorSize(width, height, editor)) return false;
    const PageExtent toolbar = view_.ToolbarSize();
    const PageExtent list = view_.ProgramListSize();
    const PageExtent label = view_.LabelSize();
    const int topRow = std::max(toolbar.height, list.height);
    state_.pageWidth = std::max(editor.width, toolbar.width + list.width + label.width + 8) + 10;
    state_.pageHeight = editor.height + view_.SeparatorSize().height + topRow + 14;
    view_.ResizeDialog(state_.pageWidth, state_.pageHeight);
    Layout(editor.width, editor.height);
    return true;
}

void SynthPageLogic::Layout(int width, int height) noexcept {
    if (!HasEditor()) return;
    const PageExtent label = view_.LabelSize();
    const PageExtent list = view_.ProgramListSize();
    const PageExtent toolbar = view_.ToolbarSize();
    const PageExtent separator = view_.SeparatorSize();
    const PageExtent inset = view_.InsetClientSize();
    const int topRow = std::max(toolbar.height, list.height);
    PageLayout layout;
    layout.label = {5, (topRow + 10 - label.height) / 2, label.width, label.height};
    layout.programs = {label.width + 9, (topRow + 10 - list.height) / 2, list.width, list.height};
    layout.toolbar = {label.width + 9 + list.width + 4, (topRow - toolbar.height + 10) / 2, toolbar.width, toolbar.height};
    const int lineWidth = std::max(std::min(inset.width, width), layout.toolbar.x + toolbar.width - 5);
    layout.separator = {5, topRow + 9, lineWidth, separator.height};
    const int siteTop = topRow + 9 + separator.height;
    layout.site = {5, siteTop, std::min(width, lineWidth), std::min(height, 5 + inset.height - siteTop)};
    view_.PlaceWindows(layout);
}

void SynthPageLogic::OnSize() noexcept {
    if (!HasEditor()) return;
    if (state_.sizing) {
        Layout(state_.askedWidth, state_.askedHeight);
        return;
    }
    PageExtent editor;
    if (EditorSize(0, 0, editor)) Layout(editor.width, editor.height);
}

void SynthPageLogic::SizeRequest(int width, int height) noexcept {
    if (!HasEditor()) return;
    state_.sizing = true;
    state_.askedWidth = width;
    state_.askedHeight = height;
    Layout(width, height);
    if (width != 0 && height != 0) Notify(PageStatus::Resized);
    state_.sizing = false;
    PageExtent editor;
    if (!EditorRect(editor)) {
        state_.askedWidth = 0;
        state_.askedHeight = 0;
        return;
    }
    state_.sizeDiffers = editor.width != width || editor.height != height;
}

}  // namespace qm
