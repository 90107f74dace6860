// The plug-in state block reader fed arbitrary bytes as an instance state stream (for the plug-in
// whose ID the first four bytes name). What it accepts is no larger than the stream, and it leaves
// the stream inside it.
#include <vector>

#include "fuzz_check.h"
#include "presets/state_block_reader.h"
#include "presets/stream_io.h"
#include "streams.h"

using qm::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm::presets;
    const int32_t uniqueId = size >= 4 ? static_cast<int32_t>(GetLe32(data)) : 0;
    qm::host::MemoryStream* stream = qm::host::MemoryStream::Create(std::vector<BYTE>(data, data + size));
    StateBlock block;
    const HRESULT result = ReadStateBlock(stream, uniqueId, &block);
    uint64_t position = 0;
    Check(StreamTell(stream, &position) == S_OK && position <= size, "the stream left outside its bytes");
    stream->Release();
    if (result != S_OK) return 0;
    if (block.flags & 0x20) {
        Check(block.chunk != nullptr && block.chunkSize > 0 && block.chunkSize <= size, "a chunk larger than the stream");
        return 0;
    }
    Check(block.programs.size() <= block.programCount && block.programs.size() <= size / 36, "more programs than bytes");
    size_t bytes = 0;
    for (const StateProgram& program : block.programs) {
        Check(!program.name.empty() && program.name.back() == 0 && program.name.size() <= kStateNameUnits, "a name not terminated");
        bytes += 36 + 2 * program.name.size() + 8 * program.parameters.size();
    }
    Check(bytes <= size, "entries larger than the stream");
    return 0;
}
