#include "support/test_plugin.h"

#include <cstddef>
#include "platform/text.h"

namespace qm::test {

std::basic_string<WCHAR> TestPluginPath(const char* name) {
    WCHAR self[1024];
    const size_t length = platform::ModulePathOf(reinterpret_cast<const void*>(&TestPluginPath), self, 1024);
    std::basic_string<WCHAR> path(self, length);
    const size_t slash = path.find_last_of(QMW("/\\"));
    path.resize(slash == std::basic_string<WCHAR>::npos ? 0 : slash + 1);
    const std::string file = std::string("testplugins/") + name + PluginFileSuffix();
    for (char c : file) path.push_back(static_cast<WCHAR>(c));
    return path;
}

// Plug-ins ask for the host's version while their entry point runs; everything else may answer 0.
intptr_t VSTCALLBACK TestHostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

TestPlugin::TestPlugin(const char* name) {
    module_ = platform::LoadModule(TestPluginPath(name).c_str());
    if (!module_) return;
    void* symbol = platform::FindSymbol(module_, "main");
    if (!symbol) symbol = platform::FindSymbol(module_, "VSTPluginMain");
    if (!symbol) return;
    effect_ = reinterpret_cast<VstPluginMainProc>(symbol)(&TestHostCallback);
}

TestPlugin::~TestPlugin() {
    if (effect_ && effect_->magic == kEffectMagic) effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    if (module_) platform::UnloadModule(module_);
}

intptr_t TestPlugin::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) const {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void TestPlugin::start(double sampleRate, int32_t blockSize) const {
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

VstMidiEvent MakeMidiEvent(int32_t deltaFrames, int status, int data1, int data2) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof event;
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

void TestPlugin::sendMidi(const std::vector<std::vector<int>>& events) const {
    midi_.clear();
    for (const std::vector<int>& e : events) midi_.push_back(MakeMidiEvent(e.at(0), e.at(1), e.at(2), e.at(3)));
    eventList_.assign(offsetof(VstEvents, events) + (midi_.size() + 2) * sizeof(VstEvent*), 0);
    VstEvents* list = reinterpret_cast<VstEvents*>(eventList_.data());
    list->numEvents = static_cast<int32_t>(midi_.size());
    VstEvent** slots = reinterpret_cast<VstEvent**>(eventList_.data() + offsetof(VstEvents, events));
    for (size_t i = 0; i < midi_.size(); ++i) slots[i] = reinterpret_cast<VstEvent*>(&midi_[i]);
    dispatch(effProcessEvents, 0, 0, list);
}

void TestPlugin::render(std::vector<std::vector<float>>& channels, int32_t frames) const {
    channels.assign(static_cast<size_t>(effect_->numOutputs), std::vector<float>(static_cast<size_t>(frames), 7.0f));
    std::vector<float*> outputs;
    for (std::vector<float>& channel : channels) outputs.push_back(channel.data());
    effect_->processReplacing(effect_, nullptr, outputs.data(), frames);
}

}  // namespace qm::test
