// A module whose entry point returns an AEffect with a byte-swapped magic, as a plug-in built with the
// four characters in the wrong order does. The block is static: a host rejects it without effClose,
// so nothing may be allocated for it.
#include <cstring>
#include "common/plugin_base.h"
#include "protocol.h"

namespace {

intptr_t VSTCALLBACK WrongMagicDispatcher(AEffect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

AEffect& WrongMagicEffect() {
    static AEffect effect = [] {
        AEffect block;
        std::memset(&block, 0, sizeof block);
        block.magic = qmtest::kWrongMagicValue;
        block.dispatcher = &WrongMagicDispatcher;
        block.numOutputs = 2;
        block.flags = effFlagsIsSynth;
        block.uniqueID = VstFourCC('Q', 'm', 'W', 'm');
        return block;
    }();
    return effect;
}

}  // namespace

extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host) { return &WrongMagicEffect(); }
