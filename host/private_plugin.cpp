#include "private_plugin.h"

#include <cstring>

#include "host_os.h"
#include "plugin_probe.h"

namespace qm::host {

namespace {

// Plug-ins write past the VST headers' string sizes.
constexpr size_t kTextRoom = 512;

}  // namespace

PrivatePlugIn::~PrivatePlugIn() { Close(); }

bool PrivatePlugIn::Open(const std::string& utf8Path, std::string* error) {
    Close();
    module_ = OsLoadModule(utf8Path, error);
    if (module_ == nullptr) return false;
    AEffect* effect = EnterVstModule(module_, utf8Path, error);
    if (effect == nullptr) {
        OsUnloadModule(module_);
        module_ = nullptr;
        return false;
    }
    effect_ = effect;
    effect_->dispatcher(effect_, effOpen, 0, 0, nullptr, 0.0f);
    effect_->dispatcher(effect_, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect_->dispatcher(effect_, effSetBlockSize, 0, 1024, nullptr, 0.0f);
    return true;
}

void PrivatePlugIn::Close() {
    if (effect_ != nullptr) effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    if (module_ != nullptr) OsUnloadModule(module_);
    module_ = nullptr;
}

std::string PrivatePlugIn::Text(int32_t opcode, int32_t index) {
    if (effect_ == nullptr) return {};
    char text[kTextRoom];
    std::memset(text, 0, sizeof text);
    effect_->dispatcher(effect_, opcode, index, 0, text, 0.0f);
    text[kTextRoom - 1] = 0;
    return text;
}

std::string PrivatePlugIn::ProgramNameBySelecting(int32_t program) {
    if (effect_ == nullptr) return {};
    effect_->dispatcher(effect_, effSetProgram, 0, program, nullptr, 0.0f);
    return Text(effGetProgramName, 0);
}

std::string PrivatePlugIn::ParameterLabel(int32_t index) { return Text(effGetParamLabel, index); }
std::string PrivatePlugIn::ParameterDisplay(int32_t index) { return Text(effGetParamDisplay, index); }

float PrivatePlugIn::Parameter(int32_t index) {
    return effect_ != nullptr && effect_->getParameter != nullptr ? effect_->getParameter(effect_, index) : 0.0f;
}

bool PrivatePlugIn::ParameterFromText(int32_t index, const std::string& text, float* value) {
    if (effect_ == nullptr) return false;
    char copy[kTextRoom];
    std::memset(copy, 0, sizeof copy);
    std::strncpy(copy, text.c_str(), sizeof copy - 1);
    if (effect_->dispatcher(effect_, effString2Parameter, index, 0, copy, 0.0f) == 0) return false;
    *value = Parameter(index);
    return true;
}

}  // namespace qm::host
