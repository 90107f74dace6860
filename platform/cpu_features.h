// Processor features that select the SIMD variants of the sample converters at look-up time.
#pragma once

namespace qm::platform {

struct CpuFeatures {
    bool sse2;
    bool sse3;
    bool ssse3;
    bool sse41;
    bool avx;
    bool avx2;
};

// Features of the processor the module runs on, detected once (cpuid through the compiler's runtime).
const CpuFeatures& GetCpuFeatures() noexcept;

inline bool CpuHasSse2() noexcept { return GetCpuFeatures().sse2; }

}  // namespace qm::platform
