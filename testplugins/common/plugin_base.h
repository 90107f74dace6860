// The skeleton every test instrument shares: it owns the AEffect handed to the host, routes the five
// AEffect functions to virtual members and answers the opcodes any plain instrument answers.
//
// Calls are not noexcept on purpose: the fault module lets C++ exceptions escape through them.
#pragma once
#include <cstddef>
#include <cstdint>
#include "qmvsti/vst2.h"

namespace qmtest {

struct PluginInfo {
    const char* effectName;
    const char* productName;
    int32_t uniqueId;
    int32_t flags;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t category;  // kPlugCategXxx
};

// Copies text into a plug-in string buffer of `capacity` bytes, cut and always terminated.
void CopyText(void* destination, const char* text, size_t capacity);

class PluginBase {
public:
    PluginBase(audioMasterCallback host, const PluginInfo& info);
    virtual ~PluginBase();
    PluginBase(const PluginBase&) = delete;
    PluginBase& operator=(const PluginBase&) = delete;

    AEffect* effect() { return &effect_; }

protected:
    // The dispatcher after effClose has been filtered out (the base deletes the object then).
    virtual intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    // Renders `frames` frames; `accumulate` adds to the outputs (process) instead of replacing them.
    // The base renders silence.
    virtual void render(float** inputs, float** outputs, int32_t frames, bool accumulate);
    virtual void setParameterValue(int32_t index, float value);
    virtual float parameterValue(int32_t index);
    // 1 for what the instrument can do, -1 for what it cannot, 0 when it does not know.
    virtual intptr_t canDo(const char* capability);
    // Fills an output pin's properties; the base describes stereo pairs "Out n L"/"Out n R".
    virtual bool outputPin(int32_t index, VstPinProperties* pin);
    // Called just before process/processReplacing run render; overridden by the fault module.
    virtual void beforeProcess(int32_t frames, bool accumulate) {}

    intptr_t callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    static constexpr int kMaxBaseParams = 8;
    AEffect effect_{};
    audioMasterCallback host_;
    PluginInfo info_;
    double sampleRate_ = 44100.0;
    int32_t blockSize_ = 1024;
    int32_t program_ = 0;
    char programName_[kVstMaxProgNameLen] = "Default";
    float params_[kMaxBaseParams] = {};

private:
    static PluginBase* self(AEffect* effect);
    static intptr_t VSTCALLBACK dispatcherProc(AEffect* effect, int32_t opcode, int32_t index,
                                               intptr_t value, void* ptr, float opt);
    static void VSTCALLBACK processProc(AEffect* effect, float** inputs, float** outputs, int32_t frames);
    static void VSTCALLBACK processReplacingProc(AEffect* effect, float** inputs, float** outputs,
                                                 int32_t frames);
    static void VSTCALLBACK setParameterProc(AEffect* effect, int32_t index, float value);
    static float VSTCALLBACK getParameterProc(AEffect* effect, int32_t index);
};

}  // namespace qmtest

// Entry points of a test plug-in, defined by each module that exports them. The build exports them as
// "main" and "VSTPluginMain" (a .def alias on Windows, a trampoline on Linux) for the modules that
// declare those exports in testplugins/CMakeLists.txt.
extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host);
extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host);
