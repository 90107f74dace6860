// edit: the plug-in's own editor in a window of its own, for designing a sound that render then
// plays: a preset or bank loaded first, the program or every program saved when the window closes.
#include <cstdio>
#include <filesystem>

#include "cli.h"
#include "editor_host_window.h"
#include "qmvsti/editor.h"
#include "text.h"

namespace qm::host::cli {

namespace {

struct EditArguments {
    std::string plugIn, preset, save, screenshot;
    long closeAfterMs = -1;
};

bool ParseEdit(const std::vector<std::string>& arguments, EditArguments* edit, std::string* error) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string name, value;
        if (!TakeOption(arguments, &i, &IsEditValueOption, &name, &value, error)) return false;
        if (name == "-p" || name == "--plugin") {
            edit->plugIn = value;
        } else if (name == "--preset") {
            edit->preset = value;
        } else if (name == "--save") {
            edit->save = value;
        } else if (name == "--screenshot") {
            edit->screenshot = value;
        } else if (name == "--close-after-ms") {
            if (!ParseWholeNumber(value, &edit->closeAfterMs) || edit->closeAfterMs < 0) {
                *error = "--close-after-ms must be a number of milliseconds, not " + value;
                return false;
            }
        } else {
            *error = "edit does not take " + arguments[i];
            return false;
        }
    }
    if (edit->plugIn.empty()) *error = "edit needs an instrument: -p NAME|PATH";
    else if (!edit->save.empty() && FileExtension(edit->save) != ".fxp" && FileExtension(edit->save) != ".fxb")
        *error = "--save needs a .fxp (the program) or .fxb (every program) file, not " + edit->save;
    return error->empty();
}

void PrintSize(LONG width, LONG height) {
    std::printf("editor: %ldx%ld\n", static_cast<long>(width), static_cast<long>(height));
    std::fflush(stdout);
}

}  // namespace

bool IsEditValueOption(const std::string& arg) {
    return arg == "-p" || arg == "--plugin" || arg == "--preset" || arg == "--save" || arg == "--screenshot" ||
           arg == "--close-after-ms";
}

bool ParseEditArguments(const std::vector<std::string>& arguments, std::string* error) {
    EditArguments edit;
    return ParseEdit(arguments, &edit, error);
}

int RunEdit(const Options& options) {
    EditArguments edit;
    std::string error;
    if (!ParseEdit(options.arguments, &edit, &error)) return Fail(kExitUsage, error);
    if (const char* missing = EditorWindowMissing(); missing != nullptr) return Fail(kExitUsage, missing);
    HostSession session(options.verbose);
    IQmSoftSynth* instance = nullptr;
    if (const int code = CreatePlugInInstance(options, edit.plugIn, &session, &instance); code != kExitOk) return code;
    IQmSoftSynthEditor* editor = nullptr;
    int code = PrepareInstance(instance, "", edit.preset);
    if (code == kExitOk && FAILED(instance->QueryInterface(IID_IQmSoftSynthEditor, reinterpret_cast<void**>(&editor))))
        code = Fail(kExitFailure, "the library offers no editor window");
    if (code == kExitOk) {
        EditorWindowOptions window;
        window.title = edit.plugIn;
        window.screenshot = edit.screenshot;
        window.closeAfterMs = edit.closeAfterMs;
        EditorWindowOutcome outcome;
        const EditorWindowResult result = RunEditorWindow(editor, window, &PrintSize, &outcome);
        if (result == EditorWindowResult::NoDisplay || result == EditorWindowResult::NotAvailable)
            code = Fail(kExitUsage, outcome.error);
        else if (result == EditorWindowResult::Failed)
            code = Fail(kExitFailure, outcome.error);
    }
    if (editor != nullptr) editor->Release();
    IQmSoftSynthPresets* files = nullptr;
    if (code == kExitOk && !edit.save.empty()) {
        if (FAILED(instance->QueryInterface(IID_IQmSoftSynthPresets, reinterpret_cast<void**>(&files))))
            code = Fail(kExitFailure, "the library offers no preset files");
        else
            code = WritePresetFile(files, edit.save, edit.plugIn);
    }
    if (files != nullptr) files->Release();
    instance->Release();
    return code;
}

}  // namespace qm::host::cli
