// A private instance of a plug-in, loaded by the host itself beside the library's instance: for
// what the library's MIDI device does not carry (parameter display texts, effString2Parameter,
// program names that a plug-in gives only for its current program). The host has no guard of its
// own: open only a module the library has already loaded without a fault.
#pragma once
#include <cstdint>
#include <string>

#include "qmvsti/vst2.h"

namespace qm::host {

class PrivatePlugIn {
public:
    PrivatePlugIn() = default;
    ~PrivatePlugIn();
    PrivatePlugIn(const PrivatePlugIn&) = delete;
    PrivatePlugIn& operator=(const PrivatePlugIn&) = delete;

    // Loads, enters and opens the module at 44.1 kHz; false with a reason.
    bool Open(const std::string& utf8Path, std::string* error);
    void Close();

    int32_t Programs() const { return effect_ != nullptr ? effect_->numPrograms : 0; }
    int32_t Parameters() const { return effect_ != nullptr ? effect_->numParams : 0; }
    // Selects `program` and reads its name the way the plug-in names its current program (opcode 5).
    std::string ProgramNameBySelecting(int32_t program);
    std::string ParameterLabel(int32_t index);
    std::string ParameterDisplay(int32_t index);
    float Parameter(int32_t index);
    // effString2Parameter: true when the plug-in took the text; the new 0-1 value in *value.
    bool ParameterFromText(int32_t index, const std::string& text, float* value);

private:
    std::string Text(int32_t opcode, int32_t index);

    void* module_ = nullptr;
    AEffect* effect_ = nullptr;
};

}  // namespace qm::host
