// What the module sets up for its host process once the framework runs: the caption of its message
// boxes and the path of its context help. RunDLL32 only loads the module to call one export, so it
// gets neither.
#include "entry/module_start.h"

#include "framework/app_services.h"
#include "framework/lang.h"
#include "platform/module.h"

namespace qm {

namespace {

constexpr int kHelpPathChars = 260;

bool RebuildHelpPath(HINSTANCE module, int kind) noexcept {
    WCHAR path[kHelpPathChars];
    if (FAILED(QmHelp_CreateHelpFilePath(kind, module, path, kHelpPathChars, 0, 0))) return false;
    return SUCCEEDED(QmHelp_SetHelpFilePath(kind, path));
}

}  // namespace

const WCHAR kMessageBoxCaption[] = QMW("Kelo VSTi Soft Synth");

void SetUpForHostProcess(HINSTANCE module, const WCHAR* executablePath) noexcept {
    if (IsRunDll32Process(executablePath)) return;
    QmMsgBoxSetAppData(module, 0, kMessageBoxCaption);
    RebuildHelpPath(module, QMHELP_KIND_CONTEXT);
}

void SetUpForThisProcess(HINSTANCE module) noexcept {
    WCHAR executable[1024];
    if (platform::ProcessExecutablePath(executable, 1024) == 0) executable[0] = 0;
    SetUpForHostProcess(module, executable);
}

void RebuildHelpPathsForLanguage(HINSTANCE module, LCID lcid) noexcept {
    // English help is the one found at load; only a translated language moves the files.
    if (QmLang_IsLCIDEnglish(lcid)) return;
    RebuildHelpPath(module, QMHELP_KIND_MAIN);
    RebuildHelpPath(module, QMHELP_KIND_CONTEXT);
}

}  // namespace qm
