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

// The host side: the callback a test plug-in is handed, answering as a minimal host does.
class TestHost {
public:
    static intptr_t VSTCALLBACK Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                         void* ptr, float opt);
};

// One plug-in instance: the module, its entry point's AEffect, closed and unloaded on destruction.
class TestPlugin {
public:
    // entry: the export to call; null tries "main" and then "VSTPluginMain" as hosts do.
    TestPlugin(const char* name, TestHost& host, const char* entry = nullptr);
    ~TestPlugin();
    TestPlugin(const TestPlugin&) = delete;
    TestPlugin& operator=(const TestPlugin&) = delete;

    AEffect* effect() const { return effect_; }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const;
    // Opens the plug-in as hosts do: effOpen, rate, block size, resume.
    void start(double sampleRate = 44100.0, int32_t blockSize = 512) const;
    // Sends MIDI events (each {deltaFrames, status, data1, data2}) through effProcessEvents.
    void sendMidi(const std::vector<std::vector<int>>& events) const;
    // processReplacing into channel buffers of `frames` floats each.
    void render(std::vector<std::vector<float>>& channels, int32_t frames) const;

private:
    platform::ModuleHandle module_ = nullptr;
    AEffect* effect_ = nullptr;
    // The last events sent: hosts keep them valid until the next process call ends.
    mutable std::vector<VstMidiEvent> midi_;
    mutable std::vector<unsigned char> eventList_;
};

// A MIDI event as hosts build them.
VstMidiEvent MakeMidiEvent(int32_t deltaFrames, int status, int data1, int data2);

// One dispatcher call as the call recorder logs it: "dispatcher opcode=10 index=0 value=0 opt=44100".
std::string RecorderDispatch(int32_t opcode, intptr_t value = 0, int32_t index = 0, float opt = 0.0f);

// What the call recorder logs from its entry point to Cue when an instance loads it, prepares the
// default format (44.1 kHz, 6 ms blocks of 265 frames) and is cued; Open and Play send nothing.
std::vector<std::string> RecorderCallsFromLoadToCue();

}  // namespace qm::test
