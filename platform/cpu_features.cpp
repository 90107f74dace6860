#include "platform/cpu_features.h"

namespace qm::platform {

namespace {

CpuFeatures DetectCpuFeatures() noexcept {
    // A look-up may run from a static initialiser of another module before the compiler runtime has
    // read cpuid for us: initialise it explicitly.
    __builtin_cpu_init();
    CpuFeatures f{};
    f.sse2 = __builtin_cpu_supports("sse2") != 0;
    f.sse3 = __builtin_cpu_supports("sse3") != 0;
    f.ssse3 = __builtin_cpu_supports("ssse3") != 0;
    f.sse41 = __builtin_cpu_supports("sse4.1") != 0;
    f.avx = __builtin_cpu_supports("avx") != 0;
    f.avx2 = __builtin_cpu_supports("avx2") != 0;
    return f;
}

}  // namespace

const CpuFeatures& GetCpuFeatures() noexcept {
    static const CpuFeatures features = DetectCpuFeatures();
    return features;
}

}  // namespace qm::platform
