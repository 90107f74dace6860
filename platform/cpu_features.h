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
inline bool CpuHasSsse3() noexcept { return GetCpuFeatures().ssse3; }
// The compiler runtime reports AVX2 only where the system also saves the ymm registers (xgetbv).
inline bool CpuHasAvx2() noexcept { return GetCpuFeatures().avx2; }

}  // namespace qm::platform
