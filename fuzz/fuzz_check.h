// The invariant checks of the fuzz targets: a broken one names itself and stops the run, which
// libFuzzer reports as a crash with the input that caused it.
#pragma once
#include <cstdio>
#include <cstdlib>

namespace qm::fuzz {

inline void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace qm::fuzz
