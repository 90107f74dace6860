// The reference synth's chunk: a versioned little-endian image of its programs (layout in protocol.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>
#include "qmref/ref_params.h"

namespace qmtest {

// A bank chunk holds every program; a program chunk only the current one.
std::vector<uint8_t> WriteRefChunk(bool bank, int current, const RefProgram (&programs)[kRefPrograms]);
// Applies a chunk written by WriteRefChunk: a bank replaces every program and the current program, a
// program chunk replaces the current program. False, and nothing changed, for anything else.
bool ReadRefChunk(const void* data, size_t size, bool bank, int* current,
                  RefProgram (&programs)[kRefPrograms]);

}  // namespace qmtest
