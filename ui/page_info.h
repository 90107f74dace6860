// What both property pages report in GetPageInfo: the title "VSTi Soft Synth" and a size, with
// the record's size field capped at the 32-bit host's PROPPAGEINFO.
#pragma once
#include "qmvsti/com.h"

namespace qm {

// E_POINTER for a null record, E_OUTOFMEMORY when the title cannot be copied, else S_OK.
HRESULT FillPageInfo(PROPPAGEINFO* info, LONG width, LONG height) noexcept;

}  // namespace qm
