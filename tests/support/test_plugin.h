// Loads our test instruments (bin/testplugins beside the test program) straight through the platform
// module API and drives them like a minimal host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "platform/module.h"
#include "qmvsti/vst2.h"

namespace qm::test {

// The full path of a test plug-in by module name ("qmref" -> .../testplugins/qmref.dll or .so).
std::basic_string<WCHAR> TestPluginPath(const char* name);
const char* PluginFileSuffix();  // ".dll" / ".so" (platform part)

// The callback a test plug-in is handed, answering as a minimal host does.
intptr_t VSTCALLBACK TestHostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                      float opt);

// One plug-in instance: the module, its entry point's AEffect, closed and unloaded on destruction.
class TestPlugin {
public:
    // Its entry point is "main", or else "VSTPluginMain", as hosts look for it.
    explicit TestPlugin(const char* name);
    ~TestPlugin();
    TestPlugin(const TestPlugin&) = delete;
    TestPlugin& operator=(const TestPlugin&) = delete;

    AEffect* effect() const { return effect_; }
    // Opens the plug-in as hosts do: effOpen, rate, block size, resume.
    void start(double sampleRate = 44100.0, int32_t blockSize = 512) const;
    // Sends MIDI events (each {deltaFrames, status, data1, data2}) through effProcessEvents.
    void sendMidi(const std::vector<std::vector<int>>& events) const;
    // processReplacing into channel buffers of `frames` floats each.
    void render(std::vector<std::vector<float>>& channels, int32_t frames) const;

private:
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const;

    platform::ModuleHandle module_ = nullptr;
    AEffect* effect_ = nullptr;
    // The last events sent: hosts keep them valid until the next process call ends.
    mutable std::vector<VstMidiEvent> midi_;
    mutable std::vector<unsigned char> eventList_;
};

// A MIDI event as hosts build them.
VstMidiEvent MakeMidiEvent(int32_t deltaFrames, int status, int data1, int data2);

}  // namespace qm::test
