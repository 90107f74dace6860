// The line log of the recorder and the fault module: each line is appended to the file named by
// QMVSTI_RECORDER_LOG with its own open, write and close, so a test sees every line written before a
// crash and may switch files between calls. Nothing is written while the variable is unset.
#pragma once

namespace qmtest {

// Appends text and a line feed. Safe from any thread.
void AppendLogLine(const char* text);

}  // namespace qmtest
