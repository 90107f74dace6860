// The module's exports toward the host: the driver-class factory and the language change.
#include "discovery/synth_type.h"
#include "entry/entry.h"
#include "entry/module_start.h"
#include "framework/kernel.h"
#include "framework/lang.h"

QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMIDIDriver_CreateDriverClass(void** out) noexcept {
    return qm::CQmVSTiSynthType::CreateDriverClass(out);
}

QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmDLL_UpdateLCID(LCID lcid) noexcept {
    QmLang_UpdateKernelLCID(qm::KernelLangHandle(), lcid, 1);
    qm::RebuildHelpPathsForLanguage(qm::KernelModule(), lcid);
    return S_OK;
}
