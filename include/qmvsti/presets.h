/* IQmSoftSynthPresets: the preset (.fxp) and bank (.fxb) files of one instance without the instance
 * property page, for the substitute host and tools that drive instances from a command line. The
 * host application never asks for it; an instance answers its QueryInterface with a companion
 * object that holds a reference on the instance.
 *
 * Threads: the host's user-interface thread, never during a render. Paths are read, not kept.
 * Results: 0; S_FALSE when a chunk plug-in has nothing to save (a preset file is then not created,
 * a bank file stays empty); QM_S_FILE_NOT_FOR_PLUGIN for a file of another plug-in or version, or
 * one whose sizes run past its bytes (the plug-in is not touched); E_OUTOFMEMORY;
 * QM_E_PLUGIN_EXCEPTION; the file's operating-system error. */
#ifndef QMVSTI_PRESETS_H
#define QMVSTI_PRESETS_H

#include "callconv.h"
#include "com.h"

namespace qm {

inline constexpr IID IID_IQmSoftSynthPresets = {0x3C1F6A52, 0x8E07, 0x4B3D, {0x9A, 0x41, 0x6D, 0x2E, 0x90, 0xB8, 0x17, 0xC5}};

struct IQmSoftSynthPresets : IUnknown {
    /* 3, 4: the current program. */
    virtual HRESULT QM_COMCALL SavePresetFile(LPCWSTR path) noexcept = 0;
    virtual HRESULT QM_COMCALL LoadPresetFile(LPCWSTR path) noexcept = 0;
    /* 5, 6: every program; the program that was current before is current again afterwards. */
    virtual HRESULT QM_COMCALL SaveBankFile(LPCWSTR path) noexcept = 0;
    virtual HRESULT QM_COMCALL LoadBankFile(LPCWSTR path) noexcept = 0;
    /* 7: makes `program` (0 to the plug-in's count - 1) current; E_INVALIDARG outside that range. */
    virtual HRESULT QM_COMCALL SelectProgram(LONG program) noexcept = 0;
};

} // namespace qm

#endif
